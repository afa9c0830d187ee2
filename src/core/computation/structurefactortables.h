// Structure factors of many reflections of one structure, assembled from per-axis tables of
// atomic phase factors instead of a sine and cosine per atom and reflection.
#pragma once

#include "core/computation/scatteringtable.h"
#include "core/platform/largeblocks.h"
#include "core/structure/crystalstructure.h"

#include <array>
#include <atomic>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace xtalsp {

// The phase factor of an atom in (h k l) factorises along the axes:
// exp(2 pi i (h x + k y + l z)) = exp(2 pi i h x) exp(2 pi i k y) exp(2 pi i l z).
// The tables hold the three factors of every atom for every index up to the limits, so any
// reflection within them, harmonics included, costs two complex products per atom. Built once
// per spot computation and only read afterwards, they are shared by all threads; only the
// screen's rows are made on first use, by whichever thread asks first.
class PhaseFactorTables {
public:
    // The groups must outlive the tables and stay unchanged while they are used. With a
    // threadCount above 1 a second thread helps to fill them.
    PhaseFactorTables(const std::vector<ElementGroup>& groups, int hMax, int kMax, int lMax,
                      int threadCount = 1);

    // Whether (h k l) can be assembled from the tables. Never, when an atom lies outside the
    // coordinates the tables hold exactly (beyond +-3 or not finite) or the tables would be too
    // large; such structures are evaluated directly throughout.
    bool covers(int h, int k, int l) const;

    const std::vector<ElementGroup>& groups() const { return *m_groups; }

private:
    friend class FastStructureFactor;

    // Factors exp(i phase) of every site for the indices 0 to maxIndex, row m at m * siteCount;
    // phase is 2 pi m times the coordinate, rounded to a multiple of 2^-36 rad.
    struct Axis {
        int maxIndex = 0;
        std::vector<double, LargeBlockAllocator<double>> re, im;
    };

    // Single-precision copies of the factors for the screen (see FastStructureFactor), each
    // group's sites padded with zero factors to whole sets of the screen's lanes. The first
    // axis carries the occupancies.
    struct ScreenAxis {
        std::vector<float, LargeBlockAllocator<float>> re, im;
    };

    void addSite(double x, double y, double z, double occupancy);
    bool fitsTables() const;
    void fillTables(int threadCount);
    void fillAxisRow(Axis& axis, const std::vector<double>& coordinate, int m) const;
    bool suitsScreen() const;
    bool allocateScreenAxes();
    void fillScreenRow(ScreenAxis& screen, const Axis& axis, int m, bool withOccupancy) const;
    // Makes row |index| of screen axis 0 (h), 1 (k) or 2 (l) if no thread has made it yet.
    void makeScreenRow(std::size_t axis, int index) const;

    const std::vector<ElementGroup>* m_groups;
    // Sites of all groups in stored order, each group followed by empty sites to a whole
    // number of lanes.
    std::vector<double> m_x, m_y, m_z, m_occupancy;
    std::vector<std::size_t> m_groupStart; // group g owns [start[g], start[g + 1])
    std::vector<std::size_t> m_siteCount;  // of the group itself, at the start of its range
    std::vector<double> m_occupancySum, m_occupancySquareSum;
    bool m_usable = false;
    Axis m_h, m_k, m_l;
    bool m_screenable = false;
    std::size_t m_screenSiteCount = 0;           // padded sites per screen row
    std::vector<std::size_t> m_screenGroupStart; // as m_groupStart, in the padded rows
    std::vector<double> m_screenErrorScale;      // per group, times |f|: bound on the error
    // Many walks never ask the screen, and one that does asks for a fraction of its rows: the
    // rows are made on demand, their pages first touched then.
    mutable ScreenAxis m_hScreen, m_kScreen, m_lScreen;
    mutable std::unique_ptr<std::atomic<bool>[]> m_screenRowMade; // per row of the h, k, l axes
    mutable std::mutex m_screenRowMutex;
};

// The double-precision sums along a cached row and the screen's sums go over the sites in passes
// of 8, 4 or 2 of their eight lanes (twice as many floats), by default as many as the
// processor's vector registers hold. Every width gives the same results, bit for bit;
// chooseRowPassWidth(0) returns to the default.
void chooseRowPassWidth(std::size_t width);

// The double-precision row sums use fused multiply-adds where the processor runs the clones
// built with them (x86-64-v3 and up). Fused or not, the results agree with structureFactor()
// within the error estimate; on one processor they are the same at every thread count and pass
// width. Passing true or false forces the choice; std::nullopt returns to the processor's.
void chooseRowSumFusion(std::optional<bool> fused);

// One thread's evaluator over shared tables. Its results come with two error measures: a
// relative error that bounds the deviation from structureFactor() with high confidence, and a
// ceiling that structureFactor()'s |F|^2 cannot exceed at all. Where the atoms' terms cancel
// strongly (a nearly extinct reflection) the relative error is too large to rely on the result,
// and only the ceiling tells something: often enough that the reflection is too weak to matter.
// The largest relative deviation of |F|^2 from structureFactor() that a result from the tables
// may have to be relied on.
inline constexpr double kFastStructureFactorTolerance = 5e-13;

