// Picture files drawn with QPainter: SVG (QSvgGenerator), PDF (QPdfWriter) and PNG (QImage).
#include "render/qt/qtpicturefile.h"

#include "render/emfcanvas.h"
#include "render/qt/qpaintercanvas.h"

#include <QFile>
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

QString fileName(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

int devicePixels(int pictureUnits, double dpi) {
    return std::max(1, static_cast<int>(std::lround(pictureUnits * dpi / kPictureUnitsPerInch)));
}

// Paints on the device of a derived class through the canvas until finished. The derived
// classes finish in their destructors, while their device still exists.
class QtPictureFile : public PictureFile {
public:
    Canvas& canvas() override { return *m_canvas; }
    bool finish() override {
        if (!m_canvas)
            return m_written;
        m_canvas.reset();
        m_written = m_painter.end() && saveDevice();
        return m_written;
    }

protected:
    // Starts painting; false when the device cannot be painted on (the file cannot be made).
    bool begin(QPaintDevice& device, double dpi) {
        if (!m_painter.begin(&device))
            return false;
        m_canvas.emplace(m_painter, dpi * kCanvasUnitsPerInch / kPictureUnitsPerInch, false);
        return true;
    }
    virtual bool saveDevice() { return true; }

private:
    QPainter m_painter;
    std::optional<QPainterCanvas> m_canvas;
    bool m_written = false;
};

class SvgPictureFile : public QtPictureFile {
public:
    ~SvgPictureFile() override { finish(); }
    bool open(const std::string& path, const PictureExtent& frame) {
        m_generator.setFileName(fileName(path));
        m_generator.setResolution(kSvgDpi);
        m_generator.setSize(QSize(frame.width, frame.height));
        m_generator.setViewBox(QRect(0, 0, frame.width, frame.height));
        m_generator.setTitle(QStringLiteral("Laue pattern"));
        return begin(m_generator, kSvgDpi);
    }

private:
    QSvgGenerator m_generator;
};

class PdfPictureFile : public QtPictureFile {
public:
    explicit PdfPictureFile(const std::string& path) : m_writer(fileName(path)) {}
    ~PdfPictureFile() override { finish(); }
    bool open(const PictureExtent& frame) {
        m_writer.setResolution(kPdfDpi);
        m_writer.setPageLayout(QPageLayout(
            QPageSize(QSizeF(frame.width / 100.0, frame.height / 100.0), QPageSize::Millimeter),
            QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        return begin(m_writer, kPdfDpi);
    }

private:
    QPdfWriter m_writer;
};

class PngPictureFile : public QtPictureFile {
public:
    ~PngPictureFile() override { finish(); }
    bool open(const std::string& path, const PictureExtent& frame, double dpi) {
        // The file is created now, as for the other formats, so a bad path is known at once.
        m_file.setFileName(fileName(path));
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        m_image = QImage(devicePixels(frame.width, dpi), devicePixels(frame.height, dpi),
                         QImage::Format_RGB32);
        if (m_image.isNull())
            return false;
        const int dotsPerMetre = static_cast<int>(std::lround(dpi / 0.0254));
        m_image.setDotsPerMeterX(dotsPerMetre);
        m_image.setDotsPerMeterY(dotsPerMetre);
        m_image.fill(Qt::white);
        return begin(m_image, dpi);
    }

private:
    bool saveDevice() override { return m_image.save(&m_file, "PNG") && m_file.flush(); }

    QFile m_file;
    QImage m_image;
};

std::unique_ptr<PictureFile> openImage(ImageKind kind, double dpi, const std::string& path,
                                       const PictureExtent& frame) {
    switch (kind) {
    case ImageKind::Svg: {
        auto file = std::make_unique<SvgPictureFile>();
        return file->open(path, frame) ? std::move(file) : nullptr;
    }
    case ImageKind::Pdf: {
        auto file = std::make_unique<PdfPictureFile>(path);
        return file->open(frame) ? std::move(file) : nullptr;
    }
    case ImageKind::Png: {
        auto file = std::make_unique<PngPictureFile>();
        return file->open(path, frame, dpi) ? std::move(file) : nullptr;
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

PictureFormat imageFormat(ImageKind kind, double dpi) {
    const double clampedDpi = std::clamp(dpi, kMinPictureDpi, kMaxPictureDpi);
    return PictureFormat{creationFailure(kind),
                         [kind, clampedDpi](const std::string& path, const PictureExtent& frame) {
                             return openImage(kind, clampedDpi, path, frame);
                         }};
}

PictureFormat pictureFormatFor(const std::string& path, double dpi) {
    if (const std::optional<ImageKind> kind = imageKindOfPath(path))
        return imageFormat(*kind, dpi);
    return metafileFormat();
}

} // namespace xtalsp
