#include "gui/spectrum/changeintensitydlg.h"

#include "gui/shell/qtplatform.h"
#include "gui/spectrum/whitevaluelabel.h"
#include "support/recordingprompt.h"

#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace xtalsp::gui {
namespace {

const char* const kNotANumber = "Please enter a number.";
const char* const kOutOfRange = "Please enter a number between 0 and 1e+300.";

std::string refusal(std::string_view text) {
    const Result<double> entry = parseIntensityEntry(text);
    return entry.ok() ? std::string() : entry.failure().text;
}

TEST(IntensityEntry, TakesNumbersFromZeroTo1e300) {
    EXPECT_EQ(parseIntensityEntry("2").value(), 2.0);
    EXPECT_EQ(parseIntensityEntry(" 1e300 ").value(), 1e300);
    EXPECT_EQ(parseIntensityEntry("0").value(), 0.0);
    EXPECT_EQ(parseIntensityEntry(".5").value(), 0.5);
    EXPECT_EQ(parseIntensityEntry("+5.").value(), 5.0);
    EXPECT_EQ(parseIntensityEntry("2.5E-3").value(), 0.0025);
    EXPECT_FALSE(std::signbit(parseIntensityEntry("-0").value()));
}

TEST(IntensityEntry, RefusesNumbersOutsideTheRange) {
    EXPECT_EQ(refusal("-1"), kOutOfRange);
    EXPECT_EQ(refusal("1.1e300"), kOutOfRange);
    EXPECT_EQ(refusal("1e400"), kOutOfRange); // beyond the double range: infinity
    EXPECT_EQ(parseIntensityEntry("-1").failure().icon, MessageIcon::Exclamation);
}

TEST(IntensityEntry, RefusesTextThatIsNotOneNumber) {
    for (const char* text :
         {"", "  ", "abc", "1.5x", "1e", "1e+", ".", "-", "1 2", "inf", "nan", "0x10", "1,5"})
        EXPECT_EQ(refusal(text), kNotANumber) << text;
}

TEST(ChangeIntensityDlg, ShowsTheRowOnWhite) {
    test::RecordingPrompt prompt;
    CChangeIntensityDlg dialog(100, 0.5, prompt);
    EXPECT_EQ(dialog.windowTitle(), "Change Intensity");
    EXPECT_EQ(dialog.wavelengthLabel()->text(), fromCp1252(" 1.00 \xC5"));
    EXPECT_EQ(dialog.wavelengthLabel()->palette().color(QPalette::Window), QColor(255, 255, 255));
    EXPECT_EQ(dialog.wavelengthLabel()->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(dialog.intensityEdit()->text(), "0.5");
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    EXPECT_TRUE(labels.contains("Wavelength:"));
    EXPECT_TRUE(labels.contains("&Intensity (a.u.):"));
}

TEST(ChangeIntensityDlg, OkTakesAValidEntryAndRefusesOthers) {
    test::RecordingPrompt prompt;
    CChangeIntensityDlg dialog(5, 0.5, prompt);
    dialog.intensityEdit()->setText("abc");
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    dialog.intensityEdit()->setText("2e301");
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(prompt.messages.size(), 2u);
    EXPECT_EQ(prompt.messages[0].text, kNotANumber);
    EXPECT_EQ(prompt.messages[1].text, kOutOfRange);
    EXPECT_EQ(dialog.intensity(), 0.5);

    dialog.intensityEdit()->setText("2");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.intensity(), 2.0);

    CChangeIntensityDlg cancelled(1, 0.25, prompt);
    cancelled.intensityEdit()->setText("7");
    cancelled.reject();
    EXPECT_EQ(cancelled.intensity(), 0.25);
}

TEST(ChangeIntensityDlg, UntouchedEntryKeepsTheExactValue) {
    // 0.1 + 0.2 has no 15-digit text that reads back to it.
    const double awkward = 0.1 + 0.2;
    test::RecordingPrompt prompt;
    CChangeIntensityDlg dialog(1, awkward, prompt);
    EXPECT_EQ(dialog.intensityEdit()->text(), "0.3");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.intensity(), awkward);
    EXPECT_TRUE(prompt.messages.empty());
}

} // namespace
} // namespace xtalsp::gui