// The sum over each group's sites of occupancy exp(2 pi i (h x + k y + l z)), in stored group
// order: a structure factor before its scattering factors, the same at every s2.
struct GroupSums {
    std::vector<double> re, im;
};

struct TripleTermSource;
struct RowTermSource;

class FastStructureFactor {
public:
    // Harmonic orders whose rows a walk along the last index may keep: (n h, n k) and
    // (n h, -n k) for n up to this stay at hand, one megabyte of rows per evaluator.
    static constexpr int kRowOrders = 8;

    explicit FastStructureFactor(const PhaseFactorTables& tables);

    // Evaluates every group's scattering factor at s2 = (sin(theta) / lambda)^2 (1/Angstrom^2)
    // for the reflections that follow, and returns a bound that no |F|^2 at this s2 can exceed:
    // the square of the sum of |occupancy f| over all atoms, with room for rounding.
    double setScattering(double s2);
    // The same without the bound and typicalSquared(), for reflections whose bound is known.
    void useScattering(double s2);

    struct Amplitude {
        double squared = 0.0;       // |F|^2
        double relativeError = 0.0; // on squared, with high confidence; 0 when evaluated directly
        double ceiling = 0.0;       // structureFactor()'s |F|^2 is at most this

        // Within kFastStructureFactorTolerance of structureFactor()'s |F|^2.
        bool reliable() const { return relativeError <= kFastStructureFactorTolerance; }
    };

    // |F(h k l)|^2 at the current s2, directly evaluated where the tables do not reach.
    Amplitude evaluate(int h, int k, int l);
    // The same for a run of reflections that share (h k) or (-h -k), as when the last index
    // runs: the products of the first two factors of the two latest (h k) are kept.
    Amplitude evaluateInRow(int h, int k, int l);
    // Whether pairedGroupSums can assemble (h k l) and (h k -l).
    bool canPair(int h, int k, int l) const { return l != 0 && m_tables.covers(h, k, l); }
    // The group sums of (h k l) and (h k -l) in one pass over the sites, which share every
    // loaded factor; inRow as evaluateInRow, otherwise as evaluate. amplitudeOf() turns them into
    // the very results of those two. Only where canPair(h, k, l).
    void pairedGroupSums(int h, int k, int l, bool inRow, GroupSums& plus, GroupSums& minus);
    // A run of row-cached reflections planned ahead. Between beginPlan() and runPlan() the
    // calls of pairedGroupSums and evaluateInRow that use cached rows only note what they ask
    // for, and every evaluation returns nothing meaningful. runPlan() then makes all noted sums,
    // several values of l in one pass over a row, and the same calls in the same order take
    // them: bit for bit what they would make on their own. A call that differs from the plan
    // makes its own sums. endPlan() returns to making every sum when asked.
    void beginPlan();
    void runPlan();
    void endPlan();
    // |F|^2 at the current s2 of the reflection with these group sums, or of its Friedel mate
    // (whose sums are the conjugates, which leaves |F|^2 bit for bit the same).
    Amplitude amplitudeOf(const GroupSums& sums) const;
    // The same with structureFactor(): bit for bit the value the straightforward walk gets.
    Amplitude evaluateDirectly(int h, int k, int l) const;

    // The screen: the group sums of (h k l) in single precision, and a ceiling that
    // structureFactor()'s |F|^2 provably cannot exceed. Its rounding errors are bounded term by
    // term, so a harmonic whose intensity at the ceiling stays at or below the minimum is one
    // the straightforward walk drops too, and costs a fraction of a double-precision sum.
    bool canScreen(int h, int k, int l) const {
        return m_tables.m_screenable && m_tables.covers(h, k, l);
    }
    // Only where canScreen(h, k, l).
    void screenGroupSums(int h, int k, int l, GroupSums& sums);
    // (h k l) and (h k -l) together. Only where canScreen(h, k, l) and l != 0.
    void screenPairedGroupSums(int h, int k, int l, GroupSums& plus, GroupSums& minus);
    // At the current s2; valid for the Friedel mate as well.
    double screenCeiling(const GroupSums& sums) const;
    // A floor that structureFactor()'s |F|^2 provably reaches, at the current s2.
    double screenFloor(const GroupSums& sums) const;
    // The ceiling at another s2, leaving the current one as it is.
    double screenCeilingAt(const GroupSums& sums, double s2);
    // The mean |F|^2 of atoms at independent random positions, at the current s2: where the
    // minimum lies far below it, the screen would rarely drop anything.
    double typicalSquared() const { return m_typicalSquared; }

private:
    // occupancy * exp(2 pi i (h x + k y)) of every site for one (h k), with its exact table
    // phase and the rounded h x + k y that structureFactor() forms on the way to its argument.
    struct Row {
        int h = 0, k = 0;
        bool filled = false;
        std::uint64_t lastUse = 0;
        std::vector<double, LargeBlockAllocator<double>> re, im, phase, hk; // cache-aligned
    };

