// The choice of a picture's image kind by its file name.
#include "render/picturefile.h"

#include "core/io/filebytes.h"

namespace xtalsp {

std::optional<ImageKind> imageKindOfPath(const std::string& path) {
    const std::string extension = lowerExtensionOf(path);
    if (extension == "svg")
        return ImageKind::Svg;
    if (extension == "pdf")
        return ImageKind::Pdf;
    if (extension == "png")
        return ImageKind::Png;
    return std::nullopt;
}

} // namespace xtalsp
