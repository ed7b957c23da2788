// What the unit tests share: recorded message boxes, files in the Windows
// directory that vanish after the test, and a source reset to its load state.
#pragma once

#include <gtest/gtest.h>

#include "harness.h"
#include <string>
#include <vector>
#include <windows.h>

struct RecordedBox {
    HWND owner;
    std::string text;
    std::string caption; // "(null)" for a null caption
    UINT flags;
};

// Records every message box of the data source instead of showing it.
class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    std::vector<RecordedBox> boxes;
    int answer = IDOK;
    const RecordedBox& Last() const;
};

// Writes files into the Windows directory and removes them again, so a test
// never sees another test's configuration.
class WindowsFiles {
public:
    ~WindowsFiles();
    // Writes content as the whole file (name begins with a backslash).
    std::string Write(const std::string& name, const std::string& content);
    // Removes the file now and at the end of the test.
    void Remove(const std::string& name);
    // Copies a file built next to the test program (bin/) to name, creating
    // the folders on the way.
    std::string CopyFromBin(const std::string& file, const std::string& name);
    std::string Read(const std::string& name) const;
    bool Exists(const std::string& name) const;

private:
    std::vector<std::string> paths_;
};


// Marks the driver as bound with a harmless library, so that code which
// asks whether a driver is bound goes on to the fake functions a test put
// into the driver table.
void FakeDriverBinding();

// The files of the system in the Windows directory that tests may create.
void RemoveSystemFiles();
// Drops the platform's cached copy of an INI file written behind its back.
void FlushProfile(const std::string& path);
// Every process-wide variable of the data source back to its value at load.
void ResetSourceState();


// Base fixture: clean Windows directory, load-state source, recorded boxes.
class SourceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    MessageBoxRecorder boxes;
    WindowsFiles files;
};
