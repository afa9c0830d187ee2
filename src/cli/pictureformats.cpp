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

std::optional<PictureFormat> imageFormat(ImageKind kind, double dpi) {
    if (!provider())
        return std::nullopt;
    return provider()(kind, dpi);
}

std::optional<PictureFormat> pictureFormatForPath(const std::string& path, double dpi) {
    if (const std::optional<ImageKind> kind = imageKindOfPath(path))
        return imageFormat(*kind, dpi);
    return metafileFormat();
}

} // namespace xtalsp::cli
