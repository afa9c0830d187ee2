// Validation of an edited structure before it reaches a document.
#include "core/structure/structurecheck.h"

#include "core/structure/elements.h"
#include "core/text/cp1252.h"
#include "core/text/numbertext.h"

#include <cfloat>
#include <cmath>

namespace xtalsp {

namespace {

bool within(double value, double lowest, double highest) {
    return value >= lowest && value <= highest; // false for NaN
}

Status rangeFailure(double value, double lowest, double highest) {
    if (within(value, lowest, highest))
        return Status::success();
    return numberRangeMessage(lowest, highest);
}

bool isForbiddenInName(char32_t c) {
    return c == U'!' || c == U'#' || c == U',' || c < 0x20 || c == 0x7F || !isCp1252Character(c);
}

std::string nameOfCharacter(char32_t c) {
    if (c == U'\t')
        return "tab";
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F) || c == 0xFFFD) {
        char code[8];
        const char* digits = "0123456789ABCDEF";
        for (int i = 0; i < 4; ++i)
            code[i] = digits[(c >> (12 - 4 * i)) & 0xF];
        return "U+" + std::string(code, 4);
    }
    return "\"" + codePointToUtf8(c) + "\"";
}

} // namespace

Message impossibleCellMessage() {
    // UTF-8 bytes of the Greek letters alpha, beta and gamma.
    return utf8Warning("The angles \xCE\xB1, \xCE\xB2 and \xCE\xB3 do not form a unit cell.");
}

Status checkNameCharacters(std::string_view utf8Name) {
    std::u32string found;
    for (const char32_t c : utf8CodePoints(utf8Name)) {
        if (isForbiddenInName(c) && found.find(c) == std::u32string::npos)
            found += c;
    }
    if (found.empty())
        return Status::success();
    std::string list;
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (i > 0)
            list += i + 1 == found.size() ? " and " : ", ";
        list += nameOfCharacter(found[i]);
    }
    return utf8Warning("The crystal name cannot contain " + list + ".");
}

Message numberRangeMessage(double lowest, double highest) {
    // Bounds appear with all the digits a double carries, so 179.9999 is not shown as 180.
    return Message{"Please enter a number between " + formatG(lowest, DBL_DIG) + " and " +
                       formatG(highest, DBL_DIG) + ".",
                   "", MessageIcon::Exclamation};
}

std::string trimmedName(const std::string& name) {
    const std::size_t first = name.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

Status checkStructure(const FlatStructure& s) {
    if (trimmedName(s.name).empty())
        return Message{"Please enter a crystal name!   ", "", MessageIcon::Exclamation};
    if (Status failure = checkNameCharacters(cp1252ToUtf8(trimmedName(s.name))); !failure.ok())
        return failure;
    for (const double edge : {s.a, s.b, s.c}) {
        if (Status failure = rangeFailure(edge, kMinLatticeConstant, kMaxLatticeConstant);
            !failure.ok())
            return failure;
    }
    for (const double angle : {s.alpha, s.beta, s.gamma}) {
        if (Status failure = rangeFailure(angle, kMinLatticeAngle, kMaxLatticeAngle); !failure.ok())
            return failure;
    }
    if (!formsUnitCell(s.alpha, s.beta, s.gamma))
        return impossibleCellMessage();
    if (Status failure = rangeFailure(s.debyeTemperature, 0.0, kMaxDebyeTemperature); !failure.ok())
        return failure;
    if (Status failure =
            rangeFailure(s.thermalExpansion, -kMaxEditorExpansion, kMaxEditorExpansion);
        !failure.ok())
        return failure;
    if (s.atoms.empty())
        return Message{"No atom was added!   ", "", MessageIcon::Exclamation};
    for (const AtomSite& atom : s.atoms) {
        if (!isValidAtomicNumber(atom.element))
            return Message{"Please select an atom name! ", "", MessageIcon::Exclamation};
        for (const double coordinate : {atom.x, atom.y, atom.z}) {
            if (Status failure = rangeFailure(coordinate, kMinCoordinate, kMaxCoordinate);
                !failure.ok())
                return failure;
        }
        if (Status failure = rangeFailure(atom.occupancy, kMinOccupancy, kMaxOccupancy);
            !failure.ok())
            return failure;
    }
    return Status::success();
}

} // namespace xtalsp
