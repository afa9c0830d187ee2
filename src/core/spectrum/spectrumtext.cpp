// Import of spectrum text files and export of the ".dat" text form.
#include "core/spectrum/spectrumtext.h"

#include "core/io/filebytes.h"
#include "core/text/linetext.h"
#include "core/text/numbertext.h"

#include <climits>
#include <cmath>
#include <cstddef>
#include <new>

namespace xtalsp {
namespace {

struct SpectrumItem {
    std::size_t index = 0;
    double intensity = 0.0;
};

// The entry of a wavelength: wavelength x 100 + 0.5 truncated toward zero, so each entry takes
// the wavelengths within half a step of it (and the truncation lets -0.004 reach entry 0). The
// range is checked on the double, which also turns away huge values and NaN before the
// conversion to an integer could overflow.
std::optional<std::size_t> entryOfWavelength(double wavelength) {
    const double index = wavelength * 100.0 + 0.5;
    if (!(index > -1.0 && index < static_cast<double>(kSpectrumSize)))
        return std::nullopt;
    return static_cast<std::size_t>(static_cast<int>(index));
}

std::optional<SpectrumItem> parseItemLine(std::string_view rawLine) {
    std::string line(rawLine);
    CleanLine(line);
    const std::size_t blank = line.find(' ');
    if (blank == std::string::npos)
        return std::nullopt;
    const std::string_view text(line);
    const std::optional<std::size_t> index = entryOfWavelength(readReal(text.substr(0, blank)));
    const double intensity = readReal(text.substr(blank + 1));
    if (!index || !std::isfinite(intensity) || std::fabs(intensity) > kMaxSpectrumIntensity)
        return std::nullopt;
    return SpectrumItem{*index, intensity > 0.0 ? intensity : 0.0};
}

Message readErrorMessage() {
    return Message{"Error occured in reading the file!", "Import Spectrum File...",
                   MessageIcon::Stop};
}

Message cannotOpenMessage(const std::string& path) {
    return Message{"Failed to open " + path + "!", "", MessageIcon::Stop};
}

} // namespace

Result<SpectrumImport> parseSpectrumText(std::string_view bytes, const std::string& path) {
    SpectrumImport import;
    LineCursor lines(bytes);
    while (const std::optional<std::string_view> line = lines.next()) {
        const std::optional<SpectrumItem> item = parseItemLine(*line);
        if (!item)
            continue;
        import.spectrum.intensity[item->index] = item->intensity;
        if (import.itemCount < INT_MAX)
            ++import.itemCount;
    }
    if (import.itemCount == 0)
        return Message{"No valid items found in " + path + ".", ""};
    return import;
}

Result<SpectrumImport> readSpectrumText(const std::string& path) {
    const FileBytes file = readFileBytes(path);
    if (file.failedWith(FileReadError::CannotOpen))
        return cannotOpenMessage(path);
    if (!file.ok())
        return readErrorMessage();
    try {
        return parseSpectrumText(file.value(), path);
    } catch (const std::bad_alloc&) {
        return readErrorMessage();
    }
}

std::optional<Message> spectrumItemCountWarning(int itemCount, const std::string& path) {
    if (itemCount == static_cast<int>(kSpectrumSize))
        return std::nullopt;
    return Message{
        formatInt(itemCount) + " valid items found in " + path + ". Please check the data!", ""};
}

std::string formatSpectrumDat(const Spectrum& spectrum) {
    const double divisor = isValidSpectrum(spectrum) ? largestIntensity(spectrum) : 1.0;
    std::string text = "# Text format spectrum file\r\n\r\n# Wavelength\tIntensity\r\n\r\n";
    for (std::size_t i = 0; i < kSpectrumSize; ++i) {
        const double wavelength = static_cast<double>(i) * kSpectrumStep;
        text += formatFixed(wavelength, 4, 2) + "\t" + formatG(spectrum.intensity[i] / divisor) +
                "\r\n";
    }
    return text;
}

Status writeSpectrumDat(const std::string& path, const Spectrum& spectrum) {
    if (!isValidSpectrum(spectrum))
        return invalidSpectrumMessage();
    const FileWritten written = writeFileAtomically(path, formatSpectrumDat(spectrum));
    if (written.ok())
        return Status::success();
    switch (written.failure()) {
    case FileWriteError::CannotCreate:
        return cannotOpenMessage(path);
    case FileWriteError::WriteFailed:
        break;
    }
    return Message{"Error occured in saving spectrum!", "", MessageIcon::Stop};
}

} // namespace xtalsp
