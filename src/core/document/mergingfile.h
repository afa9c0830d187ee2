// The merging file: the spot positions (and, with grey levels, intensities) of a pattern, for
// overlaying several patterns in one picture.
#pragma once

#include "core/computation/lauespot.h"
#include "core/platform/result.h"
#include "core/platform/userprompt.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace xtalsp {

inline constexpr std::string_view kMergingFileSignature = "Xtalspotter.MergingFile";

struct MergingSpot {
    double x = 0.0, y = 0.0; // film units from the film centre, y up
    double intensity = 0.0;  // only stored with grey levels

    bool operator==(const MergingSpot&) const = default;
};

struct MergingFile {
    double spotWidth = 0.0, spotHeight = 0.0; // film units
    bool grayscale = false; // stored as 0 (spots drawn dark) or another value (grey levels)
    double saturationIntensity = 0.0; // only stored with grey levels
    std::vector<MergingSpot> spots;   // in file order

    bool operator==(const MergingFile&) const = default;
};

// The file bytes for the spots of a pattern, written from the last spot to the first.
std::string encodeMergingFile(double spotWidth, double spotHeight, bool grayscale,
                              double saturationIntensity, std::span<const LaueSpot> spots);
// The refusal of data with a NaN or infinity, which the reader would reject: a file that cannot
// be read back is never written. Nothing when the data can be stored.
Status unstorableMergingData(double spotWidth, double spotHeight, bool grayscale,
                             double saturationIntensity, std::span<const LaueSpot> spots);
// Writes a merging file; on failure (unstorable data included) the message to show.
Status writeMergingFile(const std::string& path, double spotWidth, double spotHeight,
                        bool grayscale, double saturationIntensity,
                        std::span<const LaueSpot> spots);

enum class MergingReadStatus { Ok, CannotOpen, WrongSignature, ReadError };

// What could be read of a merging file. With ReadError the records read before the failure are
// kept, because a merged picture draws them before it reports the error.
struct MergingReadResult {
    MergingReadStatus status = MergingReadStatus::Ok;
    MergingFile file;
    Message failure; // the message for a status other than Ok

    bool ok() const { return status == MergingReadStatus::Ok; }
};

MergingReadResult decodeMergingFile(std::string_view bytes, const std::string& path);
MergingReadResult readMergingFile(const std::string& path);

} // namespace xtalsp
