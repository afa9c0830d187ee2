#include "core/document/xtalspdoc.h"

#include "core/spectrum/builtinspectrum.h"
#include "support/editinputs.h"
#include "support/recordingprompt.h"
#include "support/silicon.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

namespace xtalsp {
namespace {

class Document : public ::testing::Test {
protected:
    DocumentServices services() { return DocumentServices{&prompt, &store, std::nullopt}; }

    // The settings dialog as a user would accept it for silicon along [001].
    static std::optional<DiffractionSettings> acceptSilicon(const CXtalspDoc& doc) {
        DiffractionSettings s = doc.settings();
        s.surfacePlane = {0, 0, 1};
        s.sidePlane = {1, 0, 0};
        s.distance = 300;
        s.Hmax = s.Kmax = s.Lmax = 16;
        return s;
    }
    static std::optional<DiffractionSettings> cancel(const CXtalspDoc&) { return std::nullopt; }

    test::RecordingPrompt prompt;
    MemorySettingsStore store;
};

TEST_F(Document, NewDocumentReadsItsDefaultsWithRangesAndFallbacks) {
    {
        CXtalspDoc doc(services());
        EXPECT_EQ(doc.filmWidth(), 2000);
        EXPECT_EQ(doc.filmHeight(), 1500);
        EXPECT_EQ(doc.spotWidth(), 20);
        EXPECT_EQ(doc.calibratedZoom(), 1.0);
        EXPECT_EQ(doc.settings().geometry, DiffractionGeometry::Transmission);
        EXPECT_EQ(doc.spectrum(), builtinSpectrum());
        EXPECT_EQ(doc.intensityScale(), IntensityScale{});
        EXPECT_EQ(doc.showCrossline(), 1);
        EXPECT_EQ(doc.showIndex(), 0);
        EXPECT_EQ(doc.grayscaleSpots(), 1);
        EXPECT_FALSE(doc.isModified());
    }
    store.writeText(kSettingsSection, "FilmWidth", "199");
    store.writeText(kSettingsSection, "FilmHeight", "50000");
    store.writeText(kSettingsSection, "DotWidth", "5");
    store.writeText(kSettingsSection, "DotHeight", "200.5");
    store.writeText(kSettingsSection, "CalibratedZoom", "5.01");
    store.writeInt(kSettingsSection, "TransOrBack", 1);
    CXtalspDoc doc(services());
    EXPECT_EQ(doc.filmWidth(), 2000);
    EXPECT_EQ(doc.filmHeight(), 50000);
    EXPECT_EQ(doc.spotWidth(), 5);
    EXPECT_EQ(doc.spotHeight(), 20);
    EXPECT_EQ(doc.calibratedZoom(), 1.0);
    EXPECT_EQ(doc.settings().geometry, DiffractionGeometry::BackReflection);
    store.writeInt(kSettingsSection, "TransOrBack", 2);
    store.writeText(kSettingsSection, "CalibratedZoom", "5");
    CXtalspDoc other(services());
    EXPECT_EQ(other.settings().geometry, DiffractionGeometry::Transmission);
    EXPECT_EQ(other.calibratedZoom(), 5.0);
}

TEST_F(Document, StartupSpectrumComesFromTheApplicationDirectory) {
    test::TempDir dir;
    DocumentServices withDirectory = services();
    withDirectory.applicationDirectory = dir.path();
    CXtalspDoc doc(withDirectory);
    EXPECT_EQ(doc.spectrum(), builtinSpectrum());
    EXPECT_EQ(dir.read("Default.Spectrum").size(), 2429u); // established on first use
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].icon, MessageIcon::Information);
}

TEST_F(Document, FirstStructureAsksForSettingsAndComputes) {
    CXtalspDoc doc(services());
    doc.takeStructure(test::siliconFlat(), acceptSilicon);
    EXPECT_TRUE(prompt.messages.empty()); // no rotation to ask about
    EXPECT_TRUE(doc.hasEstablishedSettings());
    EXPECT_GT(doc.spotCount(), 0);
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(doc.structure().name, "Silicon");
    EXPECT_DOUBLE_EQ(doc.structure().thermalExpansion, 2.56e-6);
    EXPECT_EQ(*store.readInt(kSettingsSection, "TransOrBack"), 0);
    EXPECT_EQ(doc.intensityScale().saturationIntensity, doc.intensityScale().strongestIntensity);
}

