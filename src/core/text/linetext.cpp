// Line splitting, cleaning and tokenising of the text file readers.
#include "core/text/linetext.h"

#include <algorithm>

namespace xtalsp {

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::optional<std::string_view> LineCursor::next() {
    if (m_rest.empty())
        return std::nullopt;
    const std::size_t end = m_rest.find('\n');
    std::string_view line = m_rest.substr(0, end);
    if (end == std::string_view::npos) {
        m_rest = {};
        return line;
    }
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    m_rest.remove_prefix(end + 1);
    return line;
}

std::vector<std::string_view> splitLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    LineCursor cursor(bytes);
    while (const std::optional<std::string_view> line = cursor.next())
        lines.push_back(*line);
    return lines;
}

void CleanLine(std::string& line) {
    std::replace(line.begin(), line.end(), ',', ' ');
    std::replace(line.begin(), line.end(), '\t', ' ');
    const auto firstText = std::find_if_not(line.begin(), line.end(), isWhiteSpace);
    line.erase(line.begin(), firstText);
    const std::size_t comment = line.find_first_of("!#");
    if (comment == std::string::npos)
        return;
    line.erase(comment);
    while (!line.empty() && isWhiteSpace(line.back()))
        line.pop_back();
}

namespace {
std::string_view skipWhiteSpace(std::string_view text) {
    while (!text.empty() && isWhiteSpace(text.front()))
        text.remove_prefix(1);
    return text;
}
} // namespace

std::vector<std::string> SplitTokens(std::string_view line, int count) {
    std::vector<std::string> tokens(static_cast<std::size_t>(std::max(count, 0)));
    if (count <= 0)
        return tokens;
    std::string_view rest = line;
    for (int index = 0; index < count - 1; ++index) {
        const std::size_t blank = rest.find(' ');
        if (blank == std::string_view::npos) {
            tokens[static_cast<std::size_t>(index)] = rest;
            return tokens;
        }
        tokens[static_cast<std::size_t>(index)] = rest.substr(0, blank);
        rest = skipWhiteSpace(rest.substr(blank + 1));
        if (rest.empty())
            return tokens;
    }
    tokens.back() = rest;
    return tokens;
}

} // namespace xtalsp
