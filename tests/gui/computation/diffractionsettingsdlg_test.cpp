#include "gui/computation/diffractionsettingsdlg.h"

#include "core/document/xtalspdoc.h"
#include "gui/computation/diffractiongeometrypicture.h"
#include "gui/shell/stepedit.h"
#include "support/editinputs.h"
#include "support/recordingprompt.h"
#include "support/silicon.h"

#include <QLineEdit>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace xtalsp::gui {
namespace {

QString shown(const CStepEdit* edit) {
    return edit->lineEdit()->text();
}
void type(CStepEdit* edit, const QString& text) {
    edit->lineEdit()->setText(text);
}
// Types the surface plane H K L and the side plane h k l.
void typePlanes(CDiffractionSettingsDlg& dialog, const QStringList& surface,
                const QStringList& side) {
    for (int i = 0; i < 3; ++i) {
        type(dialog.surfaceIndexEdit(i), surface[i]);
        type(dialog.sideIndexEdit(i), side[i]);
    }
}

class DiffractionSettingsDialog : public ::testing::Test {
protected:
    DiffractionSettingsDialog() {
        test::editInputs(doc, [](PatternInputs& in) { in.structure = test::silicon(); });
    }

    test::RecordingPrompt prompt;
    CXtalspDoc doc{DocumentServices{&prompt, nullptr, std::nullopt}};
};

TEST_F(DiffractionSettingsDialog, OpensWithProposalsOrWithTheEstablishedSettings) {
    // As a new document may take it from the store.
    test::editInputs(doc, [&](PatternInputs& in) {
        in.settings.geometry = DiffractionGeometry::BackReflection;
    });
    {
        CDiffractionSettingsDlg fresh(doc, prompt);
        EXPECT_EQ(fresh.windowTitle(), "Initial Diffraction Settings");
        EXPECT_TRUE(fresh.geometryButton(gui::kTransmissionButton)->isChecked());
        EXPECT_EQ(fresh.geometryButton(gui::kBackReflectionButton)->text(), "&Back reflection");
        EXPECT_FALSE(fresh.geometryButton(gui::kGrazingButton)->isEnabled());
        EXPECT_EQ(fresh.picture()->diffractionGeometry(), gui::kTransmissionButton);
        EXPECT_EQ(shown(fresh.surfaceIndexEdit(2)), "1");
        EXPECT_EQ(shown(fresh.sideIndexEdit(0)), "1");
        EXPECT_EQ(shown(fresh.distanceEdit()), "10 cm");
        EXPECT_EQ(shown(fresh.indexLimitEdit(1)), "16"); // about 3 per Angstrom of 5.4305
    }
    test::editInputs(doc, [&](PatternInputs& in) {
        in.settings.surfacePlane = {1, 1, 0};
        in.settings.sidePlane = {1, -1, 0.5};
        in.settings.distance = 1234.0;
        in.settings.Hmax = in.settings.Kmax = in.settings.Lmax = 7;
    });
    {
        CDiffractionSettingsDlg established(doc, prompt);
        EXPECT_TRUE(established.geometryButton(gui::kBackReflectionButton)->isChecked());
        EXPECT_EQ(established.picture()->diffractionGeometry(), gui::kBackReflectionButton);
        EXPECT_EQ(shown(established.sideIndexEdit(2)), "0.5");
        EXPECT_EQ(shown(established.distanceEdit()), "12.34 cm");
        EXPECT_EQ(shown(established.indexLimitEdit(2)), "7");
    }
    // After a lattice change the distance waits in savedDistance.
    test::editInputs(doc, [&](PatternInputs& in) {
        in.settings.savedDistance = 500.0;
        in.settings.distance = 0.0;
    });
    CDiffractionSettingsDlg parked(doc, prompt);
    EXPECT_EQ(shown(parked.distanceEdit()), "5 cm");
    EXPECT_EQ(shown(parked.sideIndexEdit(1)), "-1");

    // The two enabled buttons switch the sketch, and both sketches paint offscreen.
    parked.picture()->resize(300, 160);
    parked.geometryButton(gui::kTransmissionButton)->click();
    EXPECT_EQ(parked.picture()->diffractionGeometry(), gui::kTransmissionButton);
    EXPECT_FALSE(parked.picture()->grab().isNull());
    parked.geometryButton(gui::kBackReflectionButton)->click();
    EXPECT_EQ(parked.picture()->diffractionGeometry(), gui::kBackReflectionButton);
    EXPECT_FALSE(parked.picture()->grab().isNull());
}

TEST_F(DiffractionSettingsDialog, ZeroPlanesAreRefusedSurfaceFirst) {
    CDiffractionSettingsDlg dialog(doc, prompt);
    typePlanes(dialog, {"0", "0", "0"}, {"0", "abc", "0"});
    dialog.accept();
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "At least one of the HKL indices should be nonzero!");
    EXPECT_EQ(prompt.messages[0].caption, "Error:");
    EXPECT_EQ(prompt.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_FALSE(dialog.acceptedSettings().has_value());

    type(dialog.surfaceIndexEdit(2), "1");
    dialog.accept();
    ASSERT_EQ(prompt.messages.size(), 2u);
    EXPECT_EQ(prompt.messages[1].text, "At least one of the hkl indices should be nonzero!");
    EXPECT_FALSE(dialog.acceptedSettings().has_value());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(shown(dialog.surfaceIndexEdit(2)), "1"); // entries stay
}

TEST_F(DiffractionSettingsDialog, SidePlaneQuestionOffersAPerpendicularPlane) {
    CDiffractionSettingsDlg dialog(doc, prompt);
    typePlanes(dialog, {"1", "1", "0"}, {"1", "0", "0"});
    prompt.answers = {MessageAnswer::No, MessageAnswer::Yes};
    dialog.accept();
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].caption, "Side plane Information:");
    EXPECT_NE(prompt.messages[0].text.find("h = 1.00,     k = -1.00,     l = 0.00."),
              std::string::npos);
    EXPECT_FALSE(dialog.acceptedSettings().has_value());
    EXPECT_EQ(shown(dialog.sideIndexEdit(1)), "0");

    dialog.accept();
    ASSERT_TRUE(dialog.acceptedSettings().has_value());
    EXPECT_EQ(dialog.acceptedSettings()->sidePlane, (std::array<double, 3>{1, -1, 0}));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(DiffractionSettingsDialog, OkHandsBackTheClampedEntries) {
    test::editInputs(doc, [&](PatternInputs& in) {
        in.settings.rotationX = 12.0;
        in.settings.savedDistance = 700.0;
        in.settings.distance = 900.0;
        in.settings.Hmax = in.settings.Kmax = in.settings.Lmax = 10;
    });
    CDiffractionSettingsDlg dialog(doc, prompt);
    dialog.geometryButton(gui::kBackReflectionButton)->click();
    typePlanes(dialog, {"1", "1", "1"}, {"1", "-1", "0"});
    type(dialog.distanceEdit(), "600");
    type(dialog.indexLimitEdit(0), "7.6");
    type(dialog.indexLimitEdit(1), "0");
    type(dialog.indexLimitEdit(2), "2000");
    dialog.accept();

    ASSERT_TRUE(dialog.acceptedSettings().has_value());
    EXPECT_TRUE(prompt.messages.empty());
    DiffractionSettings expected = doc.settings(); // rotation and parked distance stay
    expected.geometry = DiffractionGeometry::BackReflection;
    expected.surfacePlane = {1, 1, 1};
    expected.sidePlane = {1, -1, 0};
    expected.distance = 50000.0; // 500 cm at most
    expected.Hmax = 8;
    expected.Kmax = 1;
    expected.Lmax = 999;
    EXPECT_EQ(*dialog.acceptedSettings(), expected);
    EXPECT_EQ(doc.settings().distance, 900.0); // the command takes them, not the dialog
}

} // namespace
} // namespace xtalsp::gui
