// The picture formats of the command-line tool.
#include "cli/pictureformats.h"

#include "render/emfcanvas.h"

namespace xtalsp::cli {

namespace {

ImageFormatProvider& provider() {
    static ImageFormatProvider installed;
    return installed;
}

} // namespace

void setImageFormatProvider(ImageFormatProvider imageFormats) {
    provider() = std::move(imageFormats);
}

std::optional<PictureFormat> imageFormat(ImageKind kind, double dpi, double scale) {
    if (!provider())
        return std::nullopt;
    return provider()(kind, dpi, scale);
}

std::optional<PictureFormat> pictureFormatForPath(const std::string& path, double dpi,
                                                  double scale) {
    if (const std::optional<ImageKind> kind = imageKindOfPath(path))
        return imageFormat(*kind, dpi, scale);
    return metafileFormat();
}

namespace {

ImageReader& installedReader() {
    static ImageReader reader;
    return reader;
}

} // namespace

void setImageFileReader(ImageReader reader) {
    installedReader() = std::move(reader);
}

Result<DetectorImage> readImageFile(const std::string& path) {
    if (installedReader())
        return installedReader()(path);
    return readDetectorImage(path);
}

} // namespace xtalsp::cli
