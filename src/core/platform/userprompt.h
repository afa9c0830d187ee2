// Messages to the user. Core code never shows a window: it describes the message box it needs
// and a host (the desktop program, the command-line tool, a test) decides how to show it.
#pragma once

#include <string>

namespace xtalsp {

enum class MessageIcon { None, Stop, Exclamation, Information, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// Text and caption are Windows-1252 bytes. An empty caption stands for the program's own.
struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    MessageAnswer defaultAnswer = MessageAnswer::Ok;

    bool operator==(const Message&) const = default;
};

class UserPrompt {
public:
    virtual ~UserPrompt() = default;
    // Shows the message and waits for the answer.
    virtual MessageAnswer show(const Message& message) = 0;
};

} // namespace xtalsp
