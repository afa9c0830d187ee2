#include "gui/shell/documentcommands.h"

#include "gui/computation/diffractionsettingsdlg.h"
#include "gui/shell/commandids.h"
#include "gui/support/scripteddocumentdialogs.h"
#include "support/editinputs.h"
#include "support/recordingprompt.h"
#include "support/silicon.h"

#include <gtest/gtest.h>

namespace xtalsp::gui {
namespace {

using Opened = std::vector<std::string>;

class DocumentCommandsTest : public ::testing::Test {
protected:
    DocumentCommandsTest() {
        commands.setDocument(&doc, nullptr, false);
        // The real settings dialog, accepted with whatever it proposes.
        dialogs.diffractionAnswer = [this](const CXtalspDoc& shown) {
            CDiffractionSettingsDlg dialog(shown, prompt);
            dialog.accept();
            return dialog.acceptedSettings();
        };
    }

    // Silicon along [001] at 10 cm.
    void establishSilicon() {
        doc.takeStructure(test::siliconFlat(), [this](const CXtalspDoc& shown) {
            return dialogs.editDiffractionSettings(nullptr, shown);
        });
        dialogs.opened.clear();
        ASSERT_TRUE(doc.hasEstablishedSettings());
    }
    bool enabled(int id) const { return commands.commandState(id).enabled; }

