// Indexing by angles between scattering directions: anchors, quick scores, refinement.
#include "core/orientation/indexing.h"

#include "core/computation/angles.h"
#include "core/computation/filmunits.h"
#include "core/computation/geometry.h"
#include "core/orientation/directionstrength.h"
#include "core/orientation/orientation.h"
#include "core/orientation/orientationfit.h"
#include "core/orientation/rotationfit.h"

#include <Eigen/Dense>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <numeric>
#include <optional>
#include <string>
#include <unordered_map>

namespace xtalsp {
namespace {

using Eigen::Matrix3d;
using Eigen::Vector3d;

// A pair of spots fixes a rotation once their lattice directions are known. One of the two is
// taken from the low indices; the other may reach further, since back-reflection patterns are
// often led by directions such as (10 7 3) or (3 -11 -1) whose low-index multiples would need
// wavelengths beyond the spectrum, and some hold no direction below (4 3 -6). Pairing two
// high-index directions would multiply the trials by the square of the table and let chance
// alignments crowd out the true rotation.
constexpr int kLowIndexCap = 6;
constexpr int kAnchorIndexCap = 12;
// A measured spot counts as explained when it lies along a primitive direction up to this. Near
// the back-reflection centre, where the Lorentz factor grows without bound, directions such as
// (5 -17 -1) lead the pattern; in transmission the strong spots are low-index ones, and the
// loose angular tolerance near the centre would let many more high-index directions explain a
// spot by chance.
constexpr int kTransmissionScoreIndexCap = 12;
constexpr int kBackReflectionScoreIndexCap = 20;
// Every pair of spots that includes one of the strongest is tried, in both roles: the strongest
// spot is often a high index, and the low-index one it needs may be weaker.
constexpr std::size_t kAnchorSpots = 5;
constexpr std::size_t kMostPairedSpots = 16; // of a long list, the strongest pair up
constexpr std::size_t kLeastKeptScore = 3;   // the two anchors and one more spot
// Candidates kept after the quick score, and distinct ones refined by the fit at least.
constexpr std::size_t kKeptCandidates = 300;
constexpr std::size_t kAlwaysRefined = 4;
constexpr std::size_t kMostRefined = 30;
// Rotations whose relative matrix lies this close to an integer one in lattice coordinates
// count as one orientation.
constexpr double kEquivalenceTolerance = 0.12;
// The shortest wavelength taken from the spectrum is at least this, which keeps the bound on
// the reciprocal vectors finite for a spectrum lit from its first sample.
constexpr double kShortestUsableWavelength = 0.05; // Angstrom
constexpr std::size_t kLeastPairedSimulated = 30;
constexpr std::size_t kPairedSimulatedPerMeasured = 4;
// A lattice direction explains a measured spot when its spot there would reach this share of
// the intensity of the weakest simulated spot that may pair.
constexpr double kStrongShare = 0.5;
constexpr double kShareForCandidates = 0.6;       // of the progress, the rest for the fits
constexpr double kShareOfTimeForCandidates = 0.5; // of the time limit

Matrix3d basisMatrix(const ReciprocalBasis& b) {
    Matrix3d matrix;
    matrix << b.aStarX, 0.0, 0.0, b.aStarY, b.bStarY, 0.0, b.aStarZ, b.bStarZ, b.cStarZ;
    return matrix;
}

Vector3d toEigen(const Vector3& v) {
    return {v[0], v[1], v[2]};
}

// Rows are the laboratory axes in the cell frame, so that rotation * v gives the laboratory
// components of a cell-frame vector v.
std::array<Vector3, 3> axesOf(const Matrix3d& rotation) {
    std::array<Vector3, 3> axes{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            axes[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = rotation(i, j);
    return axes;
}

Matrix3d rotationOf(const std::array<Vector3, 3>& axes) {
    Matrix3d rotation;
    for (int i = 0; i < 3; ++i)
        rotation.row(i) = toEigen(axes[static_cast<std::size_t>(i)]).transpose();
    return rotation;
}

// The wavelength below which the spectrum is dark, one sample before its first lit one.
double shortestWavelength(const Spectrum& spectrum) {
    for (std::size_t i = 0; i < kSpectrumSize; ++i)
        if (spectrum.intensity[i] > 0.0)
            return std::max(kShortestUsableWavelength, (double(i) - 1.0) * kSpectrumStep);
    return kShortestUsableWavelength;
}

// What the search knows about the lattice: reciprocal basis, its inverse, the longest
// reciprocal vector that can diffract (d >= lambda_min / 2), the index limits of the pattern
// and the proper rotations that map the lattice onto itself.
struct Lattice {
    Matrix3d basis;
    Matrix3d inverse;
    double longestVector = 0.0;
    std::array<int, 3> limits{};
    std::vector<Eigen::Matrix3i> symmetry; // acting on indices: h' = M h
    DiffractionGeometry geometry = DiffractionGeometry::Transmission;
    double distance = 0.0;      // film units
    double filmTolerance = 0.0; // film units
    int scoreIndexCap = kTransmissionScoreIndexCap;
};

// Integer matrices with entries -1, 0, 1 and determinant 1 that keep the reciprocal metric:
// every proper rotation of a reduced or conventional cell has this form.
std::vector<Eigen::Matrix3i> latticeRotations(const Matrix3d& basis) {
    const Matrix3d metric = basis.transpose() * basis;
    const double tolerance = 1e-6 * metric.cwiseAbs().maxCoeff();
    std::vector<Eigen::Matrix3i> rotations;
    for (int code = 0; code < 19683; ++code) {
        Eigen::Matrix3i m;
        int rest = code;
        for (int i = 0; i < 9; ++i) {
            m(i / 3, i % 3) = rest % 3 - 1;
            rest /= 3;
        }
        if (m.determinant() != 1)
            continue;
        const Matrix3d md = m.cast<double>();
        if ((md.transpose() * metric * md - metric).cwiseAbs().maxCoeff() <= tolerance)
            rotations.push_back(m);
    }
    return rotations;
}

Lattice describeLattice(const SpotComputationInput& pattern) {
    Lattice lattice;
    lattice.basis = basisMatrix(pattern.basis);
    lattice.inverse = lattice.basis.inverse();
    lattice.longestVector = 2.0 / shortestWavelength(*pattern.spectrum);
    lattice.limits = {std::clamp(pattern.settings.Hmax, 1, kMaxIndexLimit),
                      std::clamp(pattern.settings.Kmax, 1, kMaxIndexLimit),
                      std::clamp(pattern.settings.Lmax, 1, kMaxIndexLimit)};
    lattice.symmetry = latticeRotations(lattice.basis);
    lattice.geometry = pattern.settings.geometry;
    lattice.distance = pattern.settings.distance;
    lattice.scoreIndexCap = lattice.geometry == DiffractionGeometry::Transmission
                                ? kTransmissionScoreIndexCap
                                : kBackReflectionScoreIndexCap;
    return lattice;
}

// A measured spot as the search sees it: its unit scattering direction in the laboratory and
// how far that direction may turn when the spot moves by the tolerance on the film.
struct MeasuredDirection {
    Vector3d direction;
    double angularTolerance = 0.0;
    double enoughCosine = 1.0; // of the angular tolerance
    FilmPosition at;           // film units
};

double angleBetween(const Vector3d& u, const Vector3d& v) {
    return std::atan2(u.cross(v).norm(), u.dot(v));
}

std::vector<MeasuredDirection> measuredDirections(const IndexingRequest& request) {
    const auto& settings = request.pattern.settings;
    const double step = request.toleranceMm * kFilmUnitsPerMm;
    std::vector<MeasuredDirection> directions;
    for (const FilmPeak& spot : request.measured) {
        const FilmPosition at{spot.xMm * kFilmUnitsPerMm, spot.yMm * kFilmUnitsPerMm};
        const Vector3d u = toEigen(scatteringDirection(settings.geometry, settings.distance, at));
        double tolerance = 0.0;
        for (const FilmPosition shifted :
             {FilmPosition{at.x + step, at.y}, FilmPosition{at.x - step, at.y},
              FilmPosition{at.x, at.y + step}, FilmPosition{at.x, at.y - step}})
            tolerance = std::max(
                tolerance, angleBetween(u, toEigen(scatteringDirection(
                                               settings.geometry, settings.distance, shifted))));
        directions.push_back({u, tolerance, std::cos(tolerance), at});
    }
    return directions;
}

// Which lattice directions would give one of the strongest spots of a pattern at a measured
// spot's Bragg angle. The measured spots are the strongest of theirs, and in a lattice with many
// directions a wrong rotation finds some direction near nearly every spot; but few of those
// directions would light a strong spot at that angle.
class StrongDirections {
public:
    StrongDirections(const SpotComputationInput& pattern,
                     const std::vector<MeasuredDirection>& measured, double threshold)
        : m_strength(pattern), m_threshold(std::max(threshold, pattern.minimumIntensity)) {
        for (const MeasuredDirection& spot : measured)
            m_sinTheta.push_back(spot.direction[0]);
        m_near.resize(measured.size());
    }
    // Whether primitive direction t would give a strong spot at measured spot `spot`.
    bool strong(std::size_t spot, const Eigen::Vector3i& t) {
        if (t.cwiseAbs().maxCoeff() > kDenseReach)
            return strongFar(spot, t);
        std::vector<std::int8_t>& known = m_near[spot];
        if (known.empty())
            known.assign(std::size_t(kDenseSide * kDenseSide * kDenseSide), kUnknown);
        std::int8_t& answer = known[std::size_t(
            ((t[0] + kDenseReach) * kDenseSide + t[1] + kDenseReach) * kDenseSide + t[2] +
            kDenseReach)];
        if (answer == kUnknown)
            answer = isStrong(spot, t) ? kStrong : kWeak;
        return answer == kStrong;
    }

private:
    // The score asks about every spot of every trial rotation, so the answers for directions
    // within the reach of its lookup are kept in a box per spot rather than a hash map.
    static constexpr int kDenseReach = std::max(kBackReflectionScoreIndexCap, kAnchorIndexCap);
    static constexpr int kDenseSide = 2 * kDenseReach + 1;
    static constexpr std::int8_t kUnknown = 0, kStrong = 1, kWeak = -1;

    bool isStrong(std::size_t spot, const Eigen::Vector3i& t) {
        return m_strength.intensity({t[0], t[1], t[2]}, m_sinTheta[spot]) > m_threshold;
    }
    bool strongFar(std::size_t spot, const Eigen::Vector3i& t) {
        // Index limits stay below 1000, so each index fits 11 bits after the offset.
        const std::uint64_t key = std::uint64_t(spot) << 33 | std::uint64_t(t[0] + 1024) << 22 |
                                  std::uint64_t(t[1] + 1024) << 11 | std::uint64_t(t[2] + 1024);
        const auto [found, inserted] = m_far.try_emplace(key, false);
        if (inserted)
            found->second = isStrong(spot, t);
        return found->second;
    }

    DirectionStrength m_strength;
    double m_threshold;
    std::vector<double> m_sinTheta;               // of each measured spot
    std::vector<std::vector<std::int8_t>> m_near; // per spot, filled on first use
    std::unordered_map<std::uint64_t, bool> m_far;
};

// Primitive lattice directions of the anchor table, unit vectors in the cell frame, laid out
// by component so that the scan over them vectorises.
struct DirectionTable {
    std::vector<Eigen::Vector3i> indices;
    std::vector<double> x, y, z;
    std::vector<std::size_t> representatives; // one per orbit of the lattice's rotations
};

bool isPrimitive(const Eigen::Vector3i& t) {
    return std::gcd(std::gcd(std::abs(t[0]), std::abs(t[1])), std::abs(t[2])) == 1;
}

bool lexicographicallyLess(const Eigen::Vector3i& a, const Eigen::Vector3i& b) {
    return std::lexicographical_compare(a.data(), a.data() + 3, b.data(), b.data() + 3);
}

// A direction stands for its orbit when no lattice rotation maps it onto a larger triple.
bool isOrbitRepresentative(const Lattice& lattice, const Eigen::Vector3i& t) {
    return std::none_of(
        lattice.symmetry.begin(), lattice.symmetry.end(),
        [&](const Eigen::Matrix3i& m) { return lexicographicallyLess(t, Eigen::Vector3i(m * t)); });
}

DirectionTable anchorDirections(const Lattice& lattice, int indexCap) {
    DirectionTable table;
    std::array<int, 3> cap{};
    for (std::size_t i = 0; i < 3; ++i)
        cap[i] = std::min(lattice.limits[i], indexCap);
    for (int h = -cap[0]; h <= cap[0]; ++h)
        for (int k = -cap[1]; k <= cap[1]; ++k)
            for (int l = -cap[2]; l <= cap[2]; ++l) {
                const Eigen::Vector3i t(h, k, l);
                if (t.isZero() || !isPrimitive(t))
                    continue;
                const Vector3d g = lattice.basis * t.cast<double>();
                if (g.norm() > lattice.longestVector)
                    continue;
                const Vector3d unit = g.normalized();
                if (isOrbitRepresentative(lattice, t))
                    table.representatives.push_back(table.indices.size());
                table.indices.push_back(t);
                table.x.push_back(unit[0]);
                table.y.push_back(unit[1]);
                table.z.push_back(unit[2]);
            }
    return table;
}

// The directions of `table` that would give a strong spot at the angle of measured spot `spot`.
DirectionTable strongSubset(const DirectionTable& table, StrongDirections& strong,
                            std::size_t spot) {
    DirectionTable subset;
    for (std::size_t s = 0; s < table.indices.size(); ++s)
        if (strong.strong(spot, table.indices[s])) {
            subset.indices.push_back(table.indices[s]);
            subset.x.push_back(table.x[s]);
            subset.y.push_back(table.y[s]);
            subset.z.push_back(table.z[s]);
        }
    return subset;
}

// The unit vector of the first primitive lattice direction (within the limits that can
// diffract) lying within the angle of cell-frame unit vector v whose cosine is `enoughCosine`
// and accepted by `accept`, found by scaling v's indices so that the largest is 1, 2, ... and
// rounding. This runs for every spot of every trial rotation, so it compares squares and takes
// no root on a miss.
template <typename Accept>
std::optional<Vector3d> latticeDirectionNear(const Lattice& lattice, const Vector3d& v,
                                             double enoughCosine, Accept&& accept) {
    const Vector3d indices = lattice.inverse * v;
    const double largest = indices.cwiseAbs().maxCoeff();
    const double enoughSquared = enoughCosine * enoughCosine;
    for (int n = 1; n <= lattice.scoreIndexCap; ++n) {
        const Vector3d scaled = indices * (n / largest);
        const Eigen::Vector3i t(int(std::floor(scaled[0] + 0.5)), int(std::floor(scaled[1] + 0.5)),
                                int(std::floor(scaled[2] + 0.5)));
        if (t.isZero() || std::abs(t[0]) > lattice.limits[0] ||
            std::abs(t[1]) > lattice.limits[1] || std::abs(t[2]) > lattice.limits[2])
            continue;
        const Vector3d g = lattice.basis * t.cast<double>();
        const double lengthSquared = g.squaredNorm();
        const double shortest = lattice.longestVector * double(t.cwiseAbs().maxCoeff());
        if (lengthSquared > shortest * shortest)
            continue; // even the primitive direction is too short a d-spacing
        const double along = g.dot(v);
        if (along > 0.0 && along * along >= enoughSquared * lengthSquared && accept(t))
            return g / std::sqrt(lengthSquared);
    }
    return std::nullopt;
}

struct Candidate {
    Matrix3d rotation; // cell frame to laboratory
    std::size_t score = 0;
    double misfit = 0.0; // sum of angle / tolerance over the explained spots
};

bool betterCandidate(const Candidate& a, const Candidate& b) {
    return a.score != b.score ? a.score > b.score : a.misfit < b.misfit;
}

// Where a reflection along laboratory unit vector g meets the film, whatever its wavelength.
std::optional<FilmPosition> filmPointAlong(const Vector3d& g, const Lattice& lattice) {
    const double sinTheta = g[0];
    const double e = 2.0 * sinTheta * sinTheta - 1.0;
    const bool transmission = lattice.geometry == DiffractionGeometry::Transmission;
    if (!(sinTheta > 0.0) || (transmission ? !(e < 0.0) : !(e > 0.0)))
        return std::nullopt;
    const double scale = (transmission ? -1.0 : 1.0) * lattice.distance * 2.0 * sinTheta / e;
    return FilmPosition{scale * g[1], scale * g[2]};
}

// How far, in tolerances, the spot of a lattice direction lies from a measured spot on the film:
// the angular test alone is loose along the azimuth of spots near the transmission centre.
std::optional<double> filmMisfit(const Lattice& lattice, const MeasuredDirection& spot,
                                 const Vector3d& labDirection) {
    const auto at = filmPointAlong(labDirection, lattice);
    if (!at)
        return std::nullopt;
    const double misfit = std::hypot(at->x - spot.at.x, at->y - spot.at.y) / lattice.filmTolerance;
    if (!(misfit <= 1.0))
        return std::nullopt;
    return misfit;
}

// Scores a rotation by the measured spots it puts along lattice directions that would give a
// strong spot there; with `refine`,
// turns it to the least-squares rotation of those matches (Kabsch) and scores again.
// Without `refine`, scoring stops early, with a score below `needed`, once the spots left
// cannot reach it.
Candidate scoreRotation(const Lattice& lattice, const std::vector<MeasuredDirection>& measured,
                        StrongDirections& strong, const Matrix3d& rotation, bool refine,
                        std::size_t needed = 0) {
    Candidate candidate{rotation, 0, 0.0};
    Matrix3d correlation = Matrix3d::Zero();
    for (std::size_t i = 0; i < measured.size(); ++i) {
        if (!refine && candidate.score + (measured.size() - i) < needed)
            return candidate;
        const MeasuredDirection& spot = measured[i];
        const auto nearest =
            latticeDirectionNear(lattice, rotation.transpose() * spot.direction, spot.enoughCosine,
                                 [&](const Eigen::Vector3i& t) { return strong.strong(i, t); });
        if (!nearest)
            continue;
        const auto misfit = filmMisfit(lattice, spot, rotation * *nearest);
        if (!misfit)
            continue;
        ++candidate.score;
        candidate.misfit += *misfit;
        correlation += spot.direction * nearest->transpose();
    }
    if (!refine || candidate.score < 2)
        return candidate;
    const Candidate refined =
        scoreRotation(lattice, measured, strong, nearestRotation(correlation), false);
    return betterCandidate(refined, candidate) || refined.score == candidate.score ? refined
                                                                                   : candidate;
}

// R1^T R2 in lattice coordinates is an integer matrix when the lattice's symmetry maps one
// orientation onto the other.
bool equivalent(const Lattice& lattice, const Matrix3d& first, const Matrix3d& second) {
    const Matrix3d relative = lattice.inverse * first.transpose() * second * lattice.basis;
    const Matrix3d rounded = relative.array().round().matrix();
    return (relative - rounded).cwiseAbs().maxCoeff() <= kEquivalenceTolerance &&
           std::fabs(std::fabs(rounded.determinant()) - 1.0) < 0.5;
}

// Keeps the best candidates, at most kKeptCandidates of them.
class CandidateList {
public:
    void offer(const Candidate& candidate) {
        if (m_kept.size() == kKeptCandidates && !betterCandidate(candidate, m_kept.front()))
            return;
        m_kept.push_back(candidate);
        std::push_heap(m_kept.begin(), m_kept.end(), betterCandidate);
        if (m_kept.size() > kKeptCandidates) {
            std::pop_heap(m_kept.begin(), m_kept.end(), betterCandidate);
            m_kept.pop_back();
        }
    }
    bool empty() const { return m_kept.empty(); }
    // The score a candidate needs to be kept.
    std::size_t neededScore() const {
        return m_kept.size() < kKeptCandidates ? 0 : m_kept.front().score;
    }
    std::vector<Candidate> bestFirst() && {
        std::sort(m_kept.begin(), m_kept.end(), betterCandidate);
        return std::move(m_kept);
    }

private:
    std::vector<Candidate> m_kept; // a heap whose front is the worst kept
};

// The measured spots, strongest first (file order among equals), at most kMostPairedSpots.
std::vector<std::size_t> spotsByIntensity(const std::vector<FilmPeak>& measured) {
    std::vector<std::size_t> order(measured.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return measured[a].intensity > measured[b].intensity;
    });
    order.resize(std::min(order.size(), kMostPairedSpots));
    return order;
}

// Ordered pairs (low-index spot, other spot) with at least one of the kAnchorSpots strongest,
// those whose angle is known best first, so that a search cut short by its time limit has
// tried the most telling ones.
std::vector<std::pair<std::size_t, std::size_t>>
anchorPairs(const std::vector<std::size_t>& byIntensity,
            const std::vector<MeasuredDirection>& measured) {
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (std::size_t a = 0; a < byIntensity.size(); ++a)
        for (std::size_t b = 0; b < byIntensity.size(); ++b)
            if (a != b && std::min(a, b) < kAnchorSpots)
                pairs.emplace_back(byIntensity[a], byIntensity[b]);
    const auto tolerance = [&measured](const std::pair<std::size_t, std::size_t>& pair) {
        return measured[pair.first].angularTolerance + measured[pair.second].angularTolerance;
    };
    std::stable_sort(pairs.begin(), pairs.end(),
                     [&](const auto& x, const auto& y) { return tolerance(x) < tolerance(y); });
    return pairs;
}

// Every rotation that takes spot i onto a representative low-index direction p and spot j onto
// any direction q of the wider table at the same angle, within the sum of their tolerances,
// where both directions would give strong spots at their spots' angles (`table` holds just
// those for spot j). A representative stands for its orbit, whose members may differ in
// strength when the structure has less symmetry than its lattice.
void collectAnchorCandidates(const Lattice& lattice, const DirectionTable& low,
                             const DirectionTable& table,
                             const std::vector<MeasuredDirection>& measured,
                             StrongDirections& strong, std::size_t i, std::size_t j,
                             CandidateList& list) {
    const Vector3d& u = measured[i].direction;
    const Vector3d& v = measured[j].direction;
    const double tolerance = measured[i].angularTolerance + measured[j].angularTolerance;
    const double angle = angleBetween(u, v);
    if (angle < 2.0 * tolerance || angle > kPi - 2.0 * tolerance)
        return; // nearly parallel directions fix no rotation
    const double highest = std::cos(std::max(0.0, angle - tolerance));
    const double lowest = std::cos(std::min(kPi, angle + tolerance));
    const std::size_t count = table.indices.size();
    for (const std::size_t r : low.representatives) {
        if (std::none_of(lattice.symmetry.begin(), lattice.symmetry.end(),
                         [&](const Eigen::Matrix3i& m) {
                             return strong.strong(i, Eigen::Vector3i(m * low.indices[r]));
                         }))
            continue;
        const double px = low.x[r], py = low.y[r], pz = low.z[r];
        for (std::size_t s = 0; s < count; ++s) {
            const double cosine = px * table.x[s] + py * table.y[s] + pz * table.z[s];
            if (cosine < lowest || cosine > highest)
                continue;
            const Matrix3d rotation =
                rotationFromPairs(u, v, {px, py, pz}, {table.x[s], table.y[s], table.z[s]});
            const std::size_t needed = std::max(kLeastKeptScore, list.neededScore());
            const Candidate quick =
                scoreRotation(lattice, measured, strong, rotation, false, needed);
            // Turned onto its own matches first, the true rotation sheds the error of its
            // anchors and is not crowded out by chance alignments.
            if (quick.score >= needed)
                list.offer(scoreRotation(lattice, measured, strong, rotation, true));
        }
    }
}

// The kept candidates refined on their own matches, without those equivalent to a better one.
std::vector<Candidate> distinctCandidates(const Lattice& lattice,
                                          const std::vector<MeasuredDirection>& measured,
                                          StrongDirections& strong, std::vector<Candidate> kept) {
    for (Candidate& candidate : kept)
        candidate = scoreRotation(lattice, measured, strong, candidate.rotation, true);
    std::stable_sort(kept.begin(), kept.end(), betterCandidate);
    std::vector<Candidate> distinct;
    for (const Candidate& candidate : kept) {
        if (distinct.size() == kMostRefined)
            break;
        if (std::none_of(distinct.begin(), distinct.end(), [&](const Candidate& other) {
                return equivalent(lattice, other.rotation, candidate.rotation);
            }))
            distinct.push_back(candidate);
    }
    return distinct;
}

// How many of the strongest simulated spots may pair with measured ones.
std::size_t pairedSimulatedCount(const IndexingRequest& request) {
    return request.strongestSimulated > 0
               ? request.strongestSimulated
               : std::max(kLeastPairedSimulated,
                          kPairedSimulatedPerMeasured * request.measured.size());
}

// The intensity of the count-th strongest spot of a pattern; 0 when it has no more spots, and
// nothing when the pattern's progress callback stopped its computation.
std::optional<double> intensityOfRankUnlessStopped(const SpotComputationInput& pattern,
                                                   std::size_t count) {
    const SpotComputationResult result = computeLaueSpots(pattern);
    if (result.cancelled)
        return std::nullopt;
    std::vector<double> intensities;
    for (const LaueSpot& spot : result.spots)
        intensities.push_back(spot.intensity);
    if (count == 0 || intensities.size() <= count)
        return 0.0;
    std::nth_element(intensities.begin(), intensities.begin() + long(count - 1), intensities.end(),
                     std::greater<>());
    return intensities[count - 1];
}

// The saturation whose 1 % lets just the strongest simulated spots of the start pair.
double pairingSaturation(const IndexingRequest& request, const SpotComputationInput& start) {
    // Just below the wanted spot's intensity, so that it still pairs.
    // The start has no progress callback, so its pattern is always computed to the end.
    return 100.0 *
           intensityOfRankUnlessStopped(start, pairedSimulatedCount(request)).value_or(0.0) *
           (1.0 - 1e-9);
}

// The intensity above which a lattice direction can stand for a measured spot: a share of that
// of the last strongest spot that pairs, in a few general orientations of the crystal. How
// intense the strongest spots are varies little with the orientation next to how much weaker
// the spots of most lattice directions are. Nothing when the request's progress callback stops
// the search meanwhile: the three patterns can take long for a big cell.
std::optional<double> strongSpotIntensity(const IndexingRequest& request) {
    static const std::array<Eigen::AngleAxisd, 3> generalTurns = {
        Eigen::AngleAxisd(0.7, Vector3d(1, 2, 3).normalized()),
        Eigen::AngleAxisd(1.9, Vector3d(3, -1, 2).normalized()),
        Eigen::AngleAxisd(2.8, Vector3d(-2, 1, 1).normalized())};
    SpotComputationInput pattern = request.pattern;
    pattern.progress = [&request](double) { return !request.progress || request.progress(0.0); };
    double weakest = std::numeric_limits<double>::infinity();
    for (const Eigen::AngleAxisd& turn : generalTurns) {
        pattern.settings = settingsHoldingAxes(request.pattern.settings, request.pattern.basis,
                                               axesOf(turn.toRotationMatrix()));
        const std::optional<double> intensity =
            intensityOfRankUnlessStopped(pattern, pairedSimulatedCount(request));
        if (!intensity)
            return std::nullopt;
        weakest = std::min(weakest, *intensity);
    }
    return kStrongShare * weakest;
}

std::optional<IndexingSolution> refineCandidate(const IndexingRequest& request,
                                                const Candidate& candidate) {
    SpotComputationInput start = request.pattern;
    start.settings = settingsHoldingAxes(request.pattern.settings, request.pattern.basis,
                                         axesOf(candidate.rotation));
    start.progress = nullptr;
    FitOptions options;
    options.toleranceMm = request.toleranceMm;
    options.saturationIntensity = pairingSaturation(request, start);
    options.maxRotation = request.maxRotation;
    const Result<FitResult> fit = fitOrientation(start, request.measured, options);
    if (!fit.ok())
        return std::nullopt;
    // Store the fitted frame again with a low-index surface plane near the beam.
    const DiffractionSettings settings =
        settingsHoldingAxes(fit.value().settings, request.pattern.basis,
                            laboratoryAxes(fit.value().settings, request.pattern.basis));
    if (!(std::fabs(settings.rotationX) <= request.maxRotation &&
          std::fabs(settings.rotationY) <= request.maxRotation))
        return std::nullopt;
    return IndexingSolution{settings, fit.value().pairs.size(), fit.value().rmsMm};
}

bool betterSolution(const IndexingSolution& a, const IndexingSolution& b) {
    return a.matchedSpots != b.matchedSpots ? a.matchedSpots > b.matchedSpots : a.rmsMm < b.rmsMm;
}

// The time a search may take, of which a share may be asked for; no limit when not positive.
class Deadline {
public:
    explicit Deadline(double seconds) : m_seconds(seconds), m_start(Clock::now()) {}
    // Whether the share would have passed after a step of `step` seconds from now.
    bool passed(double share, double step = 0.0) const {
        return m_seconds > 0.0 && elapsed() + step >= share * m_seconds;
    }
    double elapsed() const { return std::chrono::duration<double>(Clock::now() - m_start).count(); }

private:
    using Clock = std::chrono::steady_clock;
    double m_seconds;
    Clock::time_point m_start;
};

Status checkRequest(const IndexingRequest& request) {
    const SpotComputationInput& pattern = request.pattern;
    if (pattern.groups == nullptr || pattern.spectrum == nullptr ||
        !(pattern.settings.distance >= 1.0))
        return utf8Warning("Indexing needs a crystal, a spectrum and a film distance.");
    if (request.measured.size() < 3)
        return utf8Warning("Indexing needs at least three measured spots.");
    if (!(request.toleranceMm > 0.0))
        return utf8Warning("The tolerance for indexing must be larger than zero.");
    return Status::success();
}

} // namespace

Result<IndexingResult> indexSpots(const IndexingRequest& request) {
    if (const Status refusal = checkRequest(request); !refusal.ok())
        return refusal.failure();
    const auto tell = [&request](double fraction) {
        return !request.progress || request.progress(fraction);
    };
    const Deadline deadline(request.timeLimitSeconds);
    Lattice lattice = describeLattice(request.pattern);
    lattice.filmTolerance = request.toleranceMm * kFilmUnitsPerMm;
    const DirectionTable low = anchorDirections(lattice, kLowIndexCap);
    const DirectionTable table = anchorDirections(lattice, kAnchorIndexCap);
    const std::vector<MeasuredDirection> measured = measuredDirections(request);
    const std::optional<double> strongIntensity = strongSpotIntensity(request);
    if (!strongIntensity)
        return IndexingResult{{}, true};
    StrongDirections strong(request.pattern, measured, *strongIntensity);

    CandidateList list;
    const std::vector<std::size_t> byIntensity = spotsByIntensity(request.measured);
    const std::vector<std::pair<std::size_t, std::size_t>> pairs =
        anchorPairs(byIntensity, measured);
    std::vector<DirectionTable> strongTables(measured.size());
    for (const std::size_t spot : byIntensity)
        strongTables[spot] = strongSubset(table, strong, spot);
    for (std::size_t done = 0; done < pairs.size(); ++done) {
        if (!tell(kShareForCandidates * double(done) / double(pairs.size())))
            return IndexingResult{{}, true};
        // Pairs are tried until one yields a candidate, so that a short limit still has one to
        // refine: a pair with the spurious spot or a weak direction may yield none.
        if (!list.empty() && deadline.passed(kShareOfTimeForCandidates))
            break;
        collectAnchorCandidates(lattice, low, strongTables[pairs[done].second], measured, strong,
                                pairs[done].first, pairs[done].second, list);
    }
    const std::vector<Candidate> distinct =
        distinctCandidates(lattice, measured, strong, std::move(list).bestFirst());

    std::vector<IndexingSolution> solutions;
    double longestFit = 0.0; // seconds
    for (std::size_t c = 0; c < distinct.size(); ++c) {
        if (!tell(kShareForCandidates +
                  (1.0 - kShareForCandidates) * double(c) / double(distinct.size())))
            return IndexingResult{{}, true};
        // A candidate explaining fewer spots than a refined solution pairs cannot overtake it.
        if (c >= kAlwaysRefined && !solutions.empty() &&
            distinct[c].score < solutions.front().matchedSpots)
            break;
        // A fit takes about as long as the slowest before it: one that would end past the
        // limit is not begun.
        if (!solutions.empty() && deadline.passed(1.0, longestFit))
            break;
        const double fitStart = deadline.elapsed();
        const auto solution = refineCandidate(request, distinct[c]);
        longestFit = std::max(longestFit, deadline.elapsed() - fitStart);
        if (!solution)
            continue;
        const Matrix3d found =
            rotationOf(laboratoryAxes(solution->settings, request.pattern.basis));
        const auto same = std::find_if(solutions.begin(), solutions.end(), [&](const auto& other) {
            return equivalent(
                lattice, rotationOf(laboratoryAxes(other.settings, request.pattern.basis)), found);
        });
        if (same == solutions.end())
            solutions.push_back(*solution);
        else if (betterSolution(*solution, *same))
            *same = *solution;
        std::stable_sort(solutions.begin(), solutions.end(), betterSolution);
    }
    tell(1.0);
    if (solutions.size() > request.maxSolutions)
        solutions.resize(request.maxSolutions);
    return IndexingResult{std::move(solutions), false};
}

} // namespace xtalsp
