// A UserPrompt for tests: records every message and answers from a script.
#pragma once

#include "core/platform/userprompt.h"

#include <deque>
#include <vector>

namespace xtalsp::test {

class RecordingPrompt : public UserPrompt {
public:
    MessageAnswer show(const Message& message) override {
        messages.push_back(message);
        if (answers.empty())
            return message.defaultAnswer;
        const MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<Message> messages;
    std::deque<MessageAnswer> answers; // given in order; the default answer when empty
};

} // namespace xtalsp::test
