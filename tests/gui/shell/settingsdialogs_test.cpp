#include "gui/shell/settingsdialogs.h"

#include "gui/shell/stepedit.h"
#include "support/recordingcanvas.h"
#include "support/recordingprompt.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace xtalsp::gui {
namespace {

QString shown(const CStepEdit* edit) {
    return edit->lineEdit()->text();
}

void type(CStepEdit* edit, const QString& text) {
    edit->lineEdit()->setText(text);
}

bool hasLabel(const QWidget& dialog, const QString& text) {
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text() == text)
            return true;
    }
    return false;
}

// Shows a dialog without running it modally, so that focus moves can be tested.
void showActive(QDialog& dialog) {
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

TEST(PatternSizeDialog, ShowsCentimetresAndClampsWhenTheBoxLosesTheFocus) {
    CPatternSizeDlg dialog(FilmSizeCm{20, 15});
    EXPECT_EQ(dialog.windowTitle(), "Set Pattern Size");
    EXPECT_TRUE(hasLabel(dialog, "&Width:"));
    EXPECT_TRUE(hasLabel(dialog, "&Height:"));
    EXPECT_EQ(shown(dialog.widthEdit()), "20");
    EXPECT_EQ(shown(dialog.heightEdit()), "15");

    showActive(dialog);
    dialog.widthEdit()->lineEdit()->setFocus();
    dialog.widthEdit()->lineEdit()->selectAll();
    QTest::keyClicks(dialog.widthEdit()->lineEdit(), "1");
    QTest::keyClick(dialog.widthEdit()->lineEdit(), Qt::Key_Tab);
    EXPECT_EQ(shown(dialog.widthEdit()), "2");
    EXPECT_EQ(dialog.size().width, 2.0);

    // OK takes a typed value that never lost the focus, clamped into 2 .. 500 cm.
    type(dialog.heightEdit(), "612.5");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.size().width, 2.0);
    EXPECT_EQ(dialog.size().height, 500.0);
}

TEST(PatternSizeDialog, CancelKeepsNothingTyped) {
    CPatternSizeDlg dialog(FilmSizeCm{20, 15});
    type(dialog.widthEdit(), "30");
    dialog.reject();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.size().width, 20.0);
}

TEST(SpotSizeDialog, DefaultGivesTwoMillimetresEachWay) {
    CSpotSizeDlg dialog(SpotSizeMm{3.0, 1.5});
    EXPECT_EQ(dialog.windowTitle(), "Diffraction Spot Size");
    EXPECT_EQ(dialog.defaultButton()->text(), "&Default");
    EXPECT_EQ(shown(dialog.widthEdit()), "3");
    EXPECT_EQ(shown(dialog.heightEdit()), "1.5");
    dialog.defaultButton()->click();
    EXPECT_EQ(shown(dialog.widthEdit()), "2");
    EXPECT_EQ(shown(dialog.heightEdit()), "2");
    dialog.accept();
    EXPECT_EQ(dialog.size(), (SpotSizeMm{2.0, 2.0}));

    dialog.widthEdit()->stepBy(true);
    type(dialog.heightEdit(), "0.1");
    dialog.accept();
    EXPECT_EQ(dialog.size(), (SpotSizeMm{2.5, 0.5}));
}

TEST(ImagingDistanceDialog, TakesCentimetresFromTwoTenthsOfAMillimetre) {
    CImagingDistanceDlg dialog(5.0);
    EXPECT_EQ(dialog.windowTitle(), "Change Imaging Distance");
    EXPECT_TRUE(hasLabel(dialog, "&Sample-to-Film Distance"));
    EXPECT_EQ(shown(dialog.distanceEdit()), "5");
    type(dialog.distanceEdit(), "0");
    dialog.accept();
    EXPECT_EQ(dialog.distance(), 0.02);
}

TEST(RotateCrystalDialog, KeepsBothAnglesInsideNinetyDegrees) {
    CRotateCrystalDlg dialog(RotationAngles{1.5, -2.5});
    EXPECT_EQ(dialog.windowTitle(), "Rotate Crystal");
    EXPECT_TRUE(hasLabel(dialog, "&Rotate along X"));
    EXPECT_TRUE(hasLabel(dialog, "R&otate along Y"));
    EXPECT_EQ(shown(dialog.xEdit()), "1.5");
    EXPECT_EQ(shown(dialog.yEdit()), "-2.5");
    dialog.yEdit()->stepBy(false);
    EXPECT_EQ(dialog.angles().y, -3.0);
    type(dialog.xEdit(), "95");
    type(dialog.yEdit(), "-100");
    dialog.accept();
    EXPECT_EQ(dialog.angles().x, 89.9999);
    EXPECT_EQ(dialog.angles().y, -89.9999);
}

