#pragma once
// Completions: how every asynchronous operation of the online library hands back its result, exactly
// once. A container signals its event, then calls its plain callback, then its completion object, in
// that order. A completion with the delete-after-run flag destroys itself as the last step of its run.
#include <memory>

#include "Tarn/api/Event.h"

namespace TarnAPI {

class CompletionBase {
public:
    virtual ~CompletionBase() = default;
};

// R is the result type as passed, e.g. const Socket::Result&.
template <typename R>
class Completion : public CompletionBase {
public:
    explicit Completion(bool deleteAfterRun = false) : deleteAfterRun_(deleteAfterRun) {}
    ~Completion() override = default;
    // Overrides do their work and end by calling Completion<R>::Complete, which frees a completion
    // that has the delete-after-run flag (it is not touched again).
    virtual void Complete(R result) {
        (void)result;
        if (deleteAfterRun_) delete this;
    }
    bool GetDeleteAfterRun() const { return deleteAfterRun_; }
    void SetDeleteAfterRun(bool flag) { deleteAfterRun_ = flag; }

private:
    bool deleteAfterRun_;
};

// Lets a plain function carry one value of the caller's own (a request record, or a whole container).
template <typename R, typename D>
class CompletionWithContents : public Completion<R> {
public:
    using Callback = void (*)(R, D);
    CompletionWithContents(D contents, Callback callback, bool deleteAfterRun = false)
        : Completion<R>(deleteAfterRun), contents_(contents), callback_(callback) {}
    ~CompletionWithContents() override = default;

    void Complete(R result) override {
        Complete(result, contents_);
        Completion<R>::Complete(result);
    }
    virtual void Complete(R result, D contents) {
        if (callback_) callback_(result, contents);
    }
    D& Contents() { return contents_; }

private:
    D contents_;
    Callback callback_;
};

class CompletionContainerBase {
public:
    virtual bool IsEmpty() const = 0;
    virtual ~CompletionContainerBase() = default;
};

template <typename R>
class CompletionFunctionContainer : public CompletionContainerBase {
public:
    using Callback = void (*)(R);
    CompletionFunctionContainer() = default;
    CompletionFunctionContainer(Callback callback) : callback_(callback) {}  // NOLINT: implicit by design
    // With owns set, the completion is destroyed with the last container that shares it (copies share
    // ownership, so it is destroyed exactly once). Do not combine owns with delete-after-run.
    CompletionFunctionContainer(Completion<R>* completion, bool owns) : completion_(completion) {
        if (owns && completion) owner_.reset(completion);
    }
    CompletionFunctionContainer(const CompletionFunctionContainer&) = default;
    CompletionFunctionContainer& operator=(const CompletionFunctionContainer&) = default;
    ~CompletionFunctionContainer() override = default;

    bool IsEmpty() const override { return !callback_ && !completion_; }
    void Complete(R result) const {
        if (callback_) callback_(result);
        if (completion_) completion_->Complete(result);
    }
    Callback GetCallback() const { return callback_; }
    Completion<R>* GetCompletion() const { return completion_; }
    bool OwnsCompletion() const { return owner_ != nullptr; }

protected:
    Callback callback_ = nullptr;
    Completion<R>* completion_ = nullptr;
    std::shared_ptr<Completion<R>> owner_;
};

template <typename R>
class CompletionContainer : public CompletionFunctionContainer<R> {
public:
    using Base = CompletionFunctionContainer<R>;
    using Base::Base;
    CompletionContainer() = default;
    CompletionContainer(Event* event) : event_(event) {}  // NOLINT: implicit by design
    CompletionContainer(const CompletionContainer&) = default;
    CompletionContainer& operator=(const CompletionContainer&) = default;
    ~CompletionContainer() override = default;

    bool IsEmpty() const override { return !event_ && Base::IsEmpty(); }
    void Complete(R result) const {
        if (event_) event_->Set();
        Base::Complete(result);
    }
    Event* GetEvent() const { return event_; }
    void SetEvent(Event* event) { event_ = event; }
    void SetCallback(typename Base::Callback callback) { this->callback_ = callback; }
    void SetCompletion(Completion<R>* completion) {
        this->completion_ = completion;
        this->owner_.reset();
    }

private:
    Event* event_ = nullptr;
};

}  // namespace TarnAPI
