// The call log: every driver function appends one line
// "Name(arg, arg, ...) = result" to vscanner.log in the Windows directory.
// Integers in decimal (a BYTE argument by its low byte), pointers, window
// handles and out-arguments as "ptr" (a null one as "0"), texts in double
// quotes; a function without a result ends after the closing parenthesis.
#pragma once

#include <initializer_list>
#include <string>

std::string LogPointer(const void* pointer);
std::string LogInt(long long value);
std::string LogByte(long long value); // the low byte only
std::string LogText(const char* text);

void LogCall(const char* name, std::initializer_list<std::string> args, long long result);
void LogVoidCall(const char* name, std::initializer_list<std::string> args);
