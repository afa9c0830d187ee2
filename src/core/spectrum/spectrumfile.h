// The binary spectrum file: an archived signature and 301 little-endian doubles, 2429 bytes.
#pragma once

#include "core/platform/result.h"
#include "core/spectrum/spectrum.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace xtalsp {

inline constexpr std::string_view kSpectrumSignature = "Xtalspotter.Spectrum";
// One length byte, the 20 signature characters, then 301 doubles of 8 bytes.
inline constexpr std::size_t kSpectrumFileSize = 1 + kSpectrumSignature.size() + 8 * kSpectrumSize;

// The bytes of a spectrum file holding the spectrum divided by its largest intensity. An invalid
// spectrum (which the writers refuse) is stored undivided rather than as NaN.
std::string encodeSpectrumFile(const Spectrum& spectrum);

// Writes a spectrum file; the spectrum in memory is not changed. Refuses an invalid spectrum with
// invalidSpectrumMessage(). A failed save leaves any old file at the path untouched.
Status writeSpectrumFile(const std::string& path, const Spectrum& spectrum);

// Decodes the bytes of a spectrum file; bytes after the 301st double are ignored. The signature
// must match exactly (letter case included). The values are taken as stored, except that a NaN,
// infinite or negative value makes the file unrecognised.
Result<Spectrum> decodeSpectrumFile(std::string_view bytes);

// Reads and decodes a spectrum file.
Result<Spectrum> readSpectrumFile(const std::string& path);

} // namespace xtalsp
