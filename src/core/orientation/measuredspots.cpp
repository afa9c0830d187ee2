// The measured-spot CSV reader.
#include "core/orientation/measuredspots.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>

namespace xtalsp {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

Message failure(const std::string& text) {
    return Message{
        text, "", MessageIcon::Stop, MessageButtons::Ok, MessageAnswer::Ok, TextEncoding::Utf8};
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(trimmed(line.substr(start, comma - start)));
        if (comma == std::string_view::npos)
            return fields;
        start = comma + 1;
    }
}

// The whole field must be one finite number: "1.5x", "inf" and "nan" are refused.
std::optional<double> finiteNumber(std::string_view field) {
    if (!field.empty() && field.front() == '+')
        field.remove_prefix(1);
    double value = 0.0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || error != std::errc{} || end != field.data() + field.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Column positions of x_mm, y_mm and intensity (-1 when absent).
struct Columns {
    std::array<int, 3> index{-1, -1, -1};
    std::size_t count = 0;
};

std::optional<Columns> readHeader(std::string_view line) {
    constexpr std::array<std::string_view, 3> kNames{"x_mm", "y_mm", "intensity"};
    const auto fields = splitFields(line);
    Columns columns;
    columns.count = fields.size();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto known = std::find(kNames.begin(), kNames.end(), fields[i]);
        if (known == kNames.end())
            return std::nullopt;
        int& slot = columns.index[static_cast<std::size_t>(known - kNames.begin())];
        if (slot >= 0)
            return std::nullopt;
        slot = static_cast<int>(i);
    }
    if (columns.index[0] < 0 || columns.index[1] < 0)
        return std::nullopt;
    return columns;
}

std::optional<FilmPeak> readRow(std::string_view line, const Columns& columns) {
    const auto fields = splitFields(line);
    if (fields.size() != columns.count)
        return std::nullopt;
    std::array<double, 3> values{0.0, 0.0, 0.0};
    for (std::size_t column = 0; column < 3; ++column) {
        if (columns.index[column] < 0)
            continue;
        const auto value = finiteNumber(fields[static_cast<std::size_t>(columns.index[column])]);
        if (!value)
            return std::nullopt;
        values[column] = *value;
    }
    return FilmPeak{values[0], values[1], values[2]};
}

} // namespace

Result<std::vector<FilmPeak>> readMeasuredSpotsCsv(std::string_view text) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    // Count the lines before reserving anything.
    const auto lineCount = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    if (lineCount > kMaxMeasuredSpots + 1)
        return failure("The spot file holds more than " + std::to_string(kMaxMeasuredSpots) +
                       " spots.");

    std::optional<Columns> columns;
    std::vector<FilmPeak> spots;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (line.empty())
            continue;
        if (!columns) {
            columns = readHeader(line);
            if (!columns)
                return failure("The spot file must start with the header x_mm,y_mm or "
                               "x_mm,y_mm,intensity.");
            continue;
        }
        const auto spot = readRow(line, *columns);
        if (!spot)
            return failure("Line " + std::to_string(lineNumber) +
                           " of the spot file is not a row of finite numbers matching the "
                           "header.");
        spots.push_back(*spot);
    }
    if (!columns)
        return failure("The spot file is empty.");
    return spots;
}

} // namespace xtalsp
