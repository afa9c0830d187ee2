// Windows-1252 single-byte text, the character set of every file this program reads and
// writes (the Angstrom sign is 0xC5, the degree sign 0xB0).
#pragma once

#include <string>
#include <string_view>

namespace xtalsp {

// UTF-16 code units to Windows-1252 bytes; characters the code page lacks become '?'.
std::string utf16ToCp1252(std::u16string_view text);
// Windows-1252 bytes to UTF-16 (every character of the code page lies in the basic plane).
std::u16string cp1252ToUtf16(std::string_view text);
// Windows-1252 bytes to UTF-8, for display and for tools that expect UTF-8.
std::string cp1252ToUtf8(std::string_view text);
// The characters of UTF-8 text; malformed bytes give U+FFFD.
std::u32string utf8CodePoints(std::string_view text);
std::string codePointToUtf8(char32_t codePoint);
// Whether the code page holds the character (its five undefined bytes hold none).
bool isCp1252Character(char32_t codePoint);
// UTF-8 to Windows-1252; characters the code page lacks, and malformed bytes, become '?'.
std::string utf8ToCp1252(std::string_view text);

} // namespace xtalsp
