// Indexing statistics: random orientations of a cubic, a hexagonal and a monoclinic cell in
// both geometries, indexed from their 6 to 10 strongest spots with 0.1 mm noise and one
// spurious spot. A case succeeds when the first solution puts the true position of every real
// spot within 0.25 mm of a simulated spot.
#include "orientationcases.h"

#include "core/orientation/indexing.h"
#include "core/orientation/orientationfit.h"

#include <cstdlib>

namespace xtalsp::bench {
namespace {

constexpr double kNoiseMm = 0.1;
constexpr double kSuccessMm = 0.25;

struct CaseOutcome {
    bool success = false;
    double seconds = 0;
};

CaseOutcome runCase(const SpotComputationInput& base, std::mt19937_64& random) {
    SpotComputationInput truth = base;
    std::vector<FilmPeak> spots;
    std::uniform_int_distribution<std::size_t> countOf(6, 10);
    while (spots.size() < 6) {
        truth.settings = randomOrientation(base, random);
        spots = strongestSpots(truth, countOf(random));
    }
    std::normal_distribution<double> noise(0.0, kNoiseMm);
    std::vector<FilmPeak> measured = spots;
    for (FilmPeak& spot : measured) {
        spot.xMm += noise(random);
        spot.yMm += noise(random);
    }
    std::uniform_real_distribution<double> across(-1.0, 1.0);
    std::uniform_real_distribution<double> share(0.0, 1.0);
    measured.insert(measured.begin() + static_cast<long>(random() % (measured.size() + 1)),
                    FilmPeak{across(random) * base.halfFilmWidth / kFilmUnitsPerMm,
                             across(random) * base.halfFilmHeight / kFilmUnitsPerMm,
                             share(random) * spots.front().intensity});

    IndexingRequest request;
    request.pattern = base;
    request.measured = measured;
    if (const char* limit = std::getenv("XTALSP_BENCH_LIMIT"))
        request.timeLimitSeconds = std::atof(limit);
    const auto start = std::chrono::steady_clock::now();
    const Result<IndexingResult> result = indexSpots(request);
    CaseOutcome outcome;
    outcome.seconds = secondsSince(start);
    outcome.success =
        result.ok() && !result.value().solutions.empty() &&
        worstDistanceMm(base, result.value().solutions.front().settings, spots) <= kSuccessMm;
    if (std::getenv("XTALSP_BENCH_VERBOSE") && !outcome.success) {
        std::printf("  fail: %zu measured, %.2f s,", measured.size(), outcome.seconds);
        if (result.ok())
            for (const auto& s : result.value().solutions)
                std::printf(" [%zu %.3f %.2f]", s.matchedSpots, s.rmsMm,
                            worstDistanceMm(base, s.settings, spots));
        SpotComputationInput t = truth;
        FitOptions o;
        o.toleranceMm = 0.5;
        o.saturationIntensity = computeLaueSpots(truth).strongestIntensity;
        const auto f = fitOrientation(t, measured, o);
        if (f.ok())
            std::printf(" truth-fit %zu %.3f", f.value().pairs.size(), f.value().rmsMm);
        const SpotList computed = computeLaueSpots(truth).spots;
        std::vector<LaueSpot> all(computed.begin(), computed.end());
        std::sort(all.begin(), all.end(),
                  [](const LaueSpot& a, const LaueSpot& b) { return a.intensity > b.intensity; });
        // The orientation, to pin a failing case in a test.
        const DiffractionSettings& at = truth.settings;
        std::printf("\n   surface (%.17g %.17g %.17g) side (%.17g %.17g %.17g) X %.17g Y %.17g",
                    at.surfacePlane[0], at.surfacePlane[1], at.surfacePlane[2], at.sidePlane[0],
                    at.sidePlane[1], at.sidePlane[2], at.rotationX, at.rotationY);
        std::printf("\n   true:");
        for (std::size_t i = 0; i < spots.size() && i < all.size(); ++i)
            std::printf(" (%d %d %d)x%d", all[i].h, all[i].k, all[i].l, all[i].labelOrder);
        std::printf("\n");
    }
    return outcome;
}

void runSeries(const char* name, const CrystalStructure& structure, DiffractionGeometry geometry,
               int cases) {
    const SpotComputationInput base = patternInput(structure, geometry);
    std::mt19937_64 random(20250615);
    int successes = 0;
    std::vector<double> seconds;
    for (int n = 0; n < cases; ++n) {
        const CaseOutcome outcome = runCase(base, random);
        successes += outcome.success ? 1 : 0;
        seconds.push_back(outcome.seconds);
    }
    std::printf("%-10s %-12s %2d of %2d found, median %.3f s, worst %.3f s\n", name,
                geometry == DiffractionGeometry::Transmission ? "transmission" : "back", successes,
                cases, median(seconds), *std::max_element(seconds.begin(), seconds.end()));
    std::fflush(stdout);
}

} // namespace
} // namespace xtalsp::bench

int main(int argc, char** argv) {
    using namespace xtalsp;
    const int cases = argc > 1 ? std::atoi(argv[1]) : 50;
    const std::string only = argc > 2 ? argv[2] : ""; // e.g. "monazite" or "monazite-back"
    const CrystalStructure cells[] = {bench::exampleStructure("Silicon.struct"),
                                      bench::exampleStructure("magnesium.struct"),
                                      bench::exampleStructure("monazite.struct")};
    const char* names[] = {"silicon", "magnesium", "monazite"};
    for (std::size_t c = 0; c < 3; ++c)
        for (const auto geometry :
             {DiffractionGeometry::Transmission, DiffractionGeometry::BackReflection}) {
            const std::string series =
                std::string(names[c]) +
                (geometry == DiffractionGeometry::Transmission ? "-transmission" : "-back");
            if (series.find(only) == std::string::npos)
                continue;
            bench::runSeries(names[c], cells[c], geometry, cases);
        }
    return 0;
}
