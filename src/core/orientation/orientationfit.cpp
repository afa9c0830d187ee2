// Orientation fit: nearest-spot pairing and Levenberg-Marquardt refinement.
#include "core/orientation/orientationfit.h"

#include "core/computation/filmunits.h"
#include "core/orientation/directionalignment.h"
#include "core/orientation/directionstrength.h"
#include "core/orientation/orientation.h"

#include <Eigen/Dense>
#include <unsupported/Eigen/LevenbergMarquardt>
#include <unsupported/Eigen/NumericalDiff>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <span>
#include <string>
#include <tuple>

namespace xtalsp {
namespace {

constexpr double kPairingIntensityShare = 0.01;
constexpr int kMaxPairingRounds = 20;
// Before the first pairing the start is turned onto the measured spots by their directions,
// matched against this many of the strongest simulated spots per measured one (at least
// kLeastAlignmentReflections), within kAlignmentSearchDegrees of their start directions and
// half the tolerance on the film. A start a few degrees off moves spots by more than the
// tolerance, and nearest-spot pairing would then lock onto wrong neighbours.
constexpr std::size_t kAlignmentReflectionsPerSpot = 4;
constexpr std::size_t kLeastAlignmentReflections = 30;
constexpr double kAlignmentSearchDegrees = 6.0;
// Residual of a pair whose reflection no longer reaches the film: large, but finite so that
// the solver can step back.
constexpr double kLostSpotResidualMm = 1000.0;

// Parameter vector: psi, X, Y in degrees, then the distance in film units when refined.
struct Parameters {
    double psi = 0.0, rotationX = 0.0, rotationY = 0.0, distance = 0.0;
};

Parameters fromVector(const Eigen::VectorXd& x, double fixedDistance) {
    return {x[0], x[1], x[2], x.size() > 3 ? x[3] : fixedDistance};
}

DiffractionSettings tiltedSettings(const DiffractionSettings& start, const Parameters& p) {
    DiffractionSettings settings = start;
    settings.rotationX = p.rotationX;
    settings.rotationY = p.rotationY;
    settings.distance = p.distance;
    return settings;
}

struct Pairing {
    std::size_t measured;
    std::int32_t h, k, l;
    bool operator==(const Pairing&) const = default;
};

// Greedy one-to-one assignment in order of increasing distance, which pairs every measured
// spot with its nearest free simulated spot.
std::vector<Pairing> pairSpots(const std::vector<FilmPeak>& measured,
                               std::span<const LaueSpot> simulated, double threshold,
                               double toleranceMm) {
    std::vector<std::tuple<double, std::size_t, std::size_t>> candidates;
    for (std::size_t m = 0; m < measured.size(); ++m)
        for (std::size_t s = 0; s < simulated.size(); ++s) {
            if (!(simulated[s].intensity > threshold))
                continue;
            const double distance = std::hypot(simulated[s].x / kFilmUnitsPerMm - measured[m].xMm,
                                               simulated[s].y / kFilmUnitsPerMm - measured[m].yMm);
            if (distance <= toleranceMm)
                candidates.emplace_back(distance, m, s);
        }
    std::sort(candidates.begin(), candidates.end());
    std::vector<bool> measuredUsed(measured.size()), simulatedUsed(simulated.size());
    std::vector<Pairing> pairs;
    for (const auto& [distance, m, s] : candidates) {
        if (measuredUsed[m] || simulatedUsed[s])
            continue;
        measuredUsed[m] = simulatedUsed[s] = true;
        pairs.push_back({m, simulated[s].h, simulated[s].k, simulated[s].l});
    }
    std::sort(pairs.begin(), pairs.end(),
              [](const Pairing& a, const Pairing& b) { return a.measured < b.measured; });
    return pairs;
}

// The spot computation leaves out reflections whose Bragg angle comes within a small cap of
// 90 degrees, where the Lorentz factor diverges, so the back-reflection centre shows no spots.
// A measured spot just outside that cap can have its partner just inside it at an orientation
// within the noise of the true one, and nearest-spot pairing would then leave it out for good.
// So each unpaired measured spot is paired with the strong lattice direction along its
// scattering direction whose spot, where the simulation shows none, lies within the tolerance;
// the refinement then carries that spot back out of the cap.
class HiddenPartners {
public:
    explicit HiddenPartners(const SpotComputationInput& start)
        : m_start(start),
          m_strength(start), m_limits{std::clamp(start.settings.Hmax, 1, kMaxIndexLimit),
                                      std::clamp(start.settings.Kmax, 1, kMaxIndexLimit),
                                      std::clamp(start.settings.Lmax, 1, kMaxIndexLimit)} {
        Eigen::Matrix3d basis;
        for (int i = 0; i < 3; ++i) {
            const Vector3 g =
                reciprocalVector(start.basis, double(i == 0), double(i == 1), double(i == 2));
            basis.col(i) << g[0], g[1], g[2];
        }
        m_toIndices = basis.inverse();
    }

