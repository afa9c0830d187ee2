// Phase-factor tables along the three axes, and structure factors assembled from them with an
// error estimate that sends strongly cancelling sums to the direct evaluation.
#include "core/computation/structurefactortables.h"

#include "core/computation/intensity.h"
#include "core/computation/scatteringtable.h"
#include "core/platform/vectorclones.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <limits>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

namespace xtalsp {

namespace {

// Table phases are rounded to multiples of 2^-36 rad by adding and removing 1.5 * 2^16, which
// works for |phase| < 2^15. With |coordinate| <= 3 and indices up to 999 a phase stays below
// 2 pi * 2997 < 18900, and the sum of three such multiples (below 2^16) is exact. The phases are
// not stored: they are recomputed from the products the argument needs anyway.
constexpr double kPhaseRounder = 0x1.8p16;
constexpr double kLargestCoordinate = 3.0;
constexpr int kLargestIndex = 999;

// Beyond this many table entries (256 MB) the tables are not built.
constexpr std::size_t kMaxTableEntries = std::size_t{1} << 25;

// The error estimate treats the atoms' rounding errors as independent; the accepted deviation
// is this many times the estimated standard deviation.
constexpr double kConfidence = 4.0;
// Bound on one atom's term's deviation, in units of roundoff: three table factors (sine and
// cosine within an ulp each), two complex products, the occupancy, the phase correction, and
// the sine and cosine of structureFactor() itself.
constexpr double kTermError = 14.0;
// Two sums of n terms in different order round apart by about sqrt(n) times a term's size.
// structureFactor()'s sum runs site by site, its partial sums a random walk of about sqrt(m)
// terms' size: its rounding grows like n / sqrt(6) units of a term, and the lanes' sums round
// far less. Over 200,000 reflections of a 2000-atom cell the deviation's rms was 0.29 of
// this estimate and its largest 2.6 times it, two thirds of the kConfidence multiple
// accepted; in whole walks of that cell no kept number deviated by more than 1.3e-13. A larger
// factor only sends more nearly extinct reflections to the slow direct evaluation.
constexpr double kSumError = 0.5;
// kTermError with room to spare, for a bound that must hold without exception.
constexpr double kWorstTermError = 32.0;
// The rms deviation of a walk's scattering factor from scatteringFactor()'s, in roundoffs of its
// spread, generously: over all elements and s2 below 400, 4 % of the factors differed at all,
// the largest by 4.1 roundoffs.
constexpr double kScatteringFactorSpread = 2.0;

// Partial sums per group; independent accumulators let the sum proceed in parallel, one
// 512-bit or two 256-bit registers wide.
constexpr std::size_t kLanes = 8;

double twoPi() {
    // Formed exactly as structureFactor() forms it, so that both see the same phase arguments.
    return 2.0 * (4.0 * std::atan(1.0));
}

// The table phase of one factor: 2 pi times the product of index and coordinate, rounded to a
// multiple of 2^-36. Negating the product negates the result exactly.
double tablePhaseOf(double twoPiValue, double product) {
    return (twoPiValue * product + kPhaseRounder) - kPhaseRounder;
}

constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;

// value negated where signBit is set, as multiplying by -1 would, but off the multipliers.
inline double withSignFlipped(double value, std::uint64_t signBit) {
    return std::bit_cast<double>(std::bit_cast<std::uint64_t>(value) ^ signBit);
}

double sign(int index) {
    return index < 0 ? -1.0 : 1.0;
}

std::size_t row(int index, std::size_t siteCount) {
    return static_cast<std::size_t>(index < 0 ? -index : index) * siteCount;
}

// Each term below is a product of table factors (ar + i ai)(zr + i zi) = pr + i pi turned by
// exp(i delta) to first order: pr - delta pi + i (pi + delta pr), for a tiny delta (below
// 1e-10 rad).
//
// The tables' factors multiply to exp(i tablePhase), the exact sum of their rounded phases.
// structureFactor() takes the sine and cosine of its own rounded argument instead; the two
// differ by delta = argument - tablePhase, which is computed exactly (the subtraction of two
// close numbers), and turning the product by it to first order (the second order is below
// 1e-20) leaves the term within a few roundoffs of structureFactor()'s own.

// The per-atom loops below are vector clones (see vectorclones.h). The row sums fuse their
// multiply-adds by the processor, not by the clone (see rowSumsFuse()): on one processor every
// clone does the same operations in the same order and gives the same results.

// The lanes' partial sums added pairwise.
double laneTotal(const std::array<double, kLanes>& sums) {
    return ((sums[0] + sums[1]) + (sums[2] + sums[3])) +
           ((sums[4] + sums[5]) + (sums[6] + sums[7]));
}

// F = sum over groups of f times the group's sum, re and im apart, and what the factors'
// deviations from scatteringFactor()'s can move it by (see withErrors()).
struct GroupCombination {
    double re = 0.0, im = 0.0;
    double spreadBound = 0.0, spreadSquares = 0.0;

