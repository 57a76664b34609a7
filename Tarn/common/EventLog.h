#pragma once
// The online library's event log: a plain text file of entries, one per unhandled library exception.
// The file is "TarnEventLog.txt" in the system's temporary folder ($TMPDIR, else /tmp). Every failure
// of the log itself is swallowed: an entry is lost, nothing is thrown.
#include <sstream>
#include <string>

namespace TarnCommon {

// Log severities: 0 and 1 "ERROR", 2 "WARNING", 3 "INFORMATIONAL", others "UNKNOWN".
const char* LogSeverityName(int severity);

// Writes one whole entry (severity line, time line, text line, empty line) under the log lock.
// A missing or empty text writes nothing.
void WriteLogLine(int severity, const char* text);

// The full path of the log file in use.
std::string EventLogPath();
// Points the log at another folder (tests); an empty folder returns to the default.
void SetEventLogFolder(const std::string& folder);

// When the log file has grown past this many bytes, the next entry first moves it aside to
// "TarnEventLog.txt.1" (one older generation kept), so that a peer which provokes errors cannot fill
// the disk.
constexpr long kEventLogMaxBytes = 4L * 1024 * 1024;

// One entry being composed.
class LogEntry {
public:
    explicit LogEntry(const char* text = nullptr, int severity = 0);
    // Appends the text, writes what has been gathered with the given severity (or the entry's own when
    // 0) and empties the entry for reuse.
    void Log(const char* text = nullptr, int severity = 0);
    std::ostringstream& Stream() { return stream_; }

private:
    int severity_;
    std::ostringstream stream_;
};

}  // namespace TarnCommon
