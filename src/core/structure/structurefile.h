// Structure files: the text format (read and written) and the older archived binary format
// (read only), both in the flat form that editors use.
#pragma once

#include "core/platform/result.h"
#include "core/structure/crystalstructure.h"

#include <optional>
#include <string>
#include <string_view>

namespace xtalsp {

// Reads a structure text file. `path` only names the file in the failure message.
Result<FlatStructure> readStructureText(std::string_view bytes, const std::string& path);

// Reads an archived structure file: name, lattice, then atoms as atomic number and fractional
// x, y, z. Files with the extension "old" carry one more archived string in front
// (`withLeadingString`). The format has no occupancy, Debye temperature or thermal expansion:
// occupancies read as 1, the other two as 0.
Result<FlatStructure> readArchivedStructure(std::string_view bytes, bool withLeadingString);

// Reads the file at `path` with the reader that its extension selects: "structure" and "old",
// in any letter case, are archived files; everything else is text. Nothing of a file that
// fails reaches the caller.
Result<FlatStructure> importStructure(const std::string& path);

// The structure text file for a structure with at least one atom, CR LF line ends.
std::string writeStructureText(const FlatStructure& structure);

// The refusal to show when the structure's text file would not read back: no atoms (an
// archived file may have none), a number that is not finite or outside the reader's ranges.
// Nothing when the text file can be written.
Status unstorableStructure(const FlatStructure& structure);

// Writes the structure text file to `path` without ever leaving a half-written file there.
// Returns the message for the user when that fails or the structure cannot be stored.
Status saveStructureCopy(const std::string& path, const FlatStructure& structure);

} // namespace xtalsp
