// Pictures drawn with QPainter into memory: SVG (QSvgGenerator), PDF (QPdfWriter) and PNG
// (QImage).
#include "render/qt/qtpicturefile.h"

#include "render/emfcanvas.h"
#include "render/qt/qpaintercanvas.h"

#include <QBuffer>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <optional>

namespace xtalsp {

namespace {

// Picture units are 0.01 mm; the QPainter canvas counts 0.1 mm units, so it is handed a tenth
// of the device resolution.
constexpr double kPictureUnitsPerInch = 2540.0;
constexpr double kCanvasUnitsPerInch = 254.0;
// SVG coordinates in picture units: the file's width and height in millimetres come out exact.
constexpr int kSvgDpi = 2540;
constexpr int kPdfDpi = 1200;

int devicePixels(int pictureUnits, double dpi) {
    return std::max(1, static_cast<int>(std::lround(pictureUnits * dpi / kPictureUnitsPerInch)));
}

// How much larger than the picture's own (half) size the file shows it.
double magnificationOf(double scale) {
    if (!(scale > 0))
        return 1.0;
    return std::clamp(scale, kMinPictureScale, kMaxPictureScale) / kDefaultPictureScale;
}

std::string bufferBytes(const QBuffer& buffer) {
    return std::string(buffer.data().constData(), static_cast<std::size_t>(buffer.data().size()));
}

// Paints on the device of a derived class through the canvas until finished. The derived
// classes end the painting in their destructors, while their device still exists.
class QtPictureFile : public PictureFile {
public:
    Canvas& canvas() override { return *m_canvas; }
    std::optional<std::string> finish() override {
        if (!endPainting())
            return std::nullopt;
        return pictureBytes();
    }

protected:
    // Starts painting; false when the device cannot be painted on.
    bool begin(QPaintDevice& device, double dpi) {
        if (!m_painter.begin(&device))
            return false;
        m_canvas.emplace(m_painter, dpi * kCanvasUnitsPerInch / kPictureUnitsPerInch, false);
        return true;
    }
    bool endPainting() {
        m_canvas.reset();
        return !m_painter.isActive() || m_painter.end();
    }
    // The file's bytes once the painting has ended.
    virtual std::optional<std::string> pictureBytes() = 0;

private:
    QPainter m_painter;
    std::optional<QPainterCanvas> m_canvas;
};

class SvgPictureFile : public QtPictureFile {
public:
    ~SvgPictureFile() override { endPainting(); }
    // The painter draws in picture units (the view box); the size in mm carries the scale.
    bool open(const PictureExtent& frame, double magnification) {
        if (!m_buffer.open(QIODevice::WriteOnly))
            return false;
        m_generator.setOutputDevice(&m_buffer);
        m_generator.setResolution(kSvgDpi);
        m_generator.setSize(QSize(static_cast<int>(std::lround(frame.width * magnification)),
                                  static_cast<int>(std::lround(frame.height * magnification))));
        m_generator.setViewBox(QRect(0, 0, frame.width, frame.height));
        m_generator.setTitle(QStringLiteral("Laue pattern"));
        return begin(m_generator, kSvgDpi);
    }

private:
    std::optional<std::string> pictureBytes() override { return bufferBytes(m_buffer); }

    QBuffer m_buffer;
    QSvgGenerator m_generator;
};

class PdfPictureFile : public QtPictureFile {
public:
    PdfPictureFile() : m_writer(&m_buffer) {}
    ~PdfPictureFile() override { endPainting(); }
    bool open(const PictureExtent& frame, double magnification) {
        if (!m_buffer.open(QIODevice::WriteOnly))
            return false;
        m_writer.setResolution(kPdfDpi);
        const double mmPerUnit = magnification / 100.0;
        m_writer.setPageLayout(
            QPageLayout(QPageSize(QSizeF(frame.width * mmPerUnit, frame.height * mmPerUnit),
                                  QPageSize::Millimeter),
                        QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        return begin(m_writer, kPdfDpi * magnification);
    }

private:
    std::optional<std::string> pictureBytes() override { return bufferBytes(m_buffer); }

    // Declared before the writer, which keeps a pointer to it.
    QBuffer m_buffer;
    QPdfWriter m_writer;
};

class PngPictureFile : public QtPictureFile {
public:
    ~PngPictureFile() override { endPainting(); }
    bool open(const PictureExtent& frame, double dpi, double magnification) {
        const double pixelsDpi = dpi * magnification; // device pixels per inch of picture units
        m_image = QImage(devicePixels(frame.width, pixelsDpi),
                         devicePixels(frame.height, pixelsDpi), QImage::Format_RGB32);
        if (m_image.isNull())
            return false;
        const int dotsPerMetre = static_cast<int>(std::lround(dpi / 0.0254));
        m_image.setDotsPerMeterX(dotsPerMetre);
        m_image.setDotsPerMeterY(dotsPerMetre);
        m_image.fill(Qt::white);
        return begin(m_image, pixelsDpi);
    }

private:
    std::optional<std::string> pictureBytes() override {
        QBuffer buffer;
        if (!buffer.open(QIODevice::WriteOnly) || !m_image.save(&buffer, "PNG"))
            return std::nullopt;
        return bufferBytes(buffer);
    }

    QImage m_image;
};

std::unique_ptr<PictureFile> openImage(ImageKind kind, double dpi, double magnification,
                                       const PictureExtent& frame) {
    switch (kind) {
    case ImageKind::Svg: {
        auto file = std::make_unique<SvgPictureFile>();
        return file->open(frame, magnification) ? std::move(file) : nullptr;
    }
    case ImageKind::Pdf: {
        auto file = std::make_unique<PdfPictureFile>();
        return file->open(frame, magnification) ? std::move(file) : nullptr;
    }
    case ImageKind::Png: {
        auto file = std::make_unique<PngPictureFile>();
        return file->open(frame, dpi, magnification) ? std::move(file) : nullptr;
    }
    }
    return nullptr;
}

std::string creationFailure(ImageKind kind) {
    switch (kind) {
    case ImageKind::Svg:
        return "Failed to create the SVG picture!";
    case ImageKind::Pdf:
        return "Failed to create the PDF file!";
    case ImageKind::Png:
        return "Failed to create the PNG image!";
    }
    return {};
}

} // namespace

PictureFormat imageFormat(ImageKind kind, double dpi, double scale) {
    const double clampedDpi = std::clamp(dpi, kMinPictureDpi, kMaxPictureDpi);
    const double magnification = magnificationOf(scale);
    return PictureFormat{creationFailure(kind),
                         [kind, clampedDpi, magnification](const PictureExtent& frame) {
                             return openImage(kind, clampedDpi, magnification, frame);
                         }};
}

PictureFormat pictureFormatFor(const std::string& path, double dpi, double scale) {
    if (const std::optional<ImageKind> kind = imageKindOfPath(path))
        return imageFormat(*kind, dpi, scale);
    return metafileFormat();
}

} // namespace xtalsp
