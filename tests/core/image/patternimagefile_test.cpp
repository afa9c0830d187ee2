#include "core/image/patternimagefile.h"

#include "support/tempdir.h"
#include "support/testimages.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace xtalsp {
namespace {

PatternImageSettings sampleSettings(const std::string& imagePath) {
    PatternImageSettings s;
    s.imagePath = imagePath;
    s.calibration = {0.172, 0.15, 1231.5, -12.25, ImageFlip::Both, 270};
    s.contrast = {ContrastScale::Logarithmic, 90.5, 4000.0, true};
    s.spotOpacity = 0.35;
    s.peaks = {{1.0 / 3.0, -2.5, 1234.5}, {1e-7, 12.25, 0.1}};
    s.markedSpots = {{-0.1, 0.2}};
    return s;
}

TEST(PatternImageFile, RoundTripsEveryFieldWithTheImagePathRelativeToThePattern) {
    test::TempDir dir;
    std::filesystem::create_directories(dir.file("patterns"));
    std::filesystem::create_directories(dir.file("images"));
    const std::string image = dir.file("images/film.tif");
    ASSERT_TRUE(test::writeTiff<std::uint16_t>(image, 2, 2, {1, 2, 3, 4}));
    const std::string pattern = dir.file("patterns/si.ptn");
    const PatternImageSettings settings = sampleSettings(image);

    test::CommaDecimalLocale comma;
    ASSERT_TRUE(writePatternImageSettings(settings, pattern).ok());
    const std::string text = dir.read("patterns/si.ptn.image");
    EXPECT_NE(text.find("\"image\": \"../images/film.tif\""), std::string::npos) << text;
    EXPECT_NE(text.find("0.3333333333333333"), std::string::npos);

    const auto opened = openPatternImage(pattern, readDetectorImage);
    ASSERT_TRUE(opened.has_value() && opened->ok()) << opened->failure().text;
    EXPECT_EQ(opened->value().settings, settings);
    ASSERT_TRUE(opened->value().image.has_value());
    EXPECT_EQ(opened->value().image->pixels, (std::vector<float>{1, 2, 3, 4}));

    // Saved again beside the image, the path becomes the bare file name.
    const Result<std::string> moved =
        formatPatternImageSettings(settings, dir.file("images/a.ptn"));
    EXPECT_NE(moved.value().find("\"image\": \"film.tif\""), std::string::npos);
    EXPECT_FALSE(openPatternImage(dir.file("patterns/none.ptn"), readDetectorImage).has_value());
}

TEST(PatternImageFile, KeepsTheCalibrationWhenTheImageIsMissingAndRefusesBadFields) {
    test::TempDir dir;
    const std::string pattern = dir.file("si.ptn");
    const PatternImageSettings settings = sampleSettings(dir.file("gone.tif"));
    ASSERT_TRUE(writePatternImageSettings(settings, pattern).ok());
    const auto opened = openPatternImage(pattern, readDetectorImage);
    ASSERT_TRUE(opened.has_value() && opened->ok());
    EXPECT_EQ(opened->value().settings, settings);
    EXPECT_FALSE(opened->value().image.has_value());
    ASSERT_TRUE(opened->value().imageProblem.has_value());
    EXPECT_EQ(opened->value().imageProblem->text,
              "Cannot read the image " + dir.file("gone.tif") + ": the file cannot be opened.");

    const std::string good = formatPatternImageSettings(settings, pattern).value();
    const auto failureWith = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        const auto result = parsePatternImageSettings(text, "x.ptn.image", pattern);
        return result.ok() ? std::string("read") : result.failure().text;
    };
    EXPECT_EQ(failureWith("\"rotation\": 270", "\"rotation\": 45"),
              "Cannot read the image settings x.ptn.image: the field \"rotation\" is missing or "
              "out of range.");
    EXPECT_NE(failureWith("\"flip\"", "\"flop\"").find("\"flip\""), std::string::npos);
    EXPECT_NE(failureWith("0.172", "-0.172").find("\"pixel_mm\""), std::string::npos);
    EXPECT_NE(failureWith("0.35", "1.5").find("\"spot_opacity\""), std::string::npos);
    EXPECT_NE(failureWith("1234.5", "\"many\"").find("\"intensity\""), std::string::npos);
    EXPECT_NE(failureWith("\"version\": 1", "\"version\": 2").find("newer"), std::string::npos);
    EXPECT_NE(failureWith("{", "[").find("not JSON text"), std::string::npos);
}

TEST(PeaksCsv, WritesShortestRoundTripNumbersWithLfLineEnds) {
    EXPECT_EQ(formatPeaksCsv({{0.1, -2.5, 1e-7}, {-0.0, 1.0 / 3.0, 123456789.0}}),
              "x_mm,y_mm,intensity\n0.1,-2.5,1e-07\n0,0.3333333333333333,123456789\n");
    const ImageCalibration c{0.1, 0.1, 10.0, 10.0, ImageFlip::None, 90};
    EXPECT_EQ(peaksOnFilm({{20.0, 10.0, 5.0, 9}}, c), (std::vector<FilmPeak>{{0.0, 1.0, 5.0}}));
}

} // namespace
} // namespace xtalsp
