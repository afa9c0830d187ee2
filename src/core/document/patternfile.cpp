// The pattern file as the document opens and saves it: the codec's content to and from the
// document's inputs.
#include "core/document/xtalspdoc.h"

#include "core/document/patterncodec.h"

namespace xtalsp {

namespace {

PatternContent contentOf(const PatternInputs& in) {
    PatternContent c;
    c.spectrum = in.spectrum;
    c.structure = in.structure;
    c.settings = in.settings;
    c.filmWidth = in.filmWidth;
    c.filmHeight = in.filmHeight;
    c.spotWidth = in.spotWidth;
    c.spotHeight = in.spotHeight;
    c.saturationIntensity = in.intensityScale.saturationIntensity;
    c.strongestIntensity = in.intensityScale.strongestIntensity;
    c.saturationFraction = in.intensityScale.saturationFraction;
    c.minimumIntensity = in.intensityScale.minimumIntensity;
    c.showCrossline = in.showCrossline;
    c.showIndex = in.showIndex;
    c.grayscaleSpots = in.grayscaleSpots;
    c.zoom = in.zoom;
    return c;
}

// The file does not store whether the next computation resets the saturation: that stays as
// the document had it, unless the file holds a saturation of its own to keep.
PatternInputs inputsFrom(PatternContent c, bool resetSaturation) {
    PatternInputs in;
    in.spectrum = c.spectrum;
    in.structure = std::move(c.structure);
    in.settings = c.settings;
    in.filmWidth = c.filmWidth;
    in.filmHeight = c.filmHeight;
    in.spotWidth = c.spotWidth;
    in.spotHeight = c.spotHeight;
    in.intensityScale.saturationIntensity = c.saturationIntensity;
    in.intensityScale.strongestIntensity = c.strongestIntensity;
    in.intensityScale.saturationFraction = c.saturationFraction;
    in.intensityScale.minimumIntensity = c.minimumIntensity;
    in.intensityScale.resetSaturation = resetSaturation && !(c.saturationIntensity > 1e-8);
    in.showCrossline = c.showCrossline;
    in.showIndex = c.showIndex;
    in.grayscaleSpots = c.grayscaleSpots;
    in.zoom = c.zoom;
    return in;
}

} // namespace

std::string CXtalspDoc::serialize() const {
    return encodePattern(contentOf(completedInputs()));
}

Status CXtalspDoc::deserialize(std::string_view bytes) {
    // An empty file opens as a new pattern without a word.
    if (bytes.empty()) {
        setModified(false);
        return Status::success();
    }
    Result<PatternContent> read = decodePattern(bytes);
    if (!read.ok())
        return read.failure();
    // A computation that fails keeps what the file holds, without spots.
    restoreInputs(inputsFrom(std::move(read.value()), m_inputs.intensityScale.resetSaturation));
    if (hasEstablishedSettings())
        computeSpots();
    setModified(false);
    return Status::success();
}

} // namespace xtalsp
