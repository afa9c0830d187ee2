// Crystal structures from Crystallographic Information Files: the asymmetric unit of one data
// block expanded with its symmetry operations to every atom of the cell.
#pragma once

#include "core/platform/result.h"
#include "core/structure/crystalstructure.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace xtalsp {

// Copies of one site closer than this (periodic distance) are one atom.
inline constexpr double kSiteMergeDistance = 0.01; // Angstrom
// A cell with more atoms than this is refused before it is built.
inline constexpr std::size_t kMaxCifCellAtoms = 200000;

struct CifStructure {
    FlatStructure structure; // every atom of the cell, positions in [0, 1)
    std::string blockName;   // the data block it came from
    std::string spaceGroup;  // Hermann-Mauguin symbol of the operations applied
    std::size_t asymmetricAtomCount = 0;
};

// True for paths ending in ".cif", any letter case.
bool isCifPath(const std::string& path);

// The names of the data blocks that hold a cell and atom sites, in file order. Fails on a
// syntax error. `path` only names the file in the message.
Result<std::vector<std::string>> listCifStructureBlocks(std::string_view bytes,
                                                        const std::string& path);

// Reads the named data block (letter case ignored), or the first one with a cell and atom sites
// when `blockName` is empty.
Result<CifStructure> readCifStructure(std::string_view bytes, const std::string& path,
                                      const std::string& blockName = {});

Result<CifStructure> importCifStructure(const std::string& path, const std::string& blockName = {});

// What an import did, for a message box (Windows-1252).
std::string describeCifImport(const CifStructure& imported);

// A crystal name taken from a file, made fit for a structure: characters the structure name
// may not hold (control characters, '!', '#', ',', characters outside Windows-1252) become a
// blank or are dropped, runs of blanks shrink to one and the ends are trimmed. The result is
// Windows-1252.
std::string cleanCrystalName(std::string_view utf8);

// Reads a structure file of any kind the program knows: CIF (with `blockName`, empty for the
// first block with a structure), structure text or archived structure.
Result<FlatStructure> importAnyStructure(const std::string& path,
                                         const std::string& blockName = {});

} // namespace xtalsp
