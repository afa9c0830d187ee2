// Writing and reading of merging files.
#include "core/document/mergingfile.h"

#include "core/io/binaryarchive.h"
#include "core/io/filebytes.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <new>

namespace xtalsp {

std::string encodeMergingFile(double spotWidth, double spotHeight, bool grayscale,
                              double saturationIntensity, std::span<const LaueSpot> spots) {
    ArchiveWriter writer;
    writer.writeString(kMergingFileSignature);
    writer.writeDouble(spotWidth);
    writer.writeDouble(spotHeight);
    writer.writeInt32(grayscale ? 1 : 0);
    if (grayscale)
        writer.writeDouble(saturationIntensity);
    writer.writeInt32(static_cast<std::int32_t>(spots.size()));
    for (auto spot = spots.rbegin(); spot != spots.rend(); ++spot) {
        writer.writeDouble(spot->x);
        writer.writeDouble(spot->y);
        if (grayscale)
            writer.writeDouble(spot->intensity);
    }
    return writer.bytes();
}

Status unstorableMergingData(double spotWidth, double spotHeight, bool grayscale,
                             double saturationIntensity, std::span<const LaueSpot> spots) {
    bool finite = std::isfinite(spotWidth) && std::isfinite(spotHeight) &&
                  (!grayscale || std::isfinite(saturationIntensity));
    for (const LaueSpot& spot : spots)
        finite = finite && std::isfinite(spot.x) && std::isfinite(spot.y) &&
                 (!grayscale || std::isfinite(spot.intensity));
    if (finite)
        return Status::success();
    return Message{"The pattern holds a number that is not finite; the merging file was not "
                   "written.",
                   "", MessageIcon::Stop};
}

Status writeMergingFile(const std::string& path, double spotWidth, double spotHeight,
                        bool grayscale, double saturationIntensity,
                        std::span<const LaueSpot> spots) {
    if (Status refusal =
            unstorableMergingData(spotWidth, spotHeight, grayscale, saturationIntensity, spots);
        !refusal.ok())
        return refusal;
    const std::string bytes =
        encodeMergingFile(spotWidth, spotHeight, grayscale, saturationIntensity, spots);
    if (writeFileAtomically(path, bytes).ok())
        return Status::success();
    return Message{"Cannot open the file!", "", MessageIcon::Stop};
}

namespace {

MergingReadResult failed(MergingReadStatus status, std::string text, MergingFile partial = {}) {
    MergingReadResult result;
    result.status = status;
    result.file = std::move(partial);
    result.failure = Message{std::move(text), "", MessageIcon::Stop};
    return result;
}

bool allFinite(std::initializer_list<double> values) {
    for (const double v : values) {
        if (!std::isfinite(v))
            return false;
    }
    return true;
}

} // namespace

MergingReadResult decodeMergingFile(std::string_view bytes, const std::string& path) {
    const std::string readError = "Error occured in reading merging file " + path + "!";
    ArchiveReader reader(bytes);
    std::string signature;
    if (!reader.readString(signature))
        return failed(MergingReadStatus::ReadError, readError);
    if (signature != kMergingFileSignature)
        return failed(MergingReadStatus::WrongSignature,
                      "Cannot recognized the format of " + path + "!");
    MergingFile file;
    std::int32_t count = 0;
    reader.readDouble(file.spotWidth);
    reader.readDouble(file.spotHeight);
    std::int32_t grayscaleFlag = 0;
    reader.readInt32(grayscaleFlag);
    file.grayscale = grayscaleFlag != 0;
    if (file.grayscale)
        reader.readDouble(file.saturationIntensity);
    reader.readInt32(count);
    if (!reader.ok() || count < 0 ||
        !allFinite({file.spotWidth, file.spotHeight, file.saturationIntensity}))
        return failed(MergingReadStatus::ReadError, readError);
    // Reserve only what the remaining bytes can hold: the count is not trusted.
    const std::size_t recordSize = file.grayscale ? 24 : 16;
    file.spots.reserve(
        std::min<std::size_t>(static_cast<std::size_t>(count), reader.remaining() / recordSize));
    for (std::int32_t i = 0; i < count; ++i) {
        MergingSpot spot;
        reader.readDouble(spot.x);
        reader.readDouble(spot.y);
        if (file.grayscale)
            reader.readDouble(spot.intensity);
        if (!reader.ok() || !allFinite({spot.x, spot.y, spot.intensity}))
            return failed(MergingReadStatus::ReadError, readError, std::move(file));
        file.spots.push_back(spot);
    }
    MergingReadResult result;
    result.file = std::move(file);
    return result;
}

MergingReadResult readMergingFile(const std::string& path) {
    const FileBytes bytes = readFileBytes(path);
    if (bytes.failedWith(FileReadError::CannotOpen))
        return failed(MergingReadStatus::CannotOpen, "Unable to open merging file " + path + "!");
    if (!bytes.ok())
        return failed(MergingReadStatus::ReadError,
                      "Error occured in reading merging file " + path + "!");
    try {
        return decodeMergingFile(bytes.value(), path);
    } catch (const std::bad_alloc&) {
        return failed(MergingReadStatus::ReadError, "Cannot open merging file " + path + "!");
    }
}

} // namespace xtalsp
