// What twscan prints. stdout carries one line per saved image (and the
// source list); stderr carries reasons, notes and the texts of dismissed
// message boxes. Both may be written from the watcher threads, so every
// line goes out whole and at once.
#pragma once

#include <string>

void InitOutput();
// One line on stdout.
void PrintLine(const std::string& line);
// "twscan: " and the reason, on stderr.
void PrintError(const std::string& reason);
// A line on stderr as it is.
void PrintRawError(const std::string& line);
// Writes out everything printed so far (before the process ends abruptly).
void FlushOutput();
