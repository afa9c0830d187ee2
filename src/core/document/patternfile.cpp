// The pattern file (.ptn): writing and reading a document's inputs, intensity scale and view
// options. The spots are not stored; they are computed again after reading.
#include "document/xtalspdoc.h"

#include "computation/spotcomputation.h"
#include "io/binaryarchive.h"
#include "structure/elements.h"

#include <cmath>
#include <initializer_list>

namespace xtalsp {

namespace {

constexpr std::string_view kPatternSignature = "Xtalspotter.File";
constexpr std::size_t kGroupHeaderBytes = 8; // element number and site count
constexpr std::size_t kSiteBytes = 32;       // x, y, z, occupancy

// Everything the file holds, read in full before any of it reaches the document.
struct PatternContent {
    Spectrum spectrum;
    CrystalStructure structure;
    DiffractionSettings settings;
    double filmWidth = 0, filmHeight = 0, spotWidth = 0, spotHeight = 0;
    double saturationIntensity = 0, strongestIntensity = 0, saturationFraction = 0;
    double minimumIntensity = 0;
    std::int32_t showCrossline = 0, showIndex = 0, grayscaleSpots = 0;
    double zoom = 0;
};

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
            if (!readReals(reader, {&site.x, &site.y, &site.z, &site.occupancy}))
                return false;
        }
    }
    return true;
}

bool readStructure(ArchiveReader& reader, CrystalStructure& s) {
    if (!reader.readString(s.name) ||
        !readReals(reader, {&s.a, &s.b, &s.c, &s.alpha, &s.beta, &s.gamma}) ||
        !readGroups(reader, s.groups))
        return false;
    if (s.groups.empty())
        return true;
    return readReals(reader, {&s.debyeTemperature, &s.thermalExpansion});
}

bool isIndexLimit(std::int32_t limit) {
    return limit >= 0 && limit <= kMaxIndexLimit;
}

bool readSettings(ArchiveReader& reader, DiffractionSettings& s) {
    return reader.readInt32(s.geometry) &&
           readReals(reader, {&s.surfacePlane[0], &s.surfacePlane[1], &s.surfacePlane[2],
                              &s.sidePlane[0], &s.sidePlane[1], &s.sidePlane[2], &s.distance}) &&
           reader.readInt32(s.Hmax) && reader.readInt32(s.Kmax) && reader.readInt32(s.Lmax) &&
           isIndexLimit(s.Hmax) && isIndexLimit(s.Kmax) && isIndexLimit(s.Lmax) &&
           readReals(reader, {&s.rotationX, &s.rotationY});
}

bool readContent(ArchiveReader& reader, PatternContent& c) {
    for (double& sample : c.spectrum.intensity) {
        if (!reader.readDouble(sample) || !std::isfinite(sample))
            return false;
    }
    return readStructure(reader, c.structure) && readSettings(reader, c.settings) &&
           readReals(reader, {&c.filmWidth, &c.filmHeight, &c.spotWidth, &c.spotHeight,
                              &c.saturationIntensity, &c.strongestIntensity, &c.saturationFraction,
                              &c.minimumIntensity}) &&
           reader.readInt32(c.showCrossline) && reader.readInt32(c.showIndex) &&
           reader.readInt32(c.grayscaleSpots) && readReals(reader, {&c.zoom});
}

} // namespace

std::string CXtalspDoc::serialize() const {
    ArchiveWriter writer;
    writer.writeString(kPatternSignature);
    for (const double sample : spectrum.intensity)
        writer.writeDouble(sample);
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
    writer.writeInt32(settings.geometry);
    writeVector(writer, settings.surfacePlane);
    writeVector(writer, settings.sidePlane);
    writer.writeDouble(settings.distance);
    writer.writeInt32(settings.Hmax);
    writer.writeInt32(settings.Kmax);
    writer.writeInt32(settings.Lmax);
    for (const double v :
         {settings.rotationX, settings.rotationY, filmWidth, filmHeight, spotWidth, spotHeight,
          intensityScale.saturationIntensity, intensityScale.strongestIntensity,
          intensityScale.saturationFraction, intensityScale.minimumIntensity})
        writer.writeDouble(v);
    writer.writeInt32(showCrossline);
    writer.writeInt32(showIndex);
    writer.writeInt32(grayscaleSpots);
    writer.writeDouble(zoom);
    return writer.bytes();
}

bool CXtalspDoc::deserialize(std::string_view bytes) {
    // An empty file opens as a new pattern without a word.
    if (bytes.empty()) {
        m_modified = false;
        return true;
    }
    ArchiveReader reader(bytes);
    std::string signature;
    const bool signatureRead = reader.readString(signature);
    if (signatureRead && signature != kPatternSignature) {
        prompt().show({"Cannot recognize the file format!\nAn empty pattern file is to be created.",
                       "", MessageIcon::Stop});
        ResetToNewDocument();
        m_modified = false;
        return false;
    }
    PatternContent content;
    if (!signatureRead || !readContent(reader, content)) {
        ResetToNewDocument();
        m_modified = false;
        prompt().show({"Cannot recognize the file format!\nAn empty pattern file was created.", "",
                       MessageIcon::Stop});
        return false;
    }
    spectrum = content.spectrum;
    structure = std::move(content.structure);
    settings = content.settings;
    filmWidth = content.filmWidth;
    filmHeight = content.filmHeight;
    spotWidth = content.spotWidth;
    spotHeight = content.spotHeight;
    intensityScale.saturationIntensity = content.saturationIntensity;
    intensityScale.strongestIntensity = content.strongestIntensity;
    intensityScale.saturationFraction = content.saturationFraction;
    intensityScale.minimumIntensity = content.minimumIntensity;
    showCrossline = content.showCrossline;
    showIndex = content.showIndex;
    grayscaleSpots = content.grayscaleSpots;
    zoom = content.zoom;
    // A stored saturation is kept by the next computation; without one it takes the strongest.
    if (intensityScale.saturationIntensity > 1e-8)
        intensityScale.resetSaturation = 0;
    if (settings.distance > 1.0)
        computeSpots();
    m_modified = false;
    return true;
}

} // namespace xtalsp