    void add(double f, double spread, double sumRe, double sumIm) {
        re += f * sumRe;
        im += f * sumIm;
        spreadBound += spread * (std::fabs(sumRe) + std::fabs(sumIm));
        spreadSquares += spread * spread * (sumRe * sumRe + sumIm * sumIm);
    }
};

// F = sum over groups of f times the group's sum of terms, in structureFactor()'s group order.
// sumTerms(first, end, sumCos, sumSin) adds the terms of the sites first to end - 1 to kLanes
// partial sums, which let the compiler work on several sites at once.
template <typename SumTerms>
GroupCombination sumOverGroups(const std::vector<std::size_t>& groupStart,
                               const std::vector<double>& scattering,
                               const std::vector<double>& spreads, const SumTerms& sumTerms) {
    GroupCombination combined;
    for (std::size_t g = 0; g < scattering.size(); ++g) {
        std::array<double, kLanes> sumCos{}, sumSin{};
        sumTerms(groupStart[g], groupStart[g + 1], sumCos.data(), sumSin.data());
        combined.add(scattering[g], spreads[g], laneTotal(sumCos), laneTotal(sumSin));
    }
    return combined;
}

} // namespace

// What the terms of one reflection are made from: the three axis rows of every site, or the
// cached product of the first two and the third. A negative index takes the conjugate factor.
struct TripleTermSource {
    const double *x, *y, *z, *occupancy;
    const double *hRe, *hIm, *kRe, *kIm, *lRe, *lIm;
    double h, k, l, signH, signK, signL, twoPi;
};

// The terms of reflections on one cached row (h k): the row's factors and the third axis's.
// The sums come out as those of the row's own (h k l), or of the pair (h k l) and (h k -l)
// with l >= 0; the caller's reflections follow from them by the flags.
struct RowTermSource {
    const double *re, *im, *phase, *hk, *z, *lRe, *lIm;
    double l, twoPi;
    std::uint64_t lSignBit; // l's sign bit, which a single reflection's l factor takes
    bool conjugate; // the caller's reflections are the row's negated ones: conjugate the sums
    bool swapped;   // the caller's pair has l < 0: its plus is the minus of the sums
};

namespace {

// kLanes doubles that the compiler keeps in one 512-bit register or two 256-bit ones; the
// operations act on each lane as on a double, in the same order.
using Lanes = double __attribute__((vector_size(kLanes * sizeof(double))));

// Lanes are handed over by reference: as values their passing would depend on the instruction
// set of each clone.
template <typename Vector>
[[gnu::always_inline]] inline void load(Vector& lanes, const double* values) {
    std::memcpy(&lanes, values, sizeof lanes);
}

// The row sums below keep a few reflections' partial sums and the row's factors in registers.
// Where the registers are narrower than kLanes doubles, or fewer, that does not fit: the sums
// then go over the sites in kLanes / width passes, each for width of the lanes. Each lane still
// sums the same sites with the same operations, so the results do not depend on the width. The
// screen's passes are as wide, with twice as many floats.
template <std::size_t Width> struct PassLanes;
template <> struct PassLanes<8> {
    using type = double __attribute__((vector_size(8 * sizeof(double))));
    using floats = float __attribute__((vector_size(16 * sizeof(float))));
};
template <> struct PassLanes<4> {
    using type = double __attribute__((vector_size(4 * sizeof(double))));
    using floats = float __attribute__((vector_size(8 * sizeof(float))));
};
template <> struct PassLanes<2> {
    using type = double __attribute__((vector_size(2 * sizeof(double))));
    using floats = float __attribute__((vector_size(4 * sizeof(float))));
};

// The x86-64 level whose clones the processor runs: 4 (AVX-512), 3 (AVX2 and fused
// multiply-add) or 0. A few features of each level stand for it, as every processor with them
// has the rest of the level too; the compilers do not all know the levels' own names here.
int processorLevel() {
#if defined(__x86_64__) && defined(__has_builtin)
#if __has_builtin(__builtin_cpu_supports)
    const bool v3 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") &&
                    __builtin_cpu_supports("bmi2");
    const bool v4 = v3 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                    __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl");
    return v4 ? 4 : v3 ? 3 : 0;
#endif
#endif
    return 0;
}

// The widest pass whose sums stay in registers on this processor: eight lanes with AVX-512's
// 32 registers of eight doubles, four with AVX2, two on the baseline instruction set.
std::size_t processorPassWidth() {
#if defined(__x86_64__)
    const int level = processorLevel();
    return level >= 4 ? 8 : level == 3 ? 4 : 2;
#else
    return kLanes;
#endif
}

// Whether the processor runs the clones with fused multiply-add. Only there the row sums fuse:
// elsewhere a fused multiply-add would be a library call per lane.
bool processorFuses() {
    return processorLevel() >= 3;
}

std::atomic<std::size_t> chosenPassWidth{0};

std::size_t rowPassWidth() {
    static const std::size_t processorWidth = processorPassWidth();
    const std::size_t chosen = chosenPassWidth.load(std::memory_order_relaxed);
    return chosen != 0 ? chosen : processorWidth;
}

// The double-precision row sums are bound by the processor's adders and multipliers. Fusing a
// product with the addition that follows saves an operation and a rounding: the terms then
// differ from the unfused ones by a roundoff or so, well within kTermError, and on a given
// processor every thread count and pass width still gives the same bits.
enum class Fusion { Processor, Fused, Separate };
std::atomic<Fusion> chosenFusion{Fusion::Processor};

bool rowSumsFuse() {
    static const bool processor = processorFuses();
    const Fusion chosen = chosenFusion.load(std::memory_order_relaxed);
    return chosen == Fusion::Processor ? processor : chosen == Fusion::Fused;
}

// Runs Kernel<width>::run(args...) at the pass width of rowPassWidth(). The kernels are
// inlined, so each clone makes them for its own instruction set, as it would not a lambda.
template <template <std::size_t> class Kernel, typename... Args>
[[gnu::always_inline]] inline void inPassesOfWidth(Args&&... args) {
    switch (rowPassWidth()) {
    case 8:
        Kernel<8>::run(std::forward<Args>(args)...);
        break;
    case 4:
        Kernel<4>::run(std::forward<Args>(args)...);
        break;
    default:
        Kernel<2>::run(std::forward<Args>(args)...);
        break;
    }
}

// result = a * b + c, rounded once where Fused.
template <bool Fused, typename Vector>
[[gnu::always_inline]] inline void multiplyAdd(Vector& result, const Vector& a, const Vector& b,
                                               const Vector& c) {
    if constexpr (Fused) {
        for (std::size_t i = 0; i < sizeof(Vector) / sizeof(double); ++i)
            result[i] = __builtin_fma(a[i], b[i], c[i]);
    } else {
        result = a * b + c;
    }
}

// Adds the product pr + i pi turned by exp(i delta) to first order: pr - delta pi + i (pi +
// delta pr).
template <bool Fused, typename Vector>
[[gnu::always_inline]] inline void addTurned(Vector& sumCos, Vector& sumSin, const Vector& pr,
                                             const Vector& pi, const Vector& delta) {
    Vector cos, sin;
    multiplyAdd<Fused>(cos, -delta, pi, pr);
    multiplyAdd<Fused>(sin, delta, pr, pi);
    sumCos += cos;
    sumSin += sin;
}

// The lane sums of (h k l) and (h k -l) in one pass: plus cosine and sine, then minus cosine
// and sine.
template <typename Vector> struct PairLanes { Vector plusCos, plusSin, minusCos, minusSin; };

// The row's factors at one pass's lanes of sites from j.
template <typename Vector> struct RowLanes {
    Vector z, hk, hkPhase, re, im;

    [[gnu::always_inline]] RowLanes(const RowTermSource& t, std::size_t j) {
        load(z, t.z + j);
        load(hk, t.hk + j);
        load(hkPhase, t.phase + j);
        load(re, t.re + j);
        load(im, t.im + j);
    }
};

// Adds the terms of (h k l) and (h k -l), l >= 0, at one pass's lanes of sites from j to a
// pair's lane sums. The l factor of -l is the conjugate and its table phase the negated one, so
// each term is bit for bit the one a pass for that reflection alone makes: negating a factor of a
// product or of a sum negates the rounded result exactly.
template <bool Fused, typename Vector>
[[gnu::always_inline]] inline void addRowPairLanes(const RowTermSource& t, std::size_t j,
                                                   const RowLanes<Vector>& row,
                                                   PairLanes<Vector>& sums) {
    Vector zr, zi;
    load(zr, t.lRe + j);
    load(zi, t.lIm + j);
    const Vector lz = t.l * row.z;
    const Vector lPhase = (t.twoPi * lz + kPhaseRounder) - kPhaseRounder;
    const Vector plusDelta = t.twoPi * (row.hk + lz) - (row.hkPhase + lPhase);
    const Vector minusDelta = t.twoPi * (row.hk + -lz) - (row.hkPhase + -lPhase);
    // The products for zi and for -zi.
    const Vector reZr = row.re * zr, imZr = row.im * zr;
    Vector plusRe, plusIm, minusRe, minusIm;
    multiplyAdd<Fused>(plusRe, -row.im, zi, reZr);
    multiplyAdd<Fused>(plusIm, row.re, zi, imZr);
    multiplyAdd<Fused>(minusRe, row.im, zi, reZr);
    multiplyAdd<Fused>(minusIm, -row.re, zi, imZr);
    addTurned<Fused>(sums.plusCos, sums.plusSin, plusRe, plusIm, plusDelta);
    addTurned<Fused>(sums.minusCos, sums.minusSin, minusRe, minusIm, minusDelta);
}

// The lanes offset to offset + width of Parts partial sums at sums, kLanes apart.
template <typename Vector, std::size_t Parts>
[[gnu::always_inline]] inline void loadParts(const std::array<Vector*, Parts>& parts,
                                             const double* sums, std::size_t offset) {
    for (std::size_t part = 0; part < Parts; ++part)
        load(*parts[part], sums + part * kLanes + offset);
}

template <typename Vector, std::size_t Parts>
[[gnu::always_inline]] inline void storeParts(const std::array<Vector*, Parts>& parts, double* sums,
                                              std::size_t offset) {
    for (std::size_t part = 0; part < Parts; ++part)
        std::memcpy(sums + part * kLanes + offset, parts[part], sizeof(Vector));
}

template <typename Vector> std::array<Vector*, 4> partsOf(PairLanes<Vector>& lanes) {
    return {&lanes.plusCos, &lanes.plusSin, &lanes.minusCos, &lanes.minusSin};
}

// Adds the terms of the sites first to end - 1, a whole number of sets of lanes, to the lane sums
// of one or two pairs on one row, which differ only in l: site m (counted from first) to lane
// m mod kLanes. The row's factors are loaded once for both pairs: a pass for a single pair is
// limited by loading them from the caches rather than by its arithmetic. Each pair's sums are
// those of its own pass, bit for bit. sums holds, per pair, the plus cosine, plus sine, minus
// cosine and minus sine lanes. With AVX-512's 32 registers the lanes of three pairs and the
// shared factors fit; a pass over three pairs loads the row's factors a third less often per
// pair than one over two, which the caches' bandwidth repays. The 16 registers of the narrower
// instruction sets hold two pairs.
template <bool Fused, typename Vector, int Count>
[[gnu::always_inline]] inline void sumRowPairTermsOf(const RowTermSource* t, std::size_t first,
                                                     std::size_t end, double* sums) {
    const RowTermSource one = t[0];
    const RowTermSource two = t[Count > 1 ? 1 : 0];
    const RowTermSource three = t[Count > 2 ? 2 : 0];
    for (std::size_t offset = 0; offset < kLanes; offset += sizeof(Vector) / sizeof(double)) {
        PairLanes<Vector> sumsOne, sumsTwo, sumsThree;
        loadParts(partsOf(sumsOne), sums, offset);
        if constexpr (Count > 1)
            loadParts(partsOf(sumsTwo), sums + 4 * kLanes, offset);
        if constexpr (Count > 2)
            loadParts(partsOf(sumsThree), sums + 8 * kLanes, offset);
        for (std::size_t j = first + offset; j < end; j += kLanes) {
            const RowLanes<Vector> row(one, j);
            addRowPairLanes<Fused>(one, j, row, sumsOne);
            if constexpr (Count > 1)
                addRowPairLanes<Fused>(two, j, row, sumsTwo);
            if constexpr (Count > 2)
                addRowPairLanes<Fused>(three, j, row, sumsThree);
        }
        storeParts(partsOf(sumsOne), sums, offset);
        if constexpr (Count > 1)
            storeParts(partsOf(sumsTwo), sums + 4 * kLanes, offset);
        if constexpr (Count > 2)
            storeParts(partsOf(sumsThree), sums + 8 * kLanes, offset);
    }
}

constexpr std::size_t kRowPairBatch = 3;

template <bool Fused, typename Vector, int Count>
[[gnu::always_inline]] inline void sumRowTermsOf(const RowTermSource* t, std::size_t first,
                                                 std::size_t end, double* sums);

// Where a pass has fewer than eight lanes, count pairs or single reflections go in passes of two
// at most, whose sums stay in the fewer or narrower registers.
template <bool Paired, bool Fused, typename Vector>
[[gnu::always_inline]] inline void inPassesOfTwo(const RowTermSource* t, std::size_t count,
                                                 std::size_t first, std::size_t end, double* sums) {
    constexpr std::size_t kSets = Paired ? 4 : 2;
    for (std::size_t b = 0; b < count; b += 2) {
        double* at = sums + kSets * kLanes * b;
        if constexpr (Paired) {
            if (count - b == 1)
                sumRowPairTermsOf<Fused, Vector, 1>(t + b, first, end, at);
            else
                sumRowPairTermsOf<Fused, Vector, 2>(t + b, first, end, at);
        } else {
            if (count - b == 1)
                sumRowTermsOf<Fused, Vector, 1>(t + b, first, end, at);
            else
                sumRowTermsOf<Fused, Vector, 2>(t + b, first, end, at);
        }
    }
}

// Up to kRowPairBatch pairs.
template <std::size_t Width, bool Fused> struct RowPairSums {
    [[gnu::always_inline]] static void run(const RowTermSource* t, std::size_t count,
                                           std::size_t first, std::size_t end, double* sums) {
        using Vector = typename PassLanes<Width>::type;
        if constexpr (Width < kLanes) {
            inPassesOfTwo<true, Fused, Vector>(t, count, first, end, sums);
            return;
        }
        if (count == 1)
            sumRowPairTermsOf<Fused, Vector, 1>(t, first, end, sums);
        else if (count == 2)
            sumRowPairTermsOf<Fused, Vector, 2>(t, first, end, sums);
        else
            sumRowPairTermsOf<Fused, Vector, 3>(t, first, end, sums);
    }
};

// occupancy * exp(2 pi i (h x + k y)) of every site from the tables, with its table phase and
// the rounded h x + k y; every clone does the same operations, so the rows are the same.
XTALSP_VECTOR_CLONES
void fillRow(const TripleTermSource& t, std::size_t count, double* __restrict re,
             double* __restrict im, double* __restrict phase, double* __restrict hk) {
    const std::uint64_t hSign = t.signH < 0.0 ? kSignBit : 0, kSign = t.signK < 0.0 ? kSignBit : 0;
    for (std::size_t j = 0; j < count; ++j) {
        const double xr = t.hRe[j], xi = withSignFlipped(t.hIm[j], hSign);
        const double yr = t.kRe[j], yi = withSignFlipped(t.kIm[j], kSign);
        re[j] = t.occupancy[j] * (xr * yr - xi * yi);
        im[j] = t.occupancy[j] * (xr * yi + xi * yr);
        const double hx = t.h * t.x[j], ky = t.k * t.y[j];
        phase[j] = tablePhaseOf(t.twoPi, hx) + tablePhaseOf(t.twoPi, ky);
        hk[j] = hx + ky;
    }
}

// The lane totals of every group for two reflections made together, sumTerms(first, end,
// plusCos, plusSin, minusCos, minusSin) adding the terms of both to their partial sums.
template <typename SumPairTerms>
void sumPairOverGroups(const std::vector<std::size_t>& groupStart, const SumPairTerms& sumTerms,
                       GroupSums& plus, GroupSums& minus) {
    const std::size_t groupCount = groupStart.size() - 1;
    for (GroupSums* sums : {&plus, &minus}) {
        sums->re.resize(groupCount);
        sums->im.resize(groupCount);
    }
    for (std::size_t g = 0; g < groupCount; ++g) {
        std::array<double, kLanes> plusCos{}, plusSin{}, minusCos{}, minusSin{};
        sumTerms(groupStart[g], groupStart[g + 1], plusCos.data(), plusSin.data(), minusCos.data(),
                 minusSin.data());
        plus.re[g] = laneTotal(plusCos);
        plus.im[g] = laneTotal(plusSin);
        minus.re[g] = laneTotal(minusCos);
        minus.im[g] = laneTotal(minusSin);
    }
}

// Adds the terms of one pass's lanes of sites from j to one reflection's lane sums: the
// operations of addRowPairLanes for its plus reflection (l >= 0) or its minus one (l < 0), in
// the same order.
template <bool Fused, typename Vector>
[[gnu::always_inline]] inline void addRowLanes(const RowTermSource& t, std::size_t j,
                                               const RowLanes<Vector>& row, Vector& sumCos,
                                               Vector& sumSin) {
    Vector zr, zi;
    load(zr, t.lRe + j);
    load(zi, t.lIm + j);
    const Vector lz = t.l * row.z;
    const Vector argument = t.twoPi * (row.hk + lz);
    const Vector tablePhase = row.hkPhase + ((t.twoPi * lz + kPhaseRounder) - kPhaseRounder);
    const Vector delta = argument - tablePhase;
    // Negated by l's sign bit, as multiplying by -1 would, but off the multipliers.
    typedef std::uint64_t Bits __attribute__((vector_size(sizeof(Vector))));
    zi = reinterpret_cast<Vector>(reinterpret_cast<Bits>(zi) ^ t.lSignBit);
    Vector pr, pi;
    multiplyAdd<Fused>(pr, -row.im, zi, row.re * zr);
    multiplyAdd<Fused>(pi, row.re, zi, row.im * zr);
    addTurned<Fused>(sumCos, sumSin, pr, pi, delta);
}

// As sumRowPairTermsOf for Count (1 to 4) single reflections on one row, which may differ in
// l and its sign; sums holds the cosine and sine lanes of each.
template <bool Fused, typename Vector, int Count>
[[gnu::always_inline]] inline void sumRowTermsOf(const RowTermSource* t, std::size_t first,
                                                 std::size_t end, double* sums) {
    const RowTermSource t0 = t[0];
    const RowTermSource t1 = t[Count > 1 ? 1 : 0];
    const RowTermSource t2 = t[Count > 2 ? 2 : 0];
    const RowTermSource t3 = t[Count > 3 ? 3 : 0];
    for (std::size_t offset = 0; offset < kLanes; offset += sizeof(Vector) / sizeof(double)) {
        Vector c0, s0, c1, s1, c2, s2, c3, s3;
        const std::array<Vector*, 2 * Count> parts = [&] {
            if constexpr (Count == 1)
                return std::array<Vector*, 2>{&c0, &s0};
            else if constexpr (Count == 2)
                return std::array<Vector*, 4>{&c0, &s0, &c1, &s1};
            else if constexpr (Count == 3)
                return std::array<Vector*, 6>{&c0, &s0, &c1, &s1, &c2, &s2};
            else
                return std::array<Vector*, 8>{&c0, &s0, &c1, &s1, &c2, &s2, &c3, &s3};
        }();
        loadParts(parts, sums, offset);
        for (std::size_t j = first + offset; j < end; j += kLanes) {
            const RowLanes<Vector> row(t0, j);
            addRowLanes<Fused>(t0, j, row, c0, s0);
            if constexpr (Count > 1)
                addRowLanes<Fused>(t1, j, row, c1, s1);
            if constexpr (Count > 2)
                addRowLanes<Fused>(t2, j, row, c2, s2);
            if constexpr (Count > 3)
                addRowLanes<Fused>(t3, j, row, c3, s3);
        }
        storeParts(parts, sums, offset);
    }
}

constexpr std::size_t kRowBatch = 4;

// Up to kRowBatch reflections.
template <std::size_t Width, bool Fused> struct RowSums {
    [[gnu::always_inline]] static void run(const RowTermSource* t, std::size_t count,
                                           std::size_t first, std::size_t end, double* sums) {
        using Vector = typename PassLanes<Width>::type;
        if constexpr (Width < kLanes) {
            inPassesOfTwo<false, Fused, Vector>(t, count, first, end, sums);
            return;
        }
        switch (count) {
        case 1:
            sumRowTermsOf<Fused, Vector, 1>(t, first, end, sums);
            break;
        case 2:
            sumRowTermsOf<Fused, Vector, 2>(t, first, end, sums);
            break;
        case 3:
            sumRowTermsOf<Fused, Vector, 3>(t, first, end, sums);
            break;
        default:
            sumRowTermsOf<Fused, Vector, 4>(t, first, end, sums);
            break;
        }
    }
};

// The lane totals of eight sets of kLanes partial sums at lanes, each added in laneTotal()'s
// pairs: transposing as it adds, one vector addition does a step of all eight sums at once.
[[gnu::always_inline]] inline void laneTotalsOfEight(const double* lanes, Lanes& totals) {
    std::array<Lanes, 8> sums;
    for (std::size_t i = 0; i < sums.size(); ++i)
        load(sums[i], lanes + i * kLanes);
    // Lanes 0 + 1, 2 + 3, 4 + 5 and 6 + 7 of sums 2i and 2i + 1, interleaved.
    std::array<Lanes, 4> pairs;
    for (std::size_t i = 0; i < pairs.size(); ++i)
        pairs[i] =
            __builtin_shufflevector(sums[2 * i], sums[2 * i + 1], 0, 8, 2, 10, 4, 12, 6, 14) +
            __builtin_shufflevector(sums[2 * i], sums[2 * i + 1], 1, 9, 3, 11, 5, 13, 7, 15);
    // Lanes (0 + 1) + (2 + 3) of sums 4i to 4i + 3, then their (4 + 5) + (6 + 7).
    std::array<Lanes, 2> quads;
    for (std::size_t i = 0; i < quads.size(); ++i)
        quads[i] =
            __builtin_shufflevector(pairs[2 * i], pairs[2 * i + 1], 0, 1, 8, 9, 4, 5, 12, 13) +
            __builtin_shufflevector(pairs[2 * i], pairs[2 * i + 1], 2, 3, 10, 11, 6, 7, 14, 15);
    totals = __builtin_shufflevector(quads[0], quads[1], 0, 1, 2, 3, 8, 9, 10, 11) +
             __builtin_shufflevector(quads[0], quads[1], 4, 5, 6, 7, 12, 13, 14, 15);
}

// Stores the totals of one reflection's or pair's parts (plus cosine and sine, then minus), as
// the source's flags ask: conjugating negates the sines, swapping exchanges the plus and minus
// parts.
[[gnu::always_inline]] inline void storeRowTotals(const RowTermSource& t, const double* totals,
                                                  std::size_t parts, double* out) {
    for (std::size_t part = 0; part < parts; ++part) {
        const double total = totals[t.swapped ? part ^ 2 : part];
        out[part] = t.conjugate && part % 2 == 1 ? -total : total;
    }
}

// Per group, the lane totals of count reflections on one row, pairs (at most kRowPairBatch)
// or single ones (at most kRowBatch): totals[b] gets plus re, plus im, minus re and minus im
// of each group in turn, a single reflection's as plus, each as the source's flags ask. All
// groups go through one call of one clone: a group of a few hundred sites takes too little time
// to pay for a call and a dispatch of its own.
template <bool Fused> struct RowSumsOverGroups {
    template <std::size_t Width> struct InPasses {
        [[gnu::always_inline]] static void run(const std::size_t* groupStart,
                                               std::size_t groupCount, const RowTermSource* t,
                                               std::size_t count, bool paired,
                                               double* const* totals) {
            // Up to twelve sets of lanes, totalled eight at a time.
            static_assert(2 * kRowBatch == 8 && 4 * kRowPairBatch <= 16);
            const std::size_t parts = paired ? 4 : 2;
            for (std::size_t g = 0; g < groupCount; ++g) {
                std::array<double, 16 * kLanes> sums{};
                const std::size_t first = groupStart[g], end = groupStart[g + 1];
                if (paired)
                    RowPairSums<Width, Fused>::run(t, count, first, end, sums.data());
                else
                    RowSums<Width, Fused>::run(t, count, first, end, sums.data());
                std::array<double, 16> laneTotals;
                Lanes eight;
                laneTotalsOfEight(sums.data(), eight);
                std::memcpy(laneTotals.data(), &eight, sizeof eight);
                if (parts * count > 8) {
                    laneTotalsOfEight(sums.data() + 8 * kLanes, eight);
                    std::memcpy(laneTotals.data() + 8, &eight, sizeof eight);
                }
                for (std::size_t b = 0; b < count; ++b)
                    storeRowTotals(t[b], laneTotals.data() + parts * b, parts, totals[b] + 4 * g);
            }
        }
    };
};

XTALSP_VECTOR_CLONES
void sumRowOverGroups(const std::size_t* groupStart, std::size_t groupCount, const RowTermSource* t,
                      std::size_t count, bool paired, double* const* totals) {
    if (rowSumsFuse())
        inPassesOfWidth<RowSumsOverGroups<true>::InPasses>(groupStart, groupCount, t, count, paired,
                                                           totals);
    else
        inPassesOfWidth<RowSumsOverGroups<false>::InPasses>(groupStart, groupCount, t, count,
                                                            paired, totals);
}

// The sums below add the term of site m (counted from first) to lane m mod kLanes, over a whole
// number of sets of lanes. Each term is occupancy times the product of the three axes' factors,
// turned by the difference between structureFactor()'s argument and their table phases; the
// pair's l factor of -l is the conjugate and its table phase the negated one.
XTALSP_VECTOR_CLONES
void sumTripleTerms(const TripleTermSource& t, std::size_t first, std::size_t end,
                    double* __restrict sumCos, double* __restrict sumSin) {
    Lanes c, s;
    load(c, sumCos);
    load(s, sumSin);
    for (std::size_t j = first; j < end; j += kLanes) {
        Lanes x, y, z, occupancy, xr, xi, yr, yi, zr, zi;
        load(x, t.x + j);
        load(y, t.y + j);
        load(z, t.z + j);
        load(occupancy, t.occupancy + j);
        load(xr, t.hRe + j);
        load(xi, t.hIm + j);
        load(yr, t.kRe + j);
        load(yi, t.kIm + j);
        load(zr, t.lRe + j);
        load(zi, t.lIm + j);
        const Lanes hx = t.h * x, ky = t.k * y, lz = t.l * z;
        const Lanes argument = t.twoPi * (hx + ky + lz);
        const Lanes tablePhase = ((t.twoPi * hx + kPhaseRounder) - kPhaseRounder) +
                                 ((t.twoPi * ky + kPhaseRounder) - kPhaseRounder) +
                                 ((t.twoPi * lz + kPhaseRounder) - kPhaseRounder);
        xi = t.signH * xi;
        yi = t.signK * yi;
        zi = t.signL * zi;
        const Lanes ar = xr * yr - xi * yi, ai = xr * yi + xi * yr;
        const Lanes delta = argument - tablePhase;
        const Lanes pr = ar * zr - ai * zi, pi = ar * zi + ai * zr;
        c += occupancy * (pr - delta * pi);
        s += occupancy * (pi + delta * pr);
    }
    std::memcpy(sumCos, &c, sizeof c);
    std::memcpy(sumSin, &s, sizeof s);
}

XTALSP_VECTOR_CLONES
void sumTriplePairTerms(const TripleTermSource& t, std::size_t first, std::size_t end,
                        double* __restrict plusCos, double* __restrict plusSin,
                        double* __restrict minusCos, double* __restrict minusSin) {
    Lanes pc, ps, mc, ms;
    load(pc, plusCos);
    load(ps, plusSin);
    load(mc, minusCos);
    load(ms, minusSin);
    for (std::size_t j = first; j < end; j += kLanes) {
        Lanes x, y, z, occupancy, xr, xi, yr, yi, zr, zi;
        load(x, t.x + j);
        load(y, t.y + j);
        load(z, t.z + j);
        load(occupancy, t.occupancy + j);
        load(xr, t.hRe + j);
        load(xi, t.hIm + j);
        load(yr, t.kRe + j);
        load(yi, t.kIm + j);
        load(zr, t.lRe + j);
        load(zi, t.lIm + j);
        const Lanes hx = t.h * x, ky = t.k * y, lz = t.l * z;
        const Lanes hk = hx + ky;
        const Lanes hkPhase = ((t.twoPi * hx + kPhaseRounder) - kPhaseRounder) +
                              ((t.twoPi * ky + kPhaseRounder) - kPhaseRounder);
        const Lanes lPhase = (t.twoPi * lz + kPhaseRounder) - kPhaseRounder;
        xi = t.signH * xi;
        yi = t.signK * yi;
        zi = t.signL * zi;
        const Lanes ar = xr * yr - xi * yi, ai = xr * yi + xi * yr;
        const Lanes plusDelta = t.twoPi * (hk + lz) - (hkPhase + lPhase);
        const Lanes minusDelta = t.twoPi * (hk + -lz) - (hkPhase + -lPhase);
        const Lanes plusRe = ar * zr - ai * zi, plusIm = ar * zi + ai * zr;
        const Lanes minusRe = ar * zr - ai * -zi, minusIm = ar * -zi + ai * zr;
        pc += occupancy * (plusRe - plusDelta * plusIm);
        ps += occupancy * (plusIm + plusDelta * plusRe);
        mc += occupancy * (minusRe - minusDelta * minusIm);
        ms += occupancy * (minusIm + minusDelta * minusRe);
    }
    std::memcpy(plusCos, &pc, sizeof pc);
    std::memcpy(plusSin, &ps, sizeof ps);
    std::memcpy(minusCos, &mc, sizeof mc);
    std::memcpy(minusSin, &ms, sizeof ms);
}

// The screen works in single precision, sixteen sites at a time. Each term occupancy *
// exp(2 pi i (h x + k y + l z)) comes from three rounded factors (each within sqrt(2) units of
// single roundoff of the exact one) and two complex products (each within 2 sqrt(2) units), so
// it is within 10 units of roundoff times |occupancy| of the exact term; the table phases and
// structureFactor()'s own arguments differ from the exact ones by less than 1e-9 of that.
// Each lane sums the m products of one kind (ar zr, ai zi, ar zi or ai zr) from zero, each
// product and each partial sum rounded once, and two such sums make a part of the complex
// sum: that moves by at most m + 1 units of roundoff times the sum of the products' sizes
// (and |ar zr| + |ai zi| is at most |a| |z|); totalling the lanes adds four roundings. What
// follows in double precision rounds far below these.
constexpr std::size_t kScreenLanes = 16;
constexpr double kScreenRoundoff = 0x1.0p-24;
constexpr double kScreenTermError = 16.0; // the 10 units above with room to spare
constexpr double kScreenSafety = 2.0;
// Occupancies of the screen lie within this factor of 1 (or are 0), so that no product of
// factors comes near the range where single precision loses digits to underflow.
constexpr double kScreenOccupancyRange = 0x1.0p60;

using ScreenLanes = float __attribute__((vector_size(kScreenLanes * sizeof(float))));

[[gnu::always_inline]] inline void load(ScreenLanes& lanes, const float* values) {
    std::memcpy(&lanes, values, sizeof lanes);
}

// The lanes' total in single precision, halving the lanes four times: each halving rounds
// once more, which the error bound counts as four more terms per lane.
[[gnu::always_inline]] inline double screenLaneTotal(const ScreenLanes& lanes) {
    using Eight = float __attribute__((vector_size(8 * sizeof(float))));
    using Four = float __attribute__((vector_size(4 * sizeof(float))));
    Eight low, high;
    std::memcpy(&low, &lanes, sizeof low);
    std::memcpy(&high, reinterpret_cast<const char*>(&lanes) + sizeof low, sizeof high);
    const Eight eight = low + high;
    Four a, b;
    std::memcpy(&a, &eight, sizeof a);
    std::memcpy(&b, reinterpret_cast<const char*>(&eight) + sizeof a, sizeof b);
    const Four four = a + b;
    return static_cast<double>((four[0] + four[2]) + (four[1] + four[3]));
}

// out = a * b over count sites (a whole number of lanes); a negative sign conjugates a factor.
XTALSP_VECTOR_CLONES
void screenProducts(const float* aRe, const float* aIm, float signA, const float* bRe,
                    const float* bIm, float signB, std::size_t count, float* __restrict outRe,
                    float* __restrict outIm) {
    for (std::size_t j = 0; j < count; j += kScreenLanes) {
        ScreenLanes ar, ai, br, bi;
        load(ar, aRe + j);
        load(ai, aIm + j);
        load(br, bRe + j);
        load(bi, bIm + j);
        ai = signA * ai;
        bi = signB * bi;
        const ScreenLanes re = ar * br - ai * bi, im = ar * bi + ai * br;
        std::memcpy(outRe + j, &re, sizeof re);
        std::memcpy(outIm + j, &im, sizeof im);
    }
}

// The four products of a and z summed apart over one group's sites (whole sets of lanes):
// short chains of additions, combined by the callers.
struct ScreenProductSums {
    ScreenLanes rr{}, ii{}, ri{}, ir{};
};

// Each lane of the sums gets the products of the same sites in the same order at every pass
// width.
template <typename Vector>
[[gnu::always_inline]] inline void
addScreenProductsIn(const float* aRe, const float* aIm, const float* zRe, const float* zIm,
                    std::size_t first, std::size_t end, ScreenProductSums& sums) {
    for (std::size_t offset = 0; offset < kScreenLanes; offset += sizeof(Vector) / sizeof(float)) {
        Vector rr{}, ii{}, ri{}, ir{};
        for (std::size_t j = first + offset; j < end; j += kScreenLanes) {
            Vector ar, ai, zr, zi;
            std::memcpy(&ar, aRe + j, sizeof ar);
            std::memcpy(&ai, aIm + j, sizeof ai);
            std::memcpy(&zr, zRe + j, sizeof zr);
            std::memcpy(&zi, zIm + j, sizeof zi);
            rr += ar * zr;
            ii += ai * zi;
            ri += ar * zi;
            ir += ai * zr;
        }
        const std::array<std::pair<ScreenLanes*, const Vector*>, 4> parts{
            {{&sums.rr, &rr}, {&sums.ii, &ii}, {&sums.ri, &ri}, {&sums.ir, &ir}}};
        for (const auto& [total, pass] : parts)
            std::memcpy(reinterpret_cast<char*>(total) + offset * sizeof(float), pass,
                        sizeof(Vector));
    }
}

template <std::size_t Width> struct ScreenProducts {
    [[gnu::always_inline]] static void run(const float* aRe, const float* aIm, const float* zRe,
                                           const float* zIm, std::size_t first, std::size_t end,
                                           ScreenProductSums& sums) {
        addScreenProductsIn<typename PassLanes<Width>::floats>(aRe, aIm, zRe, zIm, first, end,
                                                               sums);
    }
};

// The sums of a * z, or of a * conj(z), over each group's sites, totalled.
XTALSP_VECTOR_CLONES
void screenGroupSums(const float* aRe, const float* aIm, const float* zRe, const float* zIm,
                     bool conjugateZ, const std::size_t* groupStart, std::size_t groupCount,
                     double* __restrict sumRe, double* __restrict sumIm) {
    for (std::size_t g = 0; g < groupCount; ++g) {
        ScreenProductSums p;
        inPassesOfWidth<ScreenProducts>(aRe, aIm, zRe, zIm, groupStart[g], groupStart[g + 1], p);
        sumRe[g] = screenLaneTotal(conjugateZ ? p.rr + p.ii : p.rr - p.ii);
        sumIm[g] = screenLaneTotal(conjugateZ ? p.ir - p.ri : p.ri + p.ir);
    }
}

// The sums of a * z and of a * conj(z) at once.
XTALSP_VECTOR_CLONES
void screenPairGroupSums(const float* aRe, const float* aIm, const float* zRe, const float* zIm,
                         const std::size_t* groupStart, std::size_t groupCount,
                         double* __restrict plusRe, double* __restrict plusIm,
                         double* __restrict minusRe, double* __restrict minusIm) {
    for (std::size_t g = 0; g < groupCount; ++g) {
        ScreenProductSums p;
        inPassesOfWidth<ScreenProducts>(aRe, aIm, zRe, zIm, groupStart[g], groupStart[g + 1], p);
        plusRe[g] = screenLaneTotal(p.rr - p.ii);
        plusIm[g] = screenLaneTotal(p.ri + p.ir);
        minusRe[g] = screenLaneTotal(p.rr + p.ii);
        minusIm[g] = screenLaneTotal(p.ir - p.ri);
    }
}

} // namespace

PhaseFactorTables::PhaseFactorTables(const std::vector<ElementGroup>& groups, int hMax, int kMax,
                                     int lMax, int threadCount)
    : m_groups(&groups) {
    m_groupStart.push_back(0);
    for (const ElementGroup& group : groups) {
        double sum = 0.0;
        double squareSum = 0.0;
        for (const SitePosition& site : group.sites) {
            addSite(site.x, site.y, site.z, site.occupancy);
            sum += std::fabs(site.occupancy);
            squareSum += site.occupancy * site.occupancy;
        }
        // Sites of occupancy zero at the origin fill the group to whole sets of lanes: their
        // terms are zeros, and the lane sums run over whole sets, each group's first one aligned.
        while ((m_x.size() - m_groupStart.back()) % kLanes != 0)
            addSite(0.0, 0.0, 0.0, 0.0);
        m_siteCount.push_back(group.sites.size());
        m_groupStart.push_back(m_x.size());
        m_occupancySum.push_back(sum);
        m_occupancySquareSum.push_back(squareSum);
    }
    m_h.maxIndex = hMax;
    m_k.maxIndex = kMax;
    m_l.maxIndex = lMax;
    if (!fitsTables())
        return;
    try {
        fillTables(threadCount);
        m_usable = true;
    } catch (const std::bad_alloc&) {
        // Without the tables every reflection is evaluated directly: slower, not wrong.
        m_h = m_k = m_l = Axis{};
        m_hScreen = m_kScreen = m_lScreen = ScreenAxis{};
        m_screenable = false;
    }
}

void PhaseFactorTables::addSite(double x, double y, double z, double occupancy) {
    m_x.push_back(x);
    m_y.push_back(y);
    m_z.push_back(z);
    m_occupancy.push_back(occupancy);
}

bool PhaseFactorTables::suitsScreen() const {
    return std::all_of(m_occupancy.begin(), m_occupancy.end(), [](double occupancy) {
        const double size = std::fabs(occupancy);
        return size == 0.0 ||
               (size >= 1.0 / kScreenOccupancyRange && size <= kScreenOccupancyRange);
    });
}

// The screen's layout and blocks; false, with no screen, where there is no room for them:
// every harmonic then goes to the double-precision sums.
bool PhaseFactorTables::allocateScreenAxes() {
    const std::size_t groupCount = m_groupStart.size() - 1;
    m_screenGroupStart.assign(1, 0);
    m_screenErrorScale.clear();
    for (std::size_t g = 0; g < groupCount; ++g) {
        const std::size_t termsPerLane = (m_siteCount[g] + kScreenLanes - 1) / kScreenLanes;
        m_screenGroupStart.push_back(m_screenGroupStart.back() + termsPerLane * kScreenLanes);
        // Per product: its own rounding, the lane's additions, the combination with the other
        // kind and the four totalling the lanes, with one to spare.
        const double termErrors = kScreenTermError + static_cast<double>(termsPerLane + 6);
        m_screenErrorScale.push_back(kScreenSafety * std::sqrt(2.0) * termErrors * kScreenRoundoff *
                                     m_occupancySum[g]);
    }
    m_screenSiteCount = m_screenGroupStart.back();
    try {
        for (const auto& [screen, axis] : {std::pair{&m_hScreen, &m_h}, std::pair{&m_kScreen, &m_k},
                                           std::pair{&m_lScreen, &m_l}}) {
            const std::size_t size =
                static_cast<std::size_t>(axis->maxIndex + 1) * m_screenSiteCount;
            screen->re.resize(size);
            screen->im.resize(size);
        }
    } catch (const std::bad_alloc&) {
        m_hScreen = m_kScreen = m_lScreen = ScreenAxis{};
        return false;
    }
    return true;
}

// Row m of a screen axis from the same row of its double-precision axis, each group's padding
// zero.
void PhaseFactorTables::fillScreenRow(ScreenAxis& screen, const Axis& axis, int m,
                                      bool withOccupancy) const {
    const std::size_t siteCount = m_x.size();
    const std::size_t from = row(m, siteCount), to = row(m, m_screenSiteCount);
    for (std::size_t g = 0; g + 1 < m_groupStart.size(); ++g) {
        std::size_t at = to + m_screenGroupStart[g];
        for (std::size_t j = m_groupStart[g]; j < m_groupStart[g] + m_siteCount[g]; ++j, ++at) {
            const double scale = withOccupancy ? m_occupancy[j] : 1.0;
            screen.re[at] = static_cast<float>(scale * axis.re[from + j]);
            screen.im[at] = static_cast<float>(scale * axis.im[from + j]);
        }
        for (; at < to + m_screenGroupStart[g + 1]; ++at)
            screen.re[at] = screen.im[at] = 0.0F;
    }
}

bool PhaseFactorTables::fitsTables() const {
    const std::size_t siteCount = m_x.size();
    for (const int maxIndex : {m_h.maxIndex, m_k.maxIndex, m_l.maxIndex})
        if (maxIndex < 0 || maxIndex > kLargestIndex)
            return false;
    if (siteCount == 0)
        return false;
    const auto rows = static_cast<std::size_t>(m_h.maxIndex + m_k.maxIndex + m_l.maxIndex + 3);
    if (siteCount > kMaxTableEntries / (2 * rows))
        return false;
    for (const std::vector<double>* coordinates : {&m_x, &m_y, &m_z})
        for (const double c : *coordinates)
            if (!(std::fabs(c) <= kLargestCoordinate))
                return false;
    return true;
}

namespace {

// Runs fill(part, parts) for every part of threadCount, each on a thread of its own where one
// can be started and the rest on this one; the first failure is rethrown here.
template <typename Fill> void fillInParts(int threadCount, const Fill& fill) {
    const int parts = std::max(threadCount, 1);
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(parts));
    std::vector<std::jthread> helpers;
    int started = 1;
    try {
        for (; started < parts; ++started)
            helpers.emplace_back([&fill, &failures, part = started, parts] {
                try {
                    fill(part, parts);
                } catch (...) {
                    failures[static_cast<std::size_t>(part)] = std::current_exception();
                }
            });
    } catch (const std::system_error&) {
        // The parts no thread took are filled here.
    }
    for (int part = started; part < parts; ++part)
        fill(part, parts);
    fill(0, parts);
    helpers.clear(); // joins
    for (const std::exception_ptr& failure : failures)
        if (failure)
            std::rethrow_exception(failure);
}

} // namespace

