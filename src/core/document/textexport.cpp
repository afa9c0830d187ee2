// Formatting of the pattern listing.
#include "core/document/textexport.h"

#include "core/computation/filmunits.h"
#include "core/io/filebytes.h"
#include "core/text/numbertext.h"

#include <cmath>
#include <span>

namespace xtalsp {

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr char kDegreeSign = '\xB0'; // Windows-1252

std::string indexTriple(long long h, long long k, long long l) {
    return formatInt(h) + " " + formatInt(k) + " " + formatInt(l);
}

// A plane index as entered: whole numbers as integers (so -0 prints as 0), others as %g like
// the side plane, since cutting 1.5 to 1 would name a different plane.
std::string planeIndex(double index) {
    return index == std::trunc(index) ? formatInt(truncateToInt(index)) : formatG(index);
}

void appendHeader(std::string& out, const PatternListingInput& input) {
    const DiffractionSettings& s = input.settings;
    out += input.crystalName + " (" + planeIndex(s.surfacePlane[0]) + " " +
           planeIndex(s.surfacePlane[1]) + " " + planeIndex(s.surfacePlane[2]) + ")" + kLineEnd;
    out += kLineEnd;
    out += s.geometry == DiffractionGeometry::Transmission
               ? "Diffraction geometry: Transmission"
               : "Diffraction geometry: Back reflection";
    out += kLineEnd;
    out += "Sample-film distance: D = " + formatG(cmFromFilmUnits(s.distance)) + " cm" + kLineEnd;
    out += "Vertical side plane: " + formatG(s.sidePlane[0]) + " " + formatG(s.sidePlane[1]) + " " +
           formatG(s.sidePlane[2]) + " (reciprocal horizontal direction)" + kLineEnd;
    out += "Rotation angles: X = " + formatG(s.rotationX) + kDegreeSign +
           ", Y = " + formatG(s.rotationY) + kDegreeSign + kLineEnd;
    out += kLineEnd;
    out += "Diffraction spots:";
    out += kLineEnd;
}

void appendSpot(std::string& out, const LaueSpot& spot,
                std::span<const HarmonicComponent> harmonics, double saturationIntensity) {
    const long long q = spot.labelOrder;
    out += "  " + indexTriple(q * spot.h, q * spot.k, q * spot.l) +
           ": x=" + formatG(mmFromFilmUnits(spot.x)) + ", y=" + formatG(mmFromFilmUnits(spot.y)) +
           "; I=" + formatG(spot.intensity) + ", " +
           formatG(spot.intensity / saturationIntensity * 100.0) + kLineEnd;
    for (const HarmonicComponent& harmonic : harmonics) {
        const long long n = harmonic.order;
        out += "      " + indexTriple(n * spot.h, n * spot.k, n * spot.l) + ": " +
               formatG(harmonic.intensity / spot.intensity * 100.0) +
               "%, WL=" + formatG(spot.wavelength / static_cast<double>(n)) +
               ", d=" + formatG(spot.dSpacing / static_cast<double>(n)) +
               ", |F|=" + formatG(std::sqrt(harmonic.structureFactorSquared)) + kLineEnd;
    }
}

} // namespace

std::string formatPatternListing(const PatternListingInput& input) {
    std::string out;
    appendHeader(out, input);
    if (input.spots == nullptr)
        return out;
    const SpotList& spots = *input.spots;
    for (std::size_t i = spots.size(); i-- > 0;)
        appendSpot(out, spots[i], spots.harmonicsOf(spots[i]), input.saturationIntensity);
    return out;
}

Status writePatternListing(const std::string& path, const PatternListingInput& input) {
    const FileWritten written = writeFileAtomically(path, formatPatternListing(input));
    if (written.ok())
        return Status::success();
    switch (written.failure()) {
    case FileWriteError::CannotCreate:
        return Message{"Cannot create the file " + path + "!", "", MessageIcon::Stop};
    case FileWriteError::WriteFailed:
        break;
    }
    return Message{"Error occurred in writing the file " + path + "!", "", MessageIcon::Stop};
}

} // namespace xtalsp
