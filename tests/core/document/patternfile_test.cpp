#include "core/document/xtalspdoc.h"

#include "core/document/patterncodec.h"
#include "core/io/binaryarchive.h"
#include "core/spectrum/builtinspectrum.h"
#include "core/spectrum/spectrumfile.h"
#include "support/editinputs.h"
#include "support/localetest.h"
#include "support/recordingprompt.h"
#include "support/silicon.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace xtalsp {
namespace {

const char* const kWrongSignature =
    "Cannot recognize the file format!\nAn empty pattern file is to be created.";
const char* const kUnreadable =
    "Cannot recognize the file format!\nAn empty pattern file was created.";

class PatternFile : public ::testing::Test {
protected:
    DocumentServices services() { return DocumentServices{&prompt, nullptr, std::nullopt}; }

    // Silicon in transmission along [001], as the settings dialog would leave it.
    void makeSiliconPattern(CXtalspDoc& doc) {
        test::editInputs(doc, [&](PatternInputs& in) {
            in.structure = test::silicon();
            in.settings.surfacePlane = {0, 0, 1};
            in.settings.sidePlane = {1, 0, 0};
            in.settings.distance = 300;
            in.settings.Hmax = in.settings.Kmax = in.settings.Lmax = 16;
            in.settings.rotationX = 1.5;
        });
        doc.computeSpots();
    }

    test::RecordingPrompt prompt;
};

TEST_F(PatternFile, SizesFollowTheLayout) {
    CXtalspDoc empty(services());
    EXPECT_EQ(empty.serialize().size(), 2650u);
    EXPECT_EQ(empty.serialize().substr(0, 17), std::string("\x10Xtalspotter.File"));

    CXtalspDoc silicon(services());
    test::editInputs(silicon, [&](PatternInputs& in) { in.structure = test::silicon(); });
    EXPECT_EQ(silicon.serialize().size(), 2937u);
}

TEST_F(PatternFile, RoundTripRecomputesTheSameSpots) {
    CXtalspDoc original(services());
    makeSiliconPattern(original);
    original.setShowIndex(true);
    original.setZoom(1.25);
    original.takeSpotSize(35, original.spotHeight());
    ASSERT_GT(original.spotCount(), 0);
    const std::string bytes = original.serialize();

    CXtalspDoc reopened(services());
    ASSERT_TRUE(reopened.deserialize(bytes).ok());
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_FALSE(reopened.isModified());
    EXPECT_EQ(reopened.structure(), original.structure());
    EXPECT_EQ(reopened.settings(), original.settings());
    EXPECT_EQ(reopened.spectrum(), original.spectrum());
    EXPECT_EQ(reopened.showIndex(), 1);
    EXPECT_EQ(reopened.zoom(), 1.25);
    EXPECT_EQ(reopened.spotWidth(), 35);
    EXPECT_EQ(reopened.spots(), original.spots());
    EXPECT_EQ(reopened.serialize(), bytes);
}

TEST_F(PatternFile, StoredSaturationIsKeptAndMissingOneIsTaken) {
    CXtalspDoc original(services());
    makeSiliconPattern(original);
    const double strongest = original.intensityScale().strongestIntensity;
    test::editInputs(original, [&](PatternInputs& in) {
        in.intensityScale.saturationIntensity = strongest * 0.5;
    });

    CXtalspDoc kept(services());
    ASSERT_TRUE(kept.deserialize(original.serialize()).ok());
    EXPECT_EQ(kept.intensityScale().saturationIntensity, strongest * 0.5);
    EXPECT_EQ(kept.intensityScale().resetSaturation, 0);
    EXPECT_DOUBLE_EQ(kept.intensityScale().saturationFraction, 0.5);

    test::editInputs(original,
                     [&](PatternInputs& in) { in.intensityScale.saturationIntensity = 0; });
    CXtalspDoc taken(services());
    ASSERT_TRUE(taken.deserialize(original.serialize()).ok());
    EXPECT_EQ(taken.intensityScale().saturationIntensity, strongest);
    EXPECT_EQ(taken.intensityScale().saturationFraction, 1.0);
}

TEST_F(PatternFile, UnestablishedPatternOpensWithoutSpots) {
    CXtalspDoc original(services());
    test::editInputs(original, [&](PatternInputs& in) {
        in.structure = test::silicon();
        in.settings.distance = 1.0;
        in.settings.Hmax = in.settings.Kmax = in.settings.Lmax = 5;
    });
    CXtalspDoc reopened(services());
    ASSERT_TRUE(reopened.deserialize(original.serialize()).ok());
    EXPECT_EQ(reopened.spotCount(), 0);
    EXPECT_EQ(reopened.structure().debyeTemperature, 532);
    EXPECT_DOUBLE_EQ(reopened.structure().thermalExpansion, 2.56e-6);
}

TEST_F(PatternFile, WrongSignatureIsReportedAndLeavesTheDocumentAsItWas) {
    CXtalspDoc doc(services());
    makeSiliconPattern(doc);
    const int spots = doc.spotCount();
    const Status read = doc.deserialize(encodeSpectrumFile(builtinSpectrum()));
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.failure().text, kWrongSignature);
    EXPECT_EQ(read.failure().icon, MessageIcon::Stop);
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_TRUE(doc.isCrystalDefined());
    EXPECT_EQ(doc.spotCount(), spots);
}

