#include "output.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

CRITICAL_SECTION outputLock;

void WriteLine(FILE* stream, const std::string& line)
{
    EnterCriticalSection(&outputLock);
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
    LeaveCriticalSection(&outputLock);
}

} // namespace

void InitOutput()
{
    InitializeCriticalSection(&outputLock);
    // Plain "\n" line ends: scripts on both sides of Wine read our output.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

void PrintLine(const std::string& line)
{
    WriteLine(stdout, line);
}

void PrintError(const std::string& reason)
{
    WriteLine(stderr, "twscan: " + reason);
}

void PrintRawError(const std::string& line)
{
    WriteLine(stderr, line);
}

void FlushOutput()
{
    EnterCriticalSection(&outputLock);
    std::fflush(stdout);
    std::fflush(stderr);
    LeaveCriticalSection(&outputLock);
}
