#include "cli/clicommands.h"
#include "cli/clirun.h"

#include "core/io/filebytes.h"
#include "support/emfrecords.h"
#include "support/tempdir.h"
#include "support/testimages.h"
#include "testpaths.h"

#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace xtalsp::cli {
namespace {

using xtalsp::test::CliRun;
using xtalsp::test::run;

const std::string kPattern = std::string(test::kExamplesDir) + "/silicon-transmission-001.ptn";

std::string bytesOf(const std::string& path) {
    return readFileBytes(path).value();
}

std::int32_t int32At(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes.at(offset + i));
    return static_cast<std::int32_t>(value);
}

TEST(CliPictures, PatternWritesAnEnhancedMetafileWithTheFilmsFrame) {
    test::TempDir dir;
    const std::string out = dir.file("si.wmf");
    const CliRun result = run({"pattern", kPattern, "--emf", out, "--labels", "1"});
    ASSERT_EQ(result.status, kExitSuccess) << result.err;
    EXPECT_TRUE(result.out.empty()); // a picture alone lists nothing
    const std::string emf = bytesOf(out);
    ASSERT_GT(emf.size(), 108u);
    EXPECT_EQ(int32At(emf, 0), 1);        // the header record
    EXPECT_EQ(emf.substr(40, 4), " EMF"); // its signature
    EXPECT_EQ(int32At(emf, 48), static_cast<std::int32_t>(emf.size()));
    // The frame (0, 0, Wm, Hm) of the default 20 x 15 cm film, in 0.01 mm.
    EXPECT_EQ(int32At(emf, 24), 0);
    EXPECT_EQ(int32At(emf, 28), 0);
    EXPECT_EQ(int32At(emf, 32), 10200);
    EXPECT_EQ(int32At(emf, 36), 7700);
}

TEST(CliPictures, PictureOptionsAreCheckedBeforeAnythingIsComputed) {
    test::TempDir dir;
    const std::string out = dir.file("x.wmf");
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"pattern", kPattern, "--emf", "-"},
          std::vector<std::string>{"pattern", kPattern, "--png", out, "--dpi", "5"},
          std::vector<std::string>{"pattern", kPattern, "--png", out, "--dpi", "3e2x"},
          std::vector<std::string>{"pattern", kPattern, "--emf", out, "--labels", "yes"}}) {
        const CliRun result = run(wrong);
        EXPECT_EQ(result.status, kExitUsageError) << wrong.back();
        EXPECT_NE(result.err.find("usage: xtalsp-cli pattern"), std::string::npos);
    }
    EXPECT_FALSE(canOpenForReading(out));
}

TEST(CliPictures, AnUncreatablePictureIsAFileError) {
    const CliRun result = run({"pattern", kPattern, "--emf", "/no/such/folder/x.wmf"});
    EXPECT_EQ(result.status, kExitFileError);
    EXPECT_EQ(result.err, "Failed to create the metafile!\n");
}

TEST(CliPictures, AFailedWriteToStandardOutputIsAFileError) {
    std::ostream closedOutput(nullptr); // every write fails, as on a full disk or closed pipe
    std::ostringstream err;
    EXPECT_EQ(runCli({"pattern", kPattern, "--text", "-"}, closedOutput, err), kExitFileError);
    EXPECT_EQ(err.str(), "Error while writing to standard output\n");
}

class CliMerge : public ::testing::Test {
protected:
    void SetUp() override {
        mergingFile = dir.file("si.mrg");
        ASSERT_EQ(run({"pattern", kPattern, "--mrg", mergingFile}).status, kExitSuccess);
    }
    CliRun merge(std::vector<std::string> options) {
        std::vector<std::string> arguments = {"merge", "--pattern", kPattern, "--out", output};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return run(arguments);
    }

    test::TempDir dir;
    std::string mergingFile;
    std::string output = dir.file("merged.wmf");
};

TEST_F(CliMerge, DrawsThePatternWithItsMergingFileAndSaysWhereThePictureIs) {
    const CliRun result = merge({"--file1", mergingFile, "--color1", "red"});
    ASSERT_EQ(result.status, kExitSuccess) << result.err;
    EXPECT_EQ(result.out, "The merged pattern was successfully generated in " + output +
                              ".\nYou can insert it into a WORD or PowerPoint document to view "
                              "or edit it.\n");
    EXPECT_EQ(bytesOf(output).substr(40, 4), " EMF");
}

TEST_F(CliMerge, AMissingMergingFileLeavesTheOldOutput) {
    const std::string keep = dir.write("keep.wmf", "the user's picture");
    const std::string missing = dir.file("missing.mrg");
    output = keep;
    const CliRun result = merge({"--file1", missing});
    EXPECT_EQ(result.status, kExitFileError);
    EXPECT_EQ(result.err, "Unable to open merging file " + missing + "!\n");
    EXPECT_EQ(dir.read("keep.wmf"), "the user's picture");
}

TEST_F(CliMerge, TheDialogsChecksAndColourNamesAreUsageErrors) {
    CliRun result = merge({"--file1", mergingFile, "--file2", " " + mergingFile});
    EXPECT_EQ(result.status, kExitUsageError);
    EXPECT_NE(result.err.find("Please select a different file."), std::string::npos);

    result = run({"merge", "--pattern", kPattern, "--out", mergingFile, "--file1", mergingFile});
    EXPECT_EQ(result.status, kExitUsageError);
    EXPECT_NE(result.err.find("Please select a different output file."), std::string::npos);
    EXPECT_EQ(readFileBytes(mergingFile).value().substr(1, 23), "Xtalspotter.MergingFile");

    result = merge({"--file1", "  "});
    EXPECT_EQ(result.status, kExitUsageError);
    EXPECT_NE(result.err.find("Please select a merging file."), std::string::npos);

    result = merge({"--file1", mergingFile, "--color1", "green"});
    EXPECT_EQ(result.status, kExitUsageError);
    EXPECT_NE(result.err.find("--color1 must be gray, red or blue"), std::string::npos);
    EXPECT_FALSE(canOpenForReading(output));
}

