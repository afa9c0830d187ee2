// File access for the readers and writers, through the standard library only.
#include "core/io/filebytes.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <optional>
#include <system_error>

namespace xtalsp {

namespace fs = std::filesystem;

namespace {

// Regular files only (symbolic links followed): a FIFO or a device may block or never end.
bool isRegularFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(fs::status(path, ec));
}

FileBytes readRegularFile(const std::string& path, std::size_t maxBytes) {
    std::ifstream in(fs::path(path), std::ios::binary);
    if (!in)
        return FileReadError::CannotOpen;
    std::string bytes;
    char buffer[65536];
    while (in) {
        in.read(buffer, sizeof buffer);
        const auto got = static_cast<std::size_t>(in.gcount());
        if (bytes.size() + got > maxBytes)
            return FileReadError::TooLarge;
        bytes.append(buffer, got);
    }
    if (in.bad())
        return FileReadError::ReadFailed;
    return bytes;
}

} // namespace

FileBytes readFileBytes(const std::string& path, std::size_t maxBytes) {
    try {
        if (!isRegularFile(fs::path(path)))
            return FileReadError::CannotOpen;
        return readRegularFile(path, maxBytes);
    } catch (const std::bad_alloc&) {
        return FileReadError::ReadFailed;
    }
}

bool canOpenForReading(const std::string& path) {
    if (!isRegularFile(fs::path(path)))
        return false;
    std::ifstream in(fs::path(path), std::ios::binary);
    return static_cast<bool>(in);
}

namespace {

// Linux gives up after 40 links as well; more is a loop.
constexpr int kMaxLinkHops = 40;

fs::path temporaryPathBeside(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path temporary = target;
    temporary += ".tmp" + std::to_string(stamp) + "-" + std::to_string(counter++);
    return temporary;
}

// The path a chain of symbolic links ends at (the path itself when it is no link); nothing for
// a loop or an unreadable link. The end need not exist yet: a dangling link creates its target.
std::optional<fs::path> finalTarget(fs::path path) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(path, ec)))
            return path;
        const fs::path link = fs::read_symlink(path, ec);
        if (ec)
            return std::nullopt;
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return std::nullopt;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Writes everything and closes the file; false when any of it failed (a full disk shows at
// the flush or the close at the latest).
bool writeAndClose(FileHandle file, std::string_view bytes) {
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() &&
                         std::fflush(file.get()) == 0;
    return std::fclose(file.release()) == 0 && written;
}

// A device, FIFO or terminal takes the bytes where it is; replacing it would destroy it.
FileWritten writeInto(const fs::path& target, std::string_view bytes) {
    FileHandle file(std::fopen(target.c_str(), "wb"));
    if (!file)
        return FileWriteError::CannotCreate;
    if (!writeAndClose(std::move(file), bytes))
        return FileWriteError::WriteFailed;
    return FileWritten::success();
}

FileWritten replaceThroughTemporary(const fs::path& target, std::string_view bytes,
                                    std::optional<fs::perms> keptPermissions) {
    const fs::path temporary = temporaryPathBeside(target);
    // "x": never take over a file that happens to exist under the temporary name.
    FileHandle file(std::fopen(temporary.c_str(), "wbx"));
    if (!file)
        return FileWriteError::CannotCreate;
    std::error_code ec;
    const bool written = writeAndClose(std::move(file), bytes);
    if (written && keptPermissions)
        fs::permissions(temporary, *keptPermissions, ec);
    if (!written || ec) {
        fs::remove(temporary, ec);
        return FileWriteError::WriteFailed;
    }
    fs::rename(temporary, target, ec);
    if (ec) {
        fs::remove(temporary, ec);
        return FileWriteError::WriteFailed;
    }
    return FileWritten::success();
}

} // namespace

FileWritten writeFileAtomically(const std::string& path, std::string_view bytes) {
    if (path.empty())
        return FileWriteError::CannotCreate;
    const std::optional<fs::path> target = finalTarget(fs::path(path));
    if (!target)
        return FileWriteError::CannotCreate;
    std::error_code ec;
    const fs::file_status status = fs::status(*target, ec);
    switch (status.type()) {
    case fs::file_type::not_found:
        return replaceThroughTemporary(*target, bytes, std::nullopt);
    case fs::file_type::regular:
        return replaceThroughTemporary(*target, bytes, status.permissions() & fs::perms::mask);
    case fs::file_type::directory:
    case fs::file_type::none:
    case fs::file_type::unknown:
        return FileWriteError::CannotCreate;
    default:
        return writeInto(*target, bytes);
    }
}

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string lowerExtensionOf(const std::string& path) {
    const std::string name = fileNameOf(path);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return {};
    std::string extension = name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::string joinPath(const std::string& directory, const std::string& fileName) {
    if (directory.empty())
        return fileName;
    if (directory.back() == '/' || directory.back() == '\\')
        return directory + fileName;
    return directory + "/" + fileName;
}

} // namespace xtalsp
