#pragma once
#include "session/PerformanceTest.h"
#include "ui/UserDialogs.h"

namespace quavril {

// The performance test's questions and notes as the window's message boxes.
class PerformanceTestDialogs : public PerformanceTest::Questions {
public:
    explicit PerformanceTestDialogs(UserDialogs& dialogs) : dialogs_(dialogs) {}

    bool Confirm(const QString& text, int) override { return dialogs_.Confirm(text); }
    bool YesNo(const QString& text, bool yesIsDefault) override {
        return dialogs_.Question(text,
                                 yesIsDefault ? UserDialogs::Answer::Yes : UserDialogs::Answer::No);
    }
    void Note(const QString& text) override { dialogs_.Information(text); }

private:
    UserDialogs& dialogs_;
};

} // namespace quavril