// Every walk waits for the tables, so all its threads fill them, each every parts-th row of
// every axis. The blocks are not written before: each thread gives the pages of its own rows
// their first touch.
void PhaseFactorTables::fillTables(int threadCount) {
    const std::size_t siteCount = m_x.size();
    for (Axis* axis : {&m_h, &m_k, &m_l}) {
        const std::size_t size = static_cast<std::size_t>(axis->maxIndex + 1) * siteCount;
        axis->re.resize(size);
        axis->im.resize(size);
    }
    m_screenable = suitsScreen() && allocateScreenAxes();
    if (m_screenable) {
        const auto rows = static_cast<std::size_t>(m_h.maxIndex + m_k.maxIndex + m_l.maxIndex + 3);
        m_screenRowMade = std::make_unique<std::atomic<bool>[]>(rows);
    }
    const std::array<std::pair<Axis*, const std::vector<double>*>, 3> axes{
        {{&m_h, &m_x}, {&m_k, &m_y}, {&m_l, &m_z}}};
    fillInParts(threadCount, [&](int part, int parts) {
        for (const auto& [axis, coordinate] : axes)
            for (int m = part; m <= axis->maxIndex; m += parts)
                fillAxisRow(*axis, *coordinate, m);
    });
}

void PhaseFactorTables::makeScreenRow(std::size_t axis, int index) const {
    const int m = std::abs(index);
    const std::array<int, 3> firstRow{0, m_h.maxIndex + 1, m_h.maxIndex + m_k.maxIndex + 2};
    std::atomic<bool>& made = m_screenRowMade[static_cast<std::size_t>(firstRow[axis] + m)];
    if (made.load(std::memory_order_acquire))
        return;
    const std::lock_guard<std::mutex> lock(m_screenRowMutex);
    if (made.load(std::memory_order_relaxed))
        return;
    const std::array<std::pair<ScreenAxis*, const Axis*>, 3> screens{
        {{&m_hScreen, &m_h}, {&m_kScreen, &m_k}, {&m_lScreen, &m_l}}};
    fillScreenRow(*screens[axis].first, *screens[axis].second, m, axis == 0);
    made.store(true, std::memory_order_release);
}