TEST_F(PatternFile, DamagedFilesAreReportedAndTakeNothing) {
    CXtalspDoc source(services());
    makeSiliconPattern(source);
    const std::string bytes = source.serialize();

    // Cut anywhere before the zoom: after the signature, in the spectrum, in the name, in
    // the groups, in the settings and in the last real.
    for (const std::size_t length : {std::size_t{17}, std::size_t{1000}, std::size_t{2430},
                                     std::size_t{2500}, std::size_t{2900}, bytes.size() - 1}) {
        prompt.messages.clear();
        CXtalspDoc doc(services());
        const Status read = doc.deserialize(bytes.substr(0, length));
        ASSERT_FALSE(read.ok()) << length;
        EXPECT_EQ(read.failure().text, kUnreadable);
        EXPECT_FALSE(doc.isCrystalDefined());
        EXPECT_EQ(doc.spotCount(), 0);
        EXPECT_FALSE(doc.isModified());
    }
    // Bytes after the zoom are not read.
    CXtalspDoc padded(services());
    EXPECT_TRUE(padded.deserialize(bytes + "trailing").ok());
    // An empty file is a new pattern, without a word.
    prompt.messages.clear();
    CXtalspDoc empty(services());
    EXPECT_TRUE(empty.deserialize("").ok());
    EXPECT_TRUE(prompt.messages.empty());
}

// Patches the 4-byte integer or 8-byte real at an offset of a serialised pattern.
std::string patched(std::string bytes, std::size_t offset, const std::string& value) {
    bytes.replace(offset, value.size(), value);
    return bytes;
}

std::string int32Bytes(std::int32_t v) {
    ArchiveWriter w;
    w.writeInt32(v);
    return w.bytes();
}

std::string realBytes(double v) {
    ArchiveWriter w;
    w.writeDouble(v);
    return w.bytes();
}

