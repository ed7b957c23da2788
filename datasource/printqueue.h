// A parallel-port scanner shares the port with the printer: no scanner work
// starts while a print job is spooled or printed.
#pragma once

#include <windows.h>

// True when scanning may start.
bool PrintQueueIdle();
// Tells the user to wait for the print jobs; returns the box's result.
int ShowPrintJobsMessage();
