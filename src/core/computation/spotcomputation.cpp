// The Laue spot walk over all index triples within the limits: the straightforward walk and
// the fast one that shares the enumeration and geometry with it.
#include "core/computation/spotcomputation.h"

#include "core/computation/geometry.h"
#include "core/computation/intensity.h"
#include "core/computation/structurefactortables.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <complex>
#include <exception>
#include <iterator>
#include <limits>
#include <mutex>
#include <numeric>
#include <optional>
#include <span>
#include <system_error>
#include <thread>

namespace xtalsp {

namespace {

// The 168 primes below 1000: enough to test every triple within the largest index limit.
constexpr std::array<int, 168> kPrimes = {
    2,   3,   5,   7,   11,  13,  17,  19,  23,  29,  31,  37,  41,  43,  47,  53,  59,  61,  67,
    71,  73,  79,  83,  89,  97,  101, 103, 107, 109, 113, 127, 131, 137, 139, 149, 151, 157, 163,
    167, 173, 179, 181, 191, 193, 197, 199, 211, 223, 227, 229, 233, 239, 241, 251, 257, 263, 269,
    271, 277, 281, 283, 293, 307, 311, 313, 317, 331, 337, 347, 349, 353, 359, 367, 373, 379, 383,
    389, 397, 401, 409, 419, 421, 431, 433, 439, 443, 449, 457, 461, 463, 467, 479, 487, 491, 499,
    503, 509, 521, 523, 541, 547, 557, 563, 569, 571, 577, 587, 593, 599, 601, 607, 613, 617, 619,
    631, 641, 643, 647, 653, 659, 661, 673, 677, 683, 691, 701, 709, 719, 727, 733, 739, 743, 751,
    757, 761, 769, 773, 787, 797, 809, 811, 821, 823, 827, 829, 839, 853, 857, 859, 863, 877, 881,
    883, 887, 907, 911, 919, 929, 937, 941, 947, 953, 967, 971, 977, 983, 991, 997};

// Non-primitive triples (with a common prime factor) are harmonics of a smaller one.
bool isPrimitive(int i, int j, int k) {
    const int largest = std::max({i, j, k});
    for (const int p : kPrimes) {
        if (p > largest)
            break;
        if (i % p == 0 && j % p == 0 && k % p == 0)
            return false;
    }
    return true;
}

// The highest order n for which (n i, n j, n k) stays within the limits.
int highestHarmonic(int i, int j, int k, int hMax, int kMax, int lMax) {
    int order = kMaxIndexLimit;
    if (i > 0)
        order = std::min(order, hMax / i);
    if (j > 0)
        order = std::min(order, kMax / j);
    if (k > 0)
        order = std::min(order, lMax / k);
    return order;
}

// Range of sin(theta) whose diffracted ray can reach the film: the film corner at radius R
// is seen under a scattering angle 2 phi with tan 2 phi = R / D.
struct SinThetaWindow {
    double lowest = 0.0;
    double highest = 0.0;
};

SinThetaWindow sinThetaWindow(const SpotComputationInput& input) {
    const double cornerRadius = std::hypot(input.halfFilmWidth, input.halfFilmHeight);
    const double phi = std::atan(cornerRadius / input.settings.distance) / 2.0;
    if (input.settings.geometry == DiffractionGeometry::Transmission)
        return {0.0001, std::sin(phi)};
    return {std::cos(phi), 0.9999};
}

// A harmonic whose wavelength finds no beam has intensity 0 (or NaN for an overflowing |F|^2),
// which no minimum intensity of 0 or more lets through.
bool darkHarmonicsAreDropped(const SpotComputationInput& input) {
    return input.minimumIntensity >= 0.0;
}

// The spectrum is zero at every wavelength up to this one: one sample step below the first
// non-zero sample, since the interpolation lights the step before it. Negative when even the
// first sample is lit; the longest wavelength of the table when no sample is.
double darkWavelengthLimit(const Spectrum& spectrum) {
    for (std::size_t i = 0; i < kSpectrumSize; ++i)
        if (spectrum.intensity[i] != 0.0)
            return (static_cast<double>(i) - 1.0) * kSpectrumStep;
    return static_cast<double>(kSpectrumSize) * kSpectrumStep;
}

// The screen is asked where the minimum |F|^2 is at least this share of the typical |F|^2
// of the structure: below it the screen turns away too few harmonics to pay for itself. With
// atoms at general positions |F|^2 / typical is exponentially distributed, so a share x turns
// away 1 - exp(-x) of the harmonics; a screen costs about 0.28 of the double-precision sum it
// saves, which pays from about x = 0.3 on.
constexpr double kScreenWorthwhile = 0.3;

// Relative slack on the bounds that prune the fast walk, far above any rounding in them.
constexpr double kBoundSlack = 1e-9;

// The longest |G| a reflection may have and still diffract a wavelength the beam carries: its
// first order has the longest wavelength of its harmonics, 2 sin(theta) / |G|, and sin(theta)
// is at most the window's top. Infinite where nothing bounds it.
double longestLitReciprocalVector(const SpotComputationInput& input, const SinThetaWindow& window) {
    const double darkLimit = darkWavelengthLimit(*input.spectrum);
    if (!darkHarmonicsAreDropped(input) || !(darkLimit > 0.0))
        return std::numeric_limits<double>::infinity();
    return 2.0 * window.highest / (darkLimit * (1.0 - kBoundSlack));
}

// What every walk derives once from its input.
struct WalkContext {
    explicit WalkContext(const SpotComputationInput& walkInput)
        : input(walkInput), orientation(computeOrientation(walkInput.settings, walkInput.basis)),
          window(sinThetaWindow(walkInput)),
          hMax(std::clamp(walkInput.settings.Hmax, 0, kMaxIndexLimit)),
          kMax(std::clamp(walkInput.settings.Kmax, 0, kMaxIndexLimit)),
          lMax(std::clamp(walkInput.settings.Lmax, 0, kMaxIndexLimit)),
          gLengthLimit(longestLitReciprocalVector(walkInput, window)) {}