void PhaseFactorTables::fillAxisRow(Axis& axis, const std::vector<double>& coordinate,
                                    int m) const {
    const std::size_t siteCount = coordinate.size();
    const std::size_t start = row(m, siteCount);
    const double twoPiValue = twoPi();
    for (std::size_t j = 0; j < siteCount; ++j) {
        const double phase = tablePhaseOf(twoPiValue, m * coordinate[j]);
        axis.re[start + j] = std::cos(phase);
        axis.im[start + j] = std::sin(phase);
    }
}

void chooseRowSumFusion(std::optional<bool> fused) {
    chosenFusion = !fused ? Fusion::Processor : *fused ? Fusion::Fused : Fusion::Separate;
}

void chooseRowPassWidth(std::size_t width) {
    chosenPassWidth = width == 8 || width == 4 || width == 2 ? width : 0;
}

bool PhaseFactorTables::covers(int h, int k, int l) const {
    return m_usable && std::abs(h) <= m_h.maxIndex && std::abs(k) <= m_k.maxIndex &&
           std::abs(l) <= m_l.maxIndex;
}

namespace {

std::vector<int> elementsOf(const std::vector<ElementGroup>& groups) {
    std::vector<int> elements;
    for (const ElementGroup& group : groups)
        elements.push_back(group.element);
    return elements;
}

} // namespace

