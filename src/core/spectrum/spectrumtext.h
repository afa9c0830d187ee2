// Spectrum text files: the line-based import of wavelength/intensity pairs and the ".dat" form.
#pragma once

#include "core/platform/result.h"
#include "core/spectrum/spectrum.h"

#include <optional>
#include <string>
#include <string_view>

namespace xtalsp {

// An imported spectrum and the number of lines accepted as items. Entries no line named are 0.
struct SpectrumImport {
    Spectrum spectrum;
    int itemCount = 0;
};

// Reads the lines of a spectrum text file: each non-blank cleaned line holds a wavelength in
// Angstrom, a blank and an intensity. Lines without a blank, with a wavelength outside the table
// or with a non-finite or larger than kMaxSpectrumIntensity value are skipped; a negative
// intensity counts as 0; a later line for the same entry overwrites an earlier one and counts
// again. Fails when no line was accepted. `path` only names the file in the message.
Result<SpectrumImport> parseSpectrumText(std::string_view bytes, const std::string& path);

// Reads and parses a spectrum text file.
Result<SpectrumImport> readSpectrumText(const std::string& path);

// The warning an import gives when it did not find exactly one item per entry.
std::optional<Message> spectrumItemCountWarning(int itemCount, const std::string& path);

// The ".dat" text: two comment lines, then "%4.2f\t%g" per entry from the wavelength and the
// intensity divided by the largest, every line ending in CR LF. It reads back through the import
// to the normalised spectrum within the six significant digits of "%g".
std::string formatSpectrumDat(const Spectrum& spectrum);

// Writes the ".dat" text. Refuses an invalid spectrum with invalidSpectrumMessage().
Status writeSpectrumDat(const std::string& path, const Spectrum& spectrum);

} // namespace xtalsp
