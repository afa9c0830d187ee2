// Throughput of the Laue spot walk, straightforward and fast, on silicon and on a large cell.
#include "core/computation/geometry.h"
#include "core/computation/spotcomputation.h"
#include "core/computation/structurefactortables.h"
#include "core/spectrum/builtinspectrum.h"
#include "core/structure/crystalstructure.h"
#include "support/silicon.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace xtalsp {
namespace {

// A cubic cell of the given edge (Angstrom) holding `count` atoms drawn from `elements` at
// pseudo-random positions. The generator and the mapping of its raw output are fixed by the
// language standard, so every platform builds the same cell.
template <std::size_t N>
CrystalStructure randomCubicCell(std::uint64_t seed, double edge, int count,
                                 const std::int32_t (&elements)[N], std::string name) {
    std::mt19937_64 random(seed);
    const auto fraction = [&random] { return static_cast<double>(random() >> 11) * 0x1.0p-53; };
    std::vector<AtomSite> atoms;
    for (int n = 0; n < count; ++n) {
        AtomSite atom;
        atom.element = elements[random() % N];
        atom.x = fraction();
        atom.y = fraction();
        atom.z = fraction();
        atoms.push_back(atom);
    }
    CrystalStructure cell;
    cell.name = std::move(name);
    cell.a = cell.b = cell.c = edge;
    cell.alpha = cell.beta = cell.gamma = 90.0;
    cell.groups = groupAtoms(atoms);
    return cell;
}

// A 60 Angstrom cubic cell holding 2000 atoms of oxygen, silicon, iron and copper, about
// 8 : 6 : 4 : 2.
CrystalStructure largeCell() {
    constexpr std::int32_t kElements[] = {8,  8,  8,  8,  8,  8,  8,  8,  14, 14,
                                          14, 14, 14, 14, 26, 26, 26, 26, 29, 29};
    return randomCubicCell(20240607, 60.0, 2000, kElements, "Random 60 A cell");
}

// A 40 Angstrom cubic cell holding 1000 atoms of carbon, nitrogen, oxygen and sulphur in equal
// shares.
CrystalStructure organicCell() {
    constexpr std::int32_t kElements[] = {6, 7, 8, 16};
    return randomCubicCell(20250114, 40.0, 1000, kElements, "Random 40 A organic cell");
}

// A flat beam from 0.50 to 2.48 Angstrom and nothing outside it.
const Spectrum& flatSpectrum() {
    static const Spectrum spectrum = [] {
        Spectrum flat;
        for (std::size_t i = 50; i <= 248; ++i)
            flat.intensity[i] = 1.0;
        return flat;
    }();
    return spectrum;
}

struct BenchCase {
    CrystalStructure structure;
    SpotComputationInput input;
    double reflectionsPerRun = 0.0; // signed primitive reflections the walk examines
};

// The signed primitive reflections within the limits: each primitive triple of non-negative
// indices stands for 2^(number of non-zero indices) of them.
double countReflections(int hMax, int kMax, int lMax) {
    double count = 0.0;
    for (int i = 0; i <= hMax; ++i)
        for (int j = 0; j <= kMax; ++j)
            for (int k = 0; k <= lMax; ++k)
                if (std::gcd(std::gcd(i, j), k) == 1)
                    count += static_cast<double>(1 << ((i != 0) + (j != 0) + (k != 0)));
    return count;
}

BenchCase makeCase(CrystalStructure structure, DiffractionGeometry geometry, double distance,
                   int limit) {
    BenchCase bench;
    bench.structure = std::move(structure);
    const CrystalStructure& s = bench.structure;
    SpotComputationInput& input = bench.input;
    input.spectrum = &builtinSpectrum();
    input.basis = computeReciprocalBasis(s.a, s.b, s.c, s.alpha, s.beta, s.gamma);
    input.settings.geometry = geometry;
    input.settings.surfacePlane = {0, 0, 1};
    input.settings.sidePlane = {1, 0, 0};
    input.settings.distance = distance; // film units
    input.settings.Hmax = input.settings.Kmax = input.settings.Lmax = limit;
    input.settings.rotationX = 3.0;
    input.settings.rotationY = 5.0;
    input.halfFilmWidth = 1000.0; // 200 x 150 mm
    input.halfFilmHeight = 750.0;
    bench.reflectionsPerRun = countReflections(limit, limit, limit);
    return bench;
}

// The large cell in transmission keeping intensities above 100. With the minimum of 1 of the
// plain case nearly every reflection the beam lights is kept, and the walk stops at the spot
// limit; a hundred is the minimum a user would raise it to, and the walk completes with about
// 1.8 million spots.
BenchCase largeStrongCase() {
    BenchCase bench = makeCase(largeCell(), DiffractionGeometry::Transmission, 400.0, 180);
    bench.input.minimumIntensity = 100.0;
    return bench;
}

// The organic cell with limits 161 in transmission, 30 mm from a 200 x 150 mm film, turned by
// 10 and 5 degrees, in the flat beam, keeping intensities above 1e-8.
BenchCase organicCase() {
    BenchCase bench = makeCase(organicCell(), DiffractionGeometry::Transmission, 300.0, 161);
    bench.input.spectrum = &flatSpectrum();
    bench.input.settings.rotationX = 10.0;
    bench.input.settings.rotationY = 5.0;
    bench.input.minimumIntensity = 1e-8;
    return bench;
}

using Walk = SpotComputationResult (*)(const SpotComputationInput&);

void runWalk(benchmark::State& state, const BenchCase& bench, Walk walk, int threads) {
    SpotComputationInput input = bench.input;
    input.groups = &bench.structure.groups; // the case stays where it is while it runs
    input.threadCount = threads;
    double spots = 0.0;
    double harmonics = 0.0;
    for (auto _ : state) {
        SpotComputationResult result = walk(input);
        spots += static_cast<double>(result.spots.size());
        for (const LaueSpot& spot : result.spots)
            harmonics += spot.harmonicCount;
        benchmark::DoNotOptimize(result);
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["reflections"] =
        benchmark::Counter(bench.reflectionsPerRun * runs, benchmark::Counter::kIsRate);
    state.counters["spots"] = benchmark::Counter(spots, benchmark::Counter::kIsRate);
    state.counters["spotsPerRun"] = spots / runs;
    state.counters["harmonicsPerRun"] = harmonics / runs;
}

void registerCase(const std::string& name, const BenchCase& bench, bool slow) {
    const int allThreads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::pair<std::string, std::function<void(benchmark::State&)>>> runs = {
        {name + "/reference",
         [&bench](benchmark::State& s) { runWalk(s, bench, computeLaueSpotsReference, 1); }},
        {name + "/fast/threads:1",
         [&bench](benchmark::State& s) { runWalk(s, bench, computeLaueSpots, 1); }},
    };
    if (allThreads > 1)
        runs.push_back({name + "/fast/threads:" + std::to_string(allThreads),
                        [&bench, allThreads](benchmark::State& s) {
                            runWalk(s, bench, computeLaueSpots, allThreads);
                        }});
    for (auto& [runName, run] : runs) {
        benchmark::internal::Benchmark* registered =
            benchmark::RegisterBenchmark(runName.c_str(), run);
        registered->UseRealTime()->Unit(benchmark::kMillisecond);
        if (slow)
            registered->Iterations(1);
    }
}

// One pass over the large cell's atoms for the reflections of one row (7 k) and l = 1 to 64,
// as the walk makes them for first orders: in double precision and in the screen, alone and
// paired with (h k -l).
void structureFactorPasses(benchmark::State& state, bool screen, bool paired) {
    static const CrystalStructure cell = largeCell();
    static const PhaseFactorTables tables(cell.groups, 180, 180, 180);
    FastStructureFactor fast(tables);
    fast.setScattering(0.1);
    GroupSums plus, minus;
    double sink = 0.0;
    for (auto _ : state) {
        for (int l = 1; l <= 64; ++l) {
            if (screen && paired)
                fast.screenPairedGroupSums(7, 5, l, plus, minus);
            else if (screen)
                fast.screenGroupSums(7, 5, l, plus);
            else if (paired)
                fast.pairedGroupSums(7, 5, l, true, plus, minus);
            else
                sink += fast.evaluateInRow(7, 5, l).squared;
            sink += plus.re.empty() ? 0.0 : plus.re[0];
        }
    }
    benchmark::DoNotOptimize(sink);
    state.counters["passes"] =
        benchmark::Counter(64.0 * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace
} // namespace xtalsp

int main(int argc, char** argv) {
    using namespace xtalsp;
    // Silicon with the limits its settings dialog proposes (3 a), 30 mm from the film; the
    // large cell likewise with 3 a = 180, 40 mm from the film.
    static const BenchCase siliconTransmission =
        makeCase(test::silicon(), DiffractionGeometry::Transmission, 300.0, 16);
    static const BenchCase siliconBack =
        makeCase(test::silicon(), DiffractionGeometry::BackReflection, 300.0, 16);
    static const BenchCase largeTransmission =
        makeCase(largeCell(), DiffractionGeometry::Transmission, 400.0, 180);
    static const BenchCase largeBack =
        makeCase(largeCell(), DiffractionGeometry::BackReflection, 400.0, 180);
    static const BenchCase largeStrongTransmission = largeStrongCase();
    static const BenchCase organicTransmission = organicCase();
    registerCase("silicon/transmission", siliconTransmission, false);
    registerCase("silicon/backReflection", siliconBack, false);
    registerCase("largeCell/transmission", largeTransmission, true);
    registerCase("largeCell/backReflection", largeBack, true);
    registerCase("largeCell/transmission/minimum100", largeStrongTransmission, true);
    registerCase("organicCell/transmission", organicTransmission, true);

    for (const bool screen : {false, true})
        for (const bool paired : {false, true})
            benchmark::RegisterBenchmark((std::string("structureFactorPass/") +
                                          (screen ? "screen" : "double") +
                                          (paired ? "/paired" : "/single"))
                                             .c_str(),
                                         [screen, paired](benchmark::State& s) {
                                             structureFactorPasses(s, screen, paired);
                                         });

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
