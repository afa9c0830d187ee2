// The pattern file as the document opens and saves it: the codec's content to and from the
// document's fields.
#include "document/xtalspdoc.h"

#include "document/patterncodec.h"

namespace xtalsp {

std::string CXtalspDoc::serialize() const {
    PatternContent c;
    c.spectrum = spectrum;
    c.structure = structure;
    c.settings = settings;
    c.filmWidth = filmWidth;
    c.filmHeight = filmHeight;
    c.spotWidth = spotWidth;
    c.spotHeight = spotHeight;
    c.saturationIntensity = intensityScale.saturationIntensity;
    c.strongestIntensity = intensityScale.strongestIntensity;
    c.saturationFraction = intensityScale.saturationFraction;
    c.minimumIntensity = intensityScale.minimumIntensity;
    c.showCrossline = showCrossline;
    c.showIndex = showIndex;
    c.grayscaleSpots = grayscaleSpots;
    c.zoom = zoom;
    return encodePattern(c);
}

void CXtalspDoc::takePatternContent(PatternContent content) {
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
    // A computation that fails keeps what the file holds, without spots.
    m_spots.clear();
    m_computedInputs = currentInputs();
}

bool CXtalspDoc::deserialize(std::string_view bytes) {
    // An empty file opens as a new pattern without a word.
    if (bytes.empty()) {
        m_modified = false;
        return true;
    }
    Result<PatternContent> read = decodePattern(bytes);
    if (!read.ok()) {
        // The wrong-signature message tells what is about to happen, the other what happened.
        const bool wrongSignature = read.failure() == patternSignatureMessage();
        if (wrongSignature)
            prompt().show(read.failure());
        ResetToNewDocument();
        m_modified = false;
        if (!wrongSignature)
            prompt().show(read.failure());
        return false;
    }
    takePatternContent(std::move(read.value()));
    if (hasEstablishedSettings())
        computeSpots();
    m_modified = false;
    return true;
}

} // namespace xtalsp
