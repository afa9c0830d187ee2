// Messages to the user. Core code never shows a window: it describes the message box it needs
// and a host (the desktop program, the command-line tool, a test) decides how to show it.
#pragma once

#include "core/text/cp1252.h"

#include <string>
#include <utility>

namespace xtalsp {

enum class MessageIcon { None, Stop, Exclamation, Information, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// How a message's text and caption are encoded. Messages are Windows-1252 bytes like the files
// whose names and contents they quote; a message that needs characters the code page lacks
// (the Greek letters of the cell angles) is written in UTF-8.
enum class TextEncoding { Windows1252, Utf8 };

// An empty caption stands for the program's own.
struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    MessageAnswer defaultAnswer = MessageAnswer::Ok;
    TextEncoding encoding = TextEncoding::Windows1252;

    bool operator==(const Message&) const = default;
};

// A warning with an OK button whose text is UTF-8: the form of most messages the newer
// commands give.
inline Message utf8Warning(std::string text) {
    return Message{std::move(text),          "",
                   MessageIcon::Exclamation, MessageButtons::Ok,
                   MessageAnswer::Ok,        TextEncoding::Utf8};
}

// The text and caption as UTF-8, for a window or a terminal.
inline std::string utf8Text(const Message& message) {
    return message.encoding == TextEncoding::Utf8 ? message.text : cp1252ToUtf8(message.text);
}
inline std::string utf8Caption(const Message& message) {
    return message.encoding == TextEncoding::Utf8 ? message.caption : cp1252ToUtf8(message.caption);
}

class UserPrompt {
public:
    virtual ~UserPrompt() = default;
    // Shows the message and waits for the answer.
    virtual MessageAnswer show(const Message& message) = 0;
};

} // namespace xtalsp
