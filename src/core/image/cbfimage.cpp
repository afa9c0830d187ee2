// Reading CBF detector images with libcbf, and the miniCBF header lines that propose the
// calibration.
#include "core/image/detectorimage.h"

#include "core/text/numbertext.h"

#include <cbflib/cbf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <string_view>

namespace xtalsp {

namespace {

class CbfHandle {
public:
    CbfHandle() {
        if (cbf_make_handle(&m_handle) != 0)
            m_handle = nullptr;
    }
    ~CbfHandle() {
        if (m_handle != nullptr)
            cbf_free_handle(m_handle);
    }
    CbfHandle(const CbfHandle&) = delete;
    CbfHandle& operator=(const CbfHandle&) = delete;
    cbf_handle get() const { return m_handle; }

private:
    cbf_handle m_handle = nullptr;
};

std::string cbfProblem(int code) {
    if ((code & CBF_FILEREAD) != 0 || (code & CBF_FILEOPEN) != 0)
        return "the file is cut short or cannot be read";
    if ((code & CBF_FORMAT) != 0)
        return "the file is damaged or not a CBF image";
    if ((code & CBF_NOTFOUND) != 0)
        return "the file holds no image array";
    if ((code & CBF_ALLOC) != 0)
        return "out of memory";
    if ((code & CBF_FILETELL) != 0 || (code & CBF_FILESEEK) != 0)
        return "the file is cut short or cannot be read";
    return "libcbf reports error " + std::to_string(code);
}

// The number after `key` in a header, skipping blanks and the characters in `skip`.
std::optional<double> numberAfter(std::string_view text, std::string_view key,
                                  std::string_view skip = "") {
    const std::size_t at = text.find(key);
    if (at == std::string_view::npos)
        return std::nullopt;
    std::size_t start = at + key.size();
    while (start < text.size() &&
           (text[start] == ' ' || text[start] == '\t' || skip.find(text[start]) != skip.npos))
        ++start;
    if (start >= text.size() || !(std::isdigit(static_cast<unsigned char>(text[start])) ||
                                  text[start] == '-' || text[start] == '.'))
        return std::nullopt;
    const double value = readReal(text.substr(start));
    return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

// "# Pixel_size 172e-6 m x 172e-6 m": metres along the fast (column) and slow (row) axes.
std::optional<ProposedPixelPitch> headerPitch(std::string_view header) {
    const std::size_t at = header.find("Pixel_size");
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::string_view line = header.substr(at, header.find('\n', at) - at);
    const auto column = numberAfter(line, "Pixel_size");
    const auto row = numberAfter(line, " x ");
    if (!column || !row || !(*column > 0.0 && *column < 1.0) || !(*row > 0.0 && *row < 1.0))
        return std::nullopt;
    return ProposedPixelPitch{*column * 1000.0, *row * 1000.0};
}

// "# Beam_xy (1231.50, 1263.50) pixels": column then row.
std::optional<ProposedCentre> headerCentre(std::string_view header) {
    const std::size_t at = header.find("Beam_xy");
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::string_view line = header.substr(at, header.find('\n', at) - at);
    const auto column = numberAfter(line, "Beam_xy", "(");
    const auto row = numberAfter(line, ",");
    if (!column || !row)
        return std::nullopt;
    return ProposedCentre{*column, *row};
}

std::string headerContents(cbf_handle handle) {
    const char* value = nullptr;
    if (cbf_find_column(handle, "header_contents") != 0 || cbf_get_value(handle, &value) != 0 ||
        value == nullptr)
        return {};
    return value;
}

struct CbfArray {
    int id = 0;
    std::size_t elementSize = 0;
    int isSigned = 0;
    std::size_t count = 0;
    bool real = false;
    std::size_t fast = 0;
    std::size_t slow = 0;
};

std::optional<std::string> arrayProblem(cbf_handle handle, CbfArray& array) {
    unsigned int compression = 0;
    int isUnsigned = 0, minimum = 0, maximum = 0, real = 0;
    const char* byteOrder = nullptr;
    std::size_t middle = 0, padding = 0;
    if (const int code = cbf_get_arrayparameters_wdims_fs(
            handle, &compression, &array.id, &array.elementSize, &array.isSigned, &isUnsigned,
            &array.count, &minimum, &maximum, &real, &byteOrder, &array.fast, &middle, &array.slow,
            &padding))
        return cbfProblem(code);
    array.real = real != 0;
    // A two-dimensional array names its rows as the second dimension; a third one of more than
    // one plane is a stack of images, which is not read.
    if (middle > 1 && array.slow > 1)
        return "the array has three dimensions";
    array.slow = std::max(middle, array.slow);
    if (const auto problem = imageSizeProblem(array.fast, array.slow))
        return problem;
    if (array.count != array.fast * array.slow)
        return "the array holds " + std::to_string(array.count) + " values, not " +
               std::to_string(array.fast) + " x " + std::to_string(array.slow);
    return std::nullopt;
}

template <typename T>
std::optional<std::string> readValues(cbf_handle handle, CbfArray& array, DetectorImage& image) {
    std::vector<T> values(array.count);
    std::size_t read = 0;
    int code = 0;
    if constexpr (std::is_floating_point_v<T>)
        code = cbf_get_realarray(handle, &array.id, values.data(), sizeof(T), array.count, &read);
    else
        code = cbf_get_integerarray(handle, &array.id, values.data(), sizeof(T),
                                    std::is_signed_v<T> ? 1 : 0, array.count, &read);
    if (code != 0)
        return cbfProblem(code);
    if (read != array.count)
        return "the file is cut short: " + std::to_string(read) + " of " +
               std::to_string(array.count) + " pixels";
    image.pixels.resize(array.count);
    for (std::size_t i = 0; i < array.count; ++i) {
        if constexpr (std::is_floating_point_v<T>)
            if (!std::isfinite(values[i]))
                return "pixel (" + std::to_string(i % array.fast) + ", " +
                       std::to_string(i / array.fast) + ") is not a finite number";
        image.pixels[i] = static_cast<float>(values[i]);
    }
    return std::nullopt;
}

} // namespace

namespace {

Result<DetectorImage> readCbfImageUnguarded(const std::string& path) {
    CbfHandle handle;
    if (handle.get() == nullptr)
        return imageReadFailure(path, "out of memory");
    // The failure is reported in the message; libcbf would also write its parser's complaints
    // to standard error.
    cbf_set_cbf_logfile(handle.get(), nullptr);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return imageReadFailure(path, "the file cannot be opened");
    // The handle owns the file from here on and closes it when it is freed.
    if (const int code = cbf_read_file(handle.get(), file, MSG_DIGEST))
        return imageReadFailure(path, cbfProblem(code));
    if (const int code = cbf_find_category(handle.get(), "array_data"))
        return imageReadFailure(path, cbfProblem(code));
    if (const int code = cbf_rewind_row(handle.get()))
        return imageReadFailure(path, cbfProblem(code));
    const std::string header = headerContents(handle.get());
    if (const int code = cbf_find_column(handle.get(), "data"))
        return imageReadFailure(path, cbfProblem(code));
    CbfArray array;
    if (const auto problem = arrayProblem(handle.get(), array))
        return imageReadFailure(path, *problem);
    DetectorImage image;
    image.width = static_cast<int>(array.fast);
    image.height = static_cast<int>(array.slow);
    const auto problem = array.real       ? readValues<double>(handle.get(), array, image)
                         : array.isSigned ? readValues<std::int32_t>(handle.get(), array, image)
                                          : readValues<std::uint32_t>(handle.get(), array, image);
    if (problem)
        return imageReadFailure(path, *problem);
    image.proposedPitch = headerPitch(header);
    image.proposedCentre = headerCentre(header);
    return image;
}

} // namespace

Result<DetectorImage> readCbfImage(const std::string& path) {
    try {
        return readCbfImageUnguarded(path);
    } catch (const std::bad_alloc&) {
        return imageReadFailure(path, "there is not enough memory for its pixels");
    }
}

} // namespace xtalsp
