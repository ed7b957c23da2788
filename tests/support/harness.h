// What the tests that run twscan.exe share: starting a program with its
// output captured and a hard time limit, files of the Windows directory
// changed for one test and restored after it, a scratch folder, and a
// reader for the BMP files twscan writes.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>
#include <windows.h>

struct RunResult {
    DWORD exitCode = 0;
    bool timedOut = false; // killed at the time limit
    std::string out;
    std::string err;
    std::vector<std::string> OutLines() const;
    std::vector<std::string> ErrLines() const;
};

// Runs a program with the arguments, captures stdout and stderr, and kills
// it when it runs longer than timeoutMs.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     DWORD timeoutMs = 30000);

// twscan.exe from the folder of the running test program.
RunResult RunTwscan(const std::vector<std::string>& args, DWORD timeoutMs = 120000);

// The folder of the running test program, with a trailing backslash.
std::string ProgramFolder();
// The Windows directory followed by name (name starts with a backslash).
std::string WindowsFile(const std::string& name);

std::string ReadWholeFile(const std::string& path);
std::vector<std::string> ReadLines(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& content);
bool PathExists(const std::string& path);
// Sets one key of an INI file through the profile functions, so that a
// section that is already there gets the key rather than a second section.
void SetIniValue(const std::string& path, const std::string& section, const std::string& key,
                 const std::string& value);

// Keeps a file as it was (or absent) and puts it back at the end of the test.
class RestoredFile {
public:
    explicit RestoredFile(std::string path);
    ~RestoredFile();
    RestoredFile(const RestoredFile&) = delete;
    RestoredFile& operator=(const RestoredFile&) = delete;
    // Replaces the content for this test.
    void Write(const std::string& content);
    void Remove();
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    bool existed_;
    std::string content_;
};

// An empty folder of its own for one test, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    // The full path of a name in the folder.
    std::string Path(const std::string& name) const;

private:
    std::string folder_;
};

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& out, const Rgb& c);

// A BMP file as twscan writes it: headers, colour table and pixels.
struct BmpFile {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    std::vector<RGBQUAD> palette;
    std::vector<uint8_t> pixels;
    long Width() const { return info.biWidth; }
    long Height() const { return info.biHeight < 0 ? -info.biHeight : info.biHeight; }
    int Bits() const { return info.biBitCount; }
    // The colour at (x, y), y counted from the top.
    Rgb At(long x, long y) const;
};

// Reads and checks a BMP file: "BM", sizes that agree with each other and
// with the file. Empty error when it is sound.
bool LoadBmp(const std::string& path, BmpFile& bmp, std::string& error);

// "image 1: 320x200, 8 bits, C:\x\scan1.bmp" -> its parts.
struct ImageLine {
    int number = 0;
    long width = 0;
    long height = 0;
    int bits = 0;
    std::string file;
};
bool ParseImageLine(const std::string& line, ImageLine& image);

// Lines of text that contain the given piece.
bool AnyLineContains(const std::vector<std::string>& lines, const std::string& piece);
