// Reading and writing the binary spectrum file.
#include "core/spectrum/spectrumfile.h"

#include "core/io/binaryarchive.h"
#include "core/io/filebytes.h"

#include <cmath>

namespace xtalsp {
namespace {

Message unrecognisedFileMessage() {
    return Message{"Cannot recognize the file format!", "Import Spectrum File...",
                   MessageIcon::Stop};
}

// Intensities are 0 or more; a NaN or infinity would poison every spot intensity computed from
// the spectrum.
bool isStorableIntensity(double value) {
    return std::isfinite(value) && value >= 0.0;
}

} // namespace

std::string encodeSpectrumFile(const Spectrum& spectrum) {
    const double divisor = isValidSpectrum(spectrum) ? largestIntensity(spectrum) : 1.0;
    ArchiveWriter writer;
    writer.writeString(kSpectrumSignature);
    for (const double value : spectrum.intensity)
        writer.writeDouble(value / divisor);
    return writer.bytes();
}

Status writeSpectrumFile(const std::string& path, const Spectrum& spectrum) {
    if (!isValidSpectrum(spectrum))
        return invalidSpectrumMessage();
    if (!writeFileAtomically(path, encodeSpectrumFile(spectrum)).ok())
        return Message{"Error occured in saving spectrum!", "", MessageIcon::Stop};
    return Status::success();
}

Result<Spectrum> decodeSpectrumFile(std::string_view bytes) {
    ArchiveReader reader(bytes);
    std::string signature;
    if (!reader.readString(signature) || signature != kSpectrumSignature)
        return unrecognisedFileMessage();
    Spectrum spectrum;
    for (double& value : spectrum.intensity)
        if (!reader.readDouble(value) || !isStorableIntensity(value))
            return unrecognisedFileMessage();
    return spectrum;
}

Result<Spectrum> readSpectrumFile(const std::string& path) {
    const FileBytes file = readFileBytes(path);
    if (file.failedWith(FileReadError::CannotOpen))
        return Message{path + " not found!", "", MessageIcon::Stop};
    if (!file.ok())
        return unrecognisedFileMessage();
    return decodeSpectrumFile(file.value());
}

} // namespace xtalsp
