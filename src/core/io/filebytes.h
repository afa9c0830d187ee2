// Whole-file reading and crash-safe writing of byte strings, plus path helpers for messages.
#pragma once

#include "core/platform/result.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace xtalsp {

// What went wrong with a file; each caller words its own message from it.
enum class FileReadError { CannotOpen, ReadFailed, TooLarge };
enum class FileWriteError { CannotCreate, WriteFailed };

// No file of this program comes near this size; anything larger is refused before it is read
// into memory.
inline constexpr std::size_t kMaxInputFileBytes = std::size_t{1} << 30;

// The bytes of a whole file, or why they could not be read.
using FileBytes = Result<std::string, FileReadError>;
// Success, or why the bytes could not be written.
using FileWritten = Result<std::monostate, FileWriteError>;

// Reads a regular file (through symbolic links). Anything else - a directory, a FIFO, a device
// such as /dev/zero - is refused with CannotOpen before a byte is read, since it may never end
// or block. Running out of memory gives ReadFailed.
FileBytes readFileBytes(const std::string& path, std::size_t maxBytes = kMaxInputFileBytes);
// Only tells whether the path is a regular file that can be opened for reading.
bool canOpenForReading(const std::string& path);

// The one writer of every output of the program. A new path or an existing regular file gets a
// temporary file beside it that is renamed over it, so a failed write leaves the old file as it
// was; the old file's permission bits are kept. A symbolic link is followed to its final target,
// which gets the bytes, and stays a link. An existing path that is not a regular file (a device,
// a FIFO, /dev/stdout) is written into directly, never replaced. CannotCreate: the file could
// not be created or opened; WriteFailed: writing, flushing or the rename failed.
FileWritten writeFileAtomically(const std::string& path, std::string_view bytes);

// The name of a path without its directory.
std::string fileNameOf(const std::string& path);
// The extension of a path without its dot, in lower case ("" when there is none).
std::string lowerExtensionOf(const std::string& path);
// Joins a directory and a file name.
std::string joinPath(const std::string& directory, const std::string& fileName);

} // namespace xtalsp