    const SpotComputationInput& input;
    CrystalOrientation orientation;
    SinThetaWindow window;
    int hMax, kMax, lMax;
    double gLengthLimit; // the fast walk passes over longer reciprocal vectors
};

// Without an established distance there is no film to project onto.
bool canWalk(const SpotComputationInput& input) {
    return input.groups != nullptr && input.spectrum != nullptr && input.settings.distance >= 1.0;
}

// Where a reflection meets the film, and the Bragg angle and wavelength that take it there.
struct Projection {
    double sinTheta = 0.0;
    double gLength = 0.0; // |G|, 1/Angstrom
    double lambda1 = 0.0; // Angstrom
    double x = 0.0, y = 0.0;
};

std::optional<Projection> project(const WalkContext& walk, int h, int k, int l) {
    const Vector3 g = labComponents(walk.orientation, h, k, l);
    // Both windows lie above sin(theta) = 0: half of all reflections leave before the root.
    if (!(g[0] > 0.0))
        return std::nullopt;
    const double gLength = std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]);
    const double sinTheta = g[0] / gLength;
    if (!(sinTheta >= walk.window.lowest && sinTheta <= walk.window.highest))
        return std::nullopt;
    const double lambda1 = 2.0 * sinTheta / gLength;
    // Diffracted direction for a beam travelling along -e1.
    const double e = 2.0 * sinTheta * sinTheta - 1.0;
    const double p = 2.0 * sinTheta * g[1] / gLength;
    const double q = 2.0 * sinTheta * g[2] / gLength;
    const double d = walk.input.settings.distance;
    const double sign =
        walk.input.settings.geometry == DiffractionGeometry::Transmission ? -1.0 : 1.0;
    const double x = sign * d * p / e;
    const double y = sign * d * q / e;
    if (!(std::fabs(x) <= walk.input.halfFilmWidth && std::fabs(y) <= walk.input.halfFilmHeight))
        return std::nullopt;
    return Projection{sinTheta, gLength, lambda1, x, y};
}

// Zero indices have no sign variant; the order of the variants fixes the list order.
template <typename Visit> void forEachSignVariant(int i, int j, int k, Visit&& visit) {
    const bool hi = i != 0, hj = j != 0, hk = k != 0;
    visit(i, j, k);
    if (hi)
        visit(-i, j, k);
    if (hj)
        visit(i, -j, k);
    if (hk)
        visit(i, j, -k);
    if (hi && hj)
        visit(-i, -j, k);
    if (hi && hk)
        visit(-i, j, -k);
    if (hj && hk)
        visit(i, -j, -k);
    if (hi && hj && hk)
        visit(-i, -j, -k);
}

// Completes a spot whose harmonics and total are filled in, if it beats the minimum intensity.
void appendSpot(LaueSpot& spot, std::span<const HarmonicComponent> harmonics, int h, int k, int l,
                const Projection& at, double minimumIntensity, SpotComputationResult& result) {
    if (!(spot.intensity > minimumIntensity))
        return;
    spot.h = h;
    spot.k = k;
    spot.l = l;
    spot.x = at.x;
    spot.y = at.y;
    spot.wavelength = at.lambda1;
    spot.dSpacing = 1.0 / at.gLength;
    result.strongestIntensity = std::max(result.strongestIntensity, spot.intensity);
    result.spots.append(spot, harmonics);
}

// The harmonics of one reflection with every structure factor evaluated directly.
void visitDirectly(const WalkContext& walk, int h, int k, int l, int nMax, const Projection& at,
                   SpotComputationResult& result) {
    const SpotComputationInput& input = walk.input;
    LaueSpot spot;
    std::vector<HarmonicComponent> kept; // short-lived: the list copies them into its pool
    for (int n = 1; n <= nMax; ++n) {
        const double lambda = at.lambda1 / n;
        if (lambda > kLongestHarmonicWavelength)
            continue;
        const double s = at.sinTheta / lambda;
        const double f2 = std::norm(structureFactor(n * h, n * k, n * l, s * s, *input.groups));
        const double intensity = harmonicIntensity(f2, at.sinTheta, lambda, *input.spectrum);
        if (intensity > input.minimumIntensity) {
            kept.push_back({n, f2, intensity});
            spot.intensity += intensity;
        }
    }
    appendSpot(spot, kept, h, k, l, at, input.minimumIntensity, result);
}

// A primitive triple (i j k) of a row (i j), and its highest harmonic order within the limits.
struct RowTriple {
    int k = 0;
    int nMax = 1;
};

// The fast walk's treatment of one reflection: harmonics that cannot beat the minimum intensity
// even with all atoms in phase are passed over, the others are assembled from the phase-factor
// tables. Where the tables' result is unreliable (strong cancellation) and could still beat the
// minimum, or where its small uncertainty could tip a comparison with the minimum intensity,
// the harmonic or the whole reflection is evaluated directly, so the kept harmonics and spots
// are the straightforward walk's.
class FastReflectionVisitor {
public:
    FastReflectionVisitor(const WalkContext& walk, const PhaseFactorTables& tables)
        : m_walk(walk), m_structureFactor(tables),
          m_dropsDarkHarmonics(darkHarmonicsAreDropped(walk.input)),
          m_firstLitSample(darkWavelengthLimit(*walk.input.spectrum) + 0.5 * kSpectrumStep) {}

    // The sign variants of the triples of one row (i j), in walk order. A plan first finds,
    // from the geometry, the bound and the screen, the harmonics the walk evaluates and how;
    // their row-cached structure factors are then made together, several values of the last
    // index per pass over a row, and the walk takes them in the plan's order.
    void visitRow(int i, int j, std::span<const RowTriple> triples, SpotComputationResult& result) {
        // A plan holds every planned sum of its triples; a few hundred triples keep it small
        // and still give each row's sums many partners to share a pass with.
        constexpr std::size_t kPlannedTriples = 256;
        for (std::size_t first = 0; first < triples.size(); first += kPlannedTriples)
            visitPlanned(i, j,
                         triples.subspan(first, std::min(kPlannedTriples, triples.size() - first)),
                         result);
    }

    // How many sign variants visitRow has found on the film so far.
    std::size_t projected() const { return m_projected; }

    // How many sign variants of the triple the walk certainly keeps: those with a harmonic
    // whose intensity beats the minimum even at the screen's floor of |F|^2 (their kept
    // harmonics add up to at least its intensity). A fraction of the cost of visiting them.
    std::size_t certainSpots(int i, int j, int k, int nMax) {
        startTriple(i, j, k, nMax);
        std::size_t count = 0;
        for (std::size_t v = 0; v < m_variants.size(); ++v)
            if (m_variants[v].at && certainlyKept(v, nMax))
                ++count;
        return count;
    }

private:
    void visitPlanned(int i, int j, std::span<const RowTriple> triples,
                      SpotComputationResult& result) {
        m_structureFactor.beginPlan();
        m_rowVariants.clear();
        m_rowHarmonics.clear();
        m_rowStarts.assign(1, {0, 0});
        for (const RowTriple& triple : triples) {
            startTriple(i, j, triple.k, triple.nMax);
            m_rowVariants.insert(m_rowVariants.end(), m_variants.begin(), m_variants.end());
            for (std::size_t v = 0; v < m_variants.size(); ++v)
                if (m_variants[v].at)
                    planHarmonics(v, triple.nMax);
            m_rowStarts.push_back({m_rowVariants.size(), m_rowHarmonics.size()});
        }
        m_structureFactor.runPlan();
        for (std::size_t t = 0; t < triples.size(); ++t) {
            const auto variants = m_rowVariants.cbegin();
            m_variants.assign(variants + static_cast<std::ptrdiff_t>(m_rowStarts[t].variant),
                              variants + static_cast<std::ptrdiff_t>(m_rowStarts[t + 1].variant));
            clearPairSlots(triples[t].nMax);
            const std::span<const PlannedHarmonic> planned =
                std::span<const PlannedHarmonic>(m_rowHarmonics)
                    .subspan(m_rowStarts[t].harmonic,
                             m_rowStarts[t + 1].harmonic - m_rowStarts[t].harmonic);
            std::size_t first = 0;
            for (std::size_t v = 0; v < m_variants.size(); ++v) {
                if (!m_variants[v].at)
                    continue;
                std::size_t end = first;
                while (end < planned.size() && planned[end].variant == v)
                    ++end;
                ++m_projected;
                visit(v, triples[t].nMax, planned.subspan(first, end - first), result);
                first = end;
            }
        }
        m_structureFactor.endPlan();
    }

