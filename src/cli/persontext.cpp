// Conversion of message and listing texts for the terminal.
#include "cli/persontext.h"

#include "core/text/cp1252.h"

namespace xtalsp::cli {

namespace {

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 multi-byte sequence at the start of `text`, or 0. Overlong
// forms, surrogates and code points above U+10FFFF do not count.
std::size_t utf8SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!isContinuation(byte(i)))
            return 0;
    }
    return length;
}

} // namespace

std::string personText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            if (!(byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
                out += text[i];
            ++i;
            continue;
        }
        if (const std::size_t length = utf8SequenceLength(text.substr(i))) {
            out += text.substr(i, length);
            i += length;
            continue;
        }
        out += cp1252ToUtf8(text.substr(i, 1));
        ++i;
    }
    return out;
}

} // namespace xtalsp::cli
