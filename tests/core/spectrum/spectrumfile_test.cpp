#include "core/spectrum/spectrumfile.h"

#include "core/io/binaryarchive.h"
#include "core/spectrum/builtinspectrum.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>
#include <limits>

namespace xtalsp {
namespace {

using namespace std::string_literals;

// A file with the given signature followed by `count` doubles, all 0.5 but entry 200.
std::string fileBytes(std::string_view signature, std::size_t count, double entry200 = 0.5) {
    ArchiveWriter writer;
    writer.writeString(signature);
    for (std::size_t i = 0; i < count; ++i)
        writer.writeDouble(i == 200 ? entry200 : 0.5);
    return writer.bytes();
}

TEST(SpectrumFile, WritesTheNormalisedIntensitiesAndReadsThemBack) {
    test::TempDir dir;
    Spectrum spectrum;
    spectrum.intensity[100] = 5.0;
    spectrum.intensity[50] = 2.5;
    const Spectrum before = spectrum;
    const std::string path = dir.file("copy.Spectrum");
    EXPECT_TRUE(writeSpectrumFile(path, spectrum).ok());
    EXPECT_EQ(spectrum, before);

    const std::string bytes = dir.read("copy.Spectrum");
    ASSERT_EQ(bytes.size(), 2429u);
    EXPECT_EQ(bytes.substr(0, 21), "\x14Xtalspotter.Spectrum");
    EXPECT_EQ(bytes.substr(821, 8), "\x00\x00\x00\x00\x00\x00\xF0\x3F"s); // 1.0 at 1.00 A

    const Result<Spectrum> back = readSpectrumFile(path);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.value().intensity[100], 1.0);
    EXPECT_EQ(back.value().intensity[50], 0.5);
}

TEST(SpectrumFile, ReportsRefusedAndFailedWrites) {
    test::TempDir dir;
    EXPECT_EQ(writeSpectrumFile(dir.file("zero.Spectrum"), Spectrum{}).failure(),
              invalidSpectrumMessage());
    EXPECT_EQ(dir.read("zero.Spectrum"), "");
    EXPECT_EQ(writeSpectrumFile(dir.file("missing/a.Spectrum"), builtinSpectrum()).failure(),
              (Message{"Error occured in saving spectrum!", "", MessageIcon::Stop}));
}

TEST(SpectrumFile, TakesTheValuesAsStoredAndIgnoresTrailingBytes) {
    const Result<Spectrum> read = decodeSpectrumFile(fileBytes(kSpectrumSignature, 305));
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value().intensity[0], 0.5); // not normalised
    EXPECT_EQ(read.value().intensity[300], 0.5);
    // Another writer's 16-bit length prefix for the same signature.
    const std::string longPrefix =
        "\xFF\x14\x00"s + std::string(kSpectrumSignature) + fileBytes("", 301).substr(1);
    EXPECT_TRUE(decodeSpectrumFile(longPrefix).ok());
}

TEST(SpectrumFile, RefusesForeignShortAndPoisonedFiles) {
    const Message unrecognised{"Cannot recognize the file format!", "Import Spectrum File...",
                               MessageIcon::Stop};
    const std::string refused[] = {
        fileBytes("xtalspotter.spectrum", 301),
        fileBytes("Xtalspotter.File", 301),
        fileBytes(kSpectrumSignature, 301).substr(0, 2428),
        "",
        "\xFF\xFF\xFF\xFF\xFF\xFF\x7F"s, // announces far more bytes than there are
        fileBytes(kSpectrumSignature, 301, std::numeric_limits<double>::quiet_NaN()),
        fileBytes(kSpectrumSignature, 301, -std::numeric_limits<double>::infinity()),
        fileBytes(kSpectrumSignature, 301, -1e-3),
    };
    for (const std::string& bytes : refused)
        EXPECT_EQ(decodeSpectrumFile(bytes).failure(), unrecognised) << bytes.size();

    test::TempDir dir;
    const std::string path = dir.file("none.Spectrum");
    EXPECT_EQ(readSpectrumFile(path).failure(),
              (Message{path + " not found!", "", MessageIcon::Stop}));
}

} // namespace
} // namespace xtalsp