    void startTriple(int i, int j, int k, int nMax) {
        m_variants.clear();
        forEachSignVariant(i, j, k, [this](int h, int kk, int l) {
            m_variants.push_back({{h, kk, l}, project(m_walk, h, kk, l)});
        });
        findPartners();
        clearPairSlots(nMax);
    }

    void clearPairSlots(int nMax) {
        if (m_pairs.size() <= static_cast<std::size_t>(nMax))
            m_pairs.resize(static_cast<std::size_t>(nMax) + 1);
        for (int n = 0; n <= nMax; ++n)
            for (PairSlot& slot : m_pairs[static_cast<std::size_t>(n)])
                slot.used = false;
    }

    // A sign variant of the triple and where it meets the film. Its partner is the variant on
    // the same row (h k), or on the mirrored row (-h -k), with the opposite sign of l relative
    // to that row: the two are assembled in one pass.
    struct Variant {
        std::array<int, 3> hkl{};
        std::optional<Projection> at;
        int partner = -1;
    };

    // The row key of a variant: (h k l) or its Friedel mate, whichever has the first non-zero
    // of h and k positive. Mates have the same |F|^2.
    static std::array<int, 3> rowKey(const std::array<int, 3>& hkl) {
        const bool mirrored = hkl[0] < 0 || (hkl[0] == 0 && hkl[1] < 0);
        return mirrored ? std::array<int, 3>{-hkl[0], -hkl[1], -hkl[2]} : hkl;
    }

    void findPartners() {
        for (Variant& v : m_variants) {
            v.partner = -1;
            const std::array<int, 3> key = rowKey(v.hkl);
            if (!v.at || key[2] == 0 || (key[0] == 0 && key[1] == 0))
                continue;
            for (std::size_t w = 0; w < m_variants.size(); ++w) {
                const std::array<int, 3> other = rowKey(m_variants[w].hkl);
                if (m_variants[w].at && other[0] == key[0] && other[1] == key[1] &&
                    other[2] == -key[2])
                    v.partner = static_cast<int>(w);
            }
        }
    }

    // What the wavelength alone says of harmonic n of a projected reflection: whether the walk
    // looks at it, and whether any higher harmonic can still be lit.
    enum class HarmonicLight { Lit, Unlit, NoneLitBeyond };
    HarmonicLight lightOf(const Projection& at, int n) const {
        const double lambda = at.lambda1 / n;
        if (lambda > kLongestHarmonicWavelength)
            return HarmonicLight::Unlit;
        if (m_dropsDarkHarmonics && spectrumAt(*m_walk.input.spectrum, lambda) == 0.0)
            // Shorter wavelengths than a dark one below the first lit sample are dark too.
            return lambda < m_firstLitSample ? HarmonicLight::NoneLitBeyond : HarmonicLight::Unlit;
        return HarmonicLight::Lit;
    }

    // Whether harmonic n of a projected reflection finds a wavelength the walk looks at.
    bool mayBeLit(const Projection& at, int n) const {
        return lightOf(at, n) == HarmonicLight::Lit;
    }

    // How the first estimate of |F|^2 of harmonic n of a variant is made: together with its
    // partner, where that may need the same harmonic, or alone, from a cached row for the low
    // orders (successive primitive reflections share (h k), and their harmonics (n h, n k))
    // and from the three tables beyond. The choice depends on n and the triple alone, so every
    // thread makes each harmonic the same way.
    enum class EstimateKind : std::uint8_t { Paired, InRow, Apart };

    EstimateKind estimateKind(std::size_t v, int n) {
        const Variant& variant = m_variants[v];
        const int h = n * variant.hkl[0], k = n * variant.hkl[1], l = n * variant.hkl[2];
        if (variant.partner >= 0 && mayBeLit(*m_variants[variant.partner].at, n) &&
            m_structureFactor.canPair(h, k, l) && !screenDropsPartner(v, n))
            return EstimateKind::Paired;
        return n <= FastStructureFactor::kRowOrders ? EstimateKind::InRow : EstimateKind::Apart;
    }

    // The first estimate of |F|^2 of harmonic n of a variant, at the current scattering. Paired
    // sums are kept for the partner.
    FastStructureFactor::Amplitude estimate(std::size_t v, int n, EstimateKind kind) {
        const Variant& variant = m_variants[v];
        const int h = n * variant.hkl[0], k = n * variant.hkl[1], l = n * variant.hkl[2];
        switch (kind) {
        case EstimateKind::Paired: {
            const std::array<int, 3> key = rowKey(variant.hkl);
            const PairSlot& slot = pairedSums(key, n, n <= FastStructureFactor::kRowOrders);
            return m_structureFactor.amplitudeOf(key[2] > 0 ? slot.plus : slot.minus);
        }
        case EstimateKind::InRow:
            return m_structureFactor.evaluateInRow(h, k, l);
        case EstimateKind::Apart:
            break;
        }
        return m_structureFactor.evaluate(h, k, l);
    }

    // A harmonic of a variant of a row's triple that the walk evaluates, found by a plan.
    struct PlannedHarmonic {
        std::size_t variant = 0;
        int n = 1;
        EstimateKind kind = EstimateKind::Apart;
        double intensityPerF2 = 0.0; // see intensityPerF2()
    };

    // Notes the harmonics of a variant that may beat the minimum intensity, and the sums their
    // estimates will ask for. Which harmonics these are depends on the geometry, the bound and
    // the screen alone, never on a double-precision sum.
    void planHarmonics(std::size_t v, int nMax) {
        forEachBoundedHarmonic(v, nMax, [&](int n, double lambda, double perF2) {
            if (passesScreen(v, n, *m_variants[v].at, lambda, perF2)) {
                const EstimateKind kind = estimateKind(v, n);
                estimate(v, n, kind);
                m_rowHarmonics.push_back({v, n, kind, perF2});
            }
            return false;
        });
    }

