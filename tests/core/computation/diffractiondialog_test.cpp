#include "core/computation/diffractiondialogrules.h"
#include "core/computation/geometry.h"

#include "support/recordingprompt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace xtalsp {
namespace {

constexpr double kSilicon = 5.4305;
const ReciprocalBasis kCubic = computeReciprocalBasis(kSilicon, kSilicon, kSilicon, 90, 90, 90);

DiffractionSettings establishedSettings() {
    DiffractionSettings settings;
    settings.geometry = DiffractionGeometry::BackReflection;
    settings.surfacePlane = {1, 1, 1};
    settings.sidePlane = {1, -1, 0};
    settings.distance = 300.0;
    settings.savedDistance = 450.0;
    settings.Hmax = 7;
    settings.Kmax = 8;
    settings.Lmax = 9;
    settings.rotationX = 12.0;
    settings.rotationY = -3.5;
    return settings;
}

DiffractionDialogValues typedValues() {
    return {DiffractionGeometry::Transmission, {0, 0, 1}, 4.5, {1, 0, 0}, 10, 10, 10};
}

TEST(DiffractionDialogFields, ClampLikeTheEntryFields) {
    EXPECT_EQ(clampToField(-1000.0, kSurfaceIndexField), -999.0);
    EXPECT_EQ(clampToField(2.5, kSurfaceIndexField), 2.5); // indices may be fractional
    EXPECT_EQ(clampToField(0.01, kDistanceCmField), 0.02);
    EXPECT_EQ(clampToField(16.5, kIndexLimitField), 17.0);
    EXPECT_EQ(clampToField(0.4, kIndexLimitField), 1.0);
    EXPECT_EQ(clampToField(std::numeric_limits<double>::infinity(), kIndexLimitField), 999.0);
    EXPECT_EQ(clampToField(std::nan(""), 1.0, 999.0, true), 1.0);
}

TEST(DiffractionDialogInitialValues, NewDocumentGetsProposals) {
    DiffractionSettings fresh;
    fresh.geometry = DiffractionGeometry::BackReflection; // as taken from the registry
    const auto values = initialDiffractionDialogValues(fresh, kSilicon, kSilicon, kSilicon);
    EXPECT_EQ(values,
              (DiffractionDialogValues{
                  DiffractionGeometry::Transmission, {0, 0, 1}, 10, {1, 0, 0}, 16, 16, 16}));

    // 3a + 0.5 = 0.8 proposes 0 and 15000.5 exceeds the field: both are clamped.
    const auto extreme = initialDiffractionDialogValues(fresh, 0.1, 300.0, 5000.0);
    EXPECT_EQ(extreme.Hmax, 1.0);
    EXPECT_EQ(extreme.Kmax, 900.0);
    EXPECT_EQ(extreme.Lmax, 999.0);
}

TEST(DiffractionDialogInitialValues, EstablishedOrParkedSettingsAreShown) {
    DiffractionSettings settings = establishedSettings();
    const auto shown = initialDiffractionDialogValues(settings, 1, 1, 1);
    EXPECT_EQ(shown, (DiffractionDialogValues{
                         DiffractionGeometry::BackReflection, {1, 1, 1}, 3, {1, -1, 0}, 7, 8, 9}));

    settings.distance = 0.0; // parked after a lattice change
    settings.Hmax = 0;
    const auto parked = initialDiffractionDialogValues(settings, 2.0, 3.0, 4.0);
    EXPECT_EQ(parked,
              (DiffractionDialogValues{
                  DiffractionGeometry::BackReflection, {1, 1, 1}, 4.5, {1, -1, 0}, 6, 9, 12}));
}

TEST(DiffractionDialogAccept, ZeroPlanesKeepTheDialogOpen) {
    test::RecordingPrompt prompt;
    DiffractionDialogValues values = typedValues();
    values.surfacePlane = {0, 0, 0};
    values.sidePlane = {0, -0.0, 0};
    EXPECT_FALSE(acceptDiffractionDialog(values, {}, kCubic, prompt));
    values.surfacePlane = {0, 0, 1};
    EXPECT_FALSE(acceptDiffractionDialog(values, {}, kCubic, prompt));
    // Only the HKL complaint while both are zero.
    ASSERT_EQ(prompt.messages.size(), 2u);
    Message expected{"At least one of the HKL indices should be nonzero!",
                     "Error:", MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok};
    EXPECT_EQ(prompt.messages[0], expected);
    expected.text = "At least one of the hkl indices should be nonzero!";
    EXPECT_EQ(prompt.messages[1], expected);
}

TEST(DiffractionDialogAccept, PerpendicularEntriesAreTakenClamped) {
    test::RecordingPrompt prompt;
    const DiffractionDialogValues values{
        DiffractionGeometry::BackReflection, {0, 0, 1}, 600, {1, 0, 0}, 1500.7, 0.2, 12.6};
    const auto settings = acceptDiffractionDialog(values, establishedSettings(), kCubic, prompt);
    ASSERT_TRUE(settings);
    EXPECT_TRUE(prompt.messages.empty());
    DiffractionSettings expected = establishedSettings(); // rotations and parked distance kept
    expected.surfacePlane = {0, 0, 1};
    expected.sidePlane = {1, 0, 0};
    expected.distance = 50000.0;
    expected.Hmax = 999;
    expected.Kmax = 1;
    expected.Lmax = 13;
    EXPECT_EQ(*settings, expected);
}

TEST(DiffractionDialogAccept, CorrectedSidePlaneIsOfferedAndTakenOnYesOnly) {
    test::RecordingPrompt prompt;
    DiffractionDialogValues values = typedValues();
    values.sidePlane = {1, 0, 1};
    prompt.answers = {MessageAnswer::No, MessageAnswer::Yes};

    EXPECT_FALSE(acceptDiffractionDialog(values, {}, kCubic, prompt));
    const auto settings = acceptDiffractionDialog(values, {}, kCubic, prompt);
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->sidePlane, (std::array<double, 3>{1, 0, 0}));
    EXPECT_EQ(settings->distance, 450.0);

    ASSERT_EQ(prompt.messages.size(), 2u);
    const Message& question = prompt.messages[0];
    EXPECT_EQ(question.text, "The vertical side plane you chose is not exactly perpendicular to \n"
                             "the surface plane. I have calculated one for you:\n"
                             " h = 1.00,     k = 0.00,     l = 0.00.\n Do you accept it?");
    EXPECT_EQ(question.caption, "Side plane Information:");
    EXPECT_EQ(question.icon, MessageIcon::Question);
    EXPECT_EQ(question.buttons, MessageButtons::YesNo);
}

} // namespace
} // namespace xtalsp
