// Loading or re-creating the default spectrum at the start of every document.
#include "core/spectrum/startupspectrum.h"

#include "core/io/filebytes.h"
#include "core/spectrum/builtinspectrum.h"
#include "core/spectrum/spectrumfile.h"

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
    loadStartupSpectrum(target, SpectrumFolders{applicationDirectory, std::nullopt, true}, prompt,
                        nullptr);
}

namespace {
bool hasUserCopy(const SpectrumFolders& folders) {
    return folders.userData && canOpenForReading(defaultSpectrumPath(*folders.userData));
}
} // namespace

std::string startupSpectrumReadPath(const SpectrumFolders& folders) {
    return defaultSpectrumPath(hasUserCopy(folders) ? *folders.userData : folders.application);
}

std::string startupSpectrumWritePath(const SpectrumFolders& folders) {
    const bool toUser = folders.userData && (!folders.applicationWritable || hasUserCopy(folders));
    return defaultSpectrumPath(toUser ? *folders.userData : folders.application);
}

void loadStartupSpectrum(Spectrum& target, const SpectrumFolders& folders, UserPrompt& prompt,
                         bool* fallbackTold) {
    const std::string path = startupSpectrumReadPath(folders);
    const FileBytes file = readFileBytes(path);
    if (file.ok()) {
        const Result<Spectrum> stored = decodeSpectrumFile(file.value());
        if (stored.ok()) {
            target = stored.value();
            return;
        }
    }
    if (fallbackTold != nullptr && *fallbackTold) {
        // Told once already: later patterns of the run take the built-in spectrum without
        // another word until a default file can be read.
        target = builtinSpectrum();
        return;
    }
    if (!file.failedWith(FileReadError::CannotOpen))
        prompt.show(unknownFormatMessage(path));
    const std::string writePath = startupSpectrumWritePath(folders);
    if (establishDefaultSpectrum(target, writePath, prompt)) {
        prompt.show(establishedMessage(writePath));
        return;
    }
    prompt.show(internalSpectrumMessage());
    if (fallbackTold != nullptr)
        *fallbackTold = true;
}

bool establishDefaultSpectrum(Spectrum& target, const std::string& path, UserPrompt& prompt) {
    target = builtinSpectrum();
    // The built-in largest value is exactly 1, so the file holds the table unchanged.
    if (!writeFileAtomically(path, encodeSpectrumFile(target)).ok()) {
        prompt.show(Message{"Establishing " + path + " failed!   ", "", MessageIcon::Stop});
        return false;
    }
    return true;
}

} // namespace xtalsp