FastStructureFactor::FastStructureFactor(const PhaseFactorTables& tables)
    : m_tables(tables), m_factorSet(elementsOf(tables.groups())),
      m_scattering(tables.groups().size(), 0.0), m_scatteringSpread(tables.groups().size(), 0.0),
      m_recentScattering(2 * kRecentScattering * tables.groups().size(), 0.0) {
    m_recentS2.fill(std::numeric_limits<double>::quiet_NaN());
    // Each rounding in a sum of n terms moves it by at most n units of roundoff of its size.
    const auto terms = static_cast<double>(tables.m_x.size() + m_scattering.size() + 8);
    m_boundMargin = 1.0 + 8.0 * kRoundoff * terms;
}

double FastStructureFactor::setScattering(double s2) {
    useScattering(s2);
    double amplitude = 0.0;
    m_typicalSquared = 0.0;
    for (std::size_t g = 0; g < m_scattering.size(); ++g) {
        const double f = m_scattering[g];
        amplitude += std::fabs(f) * m_tables.m_occupancySum[g];
        m_typicalSquared += f * f * m_tables.m_occupancySquareSum[g];
    }
    return amplitude * amplitude * m_boundMargin;
}

void FastStructureFactor::useScattering(double s2) {
    m_s2 = s2;
    m_deviationsKnown = false;
    const double* factors = scatteringAt(s2);
    const std::size_t groupCount = m_scattering.size();
    std::copy(factors, factors + groupCount, m_scattering.begin());
    std::copy(factors + groupCount, factors + 2 * groupCount, m_scatteringSpread.begin());
    notePlannedScattering(s2, factors);
}

