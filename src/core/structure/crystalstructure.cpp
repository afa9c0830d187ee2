// Grouping and flattening of the atom list.
#include "core/structure/crystalstructure.h"

#include "core/structure/elements.h"

#include <array>
#include <cmath>
#include <numbers>

namespace xtalsp {

bool isStructureDefined(const CrystalStructure& structure) {
    return structure.a >= kMinLatticeConstant;
}

double normalizedCellVolume(double alpha, double beta, double gamma) {
    const double toRadians = std::numbers::pi / 180.0;
    const double ca = std::cos(alpha * toRadians);
    const double cb = std::cos(beta * toRadians);
    const double cg = std::cos(gamma * toRadians);
    const double radicand = 1.0 - ca * ca - cb * cb - cg * cg + 2.0 * ca * cb * cg;
    if (std::isnan(radicand))
        return radicand;
    return radicand > 0.0 ? std::sqrt(radicand) : 0.0;
}

bool formsUnitCell(double alpha, double beta, double gamma) {
    return normalizedCellVolume(alpha, beta, gamma) >= kMinNormalizedCellVolume; // false for NaN
}

std::size_t atomCount(const CrystalStructure& structure) {
    std::size_t count = 0;
    for (const ElementGroup& group : structure.groups)
        count += group.sites.size();
    return count;
}

std::vector<ElementGroup> groupAtoms(const std::vector<AtomSite>& atoms) {
    std::array<std::size_t, kMaxAtomicNumber + 1> counts{};
    for (const AtomSite& atom : atoms) {
        if (isValidAtomicNumber(atom.element))
            ++counts[static_cast<std::size_t>(atom.element)];
    }
    std::vector<ElementGroup> groups;
    for (int z = 1; z <= kMaxAtomicNumber; ++z) {
        if (counts[static_cast<std::size_t>(z)] == 0)
            continue;
        ElementGroup group;
        group.element = z;
        group.sites.reserve(counts[static_cast<std::size_t>(z)]);
        for (const AtomSite& atom : atoms) {
            if (atom.element == z)
                group.sites.push_back({atom.x, atom.y, atom.z, atom.occupancy});
        }
        groups.push_back(std::move(group));
    }
    return groups;
}

std::vector<AtomSite> flattenGroups(const std::vector<ElementGroup>& groups) {
    std::vector<AtomSite> atoms;
    for (const ElementGroup& group : groups) {
        for (const SitePosition& site : group.sites)
            atoms.push_back({group.element, site.x, site.y, site.z, site.occupancy});
    }
    return atoms;
}

FlatStructure toFlatStructure(const CrystalStructure& structure) {
    FlatStructure flat;
    flat.name = structure.name;
    flat.a = structure.a;
    flat.b = structure.b;
    flat.c = structure.c;
    flat.alpha = structure.alpha;
    flat.beta = structure.beta;
    flat.gamma = structure.gamma;
    flat.atoms = flattenGroups(structure.groups);
    flat.debyeTemperature = structure.debyeTemperature;
    flat.thermalExpansion = structure.thermalExpansion * 1e6;
    return flat;
}

CrystalStructure fromFlatStructure(const FlatStructure& flat) {
    CrystalStructure structure;
    structure.name = flat.name;
    structure.a = flat.a;
    structure.b = flat.b;
    structure.c = flat.c;
    structure.alpha = flat.alpha;
    structure.beta = flat.beta;
    structure.gamma = flat.gamma;
    structure.groups = groupAtoms(flat.atoms);
    structure.debyeTemperature = flat.debyeTemperature;
    structure.thermalExpansion = flat.thermalExpansion * 1e-6;
    return structure;
}

} // namespace xtalsp
