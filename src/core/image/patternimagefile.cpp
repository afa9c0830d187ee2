// Reading and writing NAME.ptn.image.
#include "core/image/patternimagefile.h"

#include "core/io/filebytes.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <filesystem>

namespace xtalsp {

namespace {

using nlohmann::json;
// Written in the order a person reads the file; read by name in any order.
using nlohmann::ordered_json;
namespace fs = std::filesystem;

constexpr std::size_t kMaxListedPoints = 1'000'000;
constexpr double kMaxPitchMm = 1000.0;
constexpr double kMaxCoordinate = 1e9;

fs::path patternFolder(const std::string& patternPath) {
    return fs::absolute(fs::path(patternPath)).parent_path();
}

std::string storedImagePath(const std::string& imagePath, const std::string& patternPath) {
    if (imagePath.empty())
        return {};
    std::error_code error;
    const fs::path image = fs::absolute(fs::path(imagePath), error).lexically_normal();
    if (error)
        return fs::path(imagePath).generic_string();
    const fs::path relative = image.lexically_relative(patternFolder(patternPath));
    return relative.empty() ? image.generic_string() : relative.generic_string();
}

std::string openableImagePath(const std::string& stored, const std::string& patternPath) {
    const fs::path path(stored);
    if (stored.empty() || path.is_absolute())
        return stored;
    return (patternFolder(patternPath) / path).lexically_normal().string();
}

ordered_json pointsJson(const std::vector<FilmPeak>& peaks) {
    ordered_json list = ordered_json::array();
    for (const FilmPeak& p : peaks)
        list.push_back({{"x_mm", p.xMm}, {"y_mm", p.yMm}, {"intensity", p.intensity}});
    return list;
}

ordered_json pointsJson(const std::vector<FilmPoint>& points) {
    ordered_json list = ordered_json::array();
    for (const FilmPoint& p : points)
        list.push_back({{"x_mm", p.xMm}, {"y_mm", p.yMm}});
    return list;
}

// A field that is missing or wrong: the reader stops with its name.
struct FieldError {
    std::string field;
};

const json& member(const json& object, const char* name) {
    if (!object.is_object() || !object.contains(name))
        throw FieldError{name};
    return object.at(name);
}

double finiteNumber(const json& value, const std::string& field, double min, double max) {
    if (!value.is_number())
        throw FieldError{field};
    const double number = value.get<double>();
    if (!std::isfinite(number) || number < min || number > max)
        throw FieldError{field};
    return number;
}

double numberField(const json& object, const char* name, double min, double max) {
    return finiteNumber(member(object, name), name, min, max);
}

std::pair<double, double> pairField(const json& object, const char* name, double min, double max) {
    const json& value = member(object, name);
    if (!value.is_array() || value.size() != 2)
        throw FieldError{name};
    return {finiteNumber(value[0], name, min, max), finiteNumber(value[1], name, min, max)};
}

const json& listField(const json& object, const char* name) {
    const json& list = member(object, name);
    if (!list.is_array() || list.size() > kMaxListedPoints)
        throw FieldError{name};
    return list;
}

ImageCalibration calibrationFrom(const json& root) {
    ImageCalibration c;
    std::tie(c.columnPitchMm, c.rowPitchMm) = pairField(root, "pixel_mm", 0.0, kMaxPitchMm);
    if (!(c.columnPitchMm > 0.0 && c.rowPitchMm > 0.0))
        throw FieldError{"pixel_mm"};
    std::tie(c.centreColumn, c.centreRow) =
        pairField(root, "centre_px", -kMaxCoordinate, kMaxCoordinate);
    const json& flip = member(root, "flip");
    if (!flip.is_string() || !flipFromName(flip.get<std::string>()))
        throw FieldError{"flip"};
    c.flip = *flipFromName(flip.get<std::string>());
    const json& rotation = member(root, "rotation");
    if (!rotation.is_number_integer() || !isQuarterTurn(rotation.get<int>()))
        throw FieldError{"rotation"};
    c.rotationDegrees = rotation.get<int>();
    return c;
}

ContrastSettings contrastFrom(const json& root) {
    const json& object = member(root, "contrast");
    ContrastSettings contrast;
    const json& scale = member(object, "scale");
    if (!scale.is_string() || !contrastScaleFromName(scale.get<std::string>()))
        throw FieldError{"scale"};
    contrast.scale = *contrastScaleFromName(scale.get<std::string>());
    contrast.blackLevel = numberField(object, "black", -1e300, 1e300);
    contrast.whiteLevel = numberField(object, "white", -1e300, 1e300);
    const json& invert = member(object, "invert");
    if (!invert.is_boolean())
        throw FieldError{"invert"};
    contrast.invert = invert.get<bool>();
    return contrast;
}

PatternImageSettings settingsFrom(const json& root, const std::string& patternPath) {
    const json& version = member(root, "version");
    if (!version.is_number_integer() || version.get<long long>() < 1)
        throw FieldError{"version"};
    if (version.get<long long>() > kPatternImageFormatVersion)
        throw FieldError{"version (written by a newer program)"};
    PatternImageSettings settings;
    const json& image = member(root, "image");
    if (!image.is_string())
        throw FieldError{"image"};
    settings.imagePath = openableImagePath(image.get<std::string>(), patternPath);
    settings.calibration = calibrationFrom(root);
    settings.contrast = contrastFrom(root);
    settings.spotOpacity = numberField(root, "spot_opacity", 0.0, 1.0);
    for (const json& peak : listField(root, "peaks"))
        settings.peaks.push_back({numberField(peak, "x_mm", -kMaxCoordinate, kMaxCoordinate),
                                  numberField(peak, "y_mm", -kMaxCoordinate, kMaxCoordinate),
                                  numberField(peak, "intensity", -1e300, 1e300)});
    for (const json& mark : listField(root, "marked_spots"))
        settings.markedSpots.push_back(
            {numberField(mark, "x_mm", -kMaxCoordinate, kMaxCoordinate),
             numberField(mark, "y_mm", -kMaxCoordinate, kMaxCoordinate)});
    return settings;
}

Message settingsFailure(const std::string& path, const std::string& what) {
    return Message{"Cannot read the image settings " + path + ": " + what + ".", "",
                   MessageIcon::Stop};
}

} // namespace

bool PatternImageSettings::operator==(const PatternImageSettings& other) const {
    const auto samePoints = [](const std::vector<FilmPoint>& a, const std::vector<FilmPoint>& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                          [](const FilmPoint& p, const FilmPoint& q) {
                              return p.xMm == q.xMm && p.yMm == q.yMm;
                          });
    };
    return imagePath == other.imagePath && calibration == other.calibration &&
           contrast == other.contrast && spotOpacity == other.spotOpacity && peaks == other.peaks &&
           samePoints(markedSpots, other.markedSpots);
}

