#include "core/spectrum/spectrumtext.h"

#include "core/spectrum/builtinspectrum.h"
#include "support/localetest.h"
#include "support/tempdir.h"
#include "testpaths.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace xtalsp {
namespace {

struct LineCase {
    const char* line;
    int entry; // -1: the line is skipped
    double intensity;
};

TEST(SpectrumTextImport, MapsEachLineToTheNearestEntry) {
    const LineCase cases[] = {
        {"1.5\t0.8", 150, 0.8},       {"1.504 2", 150, 2.0}, {"1.506 2", 151, 2.0},
        {"3.006 1", -1, 0},           {"-0.004 1", 0, 1.0},  {"-0.02 1", -1, 0},
        {"0.5 -3", 50, 0.0},          {"1.5", -1, 0},        {"3.00,0.5", 300, 0.5},
        {"  2 0.3 ! note", 200, 0.3}, {"# 1.0 1", -1, 0},    {"1e400 1", -1, 0},
        {"-1e400 1", -1, 0},          {"1e300 1", -1, 0},    {"1.5 1e400", -1, 0},
        {"1.5 -1e400", -1, 0},        {"1.5 2e300", -1, 0},  {"1.5 1e300", 150, 1e300},
    };
    for (const LineCase& c : cases) {
        const Result<SpectrumImport> read = parseSpectrumText(c.line, "p.dat");
        if (c.entry < 0) {
            ASSERT_FALSE(read.ok()) << c.line;
            EXPECT_EQ(read.failure(), (Message{"No valid items found in p.dat.", ""}));
            continue;
        }
        ASSERT_TRUE(read.ok()) << c.line;
        EXPECT_EQ(read.value().itemCount, 1) << c.line;
        Spectrum expected;
        expected.intensity[static_cast<std::size_t>(c.entry)] = c.intensity;
        EXPECT_EQ(read.value().spectrum, expected) << c.line;
    }
}

TEST(SpectrumTextImport, ReadsAFileWithCommentsSeparatorsAndRepeatedEntries) {
    const std::string path = std::string(test::kTestDataDir) + "/spectrum/mixed-lines.txt";
    const Result<SpectrumImport> read = readSpectrumText(path);
    ASSERT_TRUE(read.ok());
    // 0.52 appears twice: the later value wins and both lines count.
    EXPECT_EQ(read.value().itemCount, 5);
    const auto& intensity = read.value().spectrum.intensity;
    EXPECT_EQ(intensity[50], 0.25);
    EXPECT_EQ(intensity[51], 0.5);
    EXPECT_EQ(intensity[52], 0.75);
    EXPECT_EQ(intensity[53], 0.0);
    EXPECT_EQ(intensity[54], 0.0);

    const std::optional<Message> warning = spectrumItemCountWarning(5, path);
    ASSERT_TRUE(warning.has_value());
    EXPECT_EQ(*warning,
              (Message{"5 valid items found in " + path + ". Please check the data!", ""}));
    EXPECT_FALSE(spectrumItemCountWarning(301, path).has_value());

    const std::string absent = path + ".absent";
    EXPECT_EQ(readSpectrumText(absent).failure(),
              (Message{"Failed to open " + absent + "!", "", MessageIcon::Stop}));
}

Spectrum unnormalisedSpectrum() {
    Spectrum spectrum = builtinSpectrum();
    for (double& value : spectrum.intensity)
        value *= 0.5;
    spectrum.intensity[0] = 2.0 / 3.0; // the largest; it makes most values need rounding
    return spectrum;
}

void expectReadsBackNormalised(const Spectrum& original, const SpectrumImport& read) {
    EXPECT_EQ(read.itemCount, 301);
    const double largest = largestIntensity(original);
    for (std::size_t i = 0; i < kSpectrumSize; ++i)
        EXPECT_NEAR(read.spectrum.intensity[i], original.intensity[i] / largest, 5e-6) << i;
}

TEST(SpectrumDatText, WritesCommentLinesThenOneNormalisedLinePerEntry) {
    const Spectrum spectrum = unnormalisedSpectrum();
    const std::string text = formatSpectrumDat(spectrum);
    const std::string head =
        "# Text format spectrum file\r\n\r\n# Wavelength\tIntensity\r\n\r\n0.00\t1\r\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 305);
    EXPECT_NE(text.find("\r\n0.80\t0.75\r\n0.81\t"), std::string::npos); // 0.5 / (2/3)
    EXPECT_NE(text.find("\r\n0.91\t0.701925\r\n"), std::string::npos);   // rounded to 6 digits
    EXPECT_EQ(text.substr(text.size() - 16), "2.99\t0\r\n3.00\t0\r\n");

    const Result<SpectrumImport> back = parseSpectrumText(formatSpectrumDat(spectrum), "x.dat");
    ASSERT_TRUE(back.ok());
    expectReadsBackNormalised(spectrum, back.value());
}

TEST(SpectrumDatText, RefusesInvalidSpectraAndReportsUncreatableFiles) {
    test::TempDir dir;
    const std::string path = dir.file("zero.dat");
    EXPECT_EQ(writeSpectrumDat(path, Spectrum{}).failure(), invalidSpectrumMessage());
    EXPECT_EQ(dir.read("zero.dat"), "");

    const std::string nowhere = dir.file("missing/x.dat");
    EXPECT_EQ(writeSpectrumDat(nowhere, builtinSpectrum()).failure(),
              (Message{"Failed to open " + nowhere + "!", "", MessageIcon::Stop}));
}

TEST(SpectrumDatText, RoundTripsUnderACommaDecimalLocale) {
    XTALSP_ENTER_COMMA_LOCALE(locale);
    test::TempDir dir;
    const Spectrum spectrum = unnormalisedSpectrum();
    const std::string path = dir.file("copy.dat");
    ASSERT_TRUE(writeSpectrumDat(path, spectrum).ok());
    EXPECT_EQ(dir.read("copy.dat").find(','), std::string::npos);
    const Result<SpectrumImport> back = readSpectrumText(path);
    ASSERT_TRUE(back.ok());
    expectReadsBackNormalised(spectrum, back.value());
}

} // namespace
} // namespace xtalsp