TEST_F(Document, LatticeChangeClearsThePatternAndAsksAboutTheRotation) {
    CXtalspDoc doc(services());
    doc.takeStructure(test::siliconFlat(), acceptSilicon);
    doc.takeRotation(2.5, -1);
    FlatStructure renamed = test::siliconFlat();
    renamed.name = "Silicon at 300 K";

    prompt.answers = {MessageAnswer::No};
    doc.takeStructure(renamed, cancel);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text,
              "The Diffraction geometry needs resetting as you changed the lattice parameters.\n"
              "Do you want to keep the rotation angles X = 2.5\xB0 and Y = -1\xB0?");
    EXPECT_EQ(prompt.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(doc.settings().rotationX, 0);
    EXPECT_EQ(doc.settings().rotationY, 0);
    // Cancelled settings leave the pattern empty with the distance parked.
    EXPECT_EQ(doc.spotCount(), 0);
    EXPECT_EQ(doc.settings().distance, 0);
    EXPECT_EQ(doc.settings().savedDistance, 300);
    EXPECT_FALSE(doc.hasEstablishedSettings());
    EXPECT_EQ(doc.intensityScale().resetSaturation, 1);
    EXPECT_EQ(doc.structure().name, "Silicon at 300 K");

    prompt.messages.clear();
    doc.takeRotation(3, 0);
    prompt.answers = {MessageAnswer::Yes};
    FlatStructure stretched = renamed;
    stretched.a = 5.5;
    doc.takeStructure(stretched, acceptSilicon);
    EXPECT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(doc.settings().rotationX, 3);
    EXPECT_GT(doc.spotCount(), 0);
}

TEST_F(Document, AtomChangeRecomputesAndKeepsTheScale) {
    CXtalspDoc doc(services());
    doc.takeStructure(test::siliconFlat(), acceptSilicon);
    const double saturation = doc.intensityScale().saturationIntensity;
    FlatStructure half = test::siliconFlat();
    for (AtomSite& atom : half.atoms)
        atom.occupancy = 0.5;
    doc.takeStructure(half, cancel);
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(doc.settings().distance, 300);
    EXPECT_EQ(doc.intensityScale().saturationIntensity, saturation);
    // Half the amplitude everywhere: a quarter of the intensity.
    EXPECT_NEAR(doc.intensityScale().saturationFraction, 4.0, 0.05);
}

TEST_F(Document, AComputationBeyondTheSpotLimitKeepsSpotsAndInputs) {
    DocumentServices limited = services();
    CXtalspDoc doc(limited);
    doc.takeStructure(test::siliconFlat(), acceptSilicon);
    const SpotList spots = doc.spots();
    ASSERT_GT(spots.size(), 20u);

    limited.spotLimit = spots.size();
    CXtalspDoc capped(limited);
    capped.takeStructure(test::siliconFlat(), acceptSilicon);
    ASSERT_EQ(capped.spots(), spots); // exactly at the limit is allowed
    capped.setModified(false);
    prompt.messages.clear();
    capped.takeIntensityAdjustment(100, 0.001); // more spots than the limit
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_NE(prompt.messages[0].text.find("minimum intensity"), std::string::npos);
    EXPECT_EQ(capped.spots(), spots);
    EXPECT_EQ(capped.intensityScale().minimumIntensity, 1.0);
    EXPECT_FALSE(capped.isModified());
}

TEST_F(Document, RotationStepsStopShortOfNinetyDegrees) {
    CXtalspDoc doc(services());
    doc.takeStructure(test::siliconFlat(), acceptSilicon);
    test::editInputs(doc, [&](PatternInputs& in) { in.settings.rotationX = 89.95; });
    doc.stepRotation(RotationAxis::X, 0.1);
    EXPECT_EQ(doc.settings().rotationX, 89.9999);
    doc.stepRotation(RotationAxis::X, 0.1);
    EXPECT_EQ(doc.settings().rotationX, 89.9999);
    test::editInputs(doc, [&](PatternInputs& in) { in.settings.rotationY = 89.9; });
    doc.stepRotation(RotationAxis::Y, 1);
    EXPECT_EQ(doc.settings().rotationY, 89.9999);
    test::editInputs(doc, [&](PatternInputs& in) { in.settings.rotationY = -89.5; });
    doc.stepRotation(RotationAxis::Y, -1);
    EXPECT_EQ(doc.settings().rotationY, -89.9999);
}