// A plan asks for the same factors in the same order as the walk after it. The sign variants
// of a triple often have bit for bit the same s2, and the screen asks for the partner's
// factors before the partner itself: the latest few s2 are kept.
const double* FastStructureFactor::scatteringAt(double s2) {
    if (const double* planned = plannedScattering(s2))
        return planned;
    const std::size_t entrySize = 2 * m_scattering.size();
    for (std::size_t e = 0; e < kRecentScattering; ++e)
        if (m_recentS2[e] == s2)
            return m_recentScattering.data() + e * entrySize;
    const std::size_t slot = m_nextRecent;
    m_nextRecent = (m_nextRecent + 1) % kRecentScattering;
    m_recentS2[slot] = s2;
    double* factors = m_recentScattering.data() + slot * entrySize;
    m_factorSet.evaluate(s2, factors, factors + m_scattering.size());
    return factors;
}

FastStructureFactor::Amplitude FastStructureFactor::evaluate(int h, int k, int l) {
    if (m_planning == Planning::Noting)
        return {};
    if (!m_tables.covers(h, k, l))
        return evaluateDirectly(h, k, l);
    const TripleTermSource source = tripleSource(h, k, l);
    const auto sumTerms = [&source](std::size_t first, std::size_t end, double* sumCos,
                                    double* sumSin) {
        sumTripleTerms(source, first, end, sumCos, sumSin);
    };
    return amplitudeFrom(
        sumOverGroups(m_tables.m_groupStart, m_scattering, m_scatteringSpread, sumTerms));
}

// A negative index takes the complex conjugate and the negated phase of its row.
TripleTermSource FastStructureFactor::tripleSource(int h, int k, int l) const {
    const PhaseFactorTables& t = m_tables;
    const std::size_t siteCount = t.m_x.size();
    const std::size_t rowH = row(h, siteCount), rowK = row(k, siteCount), rowL = row(l, siteCount);
    return {t.m_x.data(),
            t.m_y.data(),
            t.m_z.data(),
            t.m_occupancy.data(),
            t.m_h.re.data() + rowH,
            t.m_h.im.data() + rowH,
            t.m_k.re.data() + rowK,
            t.m_k.im.data() + rowK,
            t.m_l.re.data() + rowL,
            t.m_l.im.data() + rowL,
            static_cast<double>(h),
            static_cast<double>(k),
            static_cast<double>(l),
            sign(h),
            sign(k),
            sign(l),
            twoPi()};
}

FastStructureFactor::Amplitude FastStructureFactor::evaluateInRow(int h, int k, int l) {
    if (!m_tables.covers(h, k, l))
        return m_planning == Planning::Noting ? Amplitude{} : evaluateDirectly(h, k, l);
    const double* totals = rowTotals({h, k, l, false});
    return totals ? amplitudeOfTotals(totals, 0) : Amplitude{};
}

// The sums of a call from a cached row: noted while a plan is made (null then), taken from
// the plan afterwards, and made on the spot without a plan or where the call differs from it.
const double* FastStructureFactor::rowTotals(const PlannedSums& call) {
    if (m_planning == Planning::Noting) {
        m_planned.push_back(call);
        return nullptr;
    }
    if (const double* planned = takePlanned(call))
        return planned;
    m_rowTotals.resize(4 * m_scattering.size());
    const RowTermSource source =
        rowSource(rowFor(call.h, call.k), call.h, call.k, call.l, call.paired);
    double* const out[] = {m_rowTotals.data()};
    sumRowOverGroups(m_tables.m_groupStart.data(), m_tables.m_groupStart.size() - 1, &source, 1,
                     call.paired, out);
    return m_rowTotals.data();
}