    // Calls ask(n, lambda, intensityPerF2) for the harmonics of a variant that find a wavelength
    // the walk looks at and that could beat the minimum intensity with all atoms in phase, with
    // the scattering factors set for each, until ask returns true.
    template <typename Ask> void forEachBoundedHarmonic(std::size_t v, int nMax, const Ask& ask) {
        const Projection& at = *m_variants[v].at;
        for (int n = 1; n <= nMax; ++n) {
            const HarmonicLight light = lightOf(at, n);
            if (light == HarmonicLight::NoneLitBeyond)
                break;
            if (light == HarmonicLight::Unlit)
                continue;
            const double lambda = at.lambda1 / n;
            const double s = at.sinTheta / lambda;
            const double perF2 = intensityPerF2(at.sinTheta, lambda);
            if (canBeatMinimumAt(m_structureFactor.setScattering(s * s), perF2) &&
                ask(n, lambda, perF2))
                return;
        }
    }

    // Paired sums of the current triple's harmonic n, for one of its two rows, (h k) and
    // (-h k), with their mirrors: those of the row key's reflection with l > 0 and of its l
    // mirror, in double precision and from the screen, each made on first demand.
    struct PairSlot {
        bool used = false;
        std::array<int, 3> key{};
        bool summed = false, screened = false;
        GroupSums plus, minus, screenPlus, screenMinus;
    };

    // The slot of the row key's harmonic n for the current triple.
    PairSlot& slotFor(const std::array<int, 3>& key, int n) {
        std::array<PairSlot, 2>& slots = m_pairs[static_cast<std::size_t>(n)];
        for (PairSlot& slot : slots)
            if (slot.used && slot.key[0] == key[0] && slot.key[1] == key[1])
                return slot;
        PairSlot& fresh = slots[0].used ? slots[1] : slots[0];
        fresh.key = {key[0], key[1], std::abs(key[2])};
        fresh.used = true;
        fresh.summed = fresh.screened = false;
        return fresh;
    }

    const PairSlot& pairedSums(const std::array<int, 3>& key, int n, bool inRow) {
        PairSlot& slot = slotFor(key, n);
        if (!slot.summed) {
            m_structureFactor.pairedGroupSums(n * slot.key[0], n * slot.key[1], n * slot.key[2],
                                              inRow, slot.plus, slot.minus);
            slot.summed = true;
        }
        return slot;
    }

    const PairSlot& screenedSums(const std::array<int, 3>& key, int n) {
        PairSlot& slot = slotFor(key, n);
        if (!slot.screened) {
            m_structureFactor.screenPairedGroupSums(n * slot.key[0], n * slot.key[1],
                                                    n * slot.key[2], slot.screenPlus,
                                                    slot.screenMinus);
            slot.screened = true;
        }
        return slot;
    }

    // Whether the single-precision screen leaves harmonic n of a variant a chance to beat the
    // minimum intensity; its ceiling is a proven one, so a harmonic it turns away is one the
    // straightforward walk drops as well. Where the minimum lies far below the typical |F|^2
    // the screen would rarely turn anything away, and it is not asked.
    bool passesScreen(std::size_t v, int n, const Projection& at, double lambda, double perF2) {
        if (kScreenWorthwhile * m_structureFactor.typicalSquared() * perF2 >
            m_walk.input.minimumIntensity)
            return true;
        const GroupSums* sums = screenSums(v, n);
        return sums == nullptr ||
               canBeatMinimum(m_structureFactor.screenCeiling(*sums), at.sinTheta, lambda);
    }

    // The screen's group sums of harmonic n of a variant, made together with its partner's
    // where that may be lit; null where the tables do not reach.
    const GroupSums* screenSums(std::size_t v, int n) {
        const Variant& variant = m_variants[v];
        const int h = n * variant.hkl[0], k = n * variant.hkl[1], l = n * variant.hkl[2];
        if (!m_structureFactor.canScreen(h, k, l))
            return nullptr;
        const std::array<int, 3> key = rowKey(variant.hkl);
        if (variant.partner >= 0 && mayBeLit(*m_variants[variant.partner].at, n) && l != 0) {
            const PairSlot& slot = screenedSums(key, n);
            return key[2] > 0 ? &slot.screenPlus : &slot.screenMinus;
        }
        m_structureFactor.screenGroupSums(h, k, l, m_screenSums);
        return &m_screenSums;
    }

    // The harmonics as visit() meets them, until one beats the minimum at the screen's floor.
    bool certainlyKept(std::size_t v, int nMax) {
        const double sinTheta = m_variants[v].at->sinTheta;
        bool kept = false;
        forEachBoundedHarmonic(v, nMax, [&](int n, double lambda, double) {
            const GroupSums* sums = screenSums(v, n);
            kept = sums != nullptr &&
                   mustBeatMinimum(m_structureFactor.screenFloor(*sums),
                                   m_structureFactor.screenCeiling(*sums), sinTheta, lambda);
            return sums == nullptr || kept; // without a screen nothing is certain
        });
        return kept;
    }

    // Whether the screen, if it has been asked for the pair, turns away harmonic n of the
    // partner of a variant: then the partner needs no double-precision sum.
    bool screenDropsPartner(std::size_t v, int n) {
        const std::array<int, 3> key = rowKey(m_variants[v].hkl);
        const PairSlot& slot = slotFor(key, n);
        if (!slot.screened)
            return false;
        const Projection& at = *m_variants[static_cast<std::size_t>(m_variants[v].partner)].at;
        const double lambda = at.lambda1 / n;
        const double s = at.sinTheta / lambda;
        // The partner has the opposite sign of l relative to the row key.
        const GroupSums& sums = key[2] > 0 ? slot.screenMinus : slot.screenPlus;
        return !canBeatMinimum(m_structureFactor.screenCeilingAt(sums, s * s), at.sinTheta, lambda);
    }

