#include "guard.h"

#include <atomic>
#include <windows.h>

#include "output.h"

namespace {

// Time the main thread gets beyond its own deadlines to end the session
// itself, cleanly, before the guard ends it.
constexpr unsigned long long kGraceMs = 10000;

std::atomic<unsigned long long> deadline;
unsigned long long allowanceMs;

DWORD WINAPI GuardThread(void*)
{
    for (;;) {
        Sleep(200);
        if (NowMs() > deadline.load()) {
            PrintError("no answer from the source manager or the source; giving up");
            FlushOutput();
            TerminateProcess(GetCurrentProcess(), 1);
        }
    }
}

} // namespace

void StartGuard(double allowanceSeconds)
{
    allowanceMs = static_cast<unsigned long long>(allowanceSeconds * 1000) + kGraceMs;
    ArmGuard();
    HANDLE thread = CreateThread(nullptr, 0, GuardThread, nullptr, 0, nullptr);
    if (thread)
        CloseHandle(thread);
}

unsigned long long NowMs()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    const auto ticks = static_cast<unsigned long long>(counter.QuadPart);
    const auto perSecond = static_cast<unsigned long long>(frequency.QuadPart);
    return ticks / perSecond * 1000 + ticks % perSecond * 1000 / perSecond;
}

void ArmGuard()
{
    deadline = NowMs() + allowanceMs;
}

void ArmGuardUntil(unsigned long long tick)
{
    deadline = tick + kGraceMs;
}