    void add(const std::array<Vector3, 3>& axes, double distance,
             const std::vector<FilmPeak>& measured, std::span<const LaueSpot> simulated,
             double threshold, double toleranceMm, std::vector<Pairing>& pairs) {
        if (m_start.settings.geometry != DiffractionGeometry::BackReflection)
            return;
        const std::size_t paired = pairs.size();
        for (std::size_t m = 0; m < measured.size(); ++m) {
            if (std::any_of(pairs.begin(), pairs.begin() + long(paired),
                            [m](const Pairing& pair) { return pair.measured == m; }))
                continue;
            const auto partner =
                hiddenPartner(axes, distance, measured[m], simulated, threshold, toleranceMm);
            if (partner && std::none_of(pairs.begin(), pairs.end(), [&](const Pairing& pair) {
                    return pair.h == (*partner)[0] && pair.k == (*partner)[1] &&
                           pair.l == (*partner)[2];
                }))
                pairs.push_back({m, (*partner)[0], (*partner)[1], (*partner)[2]});
        }
        std::sort(pairs.begin(), pairs.end(),
                  [](const Pairing& a, const Pairing& b) { return a.measured < b.measured; });
    }

private:
    // The nearest such direction: the spot's cell-frame direction scaled so that its largest
    // index is 1, 2, ... and rounded, as long as the rounding gives a primitive direction.
    std::optional<std::array<std::int32_t, 3>> hiddenPartner(const std::array<Vector3, 3>& axes,
                                                             double distance, const FilmPeak& spot,
                                                             std::span<const LaueSpot> simulated,
                                                             double threshold, double toleranceMm) {
        const Vector3 u =
            scatteringDirection(m_start.settings.geometry, distance,
                                {spot.xMm * kFilmUnitsPerMm, spot.yMm * kFilmUnitsPerMm});
        Eigen::Vector3d inCell = Eigen::Vector3d::Zero();
        for (std::size_t i = 0; i < 3; ++i)
            inCell += u[i] * Eigen::Vector3d(axes[i][0], axes[i][1], axes[i][2]);
        const Eigen::Vector3d indices = m_toIndices * inCell;
        const double largest = indices.cwiseAbs().maxCoeff();
        if (!(largest > 0.0) || !std::isfinite(largest))
            return std::nullopt;
        const int reach = *std::max_element(m_limits.begin(), m_limits.end());
        std::optional<std::array<std::int32_t, 3>> best;
        double nearest = toleranceMm;
        for (int n = 1; n <= reach; ++n) {
            const Eigen::Vector3d scaled = indices * (n / largest);
            const std::array<std::int32_t, 3> t{std::int32_t(std::lround(scaled[0])),
                                                std::int32_t(std::lround(scaled[1])),
                                                std::int32_t(std::lround(scaled[2]))};
            if (std::gcd(std::gcd(std::abs(t[0]), std::abs(t[1])), std::abs(t[2])) != 1 ||
                std::abs(t[0]) > m_limits[0] || std::abs(t[1]) > m_limits[1] ||
                std::abs(t[2]) > m_limits[2])
                continue;
            const Vector3 hkl{double(t[0]), double(t[1]), double(t[2])};
            const auto at =
                reflectionOnFilm(axes, m_start.basis, hkl, m_start.settings.geometry, distance);
            if (!at || std::fabs(at->x) > m_start.halfFilmWidth ||
                std::fabs(at->y) > m_start.halfFilmHeight)
                continue;
            const double away =
                std::hypot(at->x / kFilmUnitsPerMm - spot.xMm, at->y / kFilmUnitsPerMm - spot.yMm);
            if (!(away < nearest) || isShown(*at, simulated) ||
                !(m_strength.intensity(t, sinTheta(axes, hkl)) > threshold))
                continue;
            nearest = away;
            best = t;
        }
        return best;
    }

