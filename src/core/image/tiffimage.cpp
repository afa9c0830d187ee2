// Reading grey TIFF images (8, 16, 32-bit integers and 32-bit floats) with libtiff.
#include "core/image/detectorimage.h"

#include <tiffio.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace xtalsp {

namespace {

// libtiff reports through handlers; the first error of a file is kept for the message.
int keepFirstError(TIFF*, void* userData, const char*, const char* format, va_list arguments) {
    auto* text = static_cast<std::string*>(userData);
    if (text->empty()) {
        char buffer[512];
        std::vsnprintf(buffer, sizeof buffer, format, arguments);
        *text = buffer;
    }
    return 1;
}

int ignoreWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
struct OptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

std::string withLibraryText(const std::string& what, const std::string& libraryText) {
    return libraryText.empty() ? what : what + " (" + libraryText + ")";
}

enum class SampleKind { Unsigned, Signed, Float };

struct TiffLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bits = 1;
    SampleKind kind = SampleKind::Unsigned;
};

std::optional<std::string> layoutProblem(TIFF* tiff, TiffLayout& layout) {
    std::uint16_t samples = 1;
    std::uint16_t format = SAMPLEFORMAT_UINT;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &layout.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &layout.height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &layout.bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    if (const auto problem = imageSizeProblem(layout.width, layout.height))
        return problem;
    if (samples != 1)
        return "only grey images with one sample per pixel are read, this one has " +
               std::to_string(samples);
    if (TIFFIsTiled(tiff))
        return "tiled TIFF images are not read";
    if (format == SAMPLEFORMAT_IEEEFP && layout.bits == 32)
        layout.kind = SampleKind::Float;
    else if (format == SAMPLEFORMAT_INT &&
             (layout.bits == 8 || layout.bits == 16 || layout.bits == 32))
        layout.kind = SampleKind::Signed;
    else if (format == SAMPLEFORMAT_UINT &&
             (layout.bits == 8 || layout.bits == 16 || layout.bits == 32))
        layout.kind = SampleKind::Unsigned;
    else
        return "pixels of " + std::to_string(layout.bits) + " bits in sample format " +
               std::to_string(format) + " are not read";
    return std::nullopt;
}

template <typename T> float sampleAt(const unsigned char* line, std::uint32_t column) {
    T value;
    std::memcpy(&value, line + column * sizeof(T), sizeof(T));
    return static_cast<float>(value);
}

float sampleOf(const TiffLayout& layout, const unsigned char* line, std::uint32_t column) {
    if (layout.kind == SampleKind::Float)
        return sampleAt<float>(line, column);
    const bool isSigned = layout.kind == SampleKind::Signed;
    switch (layout.bits) {
    case 8:
        return isSigned ? sampleAt<std::int8_t>(line, column)
                        : sampleAt<std::uint8_t>(line, column);
    case 16:
        return isSigned ? sampleAt<std::int16_t>(line, column)
                        : sampleAt<std::uint16_t>(line, column);
    default:
        return isSigned ? sampleAt<std::int32_t>(line, column)
                        : sampleAt<std::uint32_t>(line, column);
    }
}

// Resolution tags give pixels per inch or per centimetre; without a unit they say nothing
// about size.
std::optional<ProposedPixelPitch> pitchFromResolution(TIFF* tiff) {
    float xResolution = 0.0F;
    float yResolution = 0.0F;
    std::uint16_t unit = RESUNIT_INCH;
    if (!TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &xResolution))
        return std::nullopt;
    if (!TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &yResolution))
        yResolution = xResolution;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    const double mmPerUnit = unit == RESUNIT_INCH ? 25.4 : unit == RESUNIT_CENTIMETER ? 10.0 : 0.0;
    if (mmPerUnit == 0.0 || !(std::isfinite(xResolution) && xResolution > 0.0F) ||
        !(std::isfinite(yResolution) && yResolution > 0.0F))
        return std::nullopt;
    return ProposedPixelPitch{mmPerUnit / xResolution, mmPerUnit / yResolution};
}

Result<DetectorImage> readPixels(TIFF* tiff, const std::string& path, const TiffLayout& layout,
                                 const std::string& libraryError) {
    const tmsize_t lineBytes = TIFFScanlineSize(tiff);
    if (lineBytes < static_cast<tmsize_t>(layout.width * (layout.bits / 8)))
        return imageReadFailure(path, withLibraryText("the row size is wrong", libraryError));
    std::vector<unsigned char> line(static_cast<std::size_t>(lineBytes));
    DetectorImage image;
    image.width = static_cast<int>(layout.width);
    image.height = static_cast<int>(layout.height);
    image.pixels.resize(static_cast<std::size_t>(layout.width) * layout.height);
    float* target = image.pixels.data();
    for (std::uint32_t row = 0; row < layout.height; ++row) {
        if (TIFFReadScanline(tiff, line.data(), row, 0) < 0)
            return imageReadFailure(path, withLibraryText("row " + std::to_string(row) +
                                                              " cannot be read; the file is "
                                                              "cut short or damaged",
                                                          libraryError));
        for (std::uint32_t column = 0; column < layout.width; ++column) {
            const float value = sampleOf(layout, line.data(), column);
            if (!std::isfinite(value))
                return imageReadFailure(path, "pixel (" + std::to_string(column) + ", " +
                                                  std::to_string(row) + ") is not a finite number");
            *target++ = value;
        }
    }
    image.proposedPitch = pitchFromResolution(tiff);
    return image;
}

} // namespace

namespace {

Result<DetectorImage> readTiffImageUnguarded(const std::string& path) {
    std::string libraryError;
    std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options)
        return imageReadFailure(path, "out of memory");
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), keepFirstError, &libraryError);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), ignoreWarning, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), tmsize_t{1} << 30);
    std::unique_ptr<TIFF, TiffCloser> tiff(TIFFOpenExt(path.c_str(), "r", options.get()));
    if (!tiff)
        return imageReadFailure(
            path, withLibraryText("it is cut short or damaged, or not a TIFF file", libraryError));
    TiffLayout layout;
    if (const auto problem = layoutProblem(tiff.get(), layout))
        return imageReadFailure(path, *problem);
    return readPixels(tiff.get(), path, layout, libraryError);
}

} // namespace

Result<DetectorImage> readTiffImage(const std::string& path) {
    try {
        return readTiffImageUnguarded(path);
    } catch (const std::bad_alloc&) {
        return imageReadFailure(path, "there is not enough memory for its pixels");
    }
}

} // namespace xtalsp
