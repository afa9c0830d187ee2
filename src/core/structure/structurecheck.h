// The checks a structure passes before the editor hands it to a document.
#pragma once

#include "platform/userprompt.h"
#include "structure/crystalstructure.h"

#include <optional>
#include <string>

namespace xtalsp {

// "Please enter a number between %1 and %2." with the bounds as the editor shows them.
Message numberRangeMessage(double lowest, double highest);

// The first rule the structure breaks, in the editor's order: the name, the cell and the two
// optional numbers, the presence of atoms, then each atom's element and numbers. Nothing when
// the structure may be taken.
std::optional<Message> checkStructure(const FlatStructure& structure);

// The name without blanks at either end.
std::string trimmedName(const std::string& name);

} // namespace xtalsp
