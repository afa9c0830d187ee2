// Element symbol table and symbol lookup.
#include "core/structure/elements.h"

#include <cctype>

namespace xtalsp {

const std::array<std::string_view, kMaxAtomicNumber + 1> kElementSymbols = {
    " ",  "H",  "He", "Li", "Be", "B",  "C",  "N",  "O",  "F",  "Ne", "Na", "Mg", "Al", "Si", "P",
    "S",  "Cl", "Ar", "K",  "Ca", "Sc", "Ti", "V",  "Cr", "Mn", "Fe", "Co", "Ni", "Cu", "Zn", "Ga",
    "Ge", "As", "Se", "Br", "Kr", "Rb", "Sr", "Y",  "Zr", "Nb", "Mo", "Tc", "Ru", "Rh", "Pd", "Ag",
    "Cd", "In", "Sn", "Sb", "Te", "I",  "Xe", "Cs", "Ba", "La", "Ce", "Pr", "Nd", "Pm", "Sm", "Eu",
    "Gd", "Tb", "Dy", "Ho", "Er", "Tm", "Yb", "Lu", "Hf", "Ta", "W",  "Re", "Os", "Ir", "Pt", "Au",
    "Hg", "Tl", "Pb", "Bi", "Po", "At", "Rn", "Fr", "Ra", "Ac", "Th", "Pa", "U"};

bool isValidAtomicNumber(int atomicNumber) {
    return atomicNumber >= 1 && atomicNumber <= kMaxAtomicNumber;
}

std::string_view elementSymbol(int atomicNumber) {
    if (atomicNumber < 0 || atomicNumber > kMaxAtomicNumber)
        return kElementSymbols[0];
    return kElementSymbols[static_cast<std::size_t>(atomicNumber)];
}

namespace {
bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}
} // namespace

int LookUpElement(std::string_view symbol) {
    for (int z = 1; z <= kMaxAtomicNumber; ++z) {
        if (equalIgnoringCase(symbol, kElementSymbols[static_cast<std::size_t>(z)]))
            return z;
    }
    return 0;
}

} // namespace xtalsp