    double sinTheta(const std::array<Vector3, 3>& axes, const Vector3& hkl) const {
        const Vector3 g = reciprocalVector(m_start.basis, hkl);
        const double along = axes[0][0] * g[0] + axes[0][1] * g[1] + axes[0][2] * g[2];
        return along / std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]);
    }

    static bool isShown(const FilmPosition& at, std::span<const LaueSpot> simulated) {
        constexpr double kSamePlace = 1e-3; // film units
        return std::any_of(simulated.begin(), simulated.end(), [&](const LaueSpot& spot) {
            return std::hypot(spot.x - at.x, spot.y - at.y) < kSamePlace;
        });
    }

    const SpotComputationInput& m_start;
    DirectionStrength m_strength;
    std::array<int, 3> m_limits;
    Eigen::Matrix3d m_toIndices;
};

// dx, dy (mm) of every pair for the parameters, the frame's planes held fixed.
struct PairResiduals : Eigen::DenseFunctor<double> {
    PairResiduals(const SpotComputationInput& start, const std::vector<FilmPeak>& measured,
                  const std::vector<Pairing>& pairs, int parameterCount)
        : DenseFunctor(parameterCount, static_cast<int>(2 * pairs.size())), m_start(&start),
          m_measured(&measured), m_pairs(&pairs) {}

    int operator()(const InputType& x, ValueType& residuals) const {
        const Parameters p = fromVector(x, m_start->settings.distance);
        const auto axes = orientedAxes(tiltedSettings(m_start->settings, p), m_start->basis, p.psi);
        for (std::size_t i = 0; i < m_pairs->size(); ++i) {
            const Pairing& pair = (*m_pairs)[i];
            const auto at = reflectionOnFilm(axes, m_start->basis,
                                             {double(pair.h), double(pair.k), double(pair.l)},
                                             m_start->settings.geometry, p.distance);
            const FilmPeak& spot = (*m_measured)[pair.measured];
            const auto row = static_cast<Eigen::Index>(2 * i);
            residuals[row] = at ? at->x / kFilmUnitsPerMm - spot.xMm : kLostSpotResidualMm;
            residuals[row + 1] = at ? at->y / kFilmUnitsPerMm - spot.yMm : kLostSpotResidualMm;
        }
        return 0;
    }

    const SpotComputationInput* m_start;
    const std::vector<FilmPeak>* m_measured;
    const std::vector<Pairing>* m_pairs;
};

std::optional<SpotComputationResult> simulate(const SpotComputationInput& start,
                                              const DiffractionSettings& settings) {
    SpotComputationInput input = start;
    input.settings = settings;
    SpotComputationResult result = computeLaueSpots(input);
    if (result.tooManySpots)
        return std::nullopt;
    return result;
}

FitResult summarize(const PairResiduals& residuals, const Eigen::VectorXd& x,
                    const std::vector<Pairing>& pairs, const SpotComputationInput& start) {
    Eigen::VectorXd values(2 * static_cast<Eigen::Index>(pairs.size()));
    residuals(x, values);
    const Parameters p = fromVector(x, start.settings.distance);
    FitResult result;
    result.settings = foldBeamRotation(tiltedSettings(start.settings, p), start.basis, p.psi);
    result.deltaX = p.rotationX - start.settings.rotationX;
    result.deltaY = p.rotationY - start.settings.rotationY;
    result.deltaPsi = p.psi;
    double sum = 0.0;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const auto row = static_cast<Eigen::Index>(2 * i);
        FitPair pair{pairs[i].measured, pairs[i].h,  pairs[i].k,
                     pairs[i].l,        values[row], values[row + 1]};
        const double distance = std::hypot(pair.dxMm, pair.dyMm);
        sum += distance * distance;
        result.maxMm = std::max(result.maxMm, distance);
        result.pairs.push_back(pair);
    }
    result.rmsMm = std::sqrt(sum / static_cast<double>(pairs.size()));
    return result;
}

