// The built-in spectrum table.
#include "core/spectrum/builtinspectrum.h"

#include <array>
#include <cstddef>

namespace xtalsp {
namespace {

// Entries 10 to 209 (0.10 to 2.09 Angstrom), ten to a row; all other entries are 0. Within a row
// the values step linearly between the knots at whole tenths of an Angstrom (the row at 0.90
// steps from 0.95 rather than from its own first value). The values are kept exactly as
// listed, so that patterns stay comparable with those computed before.
constexpr std::size_t kFirstTabulatedEntry = 10;
// clang-format off
constexpr std::array<double, 200> kTabulated = {
    0, 0.0001, 0.0002, 0.0003, 0.0004, 0.0005, 0.0006, 0.0007, 0.0008, 0.0009, // 0.10 A
    0.001, 0.0048, 0.0086, 0.0124, 0.0162, 0.02, 0.0238, 0.0276, 0.0314, 0.0352, // 0.20 A
    0.039, 0.0545, 0.07, 0.0855, 0.101, 0.1165, 0.132, 0.1475, 0.163, 0.1785, // 0.30 A
    0.194, 0.2204, 0.2468, 0.2732, 0.2996, 0.326, 0.3524, 0.3788, 0.4052, 0.4316, // 0.40 A
    0.458, 0.4855, 0.513, 0.5405, 0.568, 0.5955, 0.623, 0.6505, 0.678, 0.7055, // 0.50 A
    0.733, 0.7526, 0.7722, 0.7918, 0.8114, 0.831, 0.8506, 0.8702, 0.8898, 0.9094, // 0.60 A
    0.929, 0.9361, 0.9432, 0.9503, 0.9574, 0.9645, 0.9716, 0.9787, 0.9858, 0.9929, // 0.70 A
    1, 0.9948, 0.9896, 0.9844, 0.9792, 0.974, 0.9688, 0.9636, 0.9584, 0.9532, // 0.80 A
    0.948, 0.9359, 0.9218, 0.9077, 0.8936, 0.8795, 0.8654, 0.8513, 0.8372, 0.8231, // 0.90 A
    0.807, 0.7885, 0.77, 0.7515, 0.733, 0.7145, 0.696, 0.6775, 0.659, 0.6405, // 1.00 A
    0.622, 0.6034, 0.5848, 0.5662, 0.5476, 0.529, 0.5104, 0.4918, 0.4732, 0.4546, // 1.10 A
    0.436, 0.4202, 0.4044, 0.3886, 0.3728, 0.357, 0.3412, 0.3254, 0.3096, 0.2938, // 1.20 A
    0.278, 0.2664, 0.2548, 0.2432, 0.2316, 0.22, 0.2084, 0.1968, 0.1852, 0.1736, // 1.30 A
    0.162, 0.1543, 0.1466, 0.1389, 0.1312, 0.1235, 0.1158, 0.1081, 0.1004, 0.0927, // 1.40 A
    0.085, 0.0806, 0.0762, 0.0718, 0.0674, 0.063, 0.0586, 0.0542, 0.0498, 0.0454, // 1.50 A
    0.041, 0.0387, 0.0364, 0.0341, 0.0318, 0.0295, 0.0272, 0.0249, 0.0226, 0.0203, // 1.60 A
    0.018, 0.0169, 0.0158, 0.0147, 0.0136, 0.0125, 0.0114, 0.0103, 0.0092, 0.0081, // 1.70 A
    0.007, 0.0065, 0.006, 0.0055, 0.005, 0.0045, 0.004, 0.0035, 0.003, 0.0025, // 1.80 A
    0.002, 0.0019, 0.0018, 0.0017, 0.0016, 0.0015, 0.0014, 0.0013, 0.0012, 0.0011, // 1.90 A
    0.001, 0.0009, 0.0008, 0.0007, 0.0006, 0.0005, 0.0004, 0.0003, 0.0002, 0.0001, // 2.00 A
};
// clang-format on

Spectrum makeBuiltinSpectrum() {
    Spectrum spectrum;
    for (std::size_t i = 0; i < kTabulated.size(); ++i)
        spectrum.intensity[kFirstTabulatedEntry + i] = kTabulated[i];
    return spectrum;
}

} // namespace

const Spectrum& builtinSpectrum() {
    static const Spectrum spectrum = makeBuiltinSpectrum();
    return spectrum;
}

} // namespace xtalsp
