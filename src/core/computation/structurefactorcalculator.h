// The structure factor calculator: |F|, phase and d-spacing of one reflection as display texts.
#pragma once

#include "core/computation/diffractionsettings.h"
#include "core/structure/crystalstructure.h"

#include <complex>
#include <string>
#include <vector>

namespace xtalsp {

// Windows-1252 texts of the calculator's three value fields.
struct StructureFactorTexts {
    std::string magnitude; // |F| in electrons
    std::string phase;     // degrees, with the degree sign
    std::string dSpacing;  // Angstrom, with the Angstrom sign, or " N/A" for (0 0 0)
};

// The phase of F in degrees: 0 to 360 for Re != 0, and +-90 for a purely imaginary F.
double structureFactorPhase(std::complex<double> F);

// Evaluates reflection (h k l) of the given structure at its Bragg angle, s^2 = |G|^2 / 4.
// (0 0 0) gives F(000), the total number of electrons of the cell, and no d-spacing.
StructureFactorTexts computeStructureFactorTexts(int h, int k, int l, const ReciprocalBasis& basis,
                                                 const std::vector<ElementGroup>& groups);

} // namespace xtalsp
