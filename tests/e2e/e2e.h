// The fixture of the end-to-end tests: the Windows-directory files a test
// may change (restored after it), the logs of the virtual scanner and the
// companion program (emptied before it), a scratch folder for images.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"

class E2eTest : public ::testing::Test {
protected:
    void SetUp() override;

    // Runs twscan with --dismiss (no message box may wait for a user).
    RunResult Scan(std::vector<std::string> args);
    // One key of vscanner.ini for this test ("Faults", "Transfer", "701").
    void SetScannerKey(const std::string& section, const std::string& key, const std::string& value);

    std::vector<std::string> ScannerLog() const { return ReadLines(scannerLog.Path()); }
    std::vector<std::string> CompanionLog() const { return ReadLines(companionLog.Path()); }

    RestoredFile scannerIni{WindowsFile("\\vscanner.ini")};
    RestoredFile settingsIni{WindowsFile("\\kmscan32.ini")};
    RestoredFile applicationIni{WindowsFile("\\apsetup.ini")};
    RestoredFile scannerLog{WindowsFile("\\vscanner.log")};
    RestoredFile companionLog{WindowsFile("\\vostel32.log")};
    ScratchFolder scratch;
};

std::string Describe(const RunResult& run);

// The one image line of a run, checked against the BMP file it names.
void ExpectOneSavedImage(const RunResult& run, long width, long height, int bits);
