// Direction matching: rotations from two spots and two reflections, scored on all spots.
#include "core/orientation/directionalignment.h"

#include "core/computation/angles.h"
#include "core/computation/filmunits.h"
#include "core/orientation/orientation.h"
#include "core/orientation/rotationfit.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>

namespace xtalsp {
namespace {

using Eigen::Matrix3d;
using Eigen::Vector3d;

// Rotations are built from the pairs among the strongest spots only: a long peak list would
// otherwise cost its square.
constexpr std::size_t kHypothesisSpots = 12;

Vector3d toEigen(const Vector3& v) {
    return {v[0], v[1], v[2]};
}

double angleBetween(const Vector3d& u, const Vector3d& v) {
    return std::atan2(u.cross(v).norm(), u.dot(v));
}

// A measured spot's direction and how far it turns when the spot moves by the match distance.
struct SpotDirection {
    Vector3d direction;
    double tolerance = 0.0; // radians
};

std::vector<SpotDirection> spotDirections(const DirectionAlignmentInput& input,
                                          const std::vector<FilmPeak>& measured) {
    const double step = input.matchMm * kFilmUnitsPerMm;
    std::vector<SpotDirection> directions;
    for (const FilmPeak& spot : measured) {
        const FilmPosition at{spot.xMm * kFilmUnitsPerMm, spot.yMm * kFilmUnitsPerMm};
        const Vector3d u = toEigen(scatteringDirection(input.geometry, input.distance, at));
        double tolerance = 0.0;
        for (const FilmPosition shifted :
             {FilmPosition{at.x + step, at.y}, FilmPosition{at.x - step, at.y},
              FilmPosition{at.x, at.y + step}, FilmPosition{at.x, at.y - step}})
            tolerance =
                std::max(tolerance, angleBetween(u, toEigen(scatteringDirection(
                                                        input.geometry, input.distance, shifted))));
        directions.push_back({u, tolerance});
    }
    return directions;
}

struct Hypothesis {
    Matrix3d rotation; // rows: laboratory axes in the cell frame
    std::size_t score = 0;
    double misfit = 0.0; // sum of angle / tolerance over the explained spots
};

bool better(const Hypothesis& a, const Hypothesis& b) {
    return a.score != b.score ? a.score > b.score : a.misfit < b.misfit;
}

class Matcher {
public:
    Matcher(std::vector<SpotDirection> spots, std::vector<Vector3d> reflections)
        : m_spots(std::move(spots)), m_reflections(std::move(reflections)) {}

    // Scores the rotation, then turns it to the least-squares rotation of its matches (Kabsch)
    // and keeps that when it explains as many spots.
    Hypothesis evaluate(const Matrix3d& rotation) const {
        Matrix3d correlation = Matrix3d::Zero();
        const Hypothesis first = score(rotation, &correlation);
        if (first.score < 2)
            return first;
        const Hypothesis refined = score(nearestRotation(correlation), nullptr);
        return refined.score >= first.score ? refined : first;
    }

    const std::vector<SpotDirection>& spots() const { return m_spots; }
    const std::vector<Vector3d>& reflections() const { return m_reflections; }

private:
    Hypothesis score(const Matrix3d& rotation, Matrix3d* correlation) const {
        Hypothesis hypothesis{rotation, 0, 0.0};
        for (const SpotDirection& spot : m_spots) {
            const Vector3d inCell = rotation.transpose() * spot.direction;
            double nearest = kPi;
            const Vector3d* partner = nullptr;
            for (const Vector3d& g : m_reflections) {
                const double angle = angleBetween(inCell, g);
                if (angle < nearest) {
                    nearest = angle;
                    partner = &g;
                }
            }
            if (partner == nullptr || nearest > spot.tolerance)
                continue;
            ++hypothesis.score;
            hypothesis.misfit += nearest / spot.tolerance;
            if (correlation != nullptr)
                *correlation += spot.direction * partner->transpose();
        }
        return hypothesis;
    }

    std::vector<SpotDirection> m_spots;
    std::vector<Vector3d> m_reflections; // unit, cell frame
};

// Reflections whose direction lies within the search angle of the spot at the start.
std::vector<std::size_t> nearbyReflections(const Matcher& matcher, const Matrix3d& start,
                                           const Vector3d& spot, double search) {
    const Vector3d inCell = start.transpose() * spot;
    std::vector<std::size_t> near;
    for (std::size_t r = 0; r < matcher.reflections().size(); ++r)
        if (angleBetween(inCell, matcher.reflections()[r]) <= search)
            near.push_back(r);
    return near;
}

// Tries the rotations of spots i and j onto nearby reflections at the same angle.
void tryPair(const Matcher& matcher, const Matrix3d& start, double search, std::size_t i,
             std::size_t j, Hypothesis& best) {
    const SpotDirection& a = matcher.spots()[i];
    const SpotDirection& b = matcher.spots()[j];
    const double angle = angleBetween(a.direction, b.direction);
    const double tolerance = a.tolerance + b.tolerance;
    if (angle < 2.0 * tolerance || angle > kPi - 2.0 * tolerance)
        return; // nearly parallel directions fix no rotation
    const auto& reflections = matcher.reflections();
    for (const std::size_t p : nearbyReflections(matcher, start, a.direction, search))
        for (const std::size_t q : nearbyReflections(matcher, start, b.direction, search)) {
            if (p == q ||
                std::fabs(angleBetween(reflections[p], reflections[q]) - angle) > tolerance)
                continue;
            const Hypothesis hypothesis = matcher.evaluate(
                rotationFromPairs(a.direction, b.direction, reflections[p], reflections[q]));
            if (better(hypothesis, best))
                best = hypothesis;
        }
}

std::vector<std::size_t> strongestFirst(const std::vector<FilmPeak>& measured) {
    std::vector<std::size_t> order(measured.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return measured[a].intensity > measured[b].intensity;
    });
    order.resize(std::min(order.size(), kHypothesisSpots));
    return order;
}

} // namespace

std::array<Vector3, 3> alignDirections(const DirectionAlignmentInput& input,
                                       const std::vector<FilmPeak>& measured) {
    std::vector<Vector3d> reflections;
    for (const Vector3& g : input.reflections)
        if (toEigen(g).norm() > 0.0)
            reflections.push_back(toEigen(g).normalized());
    const Matcher matcher(spotDirections(input, measured), std::move(reflections));
    Matrix3d start;
    for (int i = 0; i < 3; ++i)
        start.row(i) = toEigen(input.startAxes[static_cast<std::size_t>(i)]).transpose();

    Hypothesis best = matcher.evaluate(start);
    const double search = input.searchDegrees * kPi / 180.0;
    const std::vector<std::size_t> order = strongestFirst(measured);
    for (std::size_t b = 1; b < order.size(); ++b)
        for (std::size_t a = 0; a < b; ++a)
            tryPair(matcher, start, search, order[a], order[b], best);

    std::array<Vector3, 3> axes{};
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            axes[i][j] = best.rotation(static_cast<int>(i), static_cast<int>(j));
    return axes;
}

} // namespace xtalsp
