#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "Tarn/api/Completion.h"

using namespace TarnAPI;

namespace {

std::vector<std::string>* g_steps = nullptr;
Event* g_event = nullptr;

struct Recording : Completion<const long&> {
    explicit Recording(bool deleteAfterRun, int* destroyed) : Completion(deleteAfterRun), destroyed_(destroyed) {}
    ~Recording() override { ++*destroyed_; }
    void Complete(const long& result) override {
        g_steps->push_back("completion " + std::to_string(result));
        Completion::Complete(result);
    }
    int* destroyed_;
};

void RecordCallback(const long& result) {
    g_steps->push_back(std::string("callback ") + (g_event && g_event->IsSet() ? "after event " : "") +
                       std::to_string(result));
}

class CompletionTest : public ::testing::Test {
protected:
    void SetUp() override { g_steps = &steps_; }
    void TearDown() override {
        g_steps = nullptr;
        g_event = nullptr;
    }
    std::vector<std::string> steps_;
};

TEST_F(CompletionTest, ContainerSignalsThenCallsBackThenCompletes) {
    int destroyed = 0;
    Event event;
    g_event = &event;
    CompletionContainer<const long&> container(new Recording(true, &destroyed), false);
    container.SetEvent(&event);
    container.SetCallback(&RecordCallback);
    EXPECT_FALSE(container.IsEmpty());
    container.Complete(7);
    EXPECT_EQ(steps_, (std::vector<std::string>{"callback after event 7", "completion 7"}));
    EXPECT_EQ(destroyed, 1);  // delete-after-run freed it, exactly once
}

TEST_F(CompletionTest, EmptyContainersAndEventOnlyWaiters) {
    CompletionContainer<const long&> empty;
    EXPECT_TRUE(empty.IsEmpty());
    empty.Complete(1);  // nothing happens
    EXPECT_TRUE(steps_.empty());

    Event event;
    CompletionContainer<const long&> onlyEvent(&event);
    EXPECT_FALSE(onlyEvent.IsEmpty());
    std::thread other([&] { onlyEvent.Complete(3); });
    EXPECT_TRUE(event.WaitFor(20000));
    other.join();
}

TEST_F(CompletionTest, OwningContainersShareOneCompletion) {
    int destroyed = 0;
    {
        CompletionContainer<const long&> first(new Recording(false, &destroyed), true);
        {
            CompletionContainer<const long&> copy(first);
            copy.Complete(1);
        }
        EXPECT_EQ(destroyed, 0);
        first.Complete(2);
    }
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(steps_, (std::vector<std::string>{"completion 1", "completion 2"}));
}

struct Contents {
    int calls = 0;
    long last = 0;
};

void CountContents(const long& result, Contents* contents) {
    ++contents->calls;
    contents->last = result;
}

TEST_F(CompletionTest, CompletionWithContentsForwardsTheResultAndItsValue) {
    Contents contents;
    auto* chained = new CompletionWithContents<const long&, Contents*>(&contents, &CountContents, true);
    CompletionFunctionContainer<const long&> container(chained, false);
    container.Complete(42);
    EXPECT_EQ(contents.calls, 1);
    EXPECT_EQ(contents.last, 42);
    // Without a callback it only frees itself (the sanitizer build checks the free).
    auto* silent = new CompletionWithContents<const long&, Contents*>(&contents, nullptr, true);
    silent->Complete(5);
    EXPECT_EQ(contents.calls, 1);
}

}  // namespace