    Row& rowFor(int h, int k);
    RowTermSource rowSource(const Row& cached, int h, int k, int l, bool paired) const;

    // The sums of (h k l), or of the pair (h k l) and (h k -l), noted while planning.
    struct PlannedSums {
        int h = 0, k = 0, l = 0;
        bool paired = false;
    };
    enum class Planning { Off, Noting, Taking };
    // Per group: plus re, plus im, minus re, minus im (a single reflection's as plus); null
    // while noting a plan.
    const double* rowTotals(const PlannedSums& call);
    // The same from the plan; null where the call is not the next planned one.
    const double* takePlanned(const PlannedSums& call);
    // Groups the planned calls into batches of one row and kind, in the order to sum them.
    void batchPlan();
    // Every group's scattering factor at s2, then every group's spread (see
    // ScatteringFactorSet), valid until the next call.
    const double* scatteringAt(double s2);
    // The scattering factors at s2 as the plan noted them, searched from the last taken; and
    // noting them while planning.
    const double* plannedScattering(double s2);
    void notePlannedScattering(double s2, const double* factors);
    // |F|^2 from such totals, of the plus (part 0) or the minus (part 2) reflection.
    Amplitude amplitudeOfTotals(const double* totals, std::size_t part) const;
    // Where the terms of (h k l) come from in the three axis tables.
    TripleTermSource tripleSource(int h, int k, int l) const;
    // occupancy * exp(2 pi i (h x + k y)) in single precision, in the screen's padded layout.
    struct ScreenRow {
        int h = 0, k = 0;
        bool filled = false;
        std::uint64_t lastUse = 0;
        std::vector<float, LargeBlockAllocator<float>> re, im;
    };
    const ScreenRow& screenRowFor(int h, int k);
    void fillScreenRow(ScreenRow& row, int h, int k) const;
    // spreadBound and spreadSquares: over the groups, the spread of the factor times the sum of
    // |re| and |im| of the group's sum, and the square of the spread times |sum|^2.
    Amplitude withErrors(std::complex<double> f, double spreadBound, double spreadSquares) const;
    template <typename Combination> Amplitude amplitudeFrom(const Combination& combined) const {
        return withErrors({combined.re, combined.im}, combined.spreadBound, combined.spreadSquares);
    }
    double screenCeilingWith(const GroupSums& sums, const double* scattering) const;
    // |F| from the screen's sums and the bound on its deviation.
    std::array<double, 2> screenAmplitude(const GroupSums& sums, const double* scattering) const;
    double estimatedDeviationSquared() const;
    double largestDeviation() const;
    // Both deviations depend on the scattering factors alone: made once for each s2 set.
    struct Deviations {
        double variance = 0.0, largest = 0.0;
    };
    const Deviations& deviations() const;

    const PhaseFactorTables& m_tables;
    double m_s2 = 0.0;
    double m_boundMargin = 1.0;
    ScatteringFactorSet m_factorSet;        // of the groups' elements
    std::vector<double> m_scattering;       // f of each group at m_s2
    std::vector<double> m_scatteringSpread; // and its spread
    // The groups' factors and spreads at the latest kRecentScattering values of s2 asked for.
    static constexpr std::size_t kRecentScattering = 8;
    std::array<double, kRecentScattering> m_recentS2{};
    std::vector<double> m_recentScattering; // per entry, as scatteringAt() gives them
    std::size_t m_nextRecent = 0;
    double m_typicalSquared = 0.0;
    mutable Deviations m_deviations;
    mutable bool m_deviationsKnown = false;
    // The rows of the latest (h k), least recently used replaced first: the walk's harmonics up
    // to kRowOrders of both rows of one (i j) stay while the last index runs.
    std::array<Row, 2 * kRowOrders> m_rows;
    std::array<ScreenRow, 2 * kRowOrders> m_screenRows;
    std::uint64_t m_rowClock = 0;
    Planning m_planning = Planning::Off;
    std::vector<PlannedSums> m_planned;  // in the order of the calls
    std::vector<double> m_plannedTotals; // per planned call, as takePlanned() returns them
    // The planned calls by row, kind and l: each one's planKey() and its index.
    std::vector<std::pair<std::uint64_t, std::size_t>> m_planOrder;
    static std::uint64_t planKey(const PlannedSums& call);
    // Consecutive calls of m_planOrder summed in one pass; absL is the first one's |l|.
    struct PlannedBatch {
        std::size_t first = 0, count = 0;
        int absL = 0;
    };
    std::vector<PlannedBatch> m_planBatches; // in the order they are summed
    std::size_t m_nextPlanned = 0;
    std::vector<double> m_plannedS2;         // the scattering factors' s2 in the order asked
    std::vector<double> m_plannedScattering; // and the groups' factors and spreads at each
    std::size_t m_nextPlannedScattering = 0;
    std::vector<double> m_rowTotals; // those of one unplanned call
};

} // namespace xtalsp
