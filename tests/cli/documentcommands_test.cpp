#include "cli/clicommands.h"
#include "cli/clirun.h"

#include "spectrum/builtinspectrum.h"
#include "spectrum/spectrumfile.h"
#include "support/tempdir.h"
#include "testpaths.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

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
    const CliRun transmission = run(siliconTransmission());
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
                               "40"});
    EXPECT_EQ(quartz.status, kExitSuccess);
    EXPECT_EQ(quartz.err, "xtalsp-cli: note: the side plane (0 1 0) is not perpendicular to the "
                          "surface plane; using (1 -2 0)\n");
    EXPECT_EQ(quartz.out, fileBytes(kData + "/cli/quartz-back-101-rotated.txt"));
}

TEST(CliPattern, OpensTheBundledExamples) {
    const CliRun transmission = run({"pattern", kExamples + "/silicon-transmission-001.ptn"});
    EXPECT_EQ(transmission.status, kExitSuccess);
    EXPECT_EQ(transmission.out, fileBytes(kData + "/cli/silicon-transmission-001.txt"));
    const CliRun back = run({"pattern", kExamples + "/silicon-back-111.ptn"});
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
    arguments.insert(arguments.end(), {"--spectrum", path});
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
    EXPECT_EQ(r.out, "58.7221958021\n315\xB0\n3.135301 \xC5\n");
    const CliRun origin = run({"sf", "--structure", kSilicon, "0", "0", "0"});
    EXPECT_EQ(origin.out.substr(origin.out.find('\n', origin.out.find('\n') + 1) + 1), " N/A\n");
    EXPECT_EQ(run({"sf", "--structure", kSilicon, "1", "1"}).status, kExitUsageError);
}

} // namespace
} // namespace xtalsp::cli
