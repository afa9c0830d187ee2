// Small TIFF and CBF images written in a test, and synthetic Laue spot images with Poisson
// noise. Header-only: only the test programs that include it link libtiff and libcbf.
#pragma once

#include <cbflib/cbf.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace xtalsp::test {

template <typename T> constexpr std::uint16_t tiffSampleFormat() {
    if constexpr (std::is_floating_point_v<T>)
        return SAMPLEFORMAT_IEEEFP;
    else if constexpr (std::is_signed_v<T>)
        return SAMPLEFORMAT_INT;
    else
        return SAMPLEFORMAT_UINT;
}

// A grey TIFF, one strip, optionally with a resolution in dots per inch.
template <typename T>
bool writeTiff(const std::string& path, int width, int height, const std::vector<T>& pixels,
               float dotsPerInchX = 0.0F, float dotsPerInchY = 0.0F) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (tiff == nullptr)
        return false;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(8 * sizeof(T)));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(1));
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, tiffSampleFormat<T>());
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(height));
    if (dotsPerInchX > 0.0F) {
        TIFFSetField(tiff, TIFFTAG_XRESOLUTION, dotsPerInchX);
        TIFFSetField(tiff, TIFFTAG_YRESOLUTION, dotsPerInchY);
        TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    }
    bool ok = true;
    std::vector<T> row(static_cast<std::size_t>(width));
    for (int r = 0; r < height && ok; ++r) {
        std::copy_n(pixels.begin() + static_cast<std::ptrdiff_t>(r) * width, width, row.begin());
        ok = TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(r), 0) >= 0;
    }
    TIFFClose(tiff);
    return ok;
}

// A miniCBF as photon-counting detectors write it: signed 32-bit counts, byte-offset
// compressed, with the header text in _array_data.header_contents.
inline bool writeCbf(const std::string& path, int width, int height,
                     std::vector<std::int32_t> pixels, const std::string& header) {
    cbf_handle handle = nullptr;
    if (cbf_make_handle(&handle) != 0)
        return false;
    int failed = cbf_new_datablock(handle, "image_1");
    failed |= cbf_new_category(handle, "array_data");
    failed |= cbf_new_column(handle, "header_convention");
    failed |= cbf_set_value(handle, "PILATUS_1.2");
    failed |= cbf_new_column(handle, "header_contents");
    failed |= cbf_set_value(handle, header.c_str());
    failed |= cbf_set_typeofvalue(handle, "text");
    failed |= cbf_new_column(handle, "data");
    failed |= cbf_set_integerarray_wdims_fs(
        handle, CBF_BYTE_OFFSET, 1, pixels.data(), sizeof(std::int32_t), 1, pixels.size(),
        "little_endian", static_cast<std::size_t>(width), static_cast<std::size_t>(height), 0, 0);
    std::FILE* file = failed ? nullptr : std::fopen(path.c_str(), "w+b");
    if (file != nullptr) // the handle closes the file when it is freed
        failed |= cbf_write_file(handle, file, 1, CBF, MSG_DIGEST | MIME_HEADERS, 0);
    cbf_free_handle(handle);
    return failed == 0 && file != nullptr;
}

struct SyntheticSpot {
    double column = 0.0;
    double row = 0.0;
    double amplitude = 0.0; // peak counts above the background
};

// A 16-bit image of Gaussian spots (sigma in pixels) on a flat background with Poisson
// noise, sampled at pixel centres; a fixed seed makes it the same in every run.
inline std::vector<std::uint16_t> syntheticSpotImage(int width, int height,
                                                     const std::vector<SyntheticSpot>& spots,
                                                     double background, double sigma,
                                                     unsigned seed) {
    std::vector<double> expected(static_cast<std::size_t>(width) * height, background);
    const int reach = static_cast<int>(std::ceil(5.0 * sigma));
    for (const SyntheticSpot& spot : spots) {
        const int c0 = static_cast<int>(std::round(spot.column));
        const int r0 = static_cast<int>(std::round(spot.row));
        for (int r = std::max(r0 - reach, 0); r <= std::min(r0 + reach, height - 1); ++r)
            for (int c = std::max(c0 - reach, 0); c <= std::min(c0 + reach, width - 1); ++c) {
                const double d2 =
                    (c - spot.column) * (c - spot.column) + (r - spot.row) * (r - spot.row);
                expected[static_cast<std::size_t>(r) * width + c] +=
                    spot.amplitude * std::exp(-d2 / (2.0 * sigma * sigma));
            }
    }
    std::mt19937 random(seed);
    std::vector<std::uint16_t> pixels(expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        std::poisson_distribution<int> counts(expected[i]);
        pixels[i] = static_cast<std::uint16_t>(std::min(counts(random), 65535));
    }
    return pixels;
}

} // namespace xtalsp::test
