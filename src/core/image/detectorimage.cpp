// Shared checks of the image readers and the choice of reader by a file's first bytes.
#include "core/image/detectorimage.h"

#include "core/io/filebytes.h"

#include <cstdio>
#include <memory>

namespace xtalsp {

Message imageReadFailure(const std::string& path, const std::string& what) {
    return Message{"Cannot read the image " + path + ": " + what + ".", "", MessageIcon::Stop};
}

std::optional<std::string> imageSizeProblem(std::uint64_t width, std::uint64_t height) {
    if (width == 0 || height == 0)
        return "the image has no pixels";
    // Both factors are below 2^32 for every caller, so the product cannot overflow.
    if (width > kMaxImagePixels || height > kMaxImagePixels || width * height > kMaxImagePixels)
        return "the image is too large (" + std::to_string(width) + " x " + std::to_string(height) +
               " pixels)";
    return std::nullopt;
}

bool isCoreImageFile(const std::string& path) {
    const std::string extension = lowerExtensionOf(path);
    return extension == "tif" || extension == "tiff" || extension == "cbf";
}

namespace {

std::string firstBytes(const std::string& path, std::size_t count) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file)
        return {};
    std::string bytes(count, '\0');
    bytes.resize(std::fread(bytes.data(), 1, count, file.get()));
    return bytes;
}

} // namespace

Result<DetectorImage> readDetectorImage(const std::string& path) {
    if (!canOpenForReading(path))
        return imageReadFailure(path, "the file cannot be opened");
    const std::string start = firstBytes(path, 4);
    if (start == std::string("II*\0", 4) || start == std::string("MM\0*", 4) ||
        start == std::string("II+\0", 4) || start == std::string("MM\0+", 4))
        return readTiffImage(path);
    if (lowerExtensionOf(path) == "cbf" || start.starts_with("###C"))
        return readCbfImage(path);
    return imageReadFailure(path, "it is neither a TIFF nor a CBF file");
}

} // namespace xtalsp