// The row was made for (h k) or for (-h -k). The sums of (h k l) are the conjugates of those of
// (-h -k -l), bit for bit, as every term of one is the negated-sine term of the other. A pair
// with l < 0 is the row's pair with -l, plus and minus exchanged. The kernels thus take the
// row's factors as they are, and a pair's l factors as well.
RowTermSource FastStructureFactor::rowSource(const Row& cached, int h, int k, int l,
                                             bool paired) const {
    const PhaseFactorTables& t = m_tables;
    const bool conjugate = cached.h != h || cached.k != k;
    const int rowsL = conjugate ? -l : l;
    const bool swapped = paired && rowsL < 0;
    const int summedL = swapped ? -rowsL : rowsL;
    const std::size_t rowL = row(summedL, t.m_x.size());
    return {cached.re.data(),
            cached.im.data(),
            cached.phase.data(),
            cached.hk.data(),
            t.m_z.data(),
            t.m_l.re.data() + rowL,
            t.m_l.im.data() + rowL,
            static_cast<double>(summedL),
            twoPi(),
            summedL < 0 ? kSignBit : 0,
            conjugate,
            swapped};
}

void FastStructureFactor::pairedGroupSums(int h, int k, int l, bool inRow, GroupSums& plus,
                                          GroupSums& minus) {
    const PhaseFactorTables& t = m_tables;
    const std::size_t groupCount = t.m_groupStart.size() - 1;
    for (GroupSums* sums : {&plus, &minus}) {
        sums->re.resize(groupCount);
        sums->im.resize(groupCount);
    }
    if (inRow) {
        const double* totals = rowTotals({h, k, l, true});
        if (totals == nullptr)
            return;
        for (std::size_t g = 0; g < groupCount; ++g) {
            plus.re[g] = totals[4 * g];
            plus.im[g] = totals[4 * g + 1];
            minus.re[g] = totals[4 * g + 2];
            minus.im[g] = totals[4 * g + 3];
        }
        return;
    }
    if (m_planning == Planning::Noting)
        return;
    const TripleTermSource source = tripleSource(h, k, l);
    sumPairOverGroups(
        t.m_groupStart,
        [&source](std::size_t first, std::size_t end, double* pc, double* ps, double* mc,
                  double* ms) { sumTriplePairTerms(source, first, end, pc, ps, mc, ms); },
        plus, minus);
}

void FastStructureFactor::beginPlan() {
    m_planning = Planning::Noting;
    m_planned.clear();
    m_plannedS2.clear();
    m_plannedScattering.clear();
}

// Sorted by row, kind and l, the planned sums of each row go through the kernels in batches:
// pairs two at a time, single reflections four at a time.
void FastStructureFactor::runPlan() {
    const std::size_t groupCount = m_tables.m_groupStart.size() - 1;
    m_plannedTotals.resize(m_planned.size() * 4 * groupCount);
    batchPlan();
    for (const PlannedBatch& batch : m_planBatches) {
        const PlannedSums& lead = m_planned[m_planOrder[batch.first].second];
        const Row& cached = rowFor(lead.h, lead.k);
        std::array<RowTermSource, std::max(kRowBatch, kRowPairBatch)> sources;
        std::array<double*, std::max(kRowBatch, kRowPairBatch)> totals{};
        for (std::size_t b = 0; b < batch.count; ++b) {
            const std::size_t entry = m_planOrder[batch.first + b].second;
            sources[b] = rowSource(cached, lead.h, lead.k, m_planned[entry].l, lead.paired);
            totals[b] = m_plannedTotals.data() + entry * 4 * groupCount;
        }
        sumRowOverGroups(m_tables.m_groupStart.data(), groupCount, sources.data(), batch.count,
                         lead.paired, totals.data());
    }
    m_planning = Planning::Taking;
    m_nextPlanned = 0;
    m_nextPlannedScattering = 0;
}

namespace {

// A planned call's place in the order of batchPlan(): by h, k, kind, |l| and l, packed in one
// number that sorts as they do. Indices stay far below 2^15 in size (the tables end at 999).
constexpr int kPlanKeyLBits = 31;
std::uint64_t planKeyField(int index) {
    return static_cast<std::uint64_t>(index + 0x8000);
}

} // namespace

std::uint64_t FastStructureFactor::planKey(const PlannedSums& call) {
    return planKeyField(call.h) << 48 | planKeyField(call.k) << 32 |
           std::uint64_t{call.paired} << kPlanKeyLBits |
           static_cast<std::uint64_t>(std::abs(call.l)) << 16 | planKeyField(call.l);
}

// A pass streams the third axis's factors of its values of l through the caches: the whole
// axis is several megabytes for a large cell, far more than the caches keep. Where the plan's
// rows stay cached together, the batches therefore go in order of |l| across the rows, so that
// a factor row loaded for one row's batch serves the other rows' batches of the same |l| too.
void FastStructureFactor::batchPlan() {
    m_planOrder.resize(m_planned.size());
    for (std::size_t call = 0; call < m_planned.size(); ++call)
        m_planOrder[call] = {planKey(m_planned[call]), call};
    std::sort(m_planOrder.begin(), m_planOrder.end());
    m_planBatches.clear();
    std::size_t runs = 0; // of one row and kind
    for (std::size_t first = 0; first < m_planOrder.size(); ++runs) {
        const std::uint64_t rowAndKind = m_planOrder[first].first >> kPlanKeyLBits;
        std::size_t end = first;
        while (end < m_planOrder.size() && m_planOrder[end].first >> kPlanKeyLBits == rowAndKind)
            ++end;
        const bool paired = m_planned[m_planOrder[first].second].paired;
        const std::size_t batchSize = paired ? kRowPairBatch : kRowBatch;
        for (std::size_t batch = first; batch < end; batch += batchSize)
            m_planBatches.push_back({batch, std::min(batchSize, end - batch),
                                     std::abs(m_planned[m_planOrder[batch].second].l)});
        first = end;
    }
    // Half the row cache leaves room for rows the plan did not foresee.
    if (runs <= m_rows.size() / 2)
        std::stable_sort(
            m_planBatches.begin(), m_planBatches.end(),
            [](const PlannedBatch& a, const PlannedBatch& b) { return a.absL < b.absL; });
}

void FastStructureFactor::endPlan() {
    m_planning = Planning::Off;
    m_planned.clear();
}

// The walk asks for some of the factors its plan asked for, in the same order: those passed
// over were the plan's own.
const double* FastStructureFactor::plannedScattering(double s2) {
    if (m_planning != Planning::Taking)
        return nullptr;
    for (std::size_t next = m_nextPlannedScattering; next < m_plannedS2.size(); ++next) {
        if (m_plannedS2[next] == s2) {
            m_nextPlannedScattering = next + 1;
            return m_plannedScattering.data() + 2 * m_scattering.size() * next;
        }
    }
    return nullptr;
}

void FastStructureFactor::notePlannedScattering(double s2, const double* factors) {
    if (m_planning != Planning::Noting)
        return;
    m_plannedS2.push_back(s2);
    m_plannedScattering.insert(m_plannedScattering.end(), factors,
                               factors + 2 * m_scattering.size());
}

// The totals of the next planned sums, if the call asks for them; otherwise the call makes
// its own sums, as without a plan.
const double* FastStructureFactor::takePlanned(const PlannedSums& call) {
    if (m_planning != Planning::Taking || m_nextPlanned >= m_planned.size())
        return nullptr;
    const PlannedSums& next = m_planned[m_nextPlanned];
    if (next.h != call.h || next.k != call.k || next.l != call.l || next.paired != call.paired)
        return nullptr;
    const std::size_t groupCount = m_tables.m_groupStart.size() - 1;
    return m_plannedTotals.data() + 4 * groupCount * m_nextPlanned++;
}

namespace {

// F from the groups' sums, sumOf(g) giving group g's: combined in sumOverGroups' order, so the
// result is the single evaluation's.
template <typename SumOf>
GroupCombination combinedGroups(const std::vector<double>& scattering,
                                const std::vector<double>& spreads, const SumOf& sumOf) {
    GroupCombination combined;
    for (std::size_t g = 0; g < scattering.size(); ++g) {
        const std::array<double, 2> sum = sumOf(g);
        combined.add(scattering[g], spreads[g], sum[0], sum[1]);
    }
    return combined;
}

} // namespace

FastStructureFactor::Amplitude FastStructureFactor::amplitudeOf(const GroupSums& sums) const {
    if (m_planning == Planning::Noting)
        return {}; // the sums are not made yet
    return amplitudeFrom(combinedGroups(m_scattering, m_scatteringSpread, [&sums](std::size_t g) {
        return std::array<double, 2>{sums.re[g], sums.im[g]};
    }));
}

// The part-th of plus re, plus im, minus re, minus im per group: 0 for plus, 2 for minus.
FastStructureFactor::Amplitude FastStructureFactor::amplitudeOfTotals(const double* totals,
                                                                      std::size_t part) const {
    return amplitudeFrom(
        combinedGroups(m_scattering, m_scatteringSpread, [totals, part](std::size_t g) {
            return std::array<double, 2>{totals[4 * g + part], totals[4 * g + part + 1]};
        }));
}

