// File access for the readers and writers, through the standard library only.
#include "io/filebytes.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace xtalsp {

namespace fs = std::filesystem;

FileBytes readFileBytes(const std::string& path, std::size_t maxBytes) {
    FileBytes result;
    std::error_code ec;
    if (fs::is_directory(fs::path(path), ec)) {
        result.error = FileReadError::CannotOpen;
        return result;
    }
    std::ifstream in(fs::path(path), std::ios::binary);
    if (!in) {
        result.error = FileReadError::CannotOpen;
        return result;
    }
    std::string bytes;
    char buffer[65536];
    while (in) {
        in.read(buffer, sizeof buffer);
        const auto got = static_cast<std::size_t>(in.gcount());
        if (bytes.size() + got > maxBytes) {
            result.error = FileReadError::TooLarge;
            return result;
        }
        bytes.append(buffer, got);
    }
    if (in.bad()) {
        result.error = FileReadError::ReadFailed;
        return result;
    }
    result.bytes = std::move(bytes);
    return result;
}

bool canOpenForReading(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(fs::path(path), ec))
        return false;
    std::ifstream in(fs::path(path), std::ios::binary);
    return static_cast<bool>(in);
}

namespace {
fs::path temporaryPathBeside(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path temporary = target;
    temporary += ".tmp" + std::to_string(stamp) + "-" + std::to_string(counter++);
    return temporary;
}
} // namespace

FileWriteError writeFileAtomically(const std::string& path, std::string_view bytes) {
    const fs::path target(path);
    std::error_code ec;
    if (path.empty() || fs::is_directory(target, ec))
        return FileWriteError::CannotCreate;
    const fs::path temporary = temporaryPathBeside(target);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return FileWriteError::CannotCreate;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temporary, ec);
            return FileWriteError::WriteFailed;
        }
    }
    fs::rename(temporary, target, ec);
    if (ec) {
        fs::remove(temporary, ec);
        return FileWriteError::WriteFailed;
    }
    return FileWriteError::None;
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