// psi, X and Y (from the start's planes) of the rotation that lines the measured spots up with
// the strongest simulated ones best; the start's own when nothing does better.
Parameters alignedStart(const SpotComputationInput& start, std::span<const LaueSpot> spots,
                        const std::vector<FilmPeak>& measured, double threshold,
                        double toleranceMm) {
    std::vector<const LaueSpot*> strong;
    for (const LaueSpot& spot : spots)
        if (spot.intensity > threshold)
            strong.push_back(&spot);
    const std::size_t wanted =
        std::max(kLeastAlignmentReflections, kAlignmentReflectionsPerSpot * measured.size());
    if (strong.size() > wanted) {
        std::nth_element(
            strong.begin(), strong.begin() + static_cast<long>(wanted - 1), strong.end(),
            [](const LaueSpot* a, const LaueSpot* b) { return a->intensity > b->intensity; });
        strong.resize(wanted);
    }
    DirectionAlignmentInput input;
    input.startAxes = orientedAxes(start.settings, start.basis, 0.0);
    for (const LaueSpot* spot : strong)
        input.reflections.push_back(
            reciprocalVector(start.basis, double(spot->h), double(spot->k), double(spot->l)));
    input.geometry = start.settings.geometry;
    input.distance = start.settings.distance;
    input.matchMm = toleranceMm / 2.0;
    input.searchDegrees = kAlignmentSearchDegrees;
    const OrientationAngles angles =
        decomposeOrientation(start.settings, start.basis, alignDirections(input, measured));
    return {angles.psi, angles.rotationX, angles.rotationY, start.settings.distance};
}

} // namespace

Result<FitResult> fitOrientation(const SpotComputationInput& start,
                                 const std::vector<FilmPeak>& measured, const FitOptions& options) {
    const int parameterCount = options.refineDistance ? 4 : 3;
    Eigen::VectorXd x(parameterCount);
    x[0] = 0.0; // psi, measured from the starting planes
    x[1] = start.settings.rotationX;
    x[2] = start.settings.rotationY;
    if (options.refineDistance)
        x[3] = start.settings.distance;
    const double threshold = kPairingIntensityShare * options.saturationIntensity;
    const auto startSpots = simulate(start, start.settings);
    if (!startSpots)
        return utf8Warning("The pattern has too many spots to fit.");
    const Parameters aligned =
        alignedStart(start, startSpots->spots, measured, threshold, options.toleranceMm);
    x[0] = aligned.psi;
    x[1] = aligned.rotationX;
    x[2] = aligned.rotationY;

    std::vector<Pairing> pairs;
    HiddenPartners hidden(start);
    for (int round = 0; round < kMaxPairingRounds; ++round) {
        const Parameters p = fromVector(x, start.settings.distance);
        const auto spots = simulate(
            start, foldBeamRotation(tiltedSettings(start.settings, p), start.basis, p.psi));
        if (!spots)
            return utf8Warning("The pattern has too many spots to fit.");
        std::vector<Pairing> repaired =
            pairSpots(measured, spots->spots, threshold, options.toleranceMm);
        hidden.add(orientedAxes(tiltedSettings(start.settings, p), start.basis, p.psi), p.distance,
                   measured, spots->spots, threshold, options.toleranceMm, repaired);
        if (round > 0 && repaired == pairs)
            break;
        if (2 * static_cast<int>(repaired.size()) <= parameterCount)
            return utf8Warning(std::to_string(repaired.size()) +
                               " measured spots pair with simulated spots; a fit of " +
                               std::to_string(parameterCount) + " parameters needs at least " +
                               std::to_string(parameterCount / 2 + 1) + ".");
        pairs = std::move(repaired);
        PairResiduals residuals(start, measured, pairs, parameterCount);
        Eigen::NumericalDiff<PairResiduals> differences(residuals);
        Eigen::LevenbergMarquardt<Eigen::NumericalDiff<PairResiduals>> solver(differences);
        solver.minimize(x);
    }
    const Parameters p = fromVector(x, start.settings.distance);
    if (!(std::fabs(p.rotationX) <= options.maxRotation &&
          std::fabs(p.rotationY) <= options.maxRotation))
        return utf8Warning("The fitted orientation lies outside the tilt range.");
    if (!(p.distance >= 1.0))
        return utf8Warning("The fitted distance is not a possible one.");
    return summarize(PairResiduals(start, measured, pairs, parameterCount), x, pairs, start);
}

} // namespace xtalsp