namespace {

// The slot holding (h k) or its conjugate (-h -k), or else the least recently used one, whose
// `filled` the caller finds false or holding another row.
template <typename Slot, std::size_t N>
Slot& rowSlot(std::array<Slot, N>& slots, int h, int k, std::uint64_t& clock) {
    Slot* oldest = &slots[0];
    for (Slot& slot : slots) {
        if (slot.filled && ((slot.h == h && slot.k == k) || (slot.h == -h && slot.k == -k))) {
            slot.lastUse = ++clock;
            return slot;
        }
        if (!slot.filled || slot.lastUse < oldest->lastUse)
            oldest = &slot;
        if (!oldest->filled)
            break;
    }
    oldest->filled = false;
    oldest->lastUse = ++clock;
    return *oldest;
}

} // namespace

FastStructureFactor::Row& FastStructureFactor::rowFor(int h, int k) {
    Row& fresh = rowSlot(m_rows, h, k, m_rowClock);
    if (fresh.filled)
        return fresh;
    const std::size_t siteCount = m_tables.m_x.size();
    fresh.re.resize(siteCount);
    fresh.im.resize(siteCount);
    fresh.phase.resize(siteCount);
    fresh.hk.resize(siteCount);
    fillRow(tripleSource(h, k, 0), siteCount, fresh.re.data(), fresh.im.data(), fresh.phase.data(),
            fresh.hk.data());
    fresh.h = h;
    fresh.k = k;
    fresh.filled = true;
    return fresh;
}

void FastStructureFactor::fillScreenRow(ScreenRow& fresh, int h, int k) const {
    const PhaseFactorTables& t = m_tables;
    t.makeScreenRow(0, h);
    t.makeScreenRow(1, k);
    const std::size_t siteCount = t.m_screenSiteCount;
    const std::size_t rowH = row(h, siteCount), rowK = row(k, siteCount);
    fresh.re.resize(siteCount);
    fresh.im.resize(siteCount);
    screenProducts(t.m_hScreen.re.data() + rowH, t.m_hScreen.im.data() + rowH,
                   static_cast<float>(sign(h)), t.m_kScreen.re.data() + rowK,
                   t.m_kScreen.im.data() + rowK, static_cast<float>(sign(k)), siteCount,
                   fresh.re.data(), fresh.im.data());
    fresh.h = h;
    fresh.k = k;
    fresh.filled = true;
}

// The screen's rows are made the same way whichever slot holds them, so keeping them changes
// nothing but the time.
const FastStructureFactor::ScreenRow& FastStructureFactor::screenRowFor(int h, int k) {
    ScreenRow& slot = rowSlot(m_screenRows, h, k, m_rowClock);
    if (!slot.filled)
        fillScreenRow(slot, h, k);
    return slot;
}

// The row may be the conjugate one of (-h -k): the sums of conj(a) z are the conjugates of
// those of a conj(z).
void FastStructureFactor::screenGroupSums(int h, int k, int l, GroupSums& sums) {
    const PhaseFactorTables& t = m_tables;
    const ScreenRow& cached = screenRowFor(h, k);
    const bool conjugateRow = cached.h != h || cached.k != k;
    t.makeScreenRow(2, l);
    const std::size_t rowL = row(l, t.m_screenSiteCount);
    const std::size_t groupCount = m_scattering.size();
    sums.re.resize(groupCount);
    sums.im.resize(groupCount);
    xtalsp::screenGroupSums(cached.re.data(), cached.im.data(), t.m_lScreen.re.data() + rowL,
                            t.m_lScreen.im.data() + rowL, (l < 0) != conjugateRow,
                            t.m_screenGroupStart.data(), groupCount, sums.re.data(),
                            sums.im.data());
    if (conjugateRow)
        for (double& im : sums.im)
            im = -im;
}

void FastStructureFactor::screenPairedGroupSums(int h, int k, int l, GroupSums& plus,
                                                GroupSums& minus) {
    const PhaseFactorTables& t = m_tables;
    const ScreenRow& cached = screenRowFor(h, k);
    const bool conjugateRow = cached.h != h || cached.k != k;
    t.makeScreenRow(2, l);
    const std::size_t rowL = row(l, t.m_screenSiteCount);
    const std::size_t groupCount = m_scattering.size();
    for (GroupSums* sums : {&plus, &minus}) {
        sums->re.resize(groupCount);
        sums->im.resize(groupCount);
    }
    // The kernel's first sums are those with the table's factor of |l|; with l < 0 or a
    // conjugate row they belong to the other reflection of the pair.
    GroupSums& withFactor = (l < 0) != conjugateRow ? minus : plus;
    GroupSums& withConjugate = (l < 0) != conjugateRow ? plus : minus;
    screenPairGroupSums(cached.re.data(), cached.im.data(), t.m_lScreen.re.data() + rowL,
                        t.m_lScreen.im.data() + rowL, t.m_screenGroupStart.data(), groupCount,
                        withFactor.re.data(), withFactor.im.data(), withConjugate.re.data(),
                        withConjugate.im.data());
    if (conjugateRow)
        for (GroupSums* sums : {&plus, &minus})
            for (double& im : sums->im)
                im = -im;
}

double FastStructureFactor::screenCeiling(const GroupSums& sums) const {
    return screenCeilingWith(sums, m_scattering.data());
}

double FastStructureFactor::screenCeilingAt(const GroupSums& sums, double s2) {
    return screenCeilingWith(sums, scatteringAt(s2));
}

std::array<double, 2> FastStructureFactor::screenAmplitude(const GroupSums& sums,
                                                           const double* scattering) const {
    double re = 0.0;
    double im = 0.0;
    double error = 0.0;
    for (std::size_t g = 0; g < sums.re.size(); ++g) {
        re += scattering[g] * sums.re[g];
        im += scattering[g] * sums.im[g];
        error += std::fabs(scattering[g]) * m_tables.m_screenErrorScale[g];
    }
    return {std::sqrt(re * re + im * im), error};
}

double FastStructureFactor::screenCeilingWith(const GroupSums& sums,
                                              const double* scattering) const {
    const std::array<double, 2> amplitude = screenAmplitude(sums, scattering);
    const double ceiling = amplitude[0] + amplitude[1];
    return ceiling * ceiling * m_boundMargin;
}

double FastStructureFactor::screenFloor(const GroupSums& sums) const {
    const std::array<double, 2> amplitude = screenAmplitude(sums, m_scattering.data());
    const double floor = std::max(amplitude[0] - amplitude[1], 0.0);
    return floor * floor / m_boundMargin;
}

// Besides the terms' and the sums' rounding, F moves by each group's sum times its factor's
// deviation from scatteringFactor()'s: at most kScatteringFactorDeviation roundoffs of the
// factor's spread, and kScatteringFactorSpread on average, as which it enters the estimate.
FastStructureFactor::Amplitude FastStructureFactor::withErrors(std::complex<double> f,
                                                               double spreadBound,
                                                               double spreadSquares) const {
    const double squared = std::norm(f);
    // |F|^2 moves by twice the relative deviation of F. A nearly extinct reflection, whose
    // terms cancel, gets a large relative error; one that is not finite gets NaN.
    const Deviations& deviation = deviations();
    constexpr double kFactorSpread = kScatteringFactorSpread * kRoundoff;
    const double confident =
        2.0 * kConfidence *
        std::sqrt(deviation.variance + kFactorSpread * kFactorSpread * spreadSquares);
    const double amplitude = std::sqrt(squared);
    const double ceiling =
        amplitude + deviation.largest + kScatteringFactorDeviation * kRoundoff * spreadBound;
    return {squared, confident / amplitude, ceiling * ceiling * m_boundMargin};
}

const FastStructureFactor::Deviations& FastStructureFactor::deviations() const {
    if (!m_deviationsKnown) {
        m_deviations = {estimatedDeviationSquared(), largestDeviation()};
        m_deviationsKnown = true;
    }
    return m_deviations;
}

FastStructureFactor::Amplitude FastStructureFactor::evaluateDirectly(int h, int k, int l) const {
    const double squared = std::norm(structureFactor(h, k, l, m_s2, m_tables.groups()));
    return {squared, 0.0, squared};
}

// Each atom's term deviates by at most kTermError roundoffs of its size, and the sums of the
// two evaluations round apart by about kSumError roundoffs of a term per term summed. With
// the atoms' errors independent, the deviation of F has this variance.
double FastStructureFactor::estimatedDeviationSquared() const {
    const PhaseFactorTables& t = m_tables;
    double variance = 0.0;
    for (std::size_t g = 0; g < m_scattering.size(); ++g) {
        const auto siteCount = static_cast<double>(t.m_siteCount[g]);
        const double f = m_scattering[g];
        variance += f * f * t.m_occupancySquareSum[g] *
                    (kTermError * kTermError + kSumError * kSumError * siteCount);
    }
    return variance * kRoundoff * kRoundoff;
}

// The same deviation without the assumption of independence: every term off by kWorstTermError
// roundoffs in the same direction, and each sum off by the worst rounding of each addition.
double FastStructureFactor::largestDeviation() const {
    const PhaseFactorTables& t = m_tables;
    const auto groupCount = static_cast<double>(m_scattering.size());
    double deviation = 0.0;
    for (std::size_t g = 0; g < m_scattering.size(); ++g) {
        const auto siteCount = static_cast<double>(t.m_siteCount[g]);
        deviation += std::fabs(m_scattering[g]) * t.m_occupancySum[g] *
                     (kWorstTermError + 2.0 * (siteCount + groupCount));
    }
    return deviation * kRoundoff;
}

} // namespace xtalsp