    // Evaluates the planned harmonics of a variant and adds its spot if it is kept.
    void visit(std::size_t v, int nMax, std::span<const PlannedHarmonic> harmonics,
               SpotComputationResult& result) {
        const int h = m_variants[v].hkl[0], k = m_variants[v].hkl[1], l = m_variants[v].hkl[2];
        const Projection* at = &*m_variants[v].at;
        LaueSpot spot;
        // Kept harmonics gather here and go to the list's pool with their spot.
        m_kept.clear();
        double largestError = 0.0; // relative, over the kept harmonics
        for (const PlannedHarmonic& planned : harmonics) {
            const int n = planned.n;
            const double lambda = at->lambda1 / n;
            const double s = at->sinTheta / lambda;
            m_structureFactor.useScattering(s * s);
            FastStructureFactor::Amplitude amplitude = estimate(v, n, planned.kind);
            // Extinct and nearly extinct harmonics mostly end here, without a direct sum.
            if (!canBeatMinimumAt(amplitude.ceiling, planned.intensityPerF2))
                continue;
            double intensity = intensityOf(amplitude.squared, at->sinTheta, lambda);
            if (!amplitude.reliable() || nearMinimum(intensity, amplitude.relativeError)) {
                amplitude = m_structureFactor.evaluateDirectly(n * h, n * k, n * l);
                intensity = intensityOf(amplitude.squared, at->sinTheta, lambda);
            }
            if (intensity > m_walk.input.minimumIntensity) {
                m_kept.push_back({n, amplitude.squared, intensity});
                spot.intensity += intensity;
                largestError = std::max(largestError, amplitude.relativeError);
            }
        }
        // The sum of positive intensities is as uncertain, relatively, as its worst term.
        if (nearMinimum(spot.intensity, largestError)) {
            visitDirectly(m_walk, h, k, l, nMax, *at, result);
            return;
        }
        appendSpot(spot, m_kept, h, k, l, *at, m_walk.input.minimumIntensity, result);
    }

    double intensityOf(double f2, double sinTheta, double lambda) const {
        return harmonicIntensity(f2, sinTheta, lambda, *m_walk.input.spectrum);
    }

    // The intensity is monotonic in |F|^2 (a chain of products), so over 0 <= |F|^2 <= bound it
    // is largest at one of the ends.
    bool canBeatMinimum(double f2Bound, double sinTheta, double lambda) const {
        const double minimum = m_walk.input.minimumIntensity;
        return !(intensityOf(f2Bound, sinTheta, lambda) <= minimum &&
                 intensityOf(0.0, sinTheta, lambda) <= minimum);
    }

    // The intensity of a harmonic per unit |F|^2. Times |F|^2 it differs from intensityOf() by a
    // dozen roundoffs at most: both are the same chain of products, rounded six times each.
    double intensityPerF2(double sinTheta, double lambda) const {
        return intensityOf(1.0, sinTheta, lambda);
    }

    // As canBeatMinimum, with the intensity per unit |F|^2, for bounds: the product is allowed
    // 16 roundoffs and the smallest normal number above it, so that it never falls short of
    // intensityOf().
    bool canBeatMinimumAt(double f2Bound, double perF2) const {
        const double minimum = m_walk.input.minimumIntensity;
        const double product = f2Bound * perF2;
        const double largest =
            product + 16.0 * kRoundoff * std::fabs(product) + std::numeric_limits<double>::min();
        return !(largest <= minimum && 0.0 * perF2 <= minimum);
    }

    // Over floor <= |F|^2 <= ceiling the intensity lies between its values at the two ends.
    bool mustBeatMinimum(double f2Floor, double f2Ceiling, double sinTheta, double lambda) const {
        const double minimum = m_walk.input.minimumIntensity;
        return intensityOf(f2Floor, sinTheta, lambda) > minimum &&
               intensityOf(f2Ceiling, sinTheta, lambda) > minimum;
    }

    bool nearMinimum(double intensity, double relativeError) const {
        return relativeError > 0.0 && std::fabs(intensity - m_walk.input.minimumIntensity) <=
                                          2.0 * relativeError * std::fabs(intensity);
    }

    const WalkContext& m_walk;
    FastStructureFactor m_structureFactor;
    bool m_dropsDarkHarmonics;
    // Half a step above the dark limit: below it the interpolation only reads dark samples.
    double m_firstLitSample;
    std::vector<Variant> m_variants;
    // A row's plan: the variants of its triples and their planned harmonics in turn, triple t's
    // from m_rowStarts[t] on.
    struct RowStart {
        std::size_t variant = 0, harmonic = 0;
    };
    std::vector<Variant> m_rowVariants;
    std::vector<PlannedHarmonic> m_rowHarmonics;
    std::vector<RowStart> m_rowStarts;
    std::vector<HarmonicComponent> m_kept;
    std::vector<std::array<PairSlot, 2>> m_pairs; // by harmonic order
    GroupSums m_screenSums;
    std::size_t m_projected = 0;
};

// A triple is primitive when its indices have no common factor; gcd(0, n) = n.
bool isPrimitiveByGcd(int ijDivisor, int k) {
    return std::gcd(ijDivisor, k) == 1;
}

// The spots found so far by all threads, against the spot limit.
class SpotBudget {
public:
    explicit SpotBudget(std::size_t limit) : m_limit(limit) {}

    // Books `added` more spots; false once the total passes the limit.
    bool book(std::size_t added) {
        const std::size_t total = m_used.fetch_add(added) + added;
        if (total > m_limit)
            m_exceeded = true;
        return !m_exceeded;
    }
    bool exceeded() const { return m_exceeded; }
    std::size_t used() const { return m_used; }
    std::size_t limit() const { return m_limit; }
    // Takes back spots booked as a lower bound, before their exact count is booked.
    void unbook(std::size_t booked) { m_used.fetch_sub(booked); }

private:
    const std::size_t m_limit;
    std::atomic<std::size_t> m_used{0};
    std::atomic<bool> m_exceeded{false};
};

// A run of non-negative last indices; empty when last < first.
struct IndexRange {
    int first = 0;
    int last = -1;
};

Vector3 orientationColumn(const CrystalOrientation& orientation, std::size_t index) {
    return {orientation.rows[0][index], orientation.rows[1][index], orientation.rows[2][index]};
}

double dot(const Vector3& u, const Vector3& v) {
    return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
}

// The last indices k >= 0 for which some sign variant (+-i, +-j, +-k) has |G| within the walk's
// limit. Along the last index G(l) = G0 + l c, so |G(l)|^2 <= limit^2 holds between the two
// roots of a quadratic; (-i, -j, -l) mirrors (i, j, l), which leaves two choices of G0. The
// range is widened by one index on either side, far beyond the rounding of the roots.
IndexRange lastIndexRange(const WalkContext& walk, int i, int j) {
    const IndexRange all{0, walk.lMax};
    const Vector3 c = orientationColumn(walk.orientation, 2);
    const double cc = dot(c, c);
    if (!std::isfinite(walk.gLengthLimit) || !(cc > 0.0) || !std::isfinite(cc))
        return all;
    const Vector3 a = orientationColumn(walk.orientation, 0);
    const Vector3 b = orientationColumn(walk.orientation, 1);
    const double limitSquared = walk.gLengthLimit * walk.gLengthLimit;
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -std::numeric_limits<double>::infinity();
    for (const double sign : {1.0, -1.0}) {
        const Vector3 g0{sign * i * a[0] + j * b[0], sign * i * a[1] + j * b[1],
                         sign * i * a[2] + j * b[2]};
        const double half = dot(g0, c); // half the linear coefficient
        const double discriminant = half * half - cc * (dot(g0, g0) - limitSquared);
        if (!(discriminant >= 0.0))
            continue;
        const double root = std::sqrt(discriminant);
        const double below = (-half - root) / cc;
        const double above = (-half + root) / cc;
        highest = std::max({highest, std::fabs(below), std::fabs(above)});
        lowest = std::min(lowest, below <= 0.0 && above >= 0.0
                                      ? 0.0
                                      : std::min(std::fabs(below), std::fabs(above)));
    }
    if (!(lowest <= highest))
        return {};
    const double slack = 1.0 + kBoundSlack;
    const double first = std::floor(lowest / slack) - 1.0;
    const double last = std::ceil(highest * slack) + 1.0;
    return {static_cast<int>(std::clamp(first, 0.0, static_cast<double>(walk.lMax))),
            static_cast<int>(std::clamp(last, -1.0, static_cast<double>(walk.lMax)))};
}

