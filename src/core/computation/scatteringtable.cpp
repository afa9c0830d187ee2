// The coefficient table of the scattering-factor fit and its evaluation.
#include "core/computation/scatteringtable.h"

#include "core/platform/vectorclones.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

namespace xtalsp {

// Neutral-atom rows of International Tables for Crystallography, Vol. C, 1st edition (ed.
// A. J. C. Wilson, Kluwer, 1992), Table 6.1.1.4, in the order a1, b1, a2, b2, a3, b3, a4, b4, c.
// Carbon and silicon keep that table's valence rows ("Cval", "Siv") in place of the neutral-atom
// rows. Thallium's b1 is the neutral value 0.65515; the 1.21152 found in some copies of this row
// makes f(Tl) about 6 % too small at sin(theta) / lambda = 0.5.
// clang-format off
const std::array<ScatteringCoefficients, kMaxAtomicNumber + 1> kScatteringTable = {{
    {0, 0, 0, 0, 0, 0, 0, 0, 0}, // 0 no element
    {0.493002, 10.5109, 0.322912, 26.1257, 0.140191, 3.14236, 0.04081, 57.7997, 0.003038}, // 1 H
    {0.8734, 9.1037, 0.6309, 3.3568, 0.3112, 22.9276, 0.178, 0.9821, 0.0064}, // 2 He
    {1.1282, 3.9546, 0.7508, 1.0524, 0.6175, 85.3905, 0.4653, 168.261, 0.0377}, // 3 Li
    {1.5919, 43.6427, 1.1278, 1.8623, 0.5391, 103.483, 0.7029, 0.542, 0.0385}, // 4 Be
    {2.0545, 23.2185, 1.3326, 1.021, 1.0979, 60.3498, 0.7068, 0.1403, -0.1932}, // 5 B
    {2.26069, 22.6907, 1.56165, 0.656665, 1.05075, 9.75618, 0.839259, 55.5949, 0.286977}, // 6 C, valence row
    {12.2126, 0.0057, 3.1322, 9.8933, 2.0125, 28.9975, 1.1663, 0.5826, -11.529}, // 7 N
    {3.0485, 13.2771, 2.2868, 5.7011, 1.5463, 0.3239, 0.867, 32.9089, 0.2508}, // 8 O
    {3.5392, 10.2825, 2.6412, 4.2944, 1.517, 0.2615, 1.0243, 26.1476, 0.2776}, // 9 F
    {3.9553, 8.4042, 3.1125, 3.4262, 1.4546, 0.2306, 1.1251, 21.7184, 0.3515}, // 10 Ne
    {4.7626, 3.285, 3.1736, 8.8422, 1.2674, 0.3136, 1.1128, 129.424, 0.676}, // 11 Na
    {5.4204, 2.8275, 2.1735, 79.2611, 1.2269, 0.3808, 2.3073, 7.1937, 0.8584}, // 12 Mg
    {6.4202, 3.0387, 1.9002, 0.7426, 1.5936, 31.5472, 1.9646, 85.0886, 1.1151}, // 13 Al
    {5.66269, 2.6652, 3.07164, 38.6634, 2.62446, 0.916946, 1.3932, 93.5458, 1.24707}, // 14 Si, valence row
    {6.4345, 1.9067, 4.1791, 27.157, 1.78, 0.526, 1.4908, 68.1645, 1.1149}, // 15 P
    {6.9053, 1.4679, 5.2034, 22.2151, 1.4379, 0.2536, 1.5863, 56.172, 0.8669}, // 16 S
    {11.4604, 0.0104, 7.1964, 1.1662, 6.2556, 18.5194, 1.6455, 47.7784, -9.5574}, // 17 Cl
    {7.4845, 0.9072, 6.7723, 14.8407, 0.6539, 43.8983, 1.6442, 33.3929, 1.4445}, // 18 Ar
    {8.2186, 12.7949, 7.4398, 0.7748, 1.0519, 213.187, 0.8659, 41.6841, 1.4228}, // 19 K
    {8.6266, 10.4421, 7.3873, 0.6599, 1.5899, 85.7484, 1.0211, 178.437, 1.3751}, // 20 Ca
    {9.189, 9.0213, 7.3679, 0.5729, 1.6409, 136.108, 1.468, 51.3531, 1.3329}, // 21 Sc
    {9.7595, 7.8508, 7.3558, 0.5, 1.6991, 35.6338, 1.9021, 116.105, 1.2807}, // 22 Ti
    {10.2971, 6.8657, 7.3511, 0.4385, 2.0703, 26.8938, 2.0571, 102.478, 1.2199}, // 23 V
    {10.6406, 6.1038, 7.3537, 0.392, 3.324, 20.2626, 1.4922, 98.7399, 1.1832}, // 24 Cr
    {11.2819, 5.3409, 7.3573, 0.3432, 3.0193, 17.8674, 2.2441, 83.7543, 1.0896}, // 25 Mn
    {11.7695, 4.7611, 7.3573, 0.3072, 3.5222, 15.3535, 2.3045, 76.8805, 1.0369}, // 26 Fe
    {12.2841, 4.2791, 7.3409, 0.2784, 4.0034, 13.5359, 2.3488, 71.1692, 1.0118}, // 27 Co
    {12.8376, 3.8785, 7.292, 0.2565, 4.4438, 12.1763, 2.38, 66.3421, 1.0341}, // 28 Ni
    {13.338, 3.5828, 7.1676, 0.247, 5.6158, 11.3966, 1.6735, 64.8126, 1.191}, // 29 Cu
    {14.0743, 3.2655, 7.0318, 0.2333, 5.1652, 10.3163, 2.41, 58.7097, 1.3041}, // 30 Zn
    {15.2354, 3.0669, 6.7006, 0.2412, 4.3591, 10.7805, 2.9623, 61.4135, 1.7189}, // 31 Ga
    {16.0816, 2.8509, 6.3747, 0.2516, 3.7068, 11.4468, 3.683, 54.7625, 2.1313}, // 32 Ge
    {16.6723, 2.6345, 6.0701, 0.2647, 3.4313, 12.9479, 4.2779, 47.7972, 2.531}, // 33 As
    {17.0006, 2.4098, 5.8196, 0.2726, 3.9731, 15.2372, 4.3543, 43.8163, 2.8409}, // 34 Se
    {17.1789, 2.1723, 5.2358, 16.5796, 5.6377, 0.2609, 3.9851, 41.4328, 2.9557}, // 35 Br
    {17.3555, 1.9384, 6.7286, 16.5623, 5.5493, 0.2261, 3.5375, 39.3972, 2.825}, // 36 Kr
    {17.1784, 1.7888, 9.6435, 17.3151, 5.1399, 0.2748, 1.5292, 164.934, 3.4873}, // 37 Rb
    {17.5663, 1.5564, 9.8184, 14.0988, 5.422, 0.1664, 2.6694, 132.376, 2.5064}, // 38 Sr
    {17.776, 1.4029, 10.2946, 12.8006, 5.72629, 0.125599, 3.26588, 104.354, 1.91213}, // 39 Y
    {17.8765, 1.27618, 10.948, 11.916, 5.41732, 0.117622, 3.65721, 87.6627, 2.06929}, // 40 Zr
    {17.6142, 1.18865, 12.0144, 11.766, 4.04183, 0.204785, 3.53346, 69.7957, 3.75591}, // 41 Nb
    {3.7025, 0.2772, 17.2356, 1.0958, 12.8876, 11.004, 3.7429, 61.6584, 4.3875}, // 42 Mo
    {19.1301, 0.864132, 11.0948, 8.14487, 4.64901, 21.5707, 2.71263, 86.8472, 5.40428}, // 43 Tc
    {19.2674, 0.80852, 12.9182, 8.43467, 4.86337, 24.7997, 1.56756, 94.2928, 5.37874}, // 44 Ru
    {19.2957, 0.751536, 14.3501, 8.21758, 4.73425, 25.8749, 1.28918, 98.6062, 5.328}, // 45 Rh
    {19.3319, 0.698655, 15.5017, 7.98929, 5.29537, 25.2052, 0.605844, 76.8986, 5.26593}, // 46 Pd
    {19.2808, 0.6446, 16.6885, 7.4726, 4.8045, 24.6605, 1.0463, 99.8156, 5.179}, // 47 Ag
    {19.2214, 0.5946, 17.6444, 6.9089, 4.461, 24.7008, 1.6029, 87.4825, 5.0694}, // 48 Cd
    {19.1624, 0.5476, 18.5596, 6.3776, 4.2948, 25.8499, 2.0396, 92.8029, 4.9391}, // 49 In
    {19.1889, 5.8303, 19.1005, 0.5031, 4.4585, 26.8909, 2.4663, 83.9571, 4.7821}, // 50 Sn
    {19.6418, 5.3034, 19.0455, 0.4607, 5.0371, 27.9074, 2.6827, 75.2825, 4.5909}, // 51 Sb
    {19.9644, 4.81742, 19.0138, 0.420885, 6.14487, 28.5284, 2.5239, 70.8403, 4.352}, // 52 Te
    {20.1472, 4.347, 18.9949, 0.3814, 7.5138, 27.766, 2.2735, 66.8776, 4.0712}, // 53 I
    {20.2933, 3.9282, 19.0298, 0.344, 8.9767, 26.4659, 1.99, 64.2658, 3.7118}, // 54 Xe
    {20.3892, 3.569, 19.1062, 0.3107, 10.662, 24.3879, 1.4953, 213.904, 3.3352}, // 55 Cs
    {20.3361, 3.216, 19.297, 0.2756, 10.888, 20.2073, 2.6959, 167.202, 2.7731}, // 56 Ba
    {20.578, 2.94817, 19.599, 0.244475, 11.3727, 18.7726, 3.28719, 133.124, 2.14678}, // 57 La
    {21.1671, 2.81219, 19.7695, 0.226836, 11.8513, 17.6083, 3.33049, 127.113, 1.86264}, // 58 Ce
    {22.044, 2.77393, 19.6697, 0.222087, 12.3856, 16.7669, 2.82428, 143.644, 2.0583}, // 59 Pr
    {22.6845, 2.66248, 19.6847, 0.210628, 12.774, 15.885, 2.85137, 137.903, 1.98486}, // 60 Nd
    {23.3405, 2.5627, 19.6095, 0.202088, 13.1235, 15.1009, 2.87516, 132.721, 2.02876}, // 61 Pm
    {24.0042, 2.47274, 19.4258, 0.196451, 13.4396, 14.3996, 2.89604, 128.007, 2.20963}, // 62 Sm
    {24.6274, 2.3879, 19.0886, 0.1942, 13.7603, 13.7546, 2.9227, 123.174, 2.5745}, // 63 Eu
    {25.0709, 2.25341, 19.0798, 0.181951, 13.8518, 12.9331, 3.54545, 101.398, 2.4196}, // 64 Gd
    {25.8976, 2.24256, 18.2185, 0.196143, 14.3167, 12.6648, 2.95354, 115.362, 3.58324}, // 65 Tb
    {26.507, 2.1802, 17.6383, 0.202172, 14.5596, 12.1899, 2.96577, 111.874, 4.29728}, // 66 Dy
    {26.9049, 2.07051, 17.294, 0.19794, 14.5583, 11.4407, 3.63837, 92.6566, 4.56796}, // 67 Ho
    {27.6563, 2.07356, 16.4285, 0.223545, 14.9779, 11.3604, 2.98233, 105.703, 5.92046}, // 68 Er
    {28.1819, 2.02859, 15.8851, 0.238849, 15.1542, 10.9975, 2.98706, 102.961, 6.75621}, // 69 Tm
    {28.6641, 1.9889, 15.4345, 0.257119, 15.3087, 10.6647, 2.98963, 100.417, 7.56672}, // 70 Yb
    {28.9476, 1.90182, 15.2208, 9.98519, 15.1, 0.261033, 3.71601, 84.3298, 7.97628}, // 71 Lu
    {29.144, 1.83262, 15.1726, 9.5999, 14.7586, 0.275116, 4.30013, 72.029, 8.58154}, // 72 Hf
    {29.2024, 1.77333, 15.2293, 9.37046, 14.5135, 0.295977, 4.76492, 63.3644, 9.24354}, // 73 Ta
    {29.0818, 1.72029, 15.43, 9.2259, 14.4327, 0.321703, 5.11982, 57.056, 9.8875}, // 74 W
    {28.7621, 1.67191, 15.7189, 9.09227, 14.5564, 0.3505, 5.44174, 52.0861, 10.472}, // 75 Re
    {28.1894, 1.62903, 16.155, 8.97948, 14.9305, 0.382661, 5.67589, 48.1647, 11.0005}, // 76 Os
    {27.3049, 1.59279, 16.7296, 8.86553, 15.6115, 0.417916, 5.83377, 45.0011, 11.4722}, // 77 Ir
    {27.0059, 1.51293, 17.7639, 8.81174, 15.7131, 0.424593, 5.7837, 38.6103, 11.6883}, // 78 Pt
    {16.8819, 0.4611, 18.5913, 8.6216, 25.5582, 1.4826, 5.86, 36.3956, 12.0658}, // 79 Au
    {20.6809, 0.545, 19.0417, 8.4484, 21.6575, 1.5729, 5.9676, 38.3246, 12.6089}, // 80 Hg
    {27.5446, 0.65515, 19.1584, 8.70751, 15.538, 1.96347, 5.52593, 45.8149, 13.1746}, // 81 Tl
    {31.0617, 0.6902, 13.0637, 2.3576, 18.442, 8.618, 5.9696, 47.2579, 13.4118}, // 82 Pb
    {33.3689, 0.704, 12.951, 2.9238, 16.5877, 8.7937, 6.4692, 48.0093, 13.5782}, // 83 Bi
    {34.6726, 0.700999, 15.4733, 3.55078, 13.1138, 9.55642, 7.02588, 47.0045, 13.677}, // 84 Po
    {35.3163, 0.68587, 19.0211, 3.97458, 9.49887, 11.3824, 7.42518, 45.4715, 13.7108}, // 85 At
    {35.5631, 0.6631, 21.2816, 4.0691, 8.0037, 14.0422, 7.4433, 44.2473, 13.6905}, // 86 Rn
    {35.9299, 0.646453, 23.0547, 4.17619, 12.1439, 23.1052, 2.11253, 150.645, 13.7247}, // 87 Fr
    {35.763, 0.616341, 22.9064, 3.87135, 12.4739, 19.9887, 3.21097, 142.325, 13.6211}, // 88 Ra
    {35.6597, 0.589092, 23.1032, 3.65155, 12.5977, 18.599, 4.08655, 117.02, 13.5266}, // 89 Ac
    {35.5645, 0.563359, 23.4219, 3.46204, 12.7473, 17.8309, 4.80703, 99.1722, 13.4314}, // 90 Th
    {35.8847, 0.547751, 23.2948, 3.41519, 14.1891, 16.9235, 4.17287, 105.251, 13.4287}, // 91 Pa
    {36.0228, 0.5293, 23.4128, 3.3253, 14.9491, 16.0927, 4.188, 100.613, 13.3966}, // 92 U
}};
// clang-format on

double scatteringFactor(int Z, double s2) {
    if (Z < 0 || Z > kMaxAtomicNumber)
        return 0.0;
    const ScatteringCoefficients& row = kScatteringTable[static_cast<std::size_t>(Z)];
    return row.a1 * std::exp(-row.b1 * s2) + row.a2 * std::exp(-row.b2 * s2) +
           row.a3 * std::exp(-row.b3 * s2) + row.a4 * std::exp(-row.b4 * s2) + row.c;
}

namespace {

constexpr std::size_t kExpLanes = 8;
using ExpLanes = double __attribute__((vector_size(kExpLanes * sizeof(double))));
using ExpBits = std::int64_t __attribute__((vector_size(kExpLanes * sizeof(std::int64_t))));

// Where exp(x) is a normal number the lanes take it from the vector units; elsewhere (and for
// NaN) from the library, with its underflow to subnormals and zero.
constexpr double kVectorExpLowest = -708.0;
constexpr double kVectorExpHighest = 708.0;

// exp(x) of eight lanes. x = n ln 2 + r with n the nearest integer to x / ln 2, the product with
// the two-part ln 2 exact and |r| <= 0.35; exp(r) - 1 - r from its Taylor series to r^13, whose
// remainder is below 1e-17, summed in Estrin's scheme for a short chain of dependent
// operations; then scaled by 2^n built in the exponent bits. Against the library's exp the
// lanes differ by at most an ulp over the whole range.
[[gnu::always_inline]] inline void expLanes(const ExpLanes& x, ExpLanes& result) {
    constexpr double kLog2e = 0x1.71547652b82fep0;
    constexpr double kShifter = 0x1.8p52; // adding it rounds to an integer in the low bits
    constexpr double kLn2High = 0x1.62e42fee00000p-1, kLn2Low = 0x1.a39ef35793c76p-33;
    // 1 / (i + 2)!
    constexpr std::array<double, 12> kTaylor = {
        1.0 / 2,       1.0 / 6,        1.0 / 24,        1.0 / 120,
        1.0 / 720,     1.0 / 5040,     1.0 / 40320,     1.0 / 362880,
        1.0 / 3628800, 1.0 / 39916800, 1.0 / 479001600, 1.0 / 6227020800.0};
    const ExpLanes shifted = x * kLog2e + kShifter;
    const ExpLanes n = shifted - kShifter;
    const ExpLanes r = (x - n * kLn2High) - n * kLn2Low;
    const ExpLanes r2 = r * r;
    const ExpLanes r4 = r2 * r2;
    std::array<ExpLanes, 6> linear;
    for (std::size_t i = 0; i < linear.size(); ++i)
        linear[i] = kTaylor[2 * i] + kTaylor[2 * i + 1] * r;
    const ExpLanes low = linear[0] + linear[1] * r2;
    const ExpLanes middle = linear[2] + linear[3] * r2;
    const ExpLanes high = linear[4] + linear[5] * r2;
    const ExpLanes series = low + r4 * (middle + r4 * high);
    const ExpLanes expR = 1.0 + (r + r2 * series);
    const ExpBits exponent =
        (reinterpret_cast<ExpBits>(shifted) - std::bit_cast<std::int64_t>(kShifter) + 1023) << 52;
    result = expR * reinterpret_cast<ExpLanes>(exponent);
}

// exp(-b s2) of count values of b, a whole number of sets of lanes. Where the caller cannot
// vouch that every -b s2 lies in the vector units' range, each lane outside it is taken from
// the library.
XTALSP_VECTOR_CLONES
void exponentialsOf(const double* b, std::size_t count, double s2, bool allInRange, double* out) {
    for (std::size_t first = 0; first < count; first += kExpLanes) {
        ExpLanes x;
        std::memcpy(&x, b + first, sizeof x);
        x = -x * s2;
        ExpLanes result;
        expLanes(x, result);
        std::memcpy(out + first, &result, sizeof result);
        if (!allInRange)
            for (std::size_t i = 0; i < kExpLanes; ++i)
                if (!(x[i] >= kVectorExpLowest && x[i] <= kVectorExpHighest))
                    out[first + i] = std::exp(x[i]);
    }
}

const ScatteringCoefficients& coefficientsOf(int Z) {
    return kScatteringTable[Z < 0 || Z > kMaxAtomicNumber ? 0 : static_cast<std::size_t>(Z)];
}

} // namespace

ScatteringFactorSet::ScatteringFactorSet(std::vector<int> elements)
    : m_elements(std::move(elements)) {
    for (const int Z : m_elements) {
        const ScatteringCoefficients& row = coefficientsOf(Z);
        m_b.insert(m_b.end(), {row.b1, row.b2, row.b3, row.b4});
    }
    m_b.resize((m_b.size() + kExpLanes - 1) / kExpLanes * kExpLanes, 0.0);
    m_exponentials.resize(m_b.size());
    for (const double b : m_b)
        m_largestB = std::max(m_largestB, std::fabs(b));
}

void ScatteringFactorSet::evaluate(double s2, double* factors, double* spreads) {
    // NaN fails the test, and goes to the library.
    const bool allInRange = s2 >= 0.0 && s2 * m_largestB <= kVectorExpHighest;
    exponentialsOf(m_b.data(), m_b.size(), s2, allInRange, m_exponentials.data());
    for (std::size_t e = 0; e < m_elements.size(); ++e) {
        const ScatteringCoefficients& row = coefficientsOf(m_elements[e]);
        const double* exponential = m_exponentials.data() + 4 * e;
        factors[e] = row.a1 * exponential[0] + row.a2 * exponential[1] + row.a3 * exponential[2] +
                     row.a4 * exponential[3] + row.c;
        spreads[e] = std::fabs(row.a1) * exponential[0] + std::fabs(row.a2) * exponential[1] +
                     std::fabs(row.a3) * exponential[2] + std::fabs(row.a4) * exponential[3] +
                     std::fabs(row.c);
    }
}

} // namespace xtalsp