std::string patternImageSettingsPath(const std::string& patternPath) {
    return patternPath + ".image";
}

Result<std::string> formatPatternImageSettings(const PatternImageSettings& settings,
                                               const std::string& patternPath) {
    const ImageCalibration& c = settings.calibration;
    const ordered_json root = {
        {"format", "Xtalspotter pattern image"},
        {"version", kPatternImageFormatVersion},
        {"image", storedImagePath(settings.imagePath, patternPath)},
        {"pixel_mm", {c.columnPitchMm, c.rowPitchMm}},
        {"centre_px", {c.centreColumn, c.centreRow}},
        {"flip", flipName(c.flip)},
        {"rotation", c.rotationDegrees},
        {"contrast",
         {{"scale", contrastScaleName(settings.contrast.scale)},
          {"black", settings.contrast.blackLevel},
          {"white", settings.contrast.whiteLevel},
          {"invert", settings.contrast.invert}}},
        {"spot_opacity", settings.spotOpacity},
        {"peaks", pointsJson(settings.peaks)},
        {"marked_spots", pointsJson(settings.markedSpots)},
    };
    try {
        return root.dump(2) + "\n";
    } catch (const ordered_json::exception&) {
        return Message{"The image path " + settings.imagePath +
                           " cannot be stored: it is not UTF-8 text.",
                       "", MessageIcon::Stop};
    }
}

Result<PatternImageSettings> parsePatternImageSettings(const std::string& text,
                                                       const std::string& settingsPath,
                                                       const std::string& patternPath) {
    const json root = json::parse(text, nullptr, false);
    if (root.is_discarded() || !root.is_object())
        return settingsFailure(settingsPath, "it is not JSON text of an object");
    try {
        return settingsFrom(root, patternPath);
    } catch (const FieldError& error) {
        return settingsFailure(settingsPath,
                               "the field \"" + error.field + "\" is missing or out of range");
    } catch (const std::exception&) {
        return settingsFailure(settingsPath, "a field has the wrong type");
    }
}

Status writePatternImageSettings(const PatternImageSettings& settings,
                                 const std::string& patternPath) {
    const Result<std::string> text = formatPatternImageSettings(settings, patternPath);
    if (!text.ok())
        return text.failure();
    const std::string path = patternImageSettingsPath(patternPath);
    if (!writeFileAtomically(path, text.value()).ok())
        return Message{"Cannot write the image settings " + path + ".", "", MessageIcon::Stop};
    return Status::success();
}

std::optional<Result<OpenedPatternImage>> openPatternImage(const std::string& patternPath,
                                                           const ImageReader& readImage) {
    const std::string path = patternImageSettingsPath(patternPath);
    std::error_code error;
    if (!fs::exists(fs::path(path), error))
        return std::nullopt;
    const FileBytes file = readFileBytes(path, std::size_t{256} << 20);
    if (!file.ok())
        return Result<OpenedPatternImage>(settingsFailure(path, "the file cannot be read"));
    Result<PatternImageSettings> settings =
        parsePatternImageSettings(file.value(), path, patternPath);
    if (!settings.ok())
        return Result<OpenedPatternImage>(settings.failure());
    OpenedPatternImage opened{std::move(settings.value()), std::nullopt, std::nullopt};
    if (opened.settings.imagePath.empty())
        return Result<OpenedPatternImage>(std::move(opened));
    Result<DetectorImage> image = readImage(opened.settings.imagePath);
    if (image.ok())
        opened.image = std::move(image.value());
    else
        opened.imageProblem = image.failure();
    return Result<OpenedPatternImage>(std::move(opened));
}

} // namespace xtalsp
