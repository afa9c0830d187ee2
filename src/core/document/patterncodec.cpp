// Writing and reading of pattern files, and the ranges a read file is brought into.
#include "core/document/patterncodec.h"

#include "core/computation/diffractiondialogrules.h"
#include "core/computation/geometry.h"
#include "core/computation/spotcomputation.h"
#include "core/document/fieldranges.h"
#include "core/io/binaryarchive.h"
#include "core/structure/elements.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <new>

namespace xtalsp {

namespace {

constexpr std::string_view kPatternSignature = "Xtalspotter.File";
constexpr std::size_t kGroupHeaderBytes = 8; // element number and site count
constexpr std::size_t kSiteBytes = 32;       // x, y, z, occupancy

void writeVector(ArchiveWriter& writer, const std::array<double, 3>& v) {
    for (const double component : v)
        writer.writeDouble(component);
}

bool readReals(ArchiveReader& reader, std::initializer_list<double*> targets) {
    for (double* target : targets) {
        if (!reader.readDouble(*target) || !std::isfinite(*target))
            return false;
    }
    return true;
}

bool within(double value, double lowest, double highest) {
    return value >= lowest && value <= highest;
}

// The structure editor's ranges: a site it would refuse cannot be part of a pattern.
bool isEditableSite(const SitePosition& site) {
    return within(site.x, kMinCoordinate, kMaxCoordinate) &&
           within(site.y, kMinCoordinate, kMaxCoordinate) &&
           within(site.z, kMinCoordinate, kMaxCoordinate) &&
           within(site.occupancy, kMinOccupancy, kMaxOccupancy);
}

bool readGroups(ArchiveReader& reader, std::vector<ElementGroup>& groups) {
    std::int32_t count = 0;
    if (!reader.readInt32(count) || count < 0 ||
        static_cast<std::size_t>(count) > reader.remaining() / kGroupHeaderBytes)
        return false;
    groups.resize(static_cast<std::size_t>(count));
    for (ElementGroup& group : groups) {
        std::int32_t sites = 0;
        // The element indexes the scattering table: anything outside 1 to 92 is a damaged file.
        if (!reader.readInt32(group.element) || !isValidAtomicNumber(group.element) ||
            !reader.readInt32(sites) || sites < 0 ||
            static_cast<std::size_t>(sites) > reader.remaining() / kSiteBytes)
            return false;
        group.sites.resize(static_cast<std::size_t>(sites));
        for (SitePosition& site : group.sites) {
            if (!readReals(reader, {&site.x, &site.y, &site.z, &site.occupancy}) ||
                !isEditableSite(site))
                return false;
        }
    }
    return true;
}

// A document without a structure holds a = 0 and nothing else of meaning; a defined cell must
// be one the structure editor accepts, or every reciprocal vector would be NaN.
bool isPossibleCell(const CrystalStructure& s) {
    if (!isStructureDefined(s))
        return true;
    for (const double edge : {s.a, s.b, s.c}) {
        if (!within(edge, kMinLatticeConstant, kMaxLatticeConstant))
            return false;
    }
    for (const double angle : {s.alpha, s.beta, s.gamma}) {
        if (!within(angle, kMinLatticeAngle, kMaxLatticeAngle))
            return false;
    }
    return formsUnitCell(s.alpha, s.beta, s.gamma);
}

bool readStructure(ArchiveReader& reader, CrystalStructure& s) {
    if (!reader.readString(s.name) ||
        !readReals(reader, {&s.a, &s.b, &s.c, &s.alpha, &s.beta, &s.gamma}) || !isPossibleCell(s) ||
        !readGroups(reader, s.groups))
        return false;
    if (s.groups.empty())
        return true;
    return readReals(reader, {&s.debyeTemperature, &s.thermalExpansion});
}

// The file keeps the geometry as an integer; the computation treats every value but
// transmission as back reflection, and so does the reader.
bool readGeometry(ArchiveReader& reader, DiffractionGeometry& geometry) {
    std::int32_t stored = 0;
    if (!reader.readInt32(stored))
        return false;
    geometry = stored == static_cast<std::int32_t>(DiffractionGeometry::Transmission)
                   ? DiffractionGeometry::Transmission
                   : DiffractionGeometry::BackReflection;
    return true;
}

// A flag is stored as an integer; any value but 0 sets it.
bool readFlag(ArchiveReader& reader, bool& flag) {
    std::int32_t stored = 0;
    if (!reader.readInt32(stored))
        return false;
    flag = stored != 0;
    return true;
}

bool readSettings(ArchiveReader& reader, DiffractionSettings& s) {
    return readGeometry(reader, s.geometry) &&
           readReals(reader, {&s.surfacePlane[0], &s.surfacePlane[1], &s.surfacePlane[2],
                              &s.sidePlane[0], &s.sidePlane[1], &s.sidePlane[2], &s.distance}) &&
           reader.readInt32(s.Hmax) && reader.readInt32(s.Kmax) && reader.readInt32(s.Lmax) &&
           readReals(reader, {&s.rotationX, &s.rotationY});
}

bool readSpectrum(ArchiveReader& reader, Spectrum& spectrum) {
    for (double& sample : spectrum.intensity) {
        if (!reader.readDouble(sample) || !std::isfinite(sample) || sample < 0.0)
            return false;
    }
    return true;
}

bool readContent(ArchiveReader& reader, PatternContent& c) {
    return readSpectrum(reader, c.spectrum) && readStructure(reader, c.structure) &&
           readSettings(reader, c.settings) &&
           readReals(reader, {&c.filmWidth, &c.filmHeight, &c.spotWidth, &c.spotHeight,
                              &c.saturationIntensity, &c.strongestIntensity, &c.saturationFraction,
                              &c.minimumIntensity}) &&
           readFlag(reader, c.showCrossline) && readFlag(reader, c.showIndex) &&
           readFlag(reader, c.grayscaleSpots) && readReals(reader, {&c.zoom});
}

std::int32_t clampedIndexLimit(std::int32_t limit, bool established) {
    // Unestablished settings keep 0, which lets the settings dialog propose limits.
    const double lowest = established ? kIndexLimitField.min : 0.0;
    return static_cast<std::int32_t>(
        std::clamp(static_cast<double>(limit), lowest, kIndexLimitField.max));
}

bool isZeroPlane(const std::array<double, 3>& plane) {
    return plane[0] == 0.0 && plane[1] == 0.0 && plane[2] == 0.0;
}

void normalizeSettings(DiffractionSettings& s, const CrystalStructure& structure) {
    for (double& index : s.surfacePlane)
        index = clampToField(index, kSurfaceIndexField);
    s.distance = std::min(s.distance, kMaxDistance);
    const bool established = areSettingsEstablished(s);
    s.Hmax = clampedIndexLimit(s.Hmax, established);
    s.Kmax = clampedIndexLimit(s.Kmax, established);
    s.Lmax = clampedIndexLimit(s.Lmax, established);
    s.rotationX = std::clamp(s.rotationX, -kMaxRotation, kMaxRotation);
    s.rotationY = std::clamp(s.rotationY, -kMaxRotation, kMaxRotation);
    if (!isStructureDefined(structure) || isZeroPlane(s.surfacePlane) || isZeroPlane(s.sidePlane))
        return;
    // The side plane the settings dialog would propose, taken as if the user said Yes.
    const ReciprocalBasis basis = computeReciprocalBasis(
        structure.a, structure.b, structure.c, structure.alpha, structure.beta, structure.gamma);
    const SidePlaneCheck check = checkSidePlane(s.surfacePlane, s.sidePlane, basis);
    if (!check.perpendicular)
        s.sidePlane = check.sidePlane;
}

void normalizeContent(PatternContent& c) {
    normalizeSettings(c.settings, c.structure);
    c.filmWidth = std::clamp(c.filmWidth, kMinFilmSize, kMaxFilmSize);
    c.filmHeight = std::clamp(c.filmHeight, kMinFilmSize, kMaxFilmSize);
    c.spotWidth = std::clamp(c.spotWidth, kMinSpotSize, kMaxSpotSize);
    c.spotHeight = std::clamp(c.spotHeight, kMinSpotSize, kMaxSpotSize);
    c.minimumIntensity = std::max(c.minimumIntensity, kMinMinimumIntensity);
    c.zoom = std::clamp(c.zoom, kMinZoom, kMaxZoom);
}

} // namespace

Message patternSignatureMessage() {
    return {"Cannot recognize the file format!\nAn empty pattern file is to be created.", "",
            MessageIcon::Stop};
}

Message damagedPatternMessage() {
    return {"Cannot recognize the file format!\nAn empty pattern file was created.", "",
            MessageIcon::Stop};
}

std::string encodePattern(const PatternContent& c) {
    ArchiveWriter writer;
    writer.writeString(kPatternSignature);
    for (const double sample : c.spectrum.intensity)
        writer.writeDouble(sample);
    const CrystalStructure& structure = c.structure;
    writer.writeString(structure.name);
    for (const double v :
         {structure.a, structure.b, structure.c, structure.alpha, structure.beta, structure.gamma})
        writer.writeDouble(v);
    writer.writeInt32(static_cast<std::int32_t>(structure.groups.size()));
    for (const ElementGroup& group : structure.groups) {
        writer.writeInt32(group.element);
        writer.writeInt32(static_cast<std::int32_t>(group.sites.size()));
        for (const SitePosition& site : group.sites) {
            for (const double v : {site.x, site.y, site.z, site.occupancy})
                writer.writeDouble(v);
        }
    }
    if (!structure.groups.empty()) {
        writer.writeDouble(structure.debyeTemperature);
        writer.writeDouble(structure.thermalExpansion);
    }
    const DiffractionSettings& settings = c.settings;
    writer.writeInt32(static_cast<std::int32_t>(settings.geometry));
    writeVector(writer, settings.surfacePlane);
    writeVector(writer, settings.sidePlane);
    writer.writeDouble(settings.distance);
    writer.writeInt32(settings.Hmax);
    writer.writeInt32(settings.Kmax);
    writer.writeInt32(settings.Lmax);
    for (const double v : {settings.rotationX, settings.rotationY, c.filmWidth, c.filmHeight,
                           c.spotWidth, c.spotHeight, c.saturationIntensity, c.strongestIntensity,
                           c.saturationFraction, c.minimumIntensity})
        writer.writeDouble(v);
    for (const bool flag : {c.showCrossline, c.showIndex, c.grayscaleSpots})
        writer.writeInt32(flag ? 1 : 0);
    writer.writeDouble(c.zoom);
    return writer.bytes();
}

Result<PatternContent> decodePattern(std::string_view bytes) {
    try {
        ArchiveReader reader(bytes);
        std::string signature;
        const bool signatureRead = reader.readString(signature);
        if (signatureRead && signature != kPatternSignature)
            return patternSignatureMessage();
        PatternContent content;
        if (!signatureRead || !readContent(reader, content))
            return damagedPatternMessage();
        normalizeContent(content);
        return content;
    } catch (const std::bad_alloc&) {
        return damagedPatternMessage();
    }
}

} // namespace xtalsp
