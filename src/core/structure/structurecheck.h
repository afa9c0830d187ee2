// The checks a structure passes before the editor hands it to a document.
#pragma once

#include "core/platform/result.h"
#include "core/platform/userprompt.h"
#include "core/structure/crystalstructure.h"

#include <optional>
#include <string>
#include <string_view>

namespace xtalsp {

// "Please enter a number between %1 and %2." with the bounds as the editor shows them.
Message numberRangeMessage(double lowest, double highest);

// The refusal of cell angles that enclose no volume, in UTF-8 for its Greek letters.
Message impossibleCellMessage();

// A crystal name must read back from its own structure file as it was written: '!' and '#'
// start a comment there, ',' and tabs separate values, other control characters break the
// line, and a character outside Windows-1252 cannot be stored at all. Returns a message that
// names the characters found, or nothing for a name that may be kept. `utf8Name` is the name as
// the user typed it, before any conversion to the code page.
Status checkNameCharacters(std::string_view utf8Name);

// The first rule the structure breaks, in the editor's order: the name, the cell and the two
// optional numbers, the presence of atoms, then each atom's element and numbers. Nothing when
// the structure may be taken.
Status checkStructure(const FlatStructure& structure);

// The name without blanks at either end.
std::string trimmedName(const std::string& name);

} // namespace xtalsp
