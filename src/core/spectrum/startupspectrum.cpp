// Loading or re-creating the default spectrum at the start of every document.
#include "spectrum/startupspectrum.h"

#include "io/filebytes.h"
#include "spectrum/builtinspectrum.h"
#include "spectrum/spectrumfile.h"

namespace xtalsp {
namespace {

Message unknownFormatMessage(const std::string& path) {
    return Message{"Unknown format of " + path + ".", "", MessageIcon::Stop};
}

Message establishedMessage(const std::string& path) {
    return Message{"A new default spectrum file " + path +
                       " has been established. Use menu \"Setting | Spectrum\" to modify it if "
                       "necessary.",
                   "", MessageIcon::Information};
}

Message internalSpectrumMessage() {
    return Message{"An internal spectrum is used.\n"
                   "Use menu \"Setting | Spectrum\" to modify it if necessary.",
                   ""};
}

} // namespace

std::string defaultSpectrumPath(const std::string& applicationDirectory) {
    return joinPath(applicationDirectory, std::string(kDefaultSpectrumFileName));
}

void loadStartupSpectrum(Spectrum& target, const std::string& applicationDirectory,
                         UserPrompt& prompt) {
    const std::string path = defaultSpectrumPath(applicationDirectory);
    const FileBytes file = readFileBytes(path);
    if (file.error != FileReadError::CannotOpen) {
        if (file.ok()) {
            const Result<Spectrum> stored = decodeSpectrumFile(file.bytes);
            if (stored.ok()) {
                target = stored.value();
                return;
            }
        }
        prompt.show(unknownFormatMessage(path));
    }
    if (establishDefaultSpectrum(target, path, prompt))
        prompt.show(establishedMessage(path));
    else
        prompt.show(internalSpectrumMessage());
}

bool establishDefaultSpectrum(Spectrum& target, const std::string& path, UserPrompt& prompt) {
    target = builtinSpectrum();
    // The built-in largest value is exactly 1, so the file holds the table unchanged.
    if (writeFileAtomically(path, encodeSpectrumFile(target)) != FileWriteError::None) {
        prompt.show(Message{"Establishing " + path + " failed!   ", "", MessageIcon::Stop});
        return false;
    }
    return true;
}

} // namespace xtalsp
