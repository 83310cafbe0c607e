#pragma once

#include "LinkQuestion.h"

#include <functional>

// Where a link from another program is put to the user: a dialog in the program, a fake in
// tests. One question at a time.
class LinkPrompt {
public:
    enum class Answer {
        Allow,
        Deny,   // the Deny button, or Escape
        Closed, // the dialog was closed without an answer
    };

    virtual ~LinkPrompt() = default;

    // Shows the question. `answered` is called once, after the question is gone from the
    // screen, unless withdraw() comes first.
    virtual void ask(const LinkQuestion& question, std::function<void(Answer)> answered) = 0;
    // Takes the question shown away without an answer (nobody answered in time).
    virtual void withdraw() = 0;
    // More links came while the question is shown: how many wait behind it now.
    virtual void setOthersWaiting(int count) = 0;
};
