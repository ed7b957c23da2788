#include "harness.h"

#include <ostream>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

// Quotes an argument the way the C runtime splits a command line.
std::string Quote(const std::string& arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
        return arg;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Takes what the pipe holds now, without waiting.
void Drain(HANDLE pipe, std::string& text)
{
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available) {
        char buffer[4096];
        DWORD got = 0;
        if (!ReadFile(pipe, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) || !got)
            return;
        text.append(buffer, got);
    }
}

void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

} // namespace

std::vector<std::string> RunResult::OutLines() const
{
    return SplitLines(out);
}

std::vector<std::string> RunResult::ErrLines() const
{
    return SplitLines(err);
}

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args, DWORD timeoutMs)
{
    RunResult result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    CreatePipe(&outRead, &outWrite, &inherit, 1 << 16);
    CreatePipe(&errRead, &errWrite, &inherit, 1 << 16);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    HANDLE input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr);

    std::string commandLine = Quote(program);
    for (const auto& arg : args)
        commandLine += " " + Quote(arg);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    const BOOL started = CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    CloseHandle(input);
    if (!started) {
        result.exitCode = 0xFFFFFFFF;
        result.err = "cannot start " + program + " (error " + std::to_string(GetLastError()) + ")";
        CloseHandle(outRead);
        CloseHandle(errRead);
        return result;
    }
    const DWORD start = GetTickCount();
    for (;;) {
        Drain(outRead, result.out);
        Drain(errRead, result.err);
        if (WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0)
            break;
        if (GetTickCount() - start > timeoutMs) {
            TerminateProcess(process.hProcess, 0xDEAD);
            WaitForSingleObject(process.hProcess, 5000);
            result.timedOut = true;
            break;
        }
    }
    Drain(outRead, result.out);
    Drain(errRead, result.err);
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(outRead);
    CloseHandle(errRead);
    return result;
}

std::string ProgramFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

RunResult RunTwscan(const std::vector<std::string>& args, DWORD timeoutMs)
{
    return RunProgram(ProgramFolder() + "twscan.exe", args, timeoutMs);
}

std::string WindowsFile(const std::string& name)
{
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, sizeof folder);
    return folder + name;
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> ReadLines(const std::string& path)
{
    return SplitLines(ReadWholeFile(path));
}

void WriteWholeFile(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

std::ostream& operator<<(std::ostream& out, const Rgb& c)
{
    return out << '(' << int(c.r) << ',' << int(c.g) << ',' << int(c.b) << ')';
}

bool PathExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {

// Drops the profile functions' cached copy of a file changed behind them.
void ForgetCachedProfile(const std::string& path)
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

} // namespace

void SetIniValue(const std::string& path, const std::string& section, const std::string& key,
                 const std::string& value)
{
    ForgetCachedProfile(path);
    WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str());
    ForgetCachedProfile(path);
}

RestoredFile::RestoredFile(std::string path)
    : path_(std::move(path)), existed_(PathExists(path_)), content_(existed_ ? ReadWholeFile(path_) : "")
{
}

RestoredFile::~RestoredFile()
{
    if (existed_)
        WriteWholeFile(path_, content_);
    else
        DeleteFileA(path_.c_str());
    ForgetCachedProfile(path_);
}

void RestoredFile::Write(const std::string& content)
{
    WriteWholeFile(path_, content);
    ForgetCachedProfile(path_);
}

void RestoredFile::Remove()
{
    DeleteFileA(path_.c_str());
    ForgetCachedProfile(path_);
}

ScratchFolder::ScratchFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    static int serial;
    for (;;) {
        folder_ = std::string(temp) + "twscan-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                  std::to_string(++serial);
        if (CreateDirectoryA(folder_.c_str(), nullptr))
            break;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
}

ScratchFolder::~ScratchFolder()
{
    RemoveTree(folder_);
}

std::string ScratchFolder::Path(const std::string& name) const
{
    return folder_ + "\\" + name;
}

Rgb BmpFile::At(long x, long y) const
{
    const int bits = Bits();
    const size_t stride = (static_cast<size_t>(Width()) * bits + 31) / 32 * 4;
    const long row = info.biHeight > 0 ? Height() - 1 - y : y;
    const uint8_t* line = pixels.data() + row * stride;
    if (bits == 24)
        return {line[x * 3 + 2], line[x * 3 + 1], line[x * 3]};
    const size_t bit = static_cast<size_t>(x) * bits;
    const unsigned index = (line[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
    if (index >= palette.size())
        return {0, 0, 0};
    const RGBQUAD& q = palette[index];
    return {q.rgbRed, q.rgbGreen, q.rgbBlue};
}

bool LoadBmp(const std::string& path, BmpFile& bmp, std::string& error)
{
    const std::string data = ReadWholeFile(path);
    if (data.size() < sizeof bmp.file + sizeof bmp.info) {
        error = path + ": missing or too short (" + std::to_string(data.size()) + " bytes)";
        return false;
    }
    std::memcpy(&bmp.file, data.data(), sizeof bmp.file);
    std::memcpy(&bmp.info, data.data() + sizeof bmp.file, sizeof bmp.info);
    if (bmp.file.bfType != 0x4D42) {
        error = path + ": no BM signature";
        return false;
    }
    if (bmp.info.biSize < sizeof bmp.info || bmp.info.biWidth <= 0 || bmp.info.biHeight == 0 ||
        bmp.info.biPlanes != 1 || bmp.info.biCompression != BI_RGB) {
        error = path + ": unusable bitmap header";
        return false;
    }
    const int bits = bmp.Bits();
    const size_t entries = bmp.info.biClrUsed ? bmp.info.biClrUsed : bits <= 8 ? (1u << bits) : 0;
    const size_t tableAt = sizeof bmp.file + bmp.info.biSize;
    const size_t stride = (static_cast<size_t>(bmp.Width()) * bits + 31) / 32 * 4;
    const size_t pixelBytes = stride * bmp.Height();
    if (bmp.file.bfOffBits < tableAt + entries * sizeof(RGBQUAD) ||
        data.size() < bmp.file.bfOffBits + pixelBytes) {
        error = path + ": shorter than its headers promise";
        return false;
    }
    if (bmp.file.bfSize != data.size()) {
        error = path + ": bfSize " + std::to_string(bmp.file.bfSize) + " but the file has " +
                std::to_string(data.size()) + " bytes";
        return false;
    }
    bmp.palette.resize(entries);
    std::memcpy(bmp.palette.data(), data.data() + tableAt, entries * sizeof(RGBQUAD));
    bmp.pixels.assign(data.begin() + bmp.file.bfOffBits, data.begin() + bmp.file.bfOffBits + pixelBytes);
    error.clear();
    return true;
}

bool ParseImageLine(const std::string& line, ImageLine& image)
{
    int consumed = 0;
    if (std::sscanf(line.c_str(), "image %d: %ldx%ld, %d bits, %n", &image.number, &image.width,
                    &image.height, &image.bits, &consumed) != 4 ||
        consumed == 0)
        return false;
    image.file = line.substr(consumed);
    return !image.file.empty();
}

bool AnyLineContains(const std::vector<std::string>& lines, const std::string& piece)
{
    for (const auto& line : lines) {
        if (line.find(piece) != std::string::npos)
            return true;
    }
    return false;
}