#ifdef XTALSP_CLI_IMAGES
std::uint32_t bigEndian32At(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes.at(offset + i));
    return value;
}

// The image formats live in the tool's main program, so they are checked on the real tool.
TEST(CliImages, SvgAndPngHaveThePicturesPhysicalSize) {
    test::TempDir dir;
    const std::string svg = dir.file("si.svg"), png = dir.file("si.png");
    const std::string command = std::string(test::kCliPath) + " pattern '" + kPattern +
                                "' --svg '" + svg + "' --png '" + png + "' --dpi 254";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string svgText = bytesOf(svg);
    EXPECT_NE(svgText.find("width=\"102mm\" height=\"77mm\""), std::string::npos);
    const std::string pngBytes = bytesOf(png);
    ASSERT_GT(pngBytes.size(), 24u);
    EXPECT_EQ(pngBytes.substr(1, 3), "PNG");
    EXPECT_EQ(bigEndian32At(pngBytes, 16), 1020u); // 102 mm at 10 pixels per mm
    EXPECT_EQ(bigEndian32At(pngBytes, 20), 770u);
}

TEST(CliImages, ScaleOneDrawsThePictureAtTrueSize) {
    test::TempDir dir;
    const std::string half = dir.file("half.png"), full = dir.file("full.png");
    const std::string command = std::string(test::kCliPath) + " pattern '" + kPattern +
                                "' --png '" + half + "' --dpi 254 && " + test::kCliPath +
                                " pattern '" + kPattern + "' --png '" + full +
                                "' --dpi 254 --scale 1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(bigEndian32At(bytesOf(half), 16), 1020u);
    EXPECT_EQ(bigEndian32At(bytesOf(full), 16), 2040u);
    EXPECT_EQ(bigEndian32At(bytesOf(full), 20), 1540u);
    EXPECT_EQ(run({"pattern", kPattern, "--png", full, "--scale", "3"}).status, kExitUsageError);
}

// A generated detector image under the pattern: the SVG embeds it, the PNG is drawn.
TEST(CliImages, OverlayDrawsThePatternOverAGeneratedImage) {
    test::TempDir dir;
    const std::string tiff = dir.file("film.tif");
    std::vector<std::uint16_t> pixels(200 * 100);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint16_t>(i % 200 * 100);
    ASSERT_TRUE(test::writeTiff(tiff, 200, 100, pixels));
    const std::string svg = dir.file("over.svg"), png = dir.file("over.png");
    const std::string metafile = dir.file("over.emf");
    const std::string command =
        std::string(test::kCliPath) + " overlay --pattern '" + kPattern + "' --image '" + tiff +
        "' --pixel-mm 0.5 --centre 99.5 49.5 --flip v --rotate 180 --svg '" + svg + "' --png '" +
        png + "' --emf '" + metafile + "' --scale 1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string svgText = bytesOf(svg);
    EXPECT_NE(svgText.find("<image"), std::string::npos);
    EXPECT_NE(svgText.find("width=\"204mm\""), std::string::npos);
    EXPECT_EQ(bytesOf(png).substr(1, 3), "PNG");
    const auto records = test::emf::splitRecords(bytesOf(metafile));
    ASSERT_TRUE(records.has_value());
    EXPECT_TRUE(test::emf::first(*records, test::emf::StretchDiBits).has_value());

    const CliRun missing = run({"overlay", "--pattern", kPattern, "--pixel-mm", "0.5", "--centre",
                                "1", "1", "--png", png});
    EXPECT_EQ(missing.status, kExitUsageError);
    const std::string errors = dir.file("errors.txt");
    const std::string unreadable =
        std::string(test::kCliPath) + " overlay --pattern '" + kPattern + "' --image '" + kPattern +
        "' --pixel-mm 0.5 --centre 1 1 --png '" + png + "' 2>'" + errors + "'";
    EXPECT_NE(std::system(unreadable.c_str()), 0);
    EXPECT_NE(bytesOf(errors).find("Cannot read the image " + kPattern + ": "), std::string::npos);
}

// A Windows-1252 name is no valid UTF-8; it must name its own file, not the replacement
// character's.
TEST(CliImages, PictureNamesAreTheBytesGiven) {
    test::TempDir dir;
    const std::string latin1 = dir.file("caf\xE9.svg");
    const std::string replaced = dir.write("caf\xEF\xBF\xBD.svg", "another file");
    const std::string command = std::string(test::kCliPath) + " pattern '" + kPattern +
                                "' --svg '" + latin1 + "' --pdf /dev/full 2>/dev/null";
    EXPECT_NE(std::system(command.c_str()), 0); // the PDF could not be written
    EXPECT_EQ(bytesOf(latin1).substr(0, 5), "<?xml");
    EXPECT_EQ(bytesOf(replaced), "another file");
}
#else
TEST(CliImages, ATelltaleMessageWhenBuiltWithoutQt) {
    test::TempDir dir;
    const CliRun result = run({"pattern", kPattern, "--svg", dir.file("si.svg")});
    EXPECT_EQ(result.status, kExitUsageError);
    EXPECT_NE(result.err.find("--svg is not available: this xtalsp-cli was built without Qt"),
              std::string::npos);
}
#endif

} // namespace
} // namespace xtalsp::cli
