#include "cli/clicommands.h"
#include "cli/clirun.h"

#include "core/document/xtalspdoc.h"
#include "core/image/peaklist.h"
#include "support/recordingprompt.h"
#include "support/tempdir.h"
#include "testpaths.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <sstream>

namespace xtalsp::cli {
namespace {

using xtalsp::test::run;

const std::string kSilicon = std::string(test::kExamplesDir) + "/Silicon.struct";

// Silicon in back reflection at 3 cm, tilted by X and Y, saved as `name` in `dir`.
std::string simulatePattern(const test::TempDir& dir, const std::string& name, const std::string& x,
                            const std::string& y) {
    const std::string path = dir.file(name);
    const auto simulated = run(
        {"simulate", "--structure", kSilicon, "--geometry", "back", "--surface",  "0",
         "0",        "1",           "--side", "1",          "0",    "0",          "--distance-cm",
         "3",        "--hkl-max",   "12",     "12",         "12",   "--rotation", x,
         y,          "--ptn",       path});
    EXPECT_EQ(simulated.status, kExitSuccess) << simulated.err;
    return path;
}

struct OpenedPattern {
    test::RecordingPrompt prompt;
    MemorySettingsStore store;
    CXtalspDoc doc{DocumentServices{&prompt, &store, std::nullopt}};
};

void open(OpenedPattern& pattern, const test::TempDir& dir, const std::string& name) {
    ASSERT_TRUE(pattern.doc.deserialize(dir.read(name)).ok());
}

TEST(AlignCommand, PrintsAndSavesTheTiltsOrRefuses) {
    test::TempDir dir;
    const std::string start = simulatePattern(dir, "start.ptn", "3", "-2");
    const auto aligned =
        run({"align", "--pattern", start, "--hkl", "0", "0", "1", "--ptn", dir.file("a.ptn")});
    ASSERT_EQ(aligned.status, kExitSuccess) << aligned.err;
    EXPECT_EQ(aligned.out, "X 0.000000\xC2\xB0\nY 0.000000\xC2\xB0\n"
                           "\xCE\x94X -3.000000\xC2\xB0\n\xCE\x94Y 2.000000\xC2\xB0\n");
    OpenedPattern pattern;
    open(pattern, dir, "a.ptn");
    EXPECT_NEAR(pattern.doc.settings().rotationX, 0.0, 1e-12);
    EXPECT_NEAR(pattern.doc.settings().rotationY, 0.0, 1e-12);

    const auto impossible =
        run({"align", "--pattern", start, "--hkl", "1", "0", "0", "--ptn", dir.file("b.ptn")});
    EXPECT_EQ(impossible.status, kExitFileError);
    EXPECT_FALSE(impossible.err.empty());
    EXPECT_EQ(dir.read("b.ptn"), "");
    EXPECT_EQ(run({"align", "--pattern", start}).status, kExitUsageError);
}

TEST(FitCommand, FitsTheMeasuredSpotsAndRefusesTooFewPairs) {
    test::TempDir dir;
    const std::string truth = simulatePattern(dir, "truth.ptn", "3", "-2");
    OpenedPattern pattern;
    open(pattern, dir, "truth.ptn");
    std::vector<LaueSpot> spots(pattern.doc.spots().begin(), pattern.doc.spots().end());
    std::sort(spots.begin(), spots.end(),
              [](const LaueSpot& a, const LaueSpot& b) { return a.intensity > b.intensity; });
    std::vector<FilmPeak> peaks;
    for (std::size_t i = 0; i < 8 && i < spots.size(); ++i)
        peaks.push_back({spots[i].x / 10, spots[i].y / 10, spots[i].intensity});
    const std::string csv = dir.write("spots.csv", formatPeaksCsv(peaks));

    const std::string start = simulatePattern(dir, "start.ptn", "3.5", "-1.5");
    const auto fit = run({"fit", "--pattern", start, "--spots", csv, "--refine", "distance",
                          "--ptn", dir.file("fit.ptn"), "--text", dir.file("fit.txt")});
    ASSERT_EQ(fit.status, kExitSuccess) << fit.err;
    EXPECT_EQ(fit.out.substr(0, fit.out.find("rms_mm")), "pairs 8\n");
    EXPECT_NE(fit.out.find("\nrms_mm 0.0000\nmax_mm 0.0000\ndX -0.500000\ndY -0.500000\n"
                           "dpsi 0.000000\ndistance_cm 3.00000\npair 1 "),
              std::string::npos)
        << fit.out;
    OpenedPattern fitted;
    open(fitted, dir, "fit.ptn");
    EXPECT_NEAR(fitted.doc.settings().rotationX, 3.0, 1e-6);
    EXPECT_NEAR(fitted.doc.settings().rotationY, -2.0, 1e-6);
    EXPECT_FALSE(dir.read("fit.txt").empty());

    peaks.resize(1);
    const auto refused =
        run({"fit", "--pattern", start, "--spots", dir.write("one.csv", formatPeaksCsv(peaks))});
    EXPECT_EQ(refused.status, kExitFileError);
    EXPECT_EQ(refused.out, "");
    const auto badCsv =
        run({"fit", "--pattern", start, "--spots", dir.write("bad.csv", "x_mm,y_mm\n1,nan\n")});
    EXPECT_EQ(badCsv.status, kExitFileError);
}

TEST(IndexCommand, FindsTheOrientationOfMeasuredSpotsAndWritesIt) {
    test::TempDir dir;
    simulatePattern(dir, "truth.ptn", "3", "-2");
    OpenedPattern truth;
    open(truth, dir, "truth.ptn");
    std::vector<LaueSpot> spots(truth.doc.spots().begin(), truth.doc.spots().end());
    std::sort(spots.begin(), spots.end(),
              [](const LaueSpot& a, const LaueSpot& b) { return a.intensity > b.intensity; });
    std::vector<FilmPeak> peaks;
    for (std::size_t i = 0; i < 8 && i < spots.size(); ++i)
        peaks.push_back({spots[i].x / 10, spots[i].y / 10, spots[i].intensity});
    const std::string csv = dir.write("spots.csv", formatPeaksCsv(peaks));

    const auto indexed =
        run({"index", "--structure", kSilicon, "--geometry", "back", "--distance-cm", "3",
             "--hkl-max", "12", "12", "12", "--spots", csv, "--ptn", dir.file("indexed.ptn")});
    ASSERT_EQ(indexed.status, kExitSuccess) << indexed.err;
    EXPECT_EQ(indexed.out.rfind("rank matched rms_mm surface side X Y\n1 8 0.0000 (", 0), 0u)
        << indexed.out;
    OpenedPattern found;
    open(found, dir, "indexed.ptn");
    for (const FilmPeak& peak : peaks)
        EXPECT_TRUE(std::any_of(
            found.doc.spots().begin(), found.doc.spots().end(), [&](const LaueSpot& spot) {
                return std::hypot(spot.x / 10 - peak.xMm, spot.y / 10 - peak.yMm) < 0.01;
            }));

    EXPECT_EQ(run({"index", "--structure", kSilicon, "--geometry", "side", "--distance-cm", "3",
                   "--spots", csv})
                  .status,
              kExitUsageError);
}

} // namespace
} // namespace xtalsp::cli
