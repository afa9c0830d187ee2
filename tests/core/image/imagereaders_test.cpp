#include "core/image/detectorimage.h"

#include "support/tempdir.h"
#include "support/testimages.h"

#include <gtest/gtest.h>
#include <limits>

namespace xtalsp {
namespace {

TEST(ImageReaders, TiffKeepsSizeValuesAndProposesThePitchFromItsResolution) {
    test::TempDir dir;
    const std::string sixteen = dir.file("counts.tif");
    ASSERT_TRUE(test::writeTiff<std::uint16_t>(sixteen, 3, 2, {0, 1, 2, 300, 40000, 65535}, 254.0F,
                                               127.0F));
    const Result<DetectorImage> counts = readDetectorImage(sixteen);
    ASSERT_TRUE(counts.ok()) << counts.failure().text;
    EXPECT_EQ(counts.value().width, 3);
    EXPECT_EQ(counts.value().height, 2);
    EXPECT_EQ(counts.value().pixels, (std::vector<float>{0, 1, 2, 300, 40000, 65535}));
    EXPECT_FLOAT_EQ(counts.value().at(2, 1), 65535.0F);
    ASSERT_TRUE(counts.value().proposedPitch.has_value());
    EXPECT_DOUBLE_EQ(counts.value().proposedPitch->columnMm, 0.1);
    EXPECT_DOUBLE_EQ(counts.value().proposedPitch->rowMm, 0.2);
    EXPECT_FALSE(counts.value().proposedCentre.has_value());

    const std::string real = dir.file("real.tiff");
    ASSERT_TRUE(test::writeTiff<float>(real, 2, 2, {-1.5F, 0.25F, 1e6F, 3.0F}));
    const Result<DetectorImage> floats = readDetectorImage(real);
    ASSERT_TRUE(floats.ok()) << floats.failure().text;
    EXPECT_EQ(floats.value().pixels, (std::vector<float>{-1.5F, 0.25F, 1e6F, 3.0F}));
    EXPECT_FALSE(floats.value().proposedPitch.has_value());

    const std::string bytes = dir.file("bytes.tif");
    ASSERT_TRUE(test::writeTiff<std::uint8_t>(bytes, 2, 1, {7, 255}));
    EXPECT_EQ(readTiffImage(bytes).value().pixels, (std::vector<float>{7, 255}));
    const std::string wide = dir.file("signed.tif");
    ASSERT_TRUE(test::writeTiff<std::int32_t>(wide, 2, 1, {-2, 1000000}));
    EXPECT_EQ(readTiffImage(wide).value().pixels, (std::vector<float>{-2, 1000000}));
}

TEST(ImageReaders, CbfKeepsCountsAndProposesPitchAndCentreFromTheHeader) {
    test::TempDir dir;
    const std::string path = dir.file("frame.cbf");
    std::vector<std::int32_t> pixels(20 * 10);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::int32_t>(i * 37 % 1000) - 2; // -2 marks a bad pixel
    pixels[150] = 1'000'000;
    ASSERT_TRUE(test::writeCbf(path, 20, 10, pixels,
                               "\n# Detector: test\n# Pixel_size 172e-6 m x 150e-6 m\n"
                               "# Beam_xy (12.50, 4.25) pixels\n"));
    const Result<DetectorImage> image = readDetectorImage(path);
    ASSERT_TRUE(image.ok()) << image.failure().text;
    EXPECT_EQ(image.value().width, 20);
    EXPECT_EQ(image.value().height, 10);
    EXPECT_EQ(image.value().pixels, std::vector<float>(pixels.begin(), pixels.end()));
    ASSERT_TRUE(image.value().proposedPitch && image.value().proposedCentre);
    EXPECT_DOUBLE_EQ(image.value().proposedPitch->columnMm, 0.172);
    EXPECT_DOUBLE_EQ(image.value().proposedPitch->rowMm, 0.15);
    EXPECT_DOUBLE_EQ(image.value().proposedCentre->column, 12.5);
    EXPECT_DOUBLE_EQ(image.value().proposedCentre->row, 4.25);
}

std::string cutInHalf(const test::TempDir& dir, const std::string& name) {
    const std::string bytes = dir.read(name);
    return dir.write("cut-" + name, bytes.substr(0, bytes.size() / 2));
}

// A little-endian 8-bit TIFF whose only directory claims width x height pixels in one strip
// at byte 200, followed by `dataBytes` bytes of pixels.
std::string handMadeTiff(unsigned width, unsigned height, std::size_t dataBytes) {
    std::string bytes("II*\0\x08\0\0\0", 8);
    const auto put16 = [&bytes](unsigned v) { bytes += {char(v & 255), char(v >> 8)}; };
    const auto put32 = [&](unsigned v) { put16(v & 0xFFFF), put16(v >> 16); };
    const auto entry = [&](unsigned tag, unsigned type, unsigned value) {
        put16(tag), put16(type), put32(1);
        type == 3 ? (put16(value), put16(0)) : put32(value);
    };
    put16(8);
    entry(256, 4, width), entry(257, 4, height), entry(258, 3, 8), entry(259, 3, 1);
    entry(262, 3, 1), entry(273, 4, 200), entry(278, 4, height), entry(279, 4, width * height);
    put32(0);
    bytes.resize(200, '\0');
    return bytes + std::string(dataBytes, '\x07');
}

TEST(ImageReaders, RefuseDamagedUnsafeAndForeignFilesWithTheirPath) {
    test::TempDir dir;
    const auto failureOf = [](const std::string& path) {
        const Result<DetectorImage> image = readDetectorImage(path);
        return image.ok() ? std::string("read") : image.failure().text;
    };
    std::vector<std::uint16_t> pixels(64 * 64, 100);
    ASSERT_TRUE(test::writeTiff(dir.file("whole.tif"), 64, 64, pixels));
    const std::string cutTiff = cutInHalf(dir, "whole.tif");
    EXPECT_EQ(failureOf(cutTiff).rfind("Cannot read the image " + cutTiff +
                                           ": it is cut short or damaged, or not a TIFF file",
                                       0),
              0u)
        << failureOf(cutTiff);
    const std::string shortStrip = dir.write("strip.tif", handMadeTiff(64, 64, 1000));
    EXPECT_EQ(failureOf(shortStrip)
                  .rfind("Cannot read the image " + shortStrip +
                             ": row 0 "
                             "cannot be read; the file is cut short or damaged",
                         0),
              0u)
        << failureOf(shortStrip);
    EXPECT_EQ(
        readDetectorImage(dir.write("whole8.tif", handMadeTiff(64, 64, 4096))).value().at(63, 63),
        7.0F);

    ASSERT_TRUE(test::writeCbf(dir.file("whole.cbf"), 64, 64,
                               std::vector<std::int32_t>(pixels.begin(), pixels.end()), ""));
    const std::string cutCbf = cutInHalf(dir, "whole.cbf");
    EXPECT_EQ(failureOf(cutCbf).rfind("Cannot read the image " + cutCbf + ": ", 0), 0u);

    const float nan = std::numeric_limits<float>::quiet_NaN();
    ASSERT_TRUE(test::writeTiff<float>(dir.file("nan.tif"), 2, 1, {1.0F, nan}));
    EXPECT_EQ(failureOf(dir.file("nan.tif")), "Cannot read the image " + dir.file("nan.tif") +
                                                  ": pixel (1, 0) is not a finite number.");

    const std::string huge = dir.write("huge.tif", handMadeTiff(20000, 20000, 0));
    EXPECT_EQ(failureOf(huge),
              "Cannot read the image " + huge + ": the image is too large (20000 x 20000 pixels).");

    const std::string text = dir.write("notes.tif", "not an image at all");
    EXPECT_EQ(failureOf(text),
              "Cannot read the image " + text + ": it is neither a TIFF nor a CBF file.");
    EXPECT_EQ(failureOf(dir.file("missing.tif")),
              "Cannot read the image " + dir.file("missing.tif") + ": the file cannot be opened.");
}

} // namespace
} // namespace xtalsp
