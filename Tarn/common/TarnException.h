#pragma once
// The online library's exceptions. A TarnException that is still marked as logged when it dies writes
// its description to the event log; a handler that has dealt with one clears the mark. Of an exception
// and its copies only the last copy made logs.
#include <exception>
#include <sstream>
#include <string>

namespace TarnCommon {

// Description of a code from the process-wide code table; the table holds no entries, so every code
// reads "Undefined exception.".
std::string CodeDescription(int code);

// Severity names used in descriptions: 0 "Continuing", 1 "StateChanged", 2 "Critcal", else "Unknown".
const char* ExceptionSeverityName(int severity);

class TarnException : public std::exception {
public:
    TarnException(int code, int line = 0, const char* file = nullptr, const char* text = nullptr);
    TarnException(const TarnException& other);
    TarnException(TarnException&& other) noexcept;
    TarnException& operator=(const TarnException&) = delete;
    ~TarnException() override;

    const char* what() const noexcept override;
    // Replaces the location when given (line > 0, file not null) and throws a copy as a TarnException.
    [[noreturn]] virtual void Raise(int line = 0, const char* file = nullptr);
    virtual void SetLogged(bool logged) { logged_ = logged; }
    virtual void SetSeverity(int severity) {
        severity_ = severity;
        description_.clear();
    }

    int GetCode() const { return code_; }
    int GetSeverity() const { return severity_; }
    int GetLine() const { return line_; }
    const std::string& GetFile() const { return file_; }
    std::string GetText() const { return text_.str(); }
    bool IsLogged() const { return logged_; }
    // Subclasses and throwers append details here.
    std::ostringstream& TextStream() {
        description_.clear();
        return text_;
    }

private:
    int severity_ = 2;
    int code_;
    std::string file_;
    int line_;
    std::ostringstream text_;
    mutable bool logged_ = true;
    mutable std::string description_;
};

// Exhausted memory; not a TarnException, and never logs.
class MemoryException : public std::exception {
public:
    static constexpr int kCode = 1;
    MemoryException() = default;
    explicit MemoryException(std::string text) : text_(std::move(text)) {}
    ~MemoryException() override = default;
    const char* what() const noexcept override { return text_.c_str(); }
    [[noreturn]] virtual void Raise() { throw MemoryException(*this); }
    // "Exception (1) " followed by the description of code 1.
    virtual void BuildText();

private:
    std::string text_;
};

}  // namespace TarnCommon
