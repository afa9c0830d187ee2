// Locale-independent number text: printf-compatible formatting and atof/atoi-style reading.
//
// Qt sets the C library locale from the environment, after which printf and atof use a decimal
// comma in many European sessions. Every number that goes into or comes out of a file passes
// through these functions instead, which behave as the C library does in the "C" locale.
#pragma once

#include <string>
#include <string_view>

namespace xtalsp {

// printf("%g", value), or printf("%.*g", precision, value).
std::string formatG(double value, int precision = 6);
// printf("%*.*f", width, precision, value): fixed notation, padded with blanks on the left.
std::string formatFixed(double value, int width, int precision);
// printf("%.*e", precision, value).
std::string formatScientific(double value, int precision);
// printf("%d", value).
std::string formatInt(long long value);

// The compact number text of structure files and editor cells: "%g" for magnitudes above 1e7
// or below 1e-5 (zero included), otherwise "%20.10f" without its padding, trailing zeros and a
// trailing point. 90 -> "90", 0.25 -> "0.25", 0 -> "0".
std::string FormatNumber(double value);
// Shortens the text of a fixed-point number: leading blanks, trailing zeros and a trailing point
// are removed ("   12.500000" -> "12.5").
std::string trimFixedNumber(std::string_view text);

// Truncates toward zero like a C cast, but saturates at the ends of the int range and maps NaN
// to 0 instead of invoking undefined behaviour.
int truncateToInt(double value);

// Reads a leading decimal number as atof does in the "C" locale: leading white space, an
// optional sign, digits with an optional point and exponent; reading stops at the first
// character that does not fit, and text without a number reads 0. "inf", "nan" and hexadecimal
// numbers are not part of the grammar and read 0; a number too large for a double reads as
// +-infinity (callers reject non-finite values), one too small as 0.
double readReal(std::string_view text);
// Reads a leading integer as atoi does: white space, optional sign, digits ("8.5" reads 8).
// Values beyond the int range saturate at its ends.
int readInt(std::string_view text);

} // namespace xtalsp
