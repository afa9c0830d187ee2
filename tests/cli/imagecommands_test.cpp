#include "cli/clicommands.h"
#include "cli/clirun.h"

#include "support/tempdir.h"
#include "support/testimages.h"

#include <charconv>
#include <gtest/gtest.h>

namespace xtalsp::cli {
namespace {

using xtalsp::test::CliRun;
using xtalsp::test::run;

struct CsvPeak {
    double x = 0.0, y = 0.0, intensity = 0.0;
};

std::vector<CsvPeak> parseCsv(const std::string& text) {
    std::vector<CsvPeak> peaks;
    std::size_t at = text.find('\n') + 1;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        double values[3] = {};
        const char* p = text.data() + at;
        for (double& value : values)
            p = std::from_chars(p, text.data() + end, value).ptr + 1;
        peaks.push_back({values[0], values[1], values[2]});
        at = end + 1;
    }
    return peaks;
}

// Three spots on a 128 x 96 image; the centre is at column 64, row 40.
std::string spotImage(const test::TempDir& dir) {
    const std::vector<test::SyntheticSpot> spots = {
        {84.0, 40.0, 2000.0}, {64.0, 70.0, 1000.0}, {30.0, 20.0, 500.0}};
    const std::string path = dir.file("spots.tif");
    EXPECT_TRUE(
        test::writeTiff(path, 128, 96, test::syntheticSpotImage(128, 96, spots, 100.0, 1.5, 5)));
    return path;
}

TEST(CliPeaks, WritesThePeaksInFilmMillimetresAfterFlipAndRotation) {
    test::TempDir dir;
    const std::string image = spotImage(dir);
    const std::string csv = dir.file("peaks.csv");
    const CliRun r = run({"peaks", image, "--pixel-mm", "0.1", "--pixel-mm-y", "0.2", "--centre",
                          "64", "40", "--flip", "h", "--rotate", "90", "--csv", csv});
    ASSERT_EQ(r.status, kExitSuccess) << r.err;
    EXPECT_TRUE(r.out.empty());
    const std::string text = dir.read("peaks.csv");
    EXPECT_EQ(text.rfind("x_mm,y_mm,intensity\n", 0), 0u);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    const std::vector<CsvPeak> peaks = parseCsv(text);
    ASSERT_EQ(peaks.size(), 3u) << text;
    // Stored (x, y): (2, 0), (0, -6), (-3.4, 4); flipped in x, then a quarter turn.
    const double expected[3][2] = {{0.0, -2.0}, {6.0, 0.0}, {-4.0, 3.4}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(peaks[i].x, expected[i][0], 0.05) << i;
        EXPECT_NEAR(peaks[i].y, expected[i][1], 0.05) << i;
    }
    EXPECT_GT(peaks[0].intensity, peaks[2].intensity);

    // Without --csv the same text goes to standard output.
    const CliRun toOut = run({"peaks", image, "--pixel-mm", "0.1", "--pixel-mm-y", "0.2",
                              "--centre", "64", "40", "--flip", "h", "--rotate", "90"});
    EXPECT_EQ(toOut.status, kExitSuccess);
    EXPECT_EQ(toOut.out, text);
}

TEST(CliPeaks, RefusesWrongOptionsAndUnreadableImages) {
    test::TempDir dir;
    const std::string image = spotImage(dir);
    const auto runWith = [&](std::vector<std::string> extra) {
        std::vector<std::string> arguments = {"peaks", image};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return run(arguments);
    };
    const CliRun rotate = runWith({"--pixel-mm", "0.1", "--centre", "1", "2", "--rotate", "45"});
    EXPECT_EQ(rotate.status, kExitUsageError);
    EXPECT_EQ(rotate.err.rfind("xtalsp-cli: --rotate must be 90, 180 or 270\n", 0), 0u);
    EXPECT_EQ(runWith({"--pixel-mm", "0.1"}).status, kExitUsageError);
    EXPECT_EQ(runWith({"--pixel-mm", "0", "--centre", "1", "2"}).status, kExitUsageError);
    EXPECT_EQ(runWith({"--pixel-mm", "0.1", "--centre", "1", "nan"}).status, kExitUsageError);
    EXPECT_EQ(runWith({"--pixel-mm", "0.1", "--centre", "1", "2", "--flip", "x"}).status,
              kExitUsageError);

    const std::string text = dir.write("text.tif", "no image");
    const CliRun unreadable = run({"peaks", text, "--pixel-mm", "0.1", "--centre", "1", "2"});
    EXPECT_EQ(unreadable.status, kExitFileError);
    EXPECT_EQ(unreadable.err,
              "Cannot read the image " + text + ": it is neither a TIFF nor a CBF file.\n");
    EXPECT_TRUE(unreadable.out.empty());
}

} // namespace
} // namespace xtalsp::cli
