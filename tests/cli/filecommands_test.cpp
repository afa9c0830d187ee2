#include "cli/clicommands.h"
#include "cli/clirun.h"

#include "core/io/binaryarchive.h"
#include "core/spectrum/builtinspectrum.h"
#include "core/spectrum/spectrumfile.h"
#include "core/structure/samplestructure.h"
#include "core/structure/structurefile.h"
#include "support/tempdir.h"
#include "testpaths.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>

namespace xtalsp::cli {
namespace {

using xtalsp::test::CliRun;
using xtalsp::test::run;

const std::string kSilicon = std::string(test::kExamplesDir) + "/Silicon.struct";

TEST(CliStructure, PrintsTheFileAsSaveACopyWritesIt) {
    const CliRun r = run({"structure", kSilicon});
    EXPECT_EQ(r.status, kExitSuccess);
    EXPECT_TRUE(r.err.empty());
    EXPECT_EQ(r.out.rfind("! Text format structure file\r\n\r\nSilicon\t\t\t! Crystal Name\r\n", 0),
              0u);
    const Result<FlatStructure> original = importStructure(kSilicon);
    const Result<FlatStructure> printed = readStructureText(r.out, "printed");
    ASSERT_TRUE(printed.ok());
    EXPECT_EQ(printed.value(), original.value());
}

TEST(CliStructure, ReportsFailuresWithThePathAsGiven) {
    const CliRun missing = run({"structure", "no/such.struct"});
    EXPECT_EQ(missing.status, kExitFileError);
    EXPECT_EQ(missing.err, "Xtalsp cannot open the file  such.struct !  \n");
    EXPECT_TRUE(missing.out.empty());

    test::TempDir dir;
    const std::string broken = dir.write("broken.struct", "Name\n1 1 1\n90 90 90\n");
    const CliRun bad = run({"structure", broken});
    EXPECT_EQ(bad.status, kExitFileError);
    EXPECT_EQ(
        bad.err.rfind("Error in Reading Structure File: " + broken + "\nXtalsp cannot read", 0),
        0u);

    // An archived file may have no atoms; its text form could not be read back.
    ArchiveWriter empty;
    empty.writeString("Empty");
    for (const double value : {4.0, 5.0, 6.0, 90.0, 90.0, 120.0})
        empty.writeDouble(value);
    empty.writeInt32(0);
    const CliRun noAtoms = run({"structure", dir.write("empty.structure", empty.bytes())});
    EXPECT_EQ(noAtoms.status, kExitFileError);
    EXPECT_TRUE(noAtoms.out.empty());
    EXPECT_NE(noAtoms.err.find("at least one atom"), std::string::npos);

    EXPECT_EQ(run({"structure"}).status, kExitUsageError);
    EXPECT_EQ(run({"structure", "a", "b"}).status, kExitUsageError);
    EXPECT_EQ(run({"structure", "--bogus", kSilicon}).status, kExitUsageError);
}

TEST(CliSpectrum, ConvertsTextAndBinarySpectra) {
    test::TempDir dir;
    const std::string text = dir.write("beam.txt", "# two items\r\n1.0 5\r\n0.5\t2.5\r\n");
    const std::string binary = dir.file("beam.SPECTRUM");
    const CliRun r = run({"spectrum", text, "--spectrum-out", binary});
    EXPECT_EQ(r.status, kExitSuccess);
    EXPECT_EQ(r.err, "2 valid items found in " + text + ". Please check the data!\n");
    EXPECT_EQ(r.out.rfind("# Text format spectrum file\r\n\r\n# Wavelength\tIntensity\r\n\r\n"
                          "0.00\t0\r\n",
                          0),
              0u);
    EXPECT_NE(r.out.find("\r\n0.50\t0.5\r\n"), std::string::npos);
    EXPECT_NE(r.out.find("\r\n1.00\t1\r\n"), std::string::npos);
    EXPECT_EQ(dir.read("beam.SPECTRUM").size(), 2429u);

    // The spectrum file written above reads back (any letter case of the extension).
    const CliRun back = run({"spectrum", binary});
    EXPECT_EQ(back.status, kExitSuccess);
    EXPECT_TRUE(back.err.empty());
    EXPECT_EQ(back.out, r.out);
}

TEST(CliSpectrum, RefusesUnreadableAndEmptySpectra) {
    test::TempDir dir;
    const std::string zeros = dir.write("zeros.dat", "1.0 0\n");
    const CliRun empty = run({"spectrum", zeros});
    EXPECT_EQ(empty.status, kExitFileError);
    EXPECT_NE(empty.err.find("At least one item should be greater than 1e-8."), std::string::npos);

    const std::string fake = dir.write("fake.Spectrum", "\x14Xtalspotter.SPECTRUM");
    const CliRun wrong = run({"spectrum", fake});
    EXPECT_EQ(wrong.status, kExitFileError);
    EXPECT_EQ(wrong.err, "Import Spectrum File...: Cannot recognize the file format!\n");
    EXPECT_TRUE(wrong.out.empty());
}

TEST(CliStructure, ExpandsCifFilesAndNamesTheirFaults) {
    const std::string corundum = std::string(test::kExamplesDir) + "/corundum.cif";
    const CliRun r = run({"structure", corundum});
    EXPECT_EQ(r.status, kExitSuccess) << r.err;
    const Result<FlatStructure> printed = readStructureText(r.out, "printed");
    ASSERT_TRUE(printed.ok());
    EXPECT_EQ(printed.value().name, "Corundum");
    EXPECT_EQ(printed.value().atoms.size(), 30u);
    EXPECT_EQ(run({"structure", corundum, "--block", "CORUNDUM"}).out, r.out);

    const CliRun noBlock = run({"structure", corundum, "--block", "quartz"});
    EXPECT_EQ(noBlock.status, kExitFileError);
    EXPECT_EQ(noBlock.err, "corundum.cif: no data block quartz\n");
    test::TempDir dir;
    const CliRun noAtoms = run({"structure", dir.write("a.cif", "data_a\n_cell_length_a 3\n")});
    EXPECT_EQ(noAtoms.status, kExitFileError);
    EXPECT_EQ(noAtoms.err, "a.cif: no atom sites\n");
    EXPECT_TRUE(noAtoms.out.empty());
}

TEST(CliSpectrum, GeneratesTubeSpectra) {
    const CliRun r = run({"spectrum", "tube:W:30"});
    EXPECT_EQ(r.status, kExitSuccess) << r.err;
    EXPECT_NE(r.out.find("0.41\t0\r\n0.42\t0.0"), std::string::npos);
    EXPECT_NE(run({"spectrum", "tube:W:30:nolines"}).out, r.out);
    const CliRun bad = run({"spectrum", "tube:Fe:30"});
    EXPECT_EQ(bad.status, kExitFileError);
    EXPECT_NE(bad.err.find("The anode must be W, Mo, Cu, Ag, Rh or Cr."), std::string::npos);
}

TEST(CliSampleStructure, PrintsTheSampleFile) {
    const CliRun r = run({"sample-structure"});
    EXPECT_EQ(r.status, kExitSuccess);
    EXPECT_EQ(r.out, kSampleStructureText);
    EXPECT_EQ(run({"sample-structure", "extra"}).status, kExitUsageError);
}

TEST(CliUsage, HelpAndUnknownCommands) {
    for (const std::string command : {"structure", "spectrum", "sample-structure"}) {
        const CliRun help = run({command, "--help"});
        EXPECT_EQ(help.status, kExitSuccess) << command;
        EXPECT_EQ(help.out.rfind("usage: xtalsp-cli " + command, 0), 0u) << command;
    }
    EXPECT_EQ(run({"--help"}).status, kExitSuccess);
    EXPECT_EQ(run({}).status, kExitUsageError);
    EXPECT_EQ(run({"simulate-everything"}).status, kExitUsageError);
}

TEST(CliBinary, WritesExactBytesAndExitStatus) {
    test::TempDir dir;
    const std::string out = dir.file("sample.struct");
    const std::string command = std::string(test::kCliPath) + " sample-structure > '" + out + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(dir.read("sample.struct"), kSampleStructureText);
    const std::string failing =
        std::string(test::kCliPath) + " structure '" + dir.file("none.struct") + "' 2>/dev/null";
    const int status = std::system(failing.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

} // namespace
} // namespace xtalsp::cli