TEST_F(Document, DistanceStepsStayWithinTheirLimits) {
    CXtalspDoc doc(services());
    doc.takeStructure(test::siliconFlat(), acceptSilicon);
    test::editInputs(doc, [&](PatternInputs& in) { in.settings.distance = 50; });
    doc.stepDistance(-100);
    EXPECT_EQ(doc.settings().distance, 2);
    test::editInputs(doc, [&](PatternInputs& in) { in.settings.distance = 49995; });
    doc.stepDistance(100);
    EXPECT_EQ(doc.settings().distance, 50000);
    doc.stepDistance(10);
    EXPECT_EQ(doc.settings().distance, 50000);
    doc.takeImagingDistance(3);
    EXPECT_EQ(doc.settings().distance, 300);
    // 0.11 cm less 1 mm would be exactly one film unit, which counts as no settings.
    doc.takeImagingDistance(0.11);
    doc.stepDistance(-10);
    EXPECT_EQ(doc.settings().distance, 2);
    EXPECT_TRUE(doc.hasEstablishedSettings());
}

TEST_F(Document, IntensityCommands) {
    CXtalspDoc doc(services());
    test::editInputs(doc, [&](PatternInputs& in) { in.intensityScale.strongestIntensity = 200; });
    doc.takeIntensityAdjustment(50, 0.5);
    EXPECT_EQ(doc.intensityScale().saturationIntensity, 100);
    EXPECT_EQ(doc.intensityScale().minimumIntensity, 0.5);
    EXPECT_EQ(doc.minimumIntensityText(), "0.5");

    doc.takeStructure(test::siliconFlat(), acceptSilicon);
    doc.takeIntensityAdjustment(1e-12, 1);
    // A saturation below 1e-8 restarts at the strongest spot.
    EXPECT_EQ(doc.intensityScale().saturationFraction, 1.0);
    EXPECT_EQ(doc.intensityScale().saturationIntensity, doc.intensityScale().strongestIntensity);

    doc.takeIntensityAdjustment(25, 1);
    doc.normalizeIntensity();
    EXPECT_EQ(doc.intensityScale().saturationFraction, 1.0);
    EXPECT_EQ(doc.minimumIntensityText(), "1");
}

TEST_F(Document, UnchangedSpectrumIsNotAModification) {
    CXtalspDoc doc(services());
    doc.takeSpectrum(doc.spectrum());
    EXPECT_FALSE(doc.isModified());
    Spectrum edited = doc.spectrum();
    edited.intensity[100] = 0.5;
    doc.takeSpectrum(edited);
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(doc.spectrum().intensity[100], 0.5);
}

TEST_F(Document, FilmSpotAndCalibrationAreStoredForNewDocuments) {
    CXtalspDoc doc(services());
    doc.takeStructure(test::siliconFlat(), acceptSilicon);
    doc.takePatternSize(20, 15);
    EXPECT_EQ(doc.halfFilmWidth(), 1000);
    EXPECT_EQ(*store.readText(kSettingsSection, "FilmWidth"), "2000");
    EXPECT_EQ(*store.readText(kSettingsSection, "FilmHeight"), "1500");
    const int before = doc.spotCount();
    doc.takePatternSize(2, 2);
    EXPECT_LT(doc.spotCount(), before); // spots beyond the smaller film are gone
    doc.takeSpotSize(20, 35);
    EXPECT_EQ(*store.readText(kSettingsSection, "DotHeight"), "35");
    doc.takeCalibratedZoom(250);
    EXPECT_EQ(doc.calibratedZoom(), 0.4);
    EXPECT_EQ(*store.readText(kSettingsSection, "CalibratedZoom"), "0.4");
    CXtalspDoc later(services());
    EXPECT_EQ(later.filmWidth(), 200);
    EXPECT_EQ(later.spotHeight(), 35);
    EXPECT_EQ(later.calibratedZoom(), 0.4);
}

} // namespace
} // namespace xtalsp
