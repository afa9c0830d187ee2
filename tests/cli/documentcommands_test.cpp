#include "cli/clicommands.h"
#include "cli/clirun.h"

#include "core/spectrum/builtinspectrum.h"
#include "core/spectrum/spectrumfile.h"
#include "support/tempdir.h"
#include "testpaths.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <tuple>

namespace xtalsp::cli {
namespace {

using xtalsp::test::CliRun;
using xtalsp::test::run;

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

const std::string kExamples = test::kExamplesDir;
const std::string kData = test::kTestDataDir;
const std::string kSilicon = kExamples + "/Silicon.struct";

std::vector<std::string> siliconTransmission() {
    return {"simulate",
            "--structure",
            kSilicon,
            "--geometry",
            "transmission",
            "--surface",
            "0",
            "0",
            "1",
            "--side",
            "1",
            "0",
            "0",
            "--distance-cm",
            "3"};
}

// The listings below were produced by the straightforward spot walk and checked against the
// worked cases; any change to the computation that alters a printed number shows up here.
TEST(CliSimulate, ReproducesTheGoldenListings) {
    std::vector<std::string> asFile = siliconTransmission();
    asFile.insert(asFile.end(), {"--text", "-"});
    const CliRun transmission = run(asFile);
    EXPECT_EQ(transmission.status, kExitSuccess);
    EXPECT_TRUE(transmission.err.empty()) << transmission.err;
    EXPECT_EQ(transmission.out, fileBytes(kData + "/cli/silicon-transmission-001.txt"));

    const CliRun quartz = run({"simulate",
                               "--structure",
                               kData + "/structure/quartz-low.struct",
                               "--geometry",
                               "back",
                               "--surface",
                               "1",
                               "0",
                               "1",
                               "--side",
                               "0",
                               "1",
                               "0",
                               "--distance-cm",
                               "4",
                               "--rotation",
                               "3.5",
                               "-2",
                               "--film-cm",
                               "12.5",
                               "10",
                               "--min-intensity",
                               "0.5",
                               "--saturation-percent",
                               "40",
                               "--text",
                               "-"});
    EXPECT_EQ(quartz.status, kExitSuccess);
    EXPECT_EQ(quartz.err, "xtalsp-cli: note: the side plane (0 1 0) is not perpendicular to the "
                          "surface plane; using (1 -2 0)\n");
    EXPECT_EQ(quartz.out, fileBytes(kData + "/cli/quartz-back-101-rotated.txt"));
}

TEST(CliPattern, OpensTheBundledExamples) {
    const CliRun transmission =
        run({"pattern", kExamples + "/silicon-transmission-001.ptn", "--text", "-"});
    EXPECT_EQ(transmission.status, kExitSuccess);
    EXPECT_EQ(transmission.out, fileBytes(kData + "/cli/silicon-transmission-001.txt"));
    const CliRun back = run({"pattern", kExamples + "/silicon-back-111.ptn", "--text", "-"});
    EXPECT_EQ(back.status, kExitSuccess);
    EXPECT_EQ(back.out, fileBytes(kData + "/cli/silicon-back-111.txt"));
}

TEST(CliSimulate, WritesPatternAndMergingFilesThatReadBack) {
    test::TempDir dir;
    std::vector<std::string> arguments = siliconTransmission();
    for (const char* extra : {"--ptn", "a.ptn", "--mrg", "a.mrg", "--text", "a.txt"})
        arguments.push_back(extra);
    for (std::size_t i = arguments.size() - 5; i < arguments.size(); i += 2)
        arguments[i] = dir.file(arguments[i]);
    const CliRun r = run(arguments);
    ASSERT_EQ(r.status, kExitSuccess) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(dir.read("a.ptn"), fileBytes(kExamples + "/silicon-transmission-001.ptn"));
    const std::string listing = dir.read("a.txt");
    const std::size_t spots =
        static_cast<std::size_t>(std::count(listing.begin(), listing.end(), '\n') -
                                 std::count(listing.begin(), listing.end(), '%') - 8);
    // Grey levels on: 56 bytes of header and 24 per spot.
    EXPECT_EQ(dir.read("a.mrg").size(), 56 + 24 * spots);

    const CliRun reopened = run({"pattern", dir.file("a.ptn"), "--text", "-"});
    EXPECT_EQ(reopened.out, listing);
}

TEST(CliSimulate, RefusesBadSettingsAndInput) {
    std::vector<std::string> zeroSurface = siliconTransmission();
    zeroSurface[8] = "0"; // --surface 0 0 0
    const CliRun zero = run(zeroSurface);
    EXPECT_EQ(zero.status, kExitUsageError);
    EXPECT_EQ(zero.err, "Error: At least one of the HKL indices should be nonzero!\n");

    std::vector<std::string> tooWeak = siliconTransmission();
    tooWeak.insert(tooWeak.end(), {"--min-intensity", "1e-9"});
    EXPECT_EQ(run(tooWeak).status, kExitUsageError);

    std::vector<std::string> notANumber = siliconTransmission();
    notANumber.back() = "3cm";
    EXPECT_EQ(run(notANumber).status, kExitUsageError);

    std::vector<std::string> missing = siliconTransmission();
    missing[2] = "no/such.struct";
    const CliRun noFile = run(missing);
    EXPECT_EQ(noFile.status, kExitFileError);
    EXPECT_EQ(noFile.err, "Xtalsp cannot open the file  such.struct !  \n");

    EXPECT_EQ(run({"simulate", "--structure", kSilicon}).status, kExitUsageError);
}

TEST(CliSimulate, TakesASpectrumFileNormalised) {
    test::TempDir dir;
    Spectrum doubled = builtinSpectrum();
    for (double& v : doubled.intensity)
        v *= 2;
    const std::string path = dir.write("beam.Spectrum", encodeSpectrumFile(doubled));
    std::vector<std::string> arguments = siliconTransmission();
    arguments.insert(arguments.end(), {"--spectrum", path, "--text", "-"});
    const CliRun r = run(arguments);
    EXPECT_EQ(r.status, kExitSuccess);
    EXPECT_EQ(r.out, fileBytes(kData + "/cli/silicon-transmission-001.txt"));
}

// A 30 kV tube emits nothing below 0.413 Angstrom, so no harmonic may have a shorter
// wavelength; the CIF and its expanded structure file give the same pattern.
TEST(CliSimulate, TakesCifStructuresAndTubeSpectra) {
    std::vector<std::string> arguments = {"simulate",
                                          "--structure",
                                          kExamples + "/rutile.cif",
                                          "--geometry",
                                          "back",
                                          "--surface",
                                          "0",
                                          "0",
                                          "1",
                                          "--side",
                                          "1",
                                          "0",
                                          "0",
                                          "--distance-cm",
                                          "3",
                                          "--spectrum",
                                          "tube:W:30"};
    const CliRun cif = run(arguments);
    ASSERT_EQ(cif.status, kExitSuccess) << cif.err;
    std::size_t harmonics = 0;
    for (std::size_t at = cif.out.find("WL="); at != std::string::npos;
         at = cif.out.find("WL=", at + 1), ++harmonics)
        EXPECT_GE(std::stod(cif.out.substr(at + 3)), 0.41) << cif.out.substr(at, 12);
    EXPECT_GT(harmonics, 10u);
    arguments[2] = kExamples + "/rutile.struct";
    EXPECT_EQ(run(arguments).out, cif.out);

    const CliRun sf = run({"sf", "--structure", kExamples + "/rutile.cif", "1", "1", "0"});
    EXPECT_EQ(sf.out, run({"sf", "--structure", kExamples + "/rutile.struct", "1", "1", "0"}).out);
    for (const char* example : {"/corundum-back-001.ptn", "/rutile-transmission-001.ptn"}) {
        const CliRun pattern = run({"pattern", kExamples + example});
        EXPECT_EQ(pattern.status, kExitSuccess) << example << pattern.err;
        EXPECT_NE(pattern.out.find("WL="), std::string::npos) << example;
    }
}

TEST(CliPattern, ReportsUnreadableFiles) {
    const CliRun missing = run({"pattern", "/no/such/file.ptn"});
    EXPECT_EQ(missing.status, kExitFileError);
    EXPECT_EQ(missing.err, "Cannot open the file /no/such/file.ptn\n");
    const CliRun notAPattern = run({"pattern", kSilicon});
    EXPECT_EQ(notAPattern.status, kExitFileError);
    EXPECT_EQ(notAPattern.err,
              "Cannot recognize the file format!\nAn empty pattern file is to be created.\n");
}

TEST(CliStructureFactor, PrintsTheCalculatorTexts) {
    const CliRun r = run({"sf", "--structure", kSilicon, "1", "1", "1"});
    EXPECT_EQ(r.status, kExitSuccess);
    EXPECT_EQ(r.out, "58.7221958021\n315\xC2\xB0\n3.135301 \xC3\x85\n"); // UTF-8: ° and Å
    const CliRun origin = run({"sf", "--structure", kSilicon, "0", "0", "0"});
    EXPECT_EQ(origin.out.substr(origin.out.find('\n', origin.out.find('\n') + 1) + 1), " N/A\n");
    EXPECT_EQ(run({"sf", "--structure", kSilicon, "1", "1"}).status, kExitUsageError);
}

std::vector<std::string> withOption(std::vector<std::string> arguments,
                                    std::initializer_list<std::string> option) {
    arguments.insert(arguments.end(), option);
    return arguments;
}

// Every number of every command is checked against the range of the field it stands for and
// refused, never clamped, with the option and its range in the message.
TEST(CliCommandLine, RefusesNumbersOutsideTheirFieldsRanges) {
    const std::vector<std::string> base = siliconTransmission();
    std::vector<std::string> shortSurface = base;
    shortSurface.erase(shortSurface.begin() + 8); // --surface 0 0 --side 1 0 0
    std::vector<std::string> farSurface = base;
    farSurface[8] = "1000";
    std::vector<std::string> nearDistance = base;
    nearDistance.back() = "-3";
    const std::string pattern = kExamples + "/silicon-transmission-001.ptn";
    struct Refusal {
        std::vector<std::string> arguments;
        std::string expected;
    };
    const std::vector<Refusal> refusals = {
        {nearDistance, "--distance-cm must be between 0.02 and 500, not -3"},
        {withOption(base, {"--hkl-max", "1e9", "1", "1"}),
         "--hkl-max must be between 1 and 999, not 1e9"},
        {withOption(base, {"--hkl-max", "5", "-5", "1"}), "between 1 and 999, not -5"},
        {withOption(base, {"--hkl-max", "5", "5", "2.5"}), "--hkl-max needs whole numbers"},
        {withOption(base, {"--rotation", "95", "0"}),
         "--rotation must be between -89.9999 and 89.9999, not 95"},
        {withOption(base, {"--rotation", "0", "-200"}), "not -200"},
        {withOption(base, {"--film-cm", "1", "15"}), "--film-cm must be between 2 and 500"},
        {withOption(base, {"--spot-mm", "2", "30"}), "--spot-mm must be between 0.5 and 20"},
        {withOption(base, {"--min-intensity", "1e-9"}),
         "--min-intensity must be between 1e-8 and 10000"},
        {withOption(base, {"--saturation-percent", "0"}),
         "--saturation-percent must be between 0.001 and 10000"},
        {withOption(base, {"--dpi", "5"}), "--dpi must be between 10 and 1200"},
        {farSurface, "--surface must be between -999 and 999, not 1000"},
        {shortSurface, "option --surface needs 3 values"},
        {{"sf", "--structure", kSilicon, "1.6", "5000", "-3"},
         "H K L needs whole numbers between -999 and 999, not 1.6"},
        {{"sf", "--structure", kSilicon, "1", "5000", "-3"}, "H K L must be between -999 and 999"},
        {{"pattern", pattern, "--dpi", "1e5"}, "--dpi must be between 10 and 1200"},
        {{"merge", "--pattern", pattern, "--out", "out.wmf", "--file1", "a.mrg", "--dpi", "0"},
         "--dpi must be between 10 and 1200"},
    };
    for (const Refusal& refusal : refusals) {
        const CliRun r = run(refusal.arguments);
        EXPECT_EQ(r.status, kExitUsageError) << refusal.expected;
        EXPECT_NE(r.err.find(refusal.expected), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << refusal.expected;
    }

    // The bounds themselves are taken.
    std::vector<std::string> bounds = base;
    bounds.back() = "500";
    bounds.insert(bounds.end(), {"--rotation", "89.9999", "-89.9999", "--film-cm", "2", "500",
                                 "--spot-mm", "0.5", "20", "--hkl-max", "1", "1", "1",
                                 "--saturation-percent", "10000", "--min-intensity", "1e-8"});
    const CliRun accepted = run(bounds);
    EXPECT_EQ(accepted.status, kExitSuccess) << accepted.err;
    EXPECT_NE(accepted.out.find("Rotation angles: X = 89.9999\xC2\xB0, Y = -89.9999\xC2\xB0\n"),
              std::string::npos);
}

// The listing and messages on the terminal are UTF-8 with LF; "--text -" gives the file bytes.
TEST(CliText, IsUtf8ForAPersonAndFileBytesForAFile) {
    const std::vector<std::string> quartz = {"simulate",
                                             "--structure",
                                             kData + "/structure/quartz-low.struct",
                                             "--geometry",
                                             "back",
                                             "--surface",
                                             "1",
                                             "0",
                                             "1",
                                             "--side",
                                             "1",
                                             "-2",
                                             "0",
                                             "--distance-cm",
                                             "4",
                                             "--rotation",
                                             "3.5",
                                             "-2"};
    const CliRun terminal = run(quartz);
    ASSERT_EQ(terminal.status, kExitSuccess) << terminal.err;
    EXPECT_EQ(terminal.out.find('\r'), std::string::npos);
    EXPECT_NE(terminal.out.find("\nRotation angles: X = 3.5\xC2\xB0, Y = -2\xC2\xB0\n"),
              std::string::npos);
    const CliRun file = run(withOption(quartz, {"--text", "-"}));
    EXPECT_NE(file.out.find("\r\nRotation angles: X = 3.5\xB0, Y = -2\xB0\r\n"), std::string::npos);
    std::string crlfFree = file.out;
    std::erase(crlfFree, '\r');
    EXPECT_EQ(terminal.out.size(), crlfFree.size() + 2); // each degree sign takes two bytes

    // A path typed in UTF-8 is quoted as typed, not read as Windows-1252 a second time.
    std::vector<std::string> missing = siliconTransmission();
    missing[2] = "/no/such/M\xC3\xBCller.struct";
    EXPECT_EQ(run(missing).err, "Xtalsp cannot open the file  M\xC3\xBCller.struct !  \n");
}

TEST(CliSimulate, ListsAFractionalSurfacePlaneAsEntered) {
    std::vector<std::string> arguments = siliconTransmission();
    arguments[6] = "1";
    arguments[7] = "1";
    arguments[8] = "1.5";
    arguments[10] = "1";
    arguments[11] = "-1";
    arguments[12] = "0";
    const CliRun r = run(arguments);
    ASSERT_EQ(r.status, kExitSuccess) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "Silicon (1 1 1.5)");
}

} // namespace
} // namespace xtalsp::cli

