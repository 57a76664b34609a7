#pragma once
// The event log of automated runs: when GRAVELON_EVENT_LOG names a file, the program appends one line
// per event that a test checks (a menu page entered, a race phase reached, a file saved). Each line is
// written through at once, so a log stays complete when the process is killed. Without the variable
// nothing is written.
#include <string>

namespace plat {

// Appends `line` and a line feed to the event log, when there is one.
void LogEvent(const std::string& line);

// Writes the log to `path` from now on (an empty path stops it); for tests of the writers.
void SetEventLogFile(const std::string& path);

}  // namespace plat
