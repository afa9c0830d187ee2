// The element symbols H to U, indexed by atomic number; index 0 is the blank "no element".
#pragma once

#include <array>
#include <string_view>

namespace xtalsp {

inline constexpr int kMaxAtomicNumber = 92;

extern const std::array<std::string_view, kMaxAtomicNumber + 1> kElementSymbols;

// The symbol of an atomic number; numbers outside 0 to 92 give the blank of entry 0.
std::string_view elementSymbol(int atomicNumber);

// The atomic number of a symbol, compared whole and ignoring letter case, or 0 when no element
// has that symbol. The blank entry 0 is never matched.
int LookUpElement(std::string_view symbol);

bool isValidAtomicNumber(int atomicNumber);

} // namespace xtalsp
