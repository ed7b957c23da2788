// --dismiss: a watcher thread that answers the message boxes of this
// process, so that an unattended run never waits for a user.
#pragma once

#include <string>

// Starts the watcher. Each message box found is printed on stderr as
// "message: TEXT" (see EscapeText) and answered with OK, or with its
// default button when it has no OK button.
void StartDismisser();

// One box, one line: backslash becomes "\\", line feed "\n", carriage
// return "\r", tab "\t".
std::string EscapeText(const std::string& text);
