#include "render/qt/qtimagereader.h"

#include "core/io/filebytes.h"
#include "support/tempdir.h"

#include <QImage>

#include <gtest/gtest.h>

#include <string>

namespace xtalsp {
namespace {

std::string saved(const QImage& image, const std::string& path, const char* format) {
    EXPECT_TRUE(image.save(QString::fromStdString(path), format)) << path;
    return path;
}

TEST(QtImageReader, KeepsGreyValuesAndTurnsColourIntoLuminance) {
    test::TempDir dir;
    QImage grey(4, 3, QImage::Format_Grayscale8);
    grey.fill(7);
    grey.setPixel(3, 2, qRgb(200, 200, 200));
    const Result<DetectorImage> eight = readAnyImage(saved(grey, dir.file("grey.png"), "PNG"));
    ASSERT_TRUE(eight.ok());
    EXPECT_EQ(eight.value().width, 4);
    EXPECT_EQ(eight.value().height, 3);
    EXPECT_EQ(eight.value().at(0, 0), 7.0f);
    EXPECT_EQ(eight.value().at(3, 2), 200.0f);

    QImage wide(2, 2, QImage::Format_Grayscale16);
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 2; ++column)
            reinterpret_cast<quint16*>(wide.scanLine(row))[column] = 40000;
    const Result<DetectorImage> sixteen = readAnyImage(saved(wide, dir.file("wide.png"), "PNG"));
    ASSERT_TRUE(sixteen.ok());
    EXPECT_EQ(sixteen.value().at(1, 1), 40000.0f);

    QImage colour(2, 1, QImage::Format_RGB32);
    colour.setPixel(0, 0, qRgb(255, 0, 0));
    colour.setPixel(1, 0, qRgb(0, 0, 255));
    colour.setDotsPerMeterX(10000); // 0.1 mm pixels
    colour.setDotsPerMeterY(5000);
    const Result<DetectorImage> luminance =
        readAnyImage(saved(colour, dir.file("colour.png"), "PNG"));
    ASSERT_TRUE(luminance.ok());
    EXPECT_NEAR(luminance.value().at(0, 0), 0.299 * 255, 1e-3);
    EXPECT_NEAR(luminance.value().at(1, 0), 0.114 * 255, 1e-3);
    ASSERT_TRUE(luminance.value().proposedPitch.has_value());
    EXPECT_NEAR(luminance.value().proposedPitch->columnMm, 0.1, 1e-9);
    EXPECT_NEAR(luminance.value().proposedPitch->rowMm, 0.2, 1e-9);

    QImage photo(16, 8, QImage::Format_Grayscale8);
    photo.fill(100);
    const Result<DetectorImage> jpeg = readAnyImage(saved(photo, dir.file("film.jpg"), "JPEG"));
    ASSERT_TRUE(jpeg.ok());
    EXPECT_EQ(jpeg.value().width, 16);
    EXPECT_NEAR(jpeg.value().at(8, 4), 100.0, 2.0); // lossy, but flat grey stays near
}

TEST(QtImageReader, ATruncatedImageGivesTheReadersMessage) {
    test::TempDir dir;
    QImage grey(64, 64, QImage::Format_Grayscale8);
    for (int row = 0; row < 64; ++row)
        for (int column = 0; column < 64; ++column)
            grey.setPixel(column, row, qRgb(row * 4, column * 4, 0));
    const std::string whole = readFileBytes(saved(grey, dir.file("whole.png"), "PNG")).value();
    const std::string cut = dir.write("cut.png", whole.substr(0, whole.size() / 2));
    const Result<DetectorImage> image = readAnyImage(cut);
    ASSERT_FALSE(image.ok());
    EXPECT_EQ(image.failure().text.rfind("Cannot read the image " + cut + ": ", 0), 0u)
        << image.failure().text;
}

} // namespace
} // namespace xtalsp
