// Line preparation shared by every text reader: splitting a file into lines, cleaning a line
// of separators and comments, and cutting it into tokens.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xtalsp {

// Walks the lines of file bytes one at a time, holding nothing per line, so that a file of
// millions of lines costs no more than its bytes. A line feed ends a line, with or without a
// carriage return before it; the last line needs no line end.
class LineCursor {
public:
    explicit LineCursor(std::string_view bytes) : m_rest(bytes) {}
    // The next line without its line end; nothing after the last.
    std::optional<std::string_view> next();

private:
    std::string_view m_rest;
};

// All lines at once, as LineCursor gives them.
std::vector<std::string_view> splitLines(std::string_view bytes);

// Commas and tabs become blanks, leading white space goes, and everything from the first "!"
// or "#" on is a comment that is cut together with the white space before it. Trailing white
// space of a line without a comment stays.
void CleanLine(std::string& line);

// Cuts a cleaned line into exactly `count` tokens at blanks; the last token takes the whole
// remainder, inner blanks included. Tokens that the line does not reach stay empty.
std::vector<std::string> SplitTokens(std::string_view line, int count);

// True for the white space of the C locale: blank, tab, CR, LF, vertical tab, form feed.
bool isWhiteSpace(char c);

} // namespace xtalsp