TEST_F(PatternFile, ImpossibleValuesAreRefused) {
    CXtalspDoc source(services());
    test::editInputs(source, [&](PatternInputs& in) { in.structure = test::silicon(); });
    const std::string bytes = source.serialize();
    // Offsets in a pattern named "Silicon" (7 characters) with one group of 8 sites.
    const std::size_t groupCount = 17 + 2408 + 8 + 48;
    const std::size_t element = groupCount + 4;
    const std::size_t siteCount = element + 4;
    const std::size_t firstSite = siteCount + 4;
    const std::size_t hMax = firstSite + 8 * 32 + 16 + 4 + 48 + 8;
    const std::string cases[] = {
        patched(bytes, groupCount, int32Bytes(-1)),
        patched(bytes, groupCount, int32Bytes(0x7FFFFFFF)),
        patched(bytes, element, int32Bytes(0)),
        patched(bytes, element, int32Bytes(93)),
        patched(bytes, siteCount, int32Bytes(-8)),
        patched(bytes, siteCount, int32Bytes(100000000)),
        patched(bytes, firstSite, realBytes(std::numeric_limits<double>::quiet_NaN())),
        patched(bytes, 17, realBytes(std::numeric_limits<double>::infinity())),
        patched(bytes, 17, realBytes(-0.5)),                 // a negative spectrum sample
        patched(bytes, firstSite + 24, realBytes(1e300)),    // occupancy
        patched(bytes, firstSite, realBytes(1e82)),          // x
        patched(bytes, groupCount - 48, realBytes(50000.0)), // a
        // alpha = beta = gamma = 150 degrees close no cell
        patched(patched(patched(bytes, groupCount - 24, realBytes(150)), groupCount - 16,
                        realBytes(150)),
                groupCount - 8, realBytes(150)),
    };
    ASSERT_TRUE(CXtalspDoc(services()).deserialize(bytes).ok());
    for (const std::string& damaged : cases) {
        prompt.messages.clear();
        CXtalspDoc doc(services());
        const Status read = doc.deserialize(damaged);
        ASSERT_FALSE(read.ok());
        EXPECT_EQ(read.failure().text, kUnreadable);
    }
    // Index limits are clamped to the dialog's range rather than refused.
    const Result<PatternContent> clamped = decodePattern(patched(bytes, hMax, int32Bytes(1000)));
    ASSERT_TRUE(clamped.ok());
    EXPECT_EQ(clamped.value().settings.Hmax, 999);
}

TEST_F(PatternFile, FieldsOutsideTheDialogRangesAreBroughtIntoThem) {
    PatternContent stored;
    stored.structure = test::silicon();
    stored.settings = {
        DiffractionGeometry{5}, {0, 0, 1}, {1, 0, 1}, 1e9, 0, 1000, -3, 999, 90, -1e6};
    stored.filmWidth = 0;
    stored.filmHeight = 1e9;
    stored.spotWidth = -2;
    stored.spotHeight = 1e9;
    stored.minimumIntensity = -1;
    stored.zoom = 100;
    const Result<PatternContent> read = decodePattern(encodePattern(stored));
    ASSERT_TRUE(read.ok());
    const PatternContent& c = read.value();
    EXPECT_EQ(c.settings.geometry, DiffractionGeometry::BackReflection);
    EXPECT_EQ(c.settings.distance, kMaxDistance);
    EXPECT_EQ(c.settings.Hmax, 999);
    EXPECT_EQ(c.settings.Kmax, 1);
    EXPECT_EQ(c.settings.rotationX, 89.9999);
    EXPECT_EQ(c.settings.rotationY, -89.9999);
    // (1 0 1) leans on (0 0 1): the dialog proposes (1 0 0) for the cubic cell.
    EXPECT_EQ(c.settings.sidePlane, (std::array<double, 3>{1, 0, 0}));
    EXPECT_EQ(c.filmWidth, 200);
    EXPECT_EQ(c.filmHeight, 50000);
    EXPECT_EQ(c.spotWidth, 5);
    EXPECT_EQ(c.spotHeight, 200);
    EXPECT_EQ(c.minimumIntensity, 1e-8);
    EXPECT_EQ(c.zoom, 5);

    // Without established settings an index limit of 0 stays for the dialog to propose.
    stored.settings = {};
    stored.settings.Hmax = -1;
    const Result<PatternContent> unestablished = decodePattern(encodePattern(stored));
    ASSERT_TRUE(unestablished.ok());
    EXPECT_EQ(unestablished.value().settings.Hmax, 0);
    EXPECT_EQ(unestablished.value().settings.geometry, DiffractionGeometry::Transmission);
}

TEST_F(PatternFile, RoundTripIgnoresACommaLocale) {
    XTALSP_ENTER_COMMA_LOCALE(locale);
    CXtalspDoc original(services());
    makeSiliconPattern(original);
    CXtalspDoc reopened(services());
    ASSERT_TRUE(reopened.deserialize(original.serialize()).ok());
    EXPECT_EQ(reopened.spots(), original.spots());
}

} // namespace
} // namespace xtalsp