// The real l at which the line G(l) = g0 + l d lies inside the cone that bounds the
// sin(theta) window on its open side: gx^2 >= lo^2 |G|^2 in back reflection (lo the window's
// lower end), gx^2 <= hi^2 |G|^2 in transmission. Both cones are symmetric in G, so a
// reflection and its Friedel mate share the answer. The inequality is quadratic in l; the
// roots are widened by two indices and by far more than the rounding of the coefficients and
// of the projection's own test could move them, and a quadratic whose leading coefficient
// nearly cancels leaves every l in.
struct RealInterval {
    double low = -std::numeric_limits<double>::infinity();
    double high = std::numeric_limits<double>::infinity();
};

// At most two intervals, kept in place (the walk asks for four per row).
struct ConeIntervals {
    std::array<RealInterval, 2> parts{};
    std::size_t count = 0;
};

ConeIntervals windowCone(const WalkContext& walk, const Vector3& g0, const Vector3& d) {
    const bool back = walk.input.settings.geometry == DiffractionGeometry::BackReflection;
    const double edge = back ? walk.window.lowest : walk.window.highest;
    const double e2 = edge * edge;
    const double sign = back ? 1.0 : -1.0; // q(l) = a l^2 + b l + c >= 0 inside the cone
    const double a = sign * (d[0] * d[0] - e2 * dot(d, d));
    const double b = sign * 2.0 * (g0[0] * d[0] - e2 * dot(g0, d));
    const double c = sign * (g0[0] * g0[0] - e2 * dot(g0, g0));
    // The sizes the coefficients' rounding scales with.
    const double dd = dot(d, d), gg = dot(g0, g0), gd = std::sqrt(dd * gg);
    if (!std::isfinite(a + b + c + dd + gg) || !(std::fabs(a) > 1e-6 * dd))
        return {{RealInterval{}}, 1};
    const double discriminant = b * b - 4.0 * a * c;
    const double tolerance = 1e-8 * (4.0 * gd * gd + 4.0 * dd * gg);
    const double centre = -b / (2.0 * a);
    const double outer = std::sqrt(std::max(discriminant, 0.0) + tolerance) / (2.0 * std::fabs(a));
    const double inner = std::sqrt(std::max(discriminant - tolerance, 0.0)) / (2.0 * std::fabs(a));
    const double widening = 2.0 + 1e-6 * (std::fabs(centre) + outer);
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    if (a < 0.0) { // inside between the roots
        if (discriminant < -tolerance)
            return {};
        return {{RealInterval{centre - outer - widening, centre + outer + widening}}, 1};
    }
    // Inside beyond the roots.
    if (!(inner - widening > 0.0))
        return {{RealInterval{}}, 1};
    return {{RealInterval{-kInfinity, centre - inner + widening},
             RealInterval{centre + inner - widening, kInfinity}},
            2};
}

// The last indices of range at which some sign variant of (i j k) may meet the window, as
// sorted disjoint runs: the triples outside have no variant a projection could accept.
struct WindowRuns {
    std::array<IndexRange, 8> runs{};
    std::size_t count = 0;

    const IndexRange* begin() const { return runs.data(); }
    const IndexRange* end() const { return runs.data() + count; }
};

WindowRuns windowRuns(const WalkContext& walk, int i, int j, IndexRange range) {
    WindowRuns found;
    if (range.last < range.first)
        return found;
    const Vector3 a = orientationColumn(walk.orientation, 0);
    const Vector3 b = orientationColumn(walk.orientation, 1);
    const Vector3 c = orientationColumn(walk.orientation, 2);
    for (const double signJ : {1.0, -1.0}) {
        const Vector3 g0{i * a[0] + signJ * j * b[0], i * a[1] + signJ * j * b[1],
                         i * a[2] + signJ * j * b[2]};
        for (const double signL : {1.0, -1.0}) {
            const ConeIntervals cone =
                windowCone(walk, g0, {signL * c[0], signL * c[1], signL * c[2]});
            for (std::size_t n = 0; n < cone.count; ++n) {
                const double first =
                    std::max(std::ceil(cone.parts[n].low), static_cast<double>(range.first));
                const double last =
                    std::min(std::floor(cone.parts[n].high), static_cast<double>(range.last));
                if (first <= last)
                    found.runs[found.count++] = {static_cast<int>(first), static_cast<int>(last)};
            }
        }
    }
    std::sort(found.runs.begin(), found.runs.begin() + static_cast<std::ptrdiff_t>(found.count),
              [](const IndexRange& x, const IndexRange& y) { return x.first < y.first; });
    std::size_t merged = 0;
    for (std::size_t n = 0; n < found.count; ++n) {
        const IndexRange run = found.runs[n];
        if (merged > 0 && run.first <= found.runs[merged - 1].last + 1)
            found.runs[merged - 1].last = std::max(found.runs[merged - 1].last, run.last);
        else
            found.runs[merged++] = run;
    }
    found.count = merged;
    return found;
}

// Calls visit(k) for the last index k of every primitive triple (i j k) some sign variant of
// which may meet the window, in enumeration order.
template <typename Visit>
void forEachWindowTriple(const WalkContext& walk, int i, int j, const Visit& visit) {
    const int ijDivisor = std::gcd(i, j);
    for (const IndexRange& run : windowRuns(walk, i, j, lastIndexRange(walk, i, j))) {
        for (int k = run.first; k <= run.last; ++k) {
            if ((i == 0 && j == 0 && k == 0) || !isPrimitiveByGcd(ijDivisor, k))
                continue;
            visit(k);
        }
    }
}