TEST(CustomZoomDialog, TakesTenToFiveHundredPercent) {
    CCustomZoomDlg dialog(67);
    EXPECT_EQ(dialog.windowTitle(), "Custom Zoom");
    EXPECT_TRUE(hasLabel(dialog, "Define View &Zoom"));
    EXPECT_TRUE(hasLabel(dialog, "%"));
    dialog.zoomEdit()->stepBy(true);
    EXPECT_EQ(dialog.percentage(), 70.0);
    type(dialog.zoomEdit(), "125abc");
    dialog.accept();
    EXPECT_EQ(dialog.percentage(), 125.0);
    type(dialog.zoomEdit(), "1000");
    dialog.accept();
    EXPECT_EQ(dialog.percentage(), 500.0);
}

TEST(CalibrateZoomDialog, OpensWithTheWholeMillimetresOfTheFactor) {
    test::RecordingPrompt prompt;
    CCalibrateZoomDlg dialog(prompt, 100 / 0.3);
    EXPECT_EQ(dialog.windowTitle(), "Calibrate Zoom");
    EXPECT_EQ(dialog.distanceEdit()->text(), "333");
    EXPECT_TRUE(hasLabel(dialog, "Measured &Distance:"));
    EXPECT_EQ(dialog.findChild<QLabel*>("calibrationText")->text(),
              "To make the 100% zoomed size on screen nearly the same as the actual size, you can "
              "measure the length of the red line using a ruler and put the value in the edit "
              "box.");
    EXPECT_EQ(CCalibrateZoomDlg(prompt, 99.5).distanceEdit()->text(), "100");

    dialog.distanceEdit()->setText("250");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.measuredDistance(), 250.0);
    EXPECT_TRUE(prompt.messages.empty());
}

TEST(CalibrateZoomDialog, OkRefusesAnythingButANumberFromTwentyToFiveHundred) {
    test::RecordingPrompt prompt;
    CCalibrateZoomDlg dialog(prompt, 100);
    showActive(dialog);
    const Message notANumber{"Please enter a number.", "", MessageIcon::Exclamation};
    const Message outOfRange{"Please enter a number between 20 and 500.", "",
                             MessageIcon::Exclamation};
    const std::pair<const char*, Message> cases[] = {
        {"", notANumber},      {"12cm", notANumber},  {"abc", notANumber},    {"1e", notANumber},
        {"1e400", notANumber}, {"19.99", outOfRange}, {"500.01", outOfRange}, {"-250", outOfRange},
    };
    for (const auto& [typed, expected] : cases) {
        prompt.messages.clear();
        dialog.distanceEdit()->setText(typed);
        dialog.findChild<QPushButton*>()->setFocus(); // the focus is elsewhere when OK is pressed
        dialog.accept();
        ASSERT_EQ(prompt.messages.size(), 1u) << typed;
        EXPECT_EQ(prompt.messages[0], expected) << typed;
        EXPECT_TRUE(dialog.isVisible()) << typed;
        EXPECT_TRUE(dialog.distanceEdit()->hasFocus()) << typed;
    }
    dialog.distanceEdit()->setText(" 20\t");
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.measuredDistance(), 20.0);
}

TEST(CalibrateZoomDialog, CancelReportsABadEntryButClosesWithoutIt) {
    test::RecordingPrompt prompt;
    CCalibrateZoomDlg dialog(prompt, 100);
    dialog.distanceEdit()->setText("600");
    dialog.reject();
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "Please enter a number between 20 and 500.");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    prompt.messages.clear();
    dialog.distanceEdit()->setText("250");
    dialog.reject();
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(dialog.measuredDistance(), 100.0);
}

TEST(CalibrateZoomDialog, DrawsTheReferenceLineInTenthsOfAMillimetre) {
    test::RecordingCanvas canvas;
    drawCalibrationReference(canvas);
    const Rgb red{255, 0, 0}, black{0, 0, 0};
    const std::vector<test::RecordedPolyline> expected{
        {{{100, -150}, {1100, -150}}, 5, red},
        {{{100, -150}, {100, -250}}, 0, black},
        {{{1100, -150}, {1100, -250}}, 0, black},
        {{{100, -220}, {1100, -220}}, 0, black},
        {{{1100, -220}, {1070, -210}, {1070, -230}, {1100, -220}}, 0, black},
        {{{100, -220}, {130, -210}, {130, -230}, {100, -220}}, 0, black},
    };
    EXPECT_EQ(canvas.polylines(), expected);
    EXPECT_EQ(canvas.calls.size(), expected.size());
}

