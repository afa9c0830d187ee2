// Whole-file reading and crash-safe writing of byte strings, plus path helpers for messages.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace xtalsp {

enum class FileReadError { None, CannotOpen, ReadFailed, TooLarge };
enum class FileWriteError { None, CannotCreate, WriteFailed };

// No file of this program comes near this size; anything larger is refused before it is read
// into memory.
inline constexpr std::size_t kMaxInputFileBytes = std::size_t{1} << 30;

struct FileBytes {
    std::string bytes;
    FileReadError error = FileReadError::None;
    bool ok() const { return error == FileReadError::None; }
};

FileBytes readFileBytes(const std::string& path, std::size_t maxBytes = kMaxInputFileBytes);
// Only tells whether the file can be opened for reading.
bool canOpenForReading(const std::string& path);

// Writes to a temporary file beside the target and renames it over the target, so a failed
// save never destroys the file that was there. CannotCreate: the temporary file could not be
// created; WriteFailed: writing, flushing or the rename failed.
FileWriteError writeFileAtomically(const std::string& path, std::string_view bytes);

// The name of a path without its directory.
std::string fileNameOf(const std::string& path);
// The extension of a path without its dot, in lower case ("" when there is none).
std::string lowerExtensionOf(const std::string& path);
// Joins a directory and a file name.
std::string joinPath(const std::string& directory, const std::string& fileName);

} // namespace xtalsp
