// The crystal: unit cell and every atom of it, grouped by element as the document holds it,
// and the flat atom list that editors and structure files use.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace xtalsp {

// Valid ranges of the structure's numbers.
inline constexpr double kMinLatticeConstant = 0.0001; // Angstrom
inline constexpr double kMaxLatticeConstant = 5000.0;
inline constexpr double kMinLatticeAngle = 0.0001; // degrees
inline constexpr double kMaxLatticeAngle = 179.9999;
inline constexpr double kMinCoordinate = -1.0; // fractional
inline constexpr double kMaxCoordinate = 2.0;
inline constexpr double kMinOccupancy = 1e-30;
inline constexpr double kMaxOccupancy = 1.0;
inline constexpr double kMaxDebyeTemperature = 999999.0; // K
inline constexpr double kMaxEditorExpansion = 999999.0;  // 10^-6/K, either sign
// The smallest cell volume, relative to a*b*c, that the angles may leave. Real cells lie far
// above it; angles such as (60, 60, 120) or (150, 150, 150) degrees close no cell at all.
inline constexpr double kMinNormalizedCellVolume = 0.001;

// One site of an element group: fractional coordinates along a, b, c and occupancy.
struct SitePosition {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double occupancy = 1.0;

    bool operator==(const SitePosition&) const = default;
};

// All sites of one element, in the order the atoms were listed.
struct ElementGroup {
    std::int32_t element = 0; // atomic number 1 to 92
    std::vector<SitePosition> sites;

    bool operator==(const ElementGroup&) const = default;
};

// One atom in flat form.
struct AtomSite {
    std::int32_t element = 0;
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double occupancy = 1.0;

    bool operator==(const AtomSite&) const = default;
};

// The structure as the document holds it. No symmetry is applied anywhere: every atom of the
// cell is listed. A document without a structure has a = 0.
struct CrystalStructure {
    std::string name;                            // Windows-1252 text, one line
    double a = 0.0, b = 0.0, c = 0.0;            // Angstrom
    double alpha = 0.0, beta = 0.0, gamma = 0.0; // degrees
    std::vector<ElementGroup> groups;            // ascending atomic number
    double debyeTemperature = 0.0;               // K; carried, not used by the physics
    double thermalExpansion = 0.0;               // 1/K; carried, not used by the physics

    bool operator==(const CrystalStructure&) const = default;
};

// The structure as editors and structure files see it: a flat atom list and the thermal
// expansion coefficient in units of 10^-6/K.
struct FlatStructure {
    std::string name;
    double a = 0.0, b = 0.0, c = 0.0;
    double alpha = 90.0, beta = 90.0, gamma = 90.0;
    std::vector<AtomSite> atoms;
    double debyeTemperature = 0.0;
    double thermalExpansion = 0.0; // 10^-6/K

    bool operator==(const FlatStructure&) const = default;
};

// A structure counts as defined once a is at least 0.0001 Angstrom.
bool isStructureDefined(const CrystalStructure& structure);
// The cell volume divided by a*b*c:
// sqrt(1 - cos^2(alpha) - cos^2(beta) - cos^2(gamma) + 2 cos(alpha) cos(beta) cos(gamma)).
// A negative radicand, angles that close no cell, gives 0; NaN angles give NaN.
double normalizedCellVolume(double alpha, double beta, double gamma);
// Whether the angles (degrees) enclose a cell of at least kMinNormalizedCellVolume.
bool formsUnitCell(double alpha, double beta, double gamma);

// The number of listed atoms, the sum of the groups' site counts.
std::size_t atomCount(const CrystalStructure& structure);

// One group per element present, in ascending atomic number; the sites of an element keep the
// order of the flat list. Atoms without a valid element are dropped.
std::vector<ElementGroup> groupAtoms(const std::vector<AtomSite>& atoms);
// Groups in order, and within a group its sites in order.
std::vector<AtomSite> flattenGroups(const std::vector<ElementGroup>& groups);

// Conversions between the document's and the editor's form (expansion x 1e6 and x 1e-6).
FlatStructure toFlatStructure(const CrystalStructure& structure);
CrystalStructure fromFlatStructure(const FlatStructure& flat);

} // namespace xtalsp