    test::RecordingPrompt prompt;
    MemorySettingsStore store;
    CXtalspDoc doc{DocumentServices{&prompt, &store, std::nullopt}};
    test::ScriptedDocumentDialogs dialogs;
    DocumentCommands commands{dialogs, "/opt/xtalsp"};
};

TEST_F(DocumentCommandsTest, NewDocumentGoesThroughStructureAndSettingsToSpots) {
    dialogs.structureAnswer = test::siliconFlat();
    commands.executeCommand(ID_SETTING_STRUCTURE);
    // The editor starts empty; a first cell is a lattice change, so the settings follow at once.
    EXPECT_EQ(dialogs.structureStart, FlatStructure{});
    EXPECT_EQ(dialogs.applicationDirectory, "/opt/xtalsp");
    EXPECT_EQ(dialogs.opened, (Opened{"structure", "diffraction"}));
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(doc.settings().distance, 1000.0);
    EXPECT_EQ(doc.settings().Hmax, 16);
    EXPECT_GT(doc.spotCount(), 0);

    // Reopened, the editor shows the document's crystal (expansion in 1e-6/K again).
    commands.executeCommand(ID_SETTING_STRUCTURE);
    EXPECT_EQ(dialogs.structureStart, test::siliconFlat());
}

TEST_F(DocumentCommandsTest, EnabledStatesFollowCrystalSettingsAndWindow) {
    struct Row {
        int id;
        bool fresh, withCrystal, established, minimised;
    };
    const Row table[] = {
        {ID_SETTING_SPECTRUM, true, true, true, true},
        {ID_SETTING_STRUCTURE, true, true, true, false},
        {ID_SETTING_DIFFRACTION, false, true, true, false},
        {ID_SETTING_ROTATE, false, false, true, false},
        {ID_SETTING_DISTANCE, false, false, true, false},
        {ID_ROTATE_X_PLUS, false, false, true, false},
        {ID_ROTATE_Y_MINUS_FINE, false, false, true, false},
        {ID_DISTANCE_PLUS_CM, false, false, true, false},
        {ID_INTENSITY_ADJUST, false, false, true, false},
        {ID_INTENSITY_NORMALIZE, false, false, true, false},
        {ID_STRUCTURE_FACTOR, false, true, true, true},
        {ID_SETTING_PATTERN_SIZE, true, true, true, false},
        {ID_VIEW_CALIBRATE, true, true, true, true},
        {ID_INTENSITY_KINEMATIC, true, true, true, true},
        {ID_INTENSITY_DYNAMICAL, false, false, false, false},
    };
    const auto check = [&](bool Row::*column, const char* stage) {
        for (const Row& row : table)
            EXPECT_EQ(enabled(row.id), row.*column) << stage << " " << row.id;
    };
    check(&Row::fresh, "new document");
    // A disabled command opens nothing, also when it arrives by a key.
    commands.executeCommand(ID_SETTING_DIFFRACTION);
    EXPECT_TRUE(dialogs.opened.empty());

    doc.takeStructure(test::siliconFlat(), nullptr);
    check(&Row::withCrystal, "crystal only");
    commands.executeCommand(ID_SETTING_DIFFRACTION);
    check(&Row::established, "established");
    commands.setDocument(&doc, nullptr, true);
    check(&Row::minimised, "minimised");

    commands.setDocument(nullptr, nullptr, false);
    for (const Row& row : table)
        EXPECT_FALSE(enabled(row.id)) << row.id;
    EXPECT_TRUE(commands.commandState(ID_INTENSITY_KINEMATIC).checked);
    EXPECT_FALSE(commands.handlesCommand(ID_SETTING_SPOT_SIZE));
}

TEST_F(DocumentCommandsTest, RotationStepsTurnTheirAxisAndStopShortOfNinetyDegrees) {
    establishSilicon();
    const std::tuple<int, double, double> steps[] = {
        {ID_ROTATE_X_PLUS, 1, 0},        {ID_ROTATE_X_MINUS, -1, 0},
        {ID_ROTATE_Y_PLUS, 0, 1},        {ID_ROTATE_Y_MINUS, 0, -1},
        {ID_ROTATE_X_PLUS_FINE, 0.1, 0}, {ID_ROTATE_X_MINUS_FINE, -0.1, 0},
        {ID_ROTATE_Y_PLUS_FINE, 0, 0.1}, {ID_ROTATE_Y_MINUS_FINE, 0, -0.1},
    };
    for (const auto& [id, x, y] : steps) {
        test::editInputs(
            doc, [&](PatternInputs& in) { in.settings.rotationX = in.settings.rotationY = 0.0; });
        commands.executeCommand(id);
        EXPECT_DOUBLE_EQ(doc.settings().rotationX, x) << id;
        EXPECT_DOUBLE_EQ(doc.settings().rotationY, y) << id;
    }
    test::editInputs(doc, [&](PatternInputs& in) { in.settings.rotationX = 89.95; });
    commands.executeCommand(ID_ROTATE_X_PLUS_FINE);
    EXPECT_EQ(doc.settings().rotationX, 89.9999);
    commands.executeCommand(ID_ROTATE_X_PLUS_FINE);
    EXPECT_EQ(doc.settings().rotationX, 89.9999);
}

// A turn about the beam moves the planes, not the tilts; turning back restores the spots, and
// the settings dialog hands the real-valued planes back exactly rather than rounded for show.
TEST_F(DocumentCommandsTest, BeamTurnsFoldIntoPlanesThatTheSettingsDialogKeeps) {
    establishSilicon();
    test::editInputs(doc, [](PatternInputs& in) {
        in.settings.rotationX = 3.0;
        in.settings.rotationY = -2.0;
    });
    doc.computeSpots();
    const SpotList before = doc.spots();
    const DiffractionSettings start = doc.settings();

    commands.executeCommand(ID_ROTATE_PSI_PLUS_FINE);
    EXPECT_EQ(doc.settings().rotationX, 3.0);
    EXPECT_EQ(doc.settings().rotationY, -2.0);
    EXPECT_NE(doc.settings().sidePlane, start.sidePlane);
    EXPECT_TRUE(doc.isModified());

    CDiffractionSettingsDlg dialog(doc, prompt);
    dialog.accept();
    ASSERT_TRUE(dialog.acceptedSettings().has_value());
    EXPECT_EQ(dialog.acceptedSettings()->surfacePlane, doc.settings().surfacePlane);
    EXPECT_EQ(dialog.acceptedSettings()->sidePlane, doc.settings().sidePlane);

    commands.executeCommand(ID_ROTATE_PSI_PLUS);
    commands.executeCommand(ID_ROTATE_PSI_MINUS);
    commands.executeCommand(ID_ROTATE_PSI_MINUS_FINE);
    ASSERT_EQ(doc.spots().size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_NEAR(doc.spots()[i].x, before[i].x, 1e-6);
        EXPECT_NEAR(doc.spots()[i].y, before[i].y, 1e-6);
    }
}

TEST_F(DocumentCommandsTest, DistanceStepsMoveTheFilmWithinItsLimits) {
    establishSilicon();
    const std::pair<int, double> steps[] = {{ID_DISTANCE_PLUS_MM, 1010},
                                            {ID_DISTANCE_MINUS_MM, 990},
                                            {ID_DISTANCE_PLUS_CM, 1100},
                                            {ID_DISTANCE_MINUS_CM, 900}};
    for (const auto& [id, after] : steps) {
        test::editInputs(doc, [&](PatternInputs& in) { in.settings.distance = 1000.0; });
        commands.executeCommand(id);
        EXPECT_EQ(doc.settings().distance, after) << id;
    }
    test::editInputs(doc, [&](PatternInputs& in) { in.settings.distance = 50.0; });
    commands.executeCommand(ID_DISTANCE_MINUS_CM);
    EXPECT_EQ(doc.settings().distance, 2.0);
    test::editInputs(doc, [&](PatternInputs& in) { in.settings.distance = 49995.0; });
    commands.executeCommand(ID_DISTANCE_PLUS_CM);
    EXPECT_EQ(doc.settings().distance, 50000.0);
    commands.executeCommand(ID_DISTANCE_PLUS_CM);
    EXPECT_EQ(doc.settings().distance, 50000.0);
}

TEST_F(DocumentCommandsTest, LatticeChangeAsksAboutTheRotationAndReopensTheSettings) {
    establishSilicon();
    FlatStructure larger = test::siliconFlat();
    larger.a = larger.b = larger.c = 5.6;
    dialogs.structureAnswer = larger;

    // No: the angles go back to zero; cancelling the settings leaves the pattern empty.
    doc.takeRotation(5.0, -3.0);
    prompt.answers = {MessageAnswer::No};
    const auto accept = std::exchange(dialogs.diffractionAnswer, nullptr);
    commands.executeCommand(ID_SETTING_STRUCTURE);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(dialogs.opened, (Opened{"structure", "diffraction"}));
    EXPECT_EQ(doc.settings().rotationX, 0.0);
    EXPECT_EQ(doc.settings().distance, 0.0);
    EXPECT_EQ(doc.spotCount(), 0);
    EXPECT_FALSE(enabled(ID_SETTING_ROTATE));

    // The settings command later starts from the parked distance.
    dialogs.diffractionAnswer = accept;
    commands.executeCommand(ID_SETTING_DIFFRACTION);
    EXPECT_EQ(doc.settings().distance, 1000.0);
    EXPECT_GT(doc.spotCount(), 0);

    // Yes: the angles stay and the accepted settings recompute at once.
    doc.takeRotation(5.0, -3.0);
    larger.a = larger.b = larger.c = 5.7;
    dialogs.structureAnswer = larger;
    prompt.answers = {MessageAnswer::Yes};
    commands.executeCommand(ID_SETTING_STRUCTURE);
    EXPECT_EQ(prompt.messages.size(), 2u);
    EXPECT_EQ(doc.settings().rotationX, 5.0);
    EXPECT_EQ(doc.settings().rotationY, -3.0);
    EXPECT_EQ(doc.settings().distance, 1000.0);
    EXPECT_GT(doc.spotCount(), 0);
}

TEST_F(DocumentCommandsTest, DialogsOpenWithTheDocumentValuesAndApplyOnlyOnOk) {
    establishSilicon();
    doc.takeRotation(1.5, -2.5);
    commands.executeCommand(ID_SETTING_ROTATE); // cancelled
    EXPECT_EQ(dialogs.rotationStart.y, -2.5);
    EXPECT_EQ(doc.settings().rotationY, -2.5);
    dialogs.rotationAnswer = RotationAngles{10.0, -20.0};
    commands.executeCommand(ID_SETTING_ROTATE);
    EXPECT_EQ(doc.settings().rotationY, -20.0);

    dialogs.distanceAnswer = 12.5;
    commands.executeCommand(ID_SETTING_DISTANCE);
    EXPECT_EQ(dialogs.distanceStart, 10.0);
    EXPECT_EQ(doc.settings().distance, 1250.0);

    test::editInputs(doc, [&](PatternInputs& in) {
        in.intensityScale.minimumIntensity = 0.5;
        in.intensityScale.saturationFraction = 0.75;
    });
    dialogs.intensityAnswer = IntensityAdjustment{50.0, 2.0};
    commands.executeCommand(ID_INTENSITY_ADJUST);
    EXPECT_EQ(dialogs.saturationStart, 75.0);
    EXPECT_EQ(dialogs.minimumTextStart, "0.5");
    EXPECT_EQ(doc.intensityScale().minimumIntensity, 2.0);

    dialogs.patternSizeAnswer = FilmSizeCm{25.0, 10.0};
    commands.executeCommand(ID_SETTING_PATTERN_SIZE);
    EXPECT_EQ(dialogs.patternSizeStart.height, 15.0);
    EXPECT_EQ(doc.filmWidth(), 2500.0);

    doc.takeCalibratedZoom(100.0 / 0.3);
    dialogs.calibrateAnswer = 250.0;
    commands.executeCommand(ID_VIEW_CALIBRATE);
    EXPECT_EQ(dialogs.calibrateStart, 333.0);
    EXPECT_DOUBLE_EQ(doc.calibratedZoom(), 0.4);

    Spectrum flat;
    flat.intensity.fill(1.0);
    dialogs.spectrumAnswer = flat;
    commands.executeCommand(ID_SETTING_SPECTRUM);
    EXPECT_EQ(doc.spectrum(), flat);

    dialogs.opened.clear();
    commands.executeCommand(ID_STRUCTURE_FACTOR);
    commands.executeCommand(ID_INTENSITY_KINEMATIC);
    commands.executeCommand(ID_INTENSITY_DYNAMICAL);
    EXPECT_EQ(dialogs.opened, (Opened{"structure factor", "equation"}));
}

} // namespace
} // namespace xtalsp::gui