TEST(AdjustIntensityDialog, OpensWithTheLevelAndTheMinimumTextAsGiven) {
    test::RecordingPrompt prompt;
    CAdjustIntensityDlg dialog(prompt, 50, "0.0001");
    EXPECT_EQ(dialog.windowTitle(), "Adjust Intensity");
    EXPECT_EQ(shown(dialog.saturationEdit()), "50 %");
    EXPECT_EQ(dialog.minimumBox()->currentText(), "0.0001");
    QStringList items;
    for (int i = 0; i < dialog.minimumBox()->count(); ++i)
        items << dialog.minimumBox()->itemText(i);
    EXPECT_EQ(items,
              QStringList({"10000", "1000", "100", "10", "1", "0.1", "0.01", "0.001", "0.0001"}));
    for (const char* text :
         {"&Saturation level (with respect\nto the strongest spot)", "0.001 % - 10000 %",
          "Decrease the value to increase\nthe intensity of each spot.",
          " &Minimum intensity (below\n which spots are discarded)",
          "The smaller the value, the\n more spots will appear."})
        EXPECT_TRUE(hasLabel(dialog, text)) << text;
    EXPECT_EQ(dialog.fullSaturationButton()->text(), "&100%");

    // A text from a file that is not in the list is shown as it is, not matched.
    EXPECT_EQ(CAdjustIntensityDlg(prompt, 100, "0.5").minimumBox()->currentText(), "0.5");
    EXPECT_EQ(shown(CAdjustIntensityDlg(prompt, 0, "1").saturationEdit()), "0.001 %");
}

TEST(AdjustIntensityDialog, SaturationStepsByTenAndResetsToOneHundred) {
    test::RecordingPrompt prompt;
    CAdjustIntensityDlg dialog(prompt, 0.001, "1");
    dialog.saturationEdit()->stepBy(true);
    EXPECT_EQ(shown(dialog.saturationEdit()), "10 %");
    type(dialog.saturationEdit(), "25 %");
    dialog.saturationEdit()->stepBy(true);
    EXPECT_EQ(shown(dialog.saturationEdit()), "30 %");
    dialog.fullSaturationButton()->click();
    EXPECT_EQ(shown(dialog.saturationEdit()), "100 %");
    type(dialog.saturationEdit(), "20000");
    dialog.accept();
    EXPECT_EQ(dialog.adjustment().saturationPercent, 10000.0);
    EXPECT_EQ(dialog.adjustment().minimumIntensity, 1.0);
}

TEST(AdjustIntensityDialog, RefusesMinimumsOutsideTheRangeWithTheFocusOnTheList) {
    test::RecordingPrompt prompt;
    CAdjustIntensityDlg dialog(prompt, 100, "0");
    showActive(dialog);
    const Message refused{"Please enter a number between 1e-8 and 10000", "", MessageIcon::None,
                          MessageButtons::Ok};
    for (const char* typed : {"0", "1e-9", "10000.5", "abc", "1e400"}) {
        prompt.messages.clear();
        dialog.minimumBox()->setEditText(typed);
        dialog.saturationEdit()->lineEdit()->setFocus();
        dialog.accept();
        ASSERT_EQ(prompt.messages.size(), 1u) << typed;
        EXPECT_EQ(prompt.messages[0], refused) << typed;
        EXPECT_TRUE(dialog.isVisible()) << typed;
        EXPECT_TRUE(dialog.minimumBox()->hasFocus()) << typed;
    }
    prompt.messages.clear();
    dialog.minimumBox()->setEditText("0.00000001");
    dialog.accept();
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.adjustment().minimumIntensity, 1e-8);
}

TEST(AdjustIntensityDialog, LimitsTheMinimumToTwentyCharacters) {
    test::RecordingPrompt prompt;
    CAdjustIntensityDlg dialog(prompt, 100, "1");
    // 21 characters: refused for its length before its value is looked at.
    dialog.minimumBox()->setEditText("0.0000000000000000001");
    dialog.accept();
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "Please enter no more than 20 characters.");
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    prompt.messages.clear();
    dialog.minimumBox()->setEditText("0000000000000000.001");
    dialog.accept();
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.adjustment().minimumIntensity, 0.001);
}

TEST(AdjustIntensityDialog, AsksForHelp) {
    test::RecordingPrompt prompt;
    CAdjustIntensityDlg dialog(prompt, 100, "1");
    QSignalSpy help(&dialog, &CAdjustIntensityDlg::helpRequested);
    showActive(dialog);
    QTest::keyClick(&dialog, Qt::Key_F1);
    EXPECT_EQ(help.count(), 1);
    EXPECT_TRUE(dialog.isVisible());
}

TEST(EquationDialog, ClosesOnAClickEnterOrEscape) {
    CEquationDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "Intensity Calculation Equation");
    const QImage picture = dialog.grab().toImage();
    EXPECT_GE(picture.width(), 311);
    EXPECT_GE(picture.height(), 209);

    showActive(dialog);
    QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_FALSE(dialog.isVisible());
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        showActive(dialog);
        QTest::keyClick(&dialog, key);
        EXPECT_FALSE(dialog.isVisible()) << key;
    }
}

} // namespace
} // namespace xtalsp::gui
