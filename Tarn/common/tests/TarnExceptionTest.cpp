#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Tarn/common/EventLog.h"
#include "Tarn/common/TarnException.h"

using TarnCommon::TarnException;

namespace {

// Points the event log at a fresh folder for each test and reads it back.
class EventLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        // In the build folder's scratch folder (TEST_TMPDIR), not a fixed system path.
        std::string pattern = ::testing::TempDir() + "tarnlogXXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        TarnCommon::SetEventLogFolder(folder_);
    }
    void TearDown() override {
        TarnCommon::SetEventLogFolder("");
        std::filesystem::remove_all(folder_);
    }
    std::string LogText() const {
        std::ifstream in(folder_ + "/TarnEventLog.txt");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static int Count(const std::string& text, const std::string& what) {
        int n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }
    std::string folder_;
};

TEST_F(EventLogTest, DescriptionsFollowTheDocumentedLayout) {
    struct Case {
        int code, severity, line;
        const char* file;
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {1001, 2, 0, nullptr, "Attempt to read past end of message!",
         "Exception (1001 - Critcal) Undefined exception.  Attempt to read past end of message!"},
        {5, 0, 12, "a.cpp", nullptr, "Exception (5 - Continuing) Undefined exception.  File=a.cpp  Line=12"},
        {5, 1, -3, "", "t", "Exception (5 - StateChanged) Undefined exception.  t"},
        {-2, 7, 0, nullptr, nullptr, "Exception (-2 - Unknown) Undefined exception."},
    };
    for (const Case& c : cases) {
        TarnException e(c.code, c.line, c.file, c.text);
        e.SetSeverity(c.severity);
        EXPECT_STREQ(e.what(), c.expected);
        e.SetLogged(false);
    }
    EXPECT_EQ(LogText(), "");
}

// Catching by value is the point of this test: it makes one more copy.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcatch-value"
TEST_F(EventLogTest, OnlyTheLastCopyOfAThrownExceptionLogs) {
    try {
        throw TarnException(42, 0, nullptr, "first");
    } catch (TarnException caught) {  // caught by value: one more copy
        TarnException again(caught);
        EXPECT_FALSE(caught.IsLogged());
        EXPECT_TRUE(again.IsLogged());
    }
    const std::string log = LogText();
    EXPECT_EQ(Count(log, "Exception (42"), 1);
    EXPECT_EQ(log.rfind("ERROR - \n\tLogged: ", 0), 0u) << log;
    EXPECT_NE(log.find("\tText:   Exception (42 - Critcal) Undefined exception.  first\n\n"), std::string::npos);
}

#pragma GCC diagnostic pop

TEST_F(EventLogTest, HandledExceptionLeavesNoEntry) {
    try {
        throw TarnException(3);
    } catch (TarnException& e) {
        e.SetLogged(false);
    }
    EXPECT_EQ(LogText(), "");
}

TEST_F(EventLogTest, RaiseReplacesLocationAndThrowsACopy) {
    TarnException e(9, 0, nullptr, "x");
    const std::string before = e.what();
    try {
        e.Raise();
    } catch (TarnException& thrown) {
        EXPECT_EQ(before, thrown.what());
        thrown.SetLogged(false);
    }
    EXPECT_EQ(std::string(e.what()), before);  // description cache kept
    try {
        e.Raise(77, "here.cpp");
    } catch (TarnException& thrown) {
        EXPECT_STREQ(thrown.what(), "Exception (9 - Critcal) Undefined exception.  x  File=here.cpp  Line=77");
        thrown.SetLogged(false);
    }
    EXPECT_EQ(e.GetLine(), 77);
    EXPECT_FALSE(e.IsLogged());  // its flag went to the copies
}

TEST_F(EventLogTest, LogSeverityNamesAndEmptyText) {
    EXPECT_STREQ(TarnCommon::LogSeverityName(0), "ERROR");
    EXPECT_STREQ(TarnCommon::LogSeverityName(1), "ERROR");
    EXPECT_STREQ(TarnCommon::LogSeverityName(2), "WARNING");
    EXPECT_STREQ(TarnCommon::LogSeverityName(3), "INFORMATIONAL");
    EXPECT_STREQ(TarnCommon::LogSeverityName(7), "UNKNOWN");
    TarnCommon::WriteLogLine(2, "");
    TarnCommon::WriteLogLine(2, nullptr);
    EXPECT_EQ(LogText(), "");
    TarnCommon::LogEntry entry("abc", 3);
    entry.Log("def", 0);
    entry.Log(nullptr, 7);  // emptied: nothing more
    EXPECT_EQ(Count(LogText(), "INFORMATIONAL - \n"), 1);
    EXPECT_NE(LogText().find("\tText:   abcdef\n\n"), std::string::npos);
}

TEST_F(EventLogTest, EntriesOfManyThreadsNeverInterleave) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 25; ++i) TarnException e(1000 + t, i + 1, "thread.cpp", "concurrent");
        });
    for (auto& th : threads) th.join();
    std::istringstream in(LogText());
    std::string line;
    int entries = 0, lineNo = 0;
    while (std::getline(in, line)) {
        switch (lineNo++ % 4) {
            case 0: EXPECT_EQ(line, "ERROR - "); ++entries; break;
            case 1: EXPECT_EQ(line.rfind("\tLogged: ", 0), 0u); break;
            case 2: EXPECT_EQ(line.rfind("\tText:   Exception (10", 0), 0u); break;
            case 3: EXPECT_EQ(line, ""); break;
        }
    }
    EXPECT_EQ(entries, 200);
}

TEST_F(EventLogTest, MissingFolderLosesTheEntryQuietly) {
    TarnCommon::SetEventLogFolder(folder_ + "/missing/deeper");
    { TarnException e(1); }
    EXPECT_FALSE(std::filesystem::exists(folder_ + "/missing"));
}

TEST(EventLogPath, DefaultsToTheTemporaryFolder) {
    TarnCommon::SetEventLogFolder("");
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder = tmp && *tmp ? tmp : "/tmp";
    EXPECT_EQ(TarnCommon::EventLogPath(), folder + (folder.back() == '/' ? "" : "/") + "TarnEventLog.txt");
}

TEST(MemoryExceptionTest, TextAndRaise) {
    TarnCommon::MemoryException e;
    EXPECT_STREQ(e.what(), "");
    e.BuildText();
    EXPECT_STREQ(e.what(), "Exception (1) Undefined exception.");
    EXPECT_THROW(e.Raise(), TarnCommon::MemoryException);
}

}  // namespace
