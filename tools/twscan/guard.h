// The last line of defence against a hang: a thread that ends the process
// with exit status 1 when the main thread has been stuck for longer than a
// transfer may take (inside a source call that never returns, or in a
// message box nobody answers).
#pragma once

// Starts the guard thread; allowance is how long one wait may last.
void StartGuard(double allowanceSeconds);
// The main thread is alive now: the guard waits one allowance from here.
void ArmGuard();
// Milliseconds of a monotonic clock.
unsigned long long NowMs();
// The main thread waits until the given NowMs() moment and
// arms the guard for that moment plus the grace period.
void ArmGuardUntil(unsigned long long tick);
