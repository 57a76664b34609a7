#include "Tarn/common/TarnException.h"

#include <map>
#include <mutex>

#include "Tarn/common/EventLog.h"

namespace TarnCommon {
namespace {

struct CodeTable {
    std::mutex lock;
    std::map<int, std::string> descriptions;  // nothing in the library adds entries
};

CodeTable& Codes() {
    static CodeTable table;
    return table;
}

}  // namespace

std::string CodeDescription(int code) {
    CodeTable& table = Codes();
    std::lock_guard<std::mutex> hold(table.lock);
    auto it = table.descriptions.find(code);
    return it != table.descriptions.end() ? it->second : "Undefined exception.";
}

const char* ExceptionSeverityName(int severity) {
    switch (severity) {
        case 0: return "Continuing";
        case 1: return "StateChanged";
        case 2: return "Critcal";
        default: return "Unknown";
    }
}

TarnException::TarnException(int code, int line, const char* file, const char* text)
    : code_(code), file_(file ? file : ""), line_(line) {
    if (text) text_ << text;
}

TarnException::TarnException(const TarnException& other)
    : std::exception(other),
      severity_(other.severity_),
      code_(other.code_),
      file_(other.file_),
      line_(other.line_),
      logged_(other.logged_) {
    text_ << other.text_.str();
    other.logged_ = false;  // only the newest copy logs
}

TarnException::TarnException(TarnException&& other) noexcept
    : std::exception(other),
      severity_(other.severity_),
      code_(other.code_),
      file_(std::move(other.file_)),
      line_(other.line_),
      text_(std::move(other.text_)),
      logged_(other.logged_) {
    other.logged_ = false;
}

TarnException::~TarnException() {
    if (!logged_) return;
    try {
        LogEntry entry(what(), 1);
        entry.Log(nullptr, 0);
    } catch (...) {
        // Logging never lets an exception out of a destructor.
    }
}

const char* TarnException::what() const noexcept {
    if (description_.empty()) {
        try {
            std::ostringstream out;
            out << "Exception (" << code_ << " - " << ExceptionSeverityName(severity_) << ") "
                << CodeDescription(code_);
            const std::string text = text_.str();
            if (!text.empty()) out << "  " << text;
            if (!file_.empty()) out << "  File=" << file_;
            if (line_ > 0) out << "  Line=" << line_;
            description_ = out.str();
        } catch (...) {
            description_.clear();
        }
    }
    return description_.c_str();
}

void TarnException::Raise(int line, const char* file) {
    bool changed = false;
    if (line > 0) {
        line_ = line;
        changed = true;
    }
    if (file) {
        file_ = file;
        changed = true;
    }
    if (changed) description_.clear();
    throw TarnException(*this);
}

void MemoryException::BuildText() {
    text_ = "Exception (" + std::to_string(kCode) + ") " + CodeDescription(kCode);
}

}  // namespace TarnCommon
