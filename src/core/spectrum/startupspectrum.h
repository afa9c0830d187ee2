// The spectrum every new pattern starts with: "Default.Spectrum" beside the program, or the
// built-in spectrum, which then becomes the new default file.
#pragma once

#include "core/platform/userprompt.h"
#include "core/spectrum/spectrum.h"

#include <optional>
#include <string>
#include <string_view>

namespace xtalsp {

inline constexpr std::string_view kDefaultSpectrumFileName = "Default.Spectrum";

// The default spectrum file in the application directory.
std::string defaultSpectrumPath(const std::string& applicationDirectory);

// Fills `target` from the default spectrum file, taking its values as stored. When the file is
// missing or unreadable the built-in spectrum is taken and written as a new default file, and the
// user is told what happened.
void loadStartupSpectrum(Spectrum& target, const std::string& applicationDirectory,
                         UserPrompt& prompt);

// The folders that may hold the default spectrum file.
struct SpectrumFolders {
    std::string application;             // beside the program
    std::optional<std::string> userData; // the user's own data folder, if any
    bool applicationWritable = true;     // false for an installed program
};
// The file to read: the user's own copy when there is one, else the one beside the program.
std::string startupSpectrumReadPath(const SpectrumFolders& folders);
// Where a default file is written: beside the program, unless that folder cannot be written or
// the user has a copy of their own (which start-up would read instead).
std::string startupSpectrumWritePath(const SpectrumFolders& folders);
// As above, reading and writing in those folders. With `fallbackTold`, the failure to write a
// new default file is told only while *fallbackTold is false, which it then becomes.
void loadStartupSpectrum(Spectrum& target, const SpectrumFolders& folders, UserPrompt& prompt,
                         bool* fallbackTold);

// Copies the built-in spectrum into `target` and writes it to `path` as a spectrum file. On a
// failed write the user is told and false is returned; `target` holds the built-in spectrum
// either way, and any old file at `path` stays as it was.
bool establishDefaultSpectrum(Spectrum& target, const std::string& path, UserPrompt& prompt);

} // namespace xtalsp