// All triples with first index i, in enumeration order. Stops early, row by row, once the
// budget is spent or keepGoing() says so.
template <typename KeepGoing>
void walkOuterIndex(const WalkContext& walk, FastReflectionVisitor& visitor, int i,
                    SpotBudget& budget, SpotComputationResult& result, const KeepGoing& keepGoing) {
    std::vector<RowTriple> triples;
    for (int j = 0; j <= walk.kMax && keepGoing(); ++j) {
        const std::size_t before = result.spots.size();
        triples.clear();
        forEachWindowTriple(walk, i, j, [&](int k) {
            triples.push_back({k, highestHarmonic(i, j, k, walk.hMax, walk.kMax, walk.lMax)});
        });
        visitor.visitRow(i, j, triples, result);
        if (!budget.book(result.spots.size() - before))
            return;
    }
}

// How many sign variants of the primitive triples with first index i meet the film: the
// geometry of walkOuterIndex without any structure factor.
std::size_t projectedVariants(const WalkContext& walk, int i) {
    std::size_t count = 0;
    for (int j = 0; j <= walk.kMax; ++j) {
        forEachWindowTriple(walk, i, j, [&](int k) {
            forEachSignVariant(i, j, k, [&walk, &count](int h, int kk, int l) {
                if (project(walk, h, kk, l))
                    ++count;
            });
        });
    }
    return count;
}

// The spots of first index i that the walk certainly keeps, booked row by row; stops early as
// walkOuterIndex does.
template <typename KeepGoing>
std::size_t countOuterIndex(const WalkContext& walk, FastReflectionVisitor& visitor, int i,
                            SpotBudget& budget, const KeepGoing& keepGoing) {
    std::size_t counted = 0;
    for (int j = 0; j <= walk.kMax && keepGoing(); ++j) {
        std::size_t rowCount = 0;
        forEachWindowTriple(walk, i, j, [&](int k) {
            rowCount += visitor.certainSpots(
                i, j, k, highestHarmonic(i, j, k, walk.hMax, walk.kMax, walk.lMax));
        });
        counted += rowCount;
        if (!budget.book(rowCount))
            break;
    }
    return counted;
}

int workerCount(int requested, int workItems) {
    int count = requested;
    if (count <= 0)
        count = static_cast<int>(std::min(std::thread::hardware_concurrency(), 1024u));
    return std::clamp(count, 1, std::max(workItems, 1));
}

// Hands out the outer indices one at a time, so that threads that draw cheap ones take more.
// Each index's spots go to a list of their own; joined in index order they are the spots of the
// single-threaded walk, whichever thread computed them.
class OuterIndexQueue {
public:
    OuterIndexQueue(const WalkContext& walk, const PhaseFactorTables& tables)
        : m_walk(walk), m_tables(tables), m_budget(walk.input.spotLimit),
          m_chunks(static_cast<std::size_t>(walk.hMax) + 1),
          m_walked(static_cast<std::size_t>(walk.hMax) + 1, false) {}

    // Only the caller's thread reports progress; a stop it is told of ends every thread's
    // work at the next row. Whatever stops the walk, the partial chunks are never handed out.
    void work(bool reportsProgress) {
        try {
            FastReflectionVisitor visitor(m_walk, m_tables);
            const auto keepGoing = [this, reportsProgress] {
                if (reportsProgress && m_walk.input.progress && !m_cancelled &&
                    !m_walk.input.progress(static_cast<double>(m_finished) /
                                           static_cast<double>(m_walk.hMax + 1)))
                    m_cancelled = true;
                return !m_cancelled && !m_budget.exceeded();
            };
            // The caller asks at least once, even when the helpers have taken every index.
            for (int i = m_next++; keepGoing() && i <= m_walk.hMax; i = m_next++) {
                if (countsFirst(keepGoing)) {
                    deferCounted(i, countOuterIndex(m_walk, visitor, i, m_budget, keepGoing));
                    continue;
                }
                const std::size_t projectedBefore = visitor.projected();
                SpotComputationResult& chunk = chunkFor(i);
                walkOuterIndex(m_walk, visitor, i, m_budget, chunk, keepGoing);
                m_walkedProjected += visitor.projected() - projectedBefore;
                m_walkedSpots += chunk.spots.size();
                ++m_finished;
                joinFinished(i);
            }
            for (std::optional<Counted> counted = takeCounted(); counted && keepGoing();
                 counted = takeCounted()) {
                m_budget.unbook(counted->spots);
                walkOuterIndex(m_walk, visitor, counted->index, m_budget, chunkFor(counted->index),
                               keepGoing);
                ++m_finished;
                joinFinished(counted->index);
            }
        } catch (...) {
            // Stop the others and hand the first failure to the caller.
            m_next = m_walk.hMax + 1;
            const std::lock_guard<std::mutex> lock(m_failureMutex);
            if (!m_failure)
                m_failure = std::current_exception();
        }
    }

    // The joined spots; every outer index has been walked and joined unless the walk stopped.
    SpotComputationResult joined() {
        if (m_failure)
            std::rethrow_exception(m_failure);
        SpotComputationResult result;
        if (m_cancelled) {
            result.cancelled = true;
            return result;
        }
        if (m_budget.exceeded()) {
            result.tooManySpots = true;
            return result;
        }
        return std::move(m_joined);
    }

private:
    // A walk that will pass the spot limit ends sooner when the outer indices are first only
    // counted, at a fraction of the cost of walking them. Counted indices are walked when every
    // index has been taken; their count was a lower bound, and is taken back for the exact one.
    // For a walk that stays below the limit, counting is time lost, so the walk counts first
    // only once the spots so far predict a total beyond the limit.
    struct Counted {
        int index = 0;
        std::size_t spots = 0;
    };

    // The prediction is asked once an eighth of the limit is booked: smaller patterns never
    // pay for it. The walked outer indices give the spots per variant on the film; the
    // variants of every outer index, estimated from a sample, then give the total. The first
    // thread to ask makes the estimate.
    template <typename KeepGoing> bool countsFirst(const KeepGoing& keepGoing) {
        if (m_countingFirst)
            return true;
        if (m_budget.used() <= m_budget.limit() / 8)
            return false;
        const auto walkedProjected = static_cast<double>(m_walkedProjected.load());
        if (!(walkedProjected > 0.0))
            return false;
        EstimateState expected = EstimateState::Missing;
        if (m_estimateState.compare_exchange_strong(expected, EstimateState::Making)) {
            std::optional<double> estimate;
            try {
                estimate = estimateProjected(keepGoing);
            } catch (...) {
                m_estimateState = EstimateState::Abandoned; // no thread may wait for it
                throw;
            }
            m_projectedEstimate = estimate.value_or(0.0);
            m_estimateState = estimate ? EstimateState::Made : EstimateState::Abandoned;
        }
        // The others wait for it, a fraction of the time an outer index takes: walking or
        // counting meanwhile may both turn out to be the wrong work.
        while (m_estimateState == EstimateState::Making && keepGoing())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (m_estimateState != EstimateState::Made)
            return false;
        const auto walkedSpots = static_cast<double>(m_walkedSpots.load());
        const double remaining = std::max(m_projectedEstimate - walkedProjected, 0.0);
        const double predicted = walkedSpots + remaining * walkedSpots / walkedProjected;
        if (predicted > static_cast<double>(m_budget.limit()))
            m_countingFirst = true;
        return m_countingFirst;
    }