namespace xtalsp::cli {
namespace {

// Every spot line of a listing ("  h k l: x=.., y=..; I=.., percent") against the CSV line at
// the same place: same indices, and the listing's rounded numbers within their rounding.
TEST(CliPattern, SpotCsvFollowsTheListingLineByLine) {
    const std::string pattern = std::string(test::kExamplesDir) + "/silicon-back-111.ptn";
    const CliRun listing = run({"pattern", pattern, "--text", "-"});
    const CliRun csv = run({"pattern", pattern, "--csv", "-"});
    ASSERT_EQ(csv.status, kExitSuccess);
    std::istringstream csvLines(csv.out);
    std::string line;
    std::getline(csvLines, line);
    EXPECT_EQ(line, "h,k,l,x_mm,y_mm,wavelength,intensity,percent");
    std::istringstream listingLines(listing.out);
    int spots = 0;
    while (std::getline(listingLines, line)) {
        int h = 0, k = 0, l = 0;
        double x = 0, y = 0, intensity = 0, percent = 0;
        if (std::sscanf(line.c_str(), "  %d %d %d: x=%lf, y=%lf; I=%lf, %lf", &h, &k, &l, &x, &y,
                        &intensity, &percent) != 7)
            continue;
        std::string row;
        ASSERT_TRUE(std::getline(csvLines, row)) << line;
        int ch = 0, ck = 0, cl = 0;
        double cx = 0, cy = 0, wavelength = 0, ci = 0, cp = 0;
        ASSERT_EQ(std::sscanf(row.c_str(), "%d,%d,%d,%lf,%lf,%lf,%lf,%lf", &ch, &ck, &cl, &cx, &cy,
                              &wavelength, &ci, &cp),
                  8)
            << row;
        EXPECT_EQ(std::tie(ch, ck, cl), std::tie(h, k, l)) << row;
        EXPECT_NEAR(cx, x, 1e-5 * std::max(1.0, std::abs(x))) << row;
        EXPECT_NEAR(cy, y, 1e-5 * std::max(1.0, std::abs(y))) << row;
        EXPECT_NEAR(ci, intensity, 1e-5 * intensity) << row;
        EXPECT_NEAR(cp, percent, 1e-5 * std::max(1.0, percent)) << row;
        EXPECT_GT(wavelength, 0.0);
        ++spots;
    }
    EXPECT_GT(spots, 10);
    EXPECT_FALSE(std::getline(csvLines, line)) << "more CSV lines than listed spots";
}

} // namespace
} // namespace xtalsp::cli
