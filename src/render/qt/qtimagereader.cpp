// Reading PNG and JPEG images with QImageReader.
#include "render/qt/qtimagereader.h"

#include <QImage>
#include <QImageReader>
#include <QString>

#include <cstddef>

namespace xtalsp {

namespace {

// Qt gives every image without a stored resolution 96 dpi; that value proposes nothing.
constexpr int kQtDefaultDotsPerMetre = 3780;

float luminance(float red, float green, float blue) {
    if (red == green && green == blue)
        return red; // grey stays exactly its value
    return 0.299f * red + 0.587f * green + 0.114f * blue;
}

bool hasSixteenBitSamples(QImage::Format format) {
    return format == QImage::Format_Grayscale16 || format == QImage::Format_RGBX64 ||
           format == QImage::Format_RGBA64 || format == QImage::Format_RGBA64_Premultiplied;
}

void fillPixels(const QImage& read, DetectorImage& image) {
    image.pixels.resize(static_cast<std::size_t>(image.width) *
                        static_cast<std::size_t>(image.height));
    std::size_t i = 0;
    if (hasSixteenBitSamples(read.format())) {
        const QImage wide = read.convertToFormat(QImage::Format_RGBX64);
        for (int row = 0; row < image.height; ++row) {
            const auto* line = reinterpret_cast<const QRgba64*>(wide.constScanLine(row));
            for (int column = 0; column < image.width; ++column, ++i)
                image.pixels[i] =
                    luminance(line[column].red(), line[column].green(), line[column].blue());
        }
        return;
    }
    const QImage narrow = read.convertToFormat(QImage::Format_RGB32);
    for (int row = 0; row < image.height; ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(narrow.constScanLine(row));
        for (int column = 0; column < image.width; ++column, ++i)
            image.pixels[i] = luminance(static_cast<float>(qRed(line[column])),
                                        static_cast<float>(qGreen(line[column])),
                                        static_cast<float>(qBlue(line[column])));
    }
}

void proposePitch(const QImage& read, DetectorImage& image) {
    const int x = read.dotsPerMeterX(), y = read.dotsPerMeterY();
    if (x <= 0 || y <= 0 || (x == kQtDefaultDotsPerMetre && y == kQtDefaultDotsPerMetre))
        return;
    image.proposedPitch = ProposedPixelPitch{1000.0 / x, 1000.0 / y};
}

} // namespace

Result<DetectorImage> readQtImage(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(false); // the pixels as stored; the calibration turns them
    const QSize size = reader.size();
    if (!size.isValid())
        return imageReadFailure(path, reader.errorString().toStdString());
    if (const auto problem = imageSizeProblem(static_cast<std::uint64_t>(size.width()),
                                              static_cast<std::uint64_t>(size.height())))
        return imageReadFailure(path, *problem);
    const QImage read = reader.read();
    if (read.isNull() || read.size() != size)
        return imageReadFailure(path, reader.errorString().toStdString());
    DetectorImage image;
    image.width = read.width();
    image.height = read.height();
    fillPixels(read, image);
    proposePitch(read, image);
    return image;
}

Result<DetectorImage> readAnyImage(const std::string& path) {
    const QByteArray format = QImageReader::imageFormat(QString::fromStdString(path));
    if (format == "png" || format == "jpeg")
        return readQtImage(path);
    return readDetectorImage(path);
}

} // namespace xtalsp