    // The variants on the film over all outer indices, from one index in every kSampleStep
    // (the index 0 exactly), each standing for its block of indices.
    // Nothing when the walk is told to stop meanwhile.
    static constexpr int kSampleStep = 8;
    template <typename KeepGoing>
    std::optional<double> estimateProjected(const KeepGoing& keepGoing) const {
        double total = static_cast<double>(projectedVariants(m_walk, 0));
        for (int first = 1; first <= m_walk.hMax; first += kSampleStep) {
            if (!keepGoing())
                return std::nullopt;
            const int last = std::min(first + kSampleStep - 1, m_walk.hMax);
            const int sampled = (first + last) / 2;
            total += static_cast<double>(projectedVariants(m_walk, sampled)) *
                     static_cast<double>(last - first + 1);
        }
        return total;
    }

    // Appends the spots of every walked outer index that follows the joined ones, in index
    // order, as soon as the index before it is joined: each chunk's blocks go to the spare
    // lists while the walk still runs, for the chunks that follow to reuse, and no copy of the
    // whole list is left for the end. A walk that stops early leaves partial chunks here, which
    // joined() never hands out.
    void joinFinished(int index) {
        const std::lock_guard<std::mutex> lock(m_joinMutex);
        m_walked[static_cast<std::size_t>(index)] = true;
        while (m_nextToJoin < m_walked.size() && m_walked[m_nextToJoin]) {
            SpotComputationResult& chunk = m_chunks[m_nextToJoin++];
            if (m_joined.spots.size() + chunk.spots.size() > kJoinedRoomFrom)
                reserveJoined();
            m_joined.spots.append(chunk.spots); // its pool ranges follow the harmonics
            m_joined.strongestIntensity =
                std::max(m_joined.strongestIntensity, chunk.strongestIntensity);
            chunk.spots.removeAll();
            m_spareLists.push_back(std::move(chunk.spots));
        }
    }

    // The list for the spots of outer index i, with the blocks of a joined one where there is
    // one: fresh blocks would cost the system a page fault and zeroing per page, for every
    // index again.
    SpotComputationResult& chunkFor(int i) {
        SpotComputationResult& chunk = m_chunks[static_cast<std::size_t>(i)];
        const std::lock_guard<std::mutex> lock(m_joinMutex);
        if (!m_spareLists.empty()) {
            chunk.spots = std::move(m_spareLists.back());
            m_spareLists.pop_back();
        }
        return chunk;
    }

    // Once a pattern is large, room for as many spots as the limit allows (and as many
    // harmonics), so that the joined list never moves again while it grows. Only the part
    // written is ever given pages, and a small pattern never holds such room; without the
    // address space for it the list grows as lists do.
    static constexpr std::size_t kJoinedRoomFrom = 65536;
    void reserveJoined() {
        if (m_joinedRoomAsked)
            return;
        m_joinedRoomAsked = true;
        const std::size_t room = std::min(m_budget.limit(), kMaxSpotCount) + 1;
        try {
            m_joined.spots.reserve(room, room);
        } catch (const std::bad_alloc&) {
            // The list keeps its spots and grows as lists do.
        }
    }

    void deferCounted(int index, std::size_t spots) {
        const std::lock_guard<std::mutex> lock(m_countedMutex);
        m_counted.push_back({index, spots});
    }

    std::optional<Counted> takeCounted() {
        const std::lock_guard<std::mutex> lock(m_countedMutex);
        if (m_counted.empty())
            return std::nullopt;
        const Counted counted = m_counted.back();
        m_counted.pop_back();
        return counted;
    }

    const WalkContext& m_walk;
    const PhaseFactorTables& m_tables;
    SpotBudget m_budget;
    std::mutex m_countedMutex;
    std::vector<Counted> m_counted;
    std::vector<SpotComputationResult> m_chunks;
    std::mutex m_joinMutex;
    std::vector<bool> m_walked;
    std::size_t m_nextToJoin = 0;
    std::vector<SpotList> m_spareLists; // emptied after joining, their blocks kept
    bool m_joinedRoomAsked = false;
    SpotComputationResult m_joined;
    std::atomic<int> m_next{0};
    std::atomic<int> m_finished{0};
    std::atomic<std::size_t> m_walkedProjected{0}, m_walkedSpots{0};
    enum class EstimateState { Missing, Making, Made, Abandoned };
    std::atomic<EstimateState> m_estimateState{EstimateState::Missing};
    double m_projectedEstimate = 0.0; // written before m_estimateState turns Made
    std::atomic<bool> m_countingFirst{false};
    std::atomic<bool> m_cancelled{false};
    std::mutex m_failureMutex;
    std::exception_ptr m_failure;
};

} // namespace

SpotComputationResult computeLaueSpots(const SpotComputationInput& input) {
    if (!canWalk(input))
        return {};
    const WalkContext walk(input);
    const int threads = workerCount(input.threadCount, walk.hMax + 1);
    const PhaseFactorTables tables(*input.groups, walk.hMax, walk.kMax, walk.lMax, threads);
    OuterIndexQueue queue(walk, tables);
    std::vector<std::jthread> helpers;
    helpers.reserve(static_cast<std::size_t>(threads - 1));
    try {
        for (int t = 1; t < threads; ++t)
            helpers.emplace_back([&queue] { queue.work(false); });
    } catch (const std::system_error&) {
        // Fewer threads than asked for only take longer.
    }
    queue.work(true);
    for (std::jthread& helper : helpers)
        helper.join();
    return queue.joined();
}

SpotComputationResult computeLaueSpotsReference(const SpotComputationInput& input) {
    SpotComputationResult result;
    if (!canWalk(input))
        return result;
    const WalkContext walk(input);
    for (int i = 0; i <= walk.hMax; ++i) {
        for (int j = 0; j <= walk.kMax; ++j) {
            for (int k = 0; k <= walk.lMax; ++k) {
                if ((i == 0 && j == 0 && k == 0) || !isPrimitive(i, j, k))
                    continue;
                const int nMax = highestHarmonic(i, j, k, walk.hMax, walk.kMax, walk.lMax);
                forEachSignVariant(i, j, k, [&](int sh, int sk, int sl) {
                    if (const std::optional<Projection> at = project(walk, sh, sk, sl))
                        visitDirectly(walk, sh, sk, sl, nMax, *at, result);
                });
            }
        }
    }
    return result;
}

} // namespace xtalsp
