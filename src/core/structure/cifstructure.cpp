// Reading crystal structures from CIF data blocks. The CIF syntax and the space-group tables
// come from gemmi; this file is the only one that includes its parser (it compiles slowly).
#include "core/structure/cifstructure.h"

#include "core/io/filebytes.h"
#include "core/structure/elements.h"
#include "core/structure/structurefile.h"
#include "core/text/cp1252.h"

#include <gemmi/cif.hpp>
#include <gemmi/elem.hpp>
#include <gemmi/numb.hpp>
#include <gemmi/symmetry.hpp>
#include <gemmi/unitcell.hpp>

#include <array>
#include <cctype>
#include <cmath>
#include <exception>
#include <optional>

namespace xtalsp {
namespace cif = gemmi::cif;

namespace {

Message cifFailure(const std::string& path, const std::string& what) {
    return {fileNameOf(path) + ": " + what, "", MessageIcon::Exclamation};
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The unquoted text of a tag's value; nothing when the tag is absent, '?' or '.'.
std::optional<std::string> textValue(const cif::Block& block, const std::string& tag) {
    const std::string* raw = block.find_value(tag);
    if (raw == nullptr || cif::is_null(*raw))
        return std::nullopt;
    return cif::as_string(*raw);
}

std::optional<std::string> firstTextValue(const cif::Block& block,
                                          std::initializer_list<const char*> tags) {
    for (const char* tag : tags)
        if (auto value = textValue(block, tag))
            return value;
    return std::nullopt;
}

bool holdsStructure(const cif::Block& block) {
    return block.find_value("_cell_length_a") != nullptr &&
           const_cast<cif::Block&>(block).find_values("_atom_site_fract_x").length() > 0;
}

// A cell number such as "4.5937(3)": its value without the standard uncertainty.
std::optional<double> cellNumber(const cif::Block& block, const std::string& tag) {
    const std::string* raw = block.find_value(tag);
    if (raw == nullptr)
        return std::nullopt;
    const double value = cif::as_number(*raw);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

Status readCell(const cif::Block& block, const std::string& path, FlatStructure& structure) {
    const std::array<std::pair<const char*, double*>, 6> cell{{
        {"_cell_length_a", &structure.a},
        {"_cell_length_b", &structure.b},
        {"_cell_length_c", &structure.c},
        {"_cell_angle_alpha", &structure.alpha},
        {"_cell_angle_beta", &structure.beta},
        {"_cell_angle_gamma", &structure.gamma},
    }};
    for (const auto& [tag, target] : cell) {
        const std::optional<double> value = cellNumber(block, tag);
        const bool isLength = std::string_view(tag).starts_with("_cell_length");
        if (!value && !isLength) {
            *target = 90.0; // CIF leaves right angles out
            continue;
        }
        const double low = isLength ? kMinLatticeConstant : kMinLatticeAngle;
        const double high = isLength ? kMaxLatticeConstant : kMaxLatticeAngle;
        if (!value || *value < low || *value > high)
            return cifFailure(path, std::string("no valid cell (") + tag + ")");
        *target = *value;
    }
    return Status::success();
}

// The element of an atom type symbol or label: its leading letters ("Ti4+", "O2-", "Fe3+" and
// "Ca1" name Ti, O, Fe and Ca), two letters when they form a symbol, else the first one.
// Deuterium is hydrogen. Returns the atomic number, 0 when the letters name no element.
int elementOfSymbol(const std::string& symbol) {
    std::string letters;
    for (char c : symbol) {
        if (!std::isalpha(static_cast<unsigned char>(c)) || letters.size() == 2)
            break;
        letters += c;
    }
    if (letters.empty())
        return 0;
    gemmi::El element = gemmi::El::X;
    if (letters.size() == 2)
        element = gemmi::find_element(letters.c_str());
    if (element == gemmi::El::X)
        element = gemmi::find_element(letters.substr(0, 1).c_str());
    if (element == gemmi::El::X)
        return 0;
    return gemmi::Element(element).atomic_number(); // D and T give 1
}

struct AsymmetricSite {
    std::string label;
    int element = 0;
    std::array<double, 3> position{};
    double occupancy = 1.0;
};

Result<std::vector<AsymmetricSite>> readSites(cif::Block& block, const std::string& path) {
    cif::Table table = block.find(
        "_atom_site_", {"fract_x", "fract_y", "fract_z", "?label", "?type_symbol", "?occupancy"});
    if (!table.ok() || table.length() == 0)
        return cifFailure(path, "no atom sites");
    std::vector<AsymmetricSite> sites;
    sites.reserve(table.length());
    for (auto row : table) {
        AsymmetricSite site;
        site.label = row.has2(3) ? cif::as_string(row[3]) : std::string();
        const std::string symbol = row.has2(4) ? cif::as_string(row[4]) : site.label;
        const std::string name = site.label.empty() ? symbol : site.label;
        const int z = elementOfSymbol(symbol);
        if (z == 0)
            return cifFailure(path, "unknown element \"" + symbol + "\" of atom " + name);
        if (z > kMaxAtomicNumber)
            return cifFailure(path,
                              "no scattering factors for " +
                                  std::string(gemmi::element_name(static_cast<gemmi::El>(z))) +
                                  " (atom " + name + "); the heaviest element is U");
        site.element = z;
        for (int i = 0; i < 3; ++i) {
            site.position[i] = cif::as_number(row[i]);
            if (!std::isfinite(site.position[i]))
                return cifFailure(path, "atom " + name + " has no valid position");
        }
        if (row.has2(5)) {
            site.occupancy = cif::as_number(row[5]);
            if (!std::isfinite(site.occupancy))
                return cifFailure(path, "atom " + name + " has no valid occupancy");
        }
        sites.push_back(site);
    }
    return sites;
}

struct Symmetry {
    std::vector<gemmi::Op> operations; // every operation of the cell, centring included
    std::string name;
};

std::string nameOfOperations(const std::vector<gemmi::Op>& operations) {
    try {
        const gemmi::GroupOps group = gemmi::split_centering_vectors(operations);
        if (const gemmi::SpaceGroup* found = gemmi::find_spacegroup_by_ops(group))
            return found->xhm();
    } catch (const std::exception&) {
    }
    return std::to_string(operations.size()) + " listed operations";
}

std::optional<Symmetry> symmetryFromGroup(const gemmi::SpaceGroup* group) {
    if (group == nullptr)
        return std::nullopt;
    return Symmetry{group->operations().all_ops_sorted(), group->xhm()};
}

// The operations a block lists, else those of the group its Hall symbol, Hermann-Mauguin
// symbol (with setting) or number names; P 1 when it names none.
Result<Symmetry> readSymmetry(cif::Block& block, const FlatStructure& cell,
                              const std::string& path) {
    for (const char* tag : {"_space_group_symop_operation_xyz", "_symmetry_equiv_pos_as_xyz"}) {
        cif::Column column = block.find_values(tag);
        if (column.length() == 0)
            continue;
        Symmetry symmetry;
        for (const std::string& raw : column) {
            try {
                symmetry.operations.push_back(gemmi::parse_triplet(cif::as_string(raw)));
            } catch (const std::exception&) {
                return cifFailure(path, "unreadable symmetry operation " + cif::as_string(raw));
            }
        }
        symmetry.name = nameOfOperations(symmetry.operations);
        return symmetry;
    }
    if (auto hall =
            firstTextValue(block, {"_space_group_name_Hall", "_symmetry_space_group_name_Hall"})) {
        try {
            const gemmi::GroupOps group = gemmi::symops_from_hall(hall->c_str());
            std::vector<gemmi::Op> operations = group.all_ops_sorted();
            std::string name = nameOfOperations(operations);
            return Symmetry{std::move(operations), std::move(name)};
        } catch (const std::exception&) {
            return cifFailure(path, "unknown space group (Hall symbol " + *hall + ")");
        }
    }
    if (auto hm =
            firstTextValue(block, {"_space_group_name_H-M_alt", "_symmetry_space_group_name_H-M",
                                   "_space_group_name_H-M_ref"})) {
        if (auto symmetry =
                symmetryFromGroup(gemmi::find_spacegroup_by_name(*hm, cell.alpha, cell.gamma)))
            return *symmetry;
        return cifFailure(path, "unknown space group " + *hm);
    }
    if (auto number =
            firstTextValue(block, {"_space_group_IT_number", "_symmetry_Int_Tables_number"})) {
        const double value = cif::as_number(*number);
        if (value >= 1 && value <= 230 && value == std::floor(value))
            if (auto symmetry =
                    symmetryFromGroup(gemmi::find_spacegroup_by_number(static_cast<int>(value))))
                return *symmetry;
        return cifFailure(path, "unknown space group number " + *number);
    }
    return symmetryFromGroup(&gemmi::get_spacegroup_p1()).value();
}

double wrapToUnit(double value) {
    double wrapped = value - std::floor(value);
    return wrapped >= 1.0 ? 0.0 : wrapped; // -1e-17 wraps to 1 - 1e-17, which rounds to 1
}

// The periodic distance between two fractional positions, in Angstrom.
double periodicDistance(const gemmi::UnitCell& cell, const std::array<double, 3>& p,
                        const std::array<double, 3>& q) {
    gemmi::Fractional delta(p[0] - q[0], p[1] - q[1], p[2] - q[2]);
    for (int i = 0; i < 3; ++i)
        delta.at(i) -= std::round(delta.at(i));
    return cell.orthogonalize_difference(delta).length();
}

// Every distinct image of each site under the operations, in site order.
Result<std::vector<AtomSite>> expandSites(const std::vector<AsymmetricSite>& sites,
                                          const Symmetry& symmetry, const FlatStructure& structure,
                                          const std::string& path) {
    if (sites.size() > kMaxCifCellAtoms / symmetry.operations.size() + 1)
        return cifFailure(path, "too many atoms in the cell");
    const gemmi::UnitCell cell(structure.a, structure.b, structure.c, structure.alpha,
                               structure.beta, structure.gamma);
    std::vector<AtomSite> atoms;
    for (const AsymmetricSite& site : sites) {
        std::vector<std::array<double, 3>> images;
        for (const gemmi::Op& operation : symmetry.operations) {
            std::array<double, 3> image = operation.apply_to_xyz(site.position);
            for (double& coordinate : image)
                coordinate = wrapToUnit(coordinate);
            bool seen = false;
            for (const auto& kept : images)
                seen = seen || periodicDistance(cell, kept, image) < kSiteMergeDistance;
            if (!seen)
                images.push_back(image);
        }
        for (const auto& image : images)
            atoms.push_back({site.element, image[0], image[1], image[2], site.occupancy});
        if (atoms.size() > kMaxCifCellAtoms)
            return cifFailure(path, "too many atoms in the cell");
    }
    return atoms;
}

Result<CifStructure> readBlock(cif::Block& block, const std::string& path) {
    CifStructure imported;
    imported.blockName = block.name;
    FlatStructure& structure = imported.structure;
    if (block.find_value("_cell_length_a") == nullptr)
        return cifFailure(path, "no cell in data block " + block.name);
    if (Status failure = readCell(block, path, structure); !failure.ok())
        return failure.failure();
    Result<std::vector<AsymmetricSite>> sites = readSites(block, path);
    if (!sites.ok())
        return sites.failure();
    Result<Symmetry> symmetry = readSymmetry(block, structure, path);
    if (!symmetry.ok())
        return symmetry.failure();
    Result<std::vector<AtomSite>> atoms =
        expandSites(sites.value(), symmetry.value(), structure, path);
    if (!atoms.ok())
        return atoms.failure();
    structure.atoms = std::move(atoms.value());
    imported.spaceGroup = symmetry.value().name;
    imported.asymmetricAtomCount = sites.value().size();
    structure.name =
        cleanCrystalName(firstTextValue(block, {"_chemical_name_mineral", "_chemical_name_common",
                                                "_chemical_formula_sum"})
                             .value_or(block.name));
    if (structure.name.empty())
        structure.name = cleanCrystalName(block.name);
    return imported;
}

Result<cif::Document> parseDocument(std::string_view bytes, const std::string& path) {
    try {
        const std::string name = fileNameOf(path);
        return cif::read_memory(bytes.data(), bytes.size(), name.c_str());
    } catch (const std::exception& error) {
        // gemmi reports "name:line:column: what"; the name is already at the front.
        std::string what = error.what();
        const std::string name = fileNameOf(path) + ":";
        if (what.starts_with(name))
            what = "line " + what.substr(name.size());
        return cifFailure(path, "syntax error in " + what);
    }
}

} // namespace

bool isCifPath(const std::string& path) {
    return lowerExtensionOf(path) == "cif";
}

Result<std::vector<std::string>> listCifStructureBlocks(std::string_view bytes,
                                                        const std::string& path) {
    Result<cif::Document> document = parseDocument(bytes, path);
    if (!document.ok())
        return document.failure();
    std::vector<std::string> names;
    for (const cif::Block& block : document.value().blocks)
        if (holdsStructure(block))
            names.push_back(block.name);
    return names;
}

Result<CifStructure> readCifStructure(std::string_view bytes, const std::string& path,
                                      const std::string& blockName) {
    Result<cif::Document> document = parseDocument(bytes, path);
    if (!document.ok())
        return document.failure();
    try {
        for (cif::Block& block : document.value().blocks) {
            if (blockName.empty() ? holdsStructure(block)
                                  : equalIgnoringCase(block.name, blockName))
                return readBlock(block, path);
        }
    } catch (const std::exception& error) {
        return cifFailure(path, error.what());
    }
    if (!blockName.empty())
        return cifFailure(path, "no data block " + blockName);
    for (cif::Block& block : document.value().blocks)
        if (block.find_values("_atom_site_fract_x").length() > 0)
            return cifFailure(path, "no cell in data block " + block.name);
    return cifFailure(path, "no atom sites");
}

Result<CifStructure> importCifStructure(const std::string& path, const std::string& blockName) {
    const FileBytes file = readFileBytes(path);
    if (!file.ok())
        return cifFailure(path, "cannot read the file");
    return readCifStructure(file.value(), path, blockName);
}

std::string describeCifImport(const CifStructure& imported) {
    return "Data block " + utf8ToCp1252(imported.blockName) + ", space group " +
           imported.spaceGroup + ": " + std::to_string(imported.asymmetricAtomCount) +
           " atoms in the asymmetric unit, " + std::to_string(imported.structure.atoms.size()) +
           " atoms in the cell.";
}

std::string cleanCrystalName(std::string_view utf8) {
    std::string cleaned;
    bool pendingBlank = false;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        const std::string_view sequence = utf8.substr(i, length);
        i += length;
        const std::string byte = utf8ToCp1252(sequence);
        const auto c = byte.size() == 1 ? static_cast<unsigned char>(byte[0]) : 0;
        const bool unmapped = c == '?' && sequence != "?";
        const bool undefined = c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
        if (c == 0 || unmapped || undefined)
            continue; // no Windows-1252 character: dropped
        if (c < 0x20 || c == 0x7F || c == ' ' || c == '!' || c == '#' || c == ',') {
            pendingBlank = !cleaned.empty();
            continue;
        }
        if (pendingBlank)
            cleaned += ' ';
        pendingBlank = false;
        cleaned += static_cast<char>(c);
    }
    return cleaned;
}

Result<FlatStructure> importAnyStructure(const std::string& path, const std::string& blockName) {
    if (!isCifPath(path))
        return importStructure(path);
    Result<CifStructure> imported = importCifStructure(path, blockName);
    if (!imported.ok())
        return imported.failure();
    return imported.value().structure;
}

} // namespace xtalsp
