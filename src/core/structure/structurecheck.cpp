// Validation of an edited structure before it reaches a document.
#include "structure/structurecheck.h"

#include "structure/elements.h"
#include "text/numbertext.h"

#include <cfloat>
#include <cmath>

namespace xtalsp {

namespace {

bool within(double value, double lowest, double highest) {
    return value >= lowest && value <= highest; // false for NaN
}

std::optional<Message> rangeFailure(double value, double lowest, double highest) {
    if (within(value, lowest, highest))
        return std::nullopt;
    return numberRangeMessage(lowest, highest);
}

} // namespace

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

std::optional<Message> checkStructure(const FlatStructure& s) {
    if (trimmedName(s.name).empty())
        return Message{"Please enter a crystal name!   ", "", MessageIcon::Exclamation};
    for (const double edge : {s.a, s.b, s.c}) {
        if (auto failure = rangeFailure(edge, kMinLatticeConstant, kMaxLatticeConstant))
            return failure;
    }
    for (const double angle : {s.alpha, s.beta, s.gamma}) {
        if (auto failure = rangeFailure(angle, kMinLatticeAngle, kMaxLatticeAngle))
            return failure;
    }
    if (auto failure = rangeFailure(s.debyeTemperature, 0.0, kMaxDebyeTemperature))
        return failure;
    if (auto failure = rangeFailure(s.thermalExpansion, -kMaxEditorExpansion, kMaxEditorExpansion))
        return failure;
    if (s.atoms.empty())
        return Message{"No atom was added!   ", "", MessageIcon::Exclamation};
    for (const AtomSite& atom : s.atoms) {
        if (!isValidAtomicNumber(atom.element))
            return Message{"Please select an atom name! ", "", MessageIcon::Exclamation};
        for (const double coordinate : {atom.x, atom.y, atom.z}) {
            if (auto failure = rangeFailure(coordinate, kMinCoordinate, kMaxCoordinate))
                return failure;
        }
        if (auto failure = rangeFailure(atom.occupancy, kMinOccupancy, kMaxOccupancy))
            return failure;
    }
    return std::nullopt;
}

} // namespace xtalsp
