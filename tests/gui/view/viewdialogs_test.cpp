#include "view/viewdialogs.h"

#include <QApplication>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace xtalsp::gui {
namespace {

// Works the modal dialog that is about to open, then closes it with OK or Cancel.
void whenDialogOpens(const std::function<void(QDialog&)>& work, bool accept) {
    QTimer::singleShot(0, [work, accept] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        work(*dialog);
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    });
}

QDoubleSpinBox& box(QDialog& dialog, const char* name) {
    auto* found = dialog.findChild<QDoubleSpinBox*>(name);
    if (found == nullptr)
        throw std::runtime_error(name);
    return *found;
}

void type(QDoubleSpinBox& box, const QString& text) {
    box.findChild<QLineEdit*>()->setText(text);
}

TEST(ViewDialogs, CustomZoomTakesTenToFiveHundredPercent) {
    QtViewDialogs dialogs;
    QString title, shown;
    whenDialogOpens(
        [&](QDialog& dialog) {
            title = dialog.windowTitle();
            shown = box(dialog, "zoomPercent").text();
            type(box(dialog, "zoomPercent"), "1000");
        },
        true);
    EXPECT_EQ(dialogs.customZoom(nullptr, 67), 500.0);
    EXPECT_EQ(title, "Custom Zoom");
    EXPECT_EQ(shown, "67");

    // A number followed by other text reads as the number.
    whenDialogOpens([](QDialog& dialog) { type(box(dialog, "zoomPercent"), "125abc"); }, true);
    EXPECT_EQ(dialogs.customZoom(nullptr, 100), 125.0);

    whenDialogOpens([](QDialog& dialog) { type(box(dialog, "zoomPercent"), "300"); }, false);
    EXPECT_EQ(dialogs.customZoom(nullptr, 100), std::nullopt);
}

TEST(ViewDialogs, SpotSizeOffersTheTwoMillimetreDefault) {
    QtViewDialogs dialogs;
    QString title;
    whenDialogOpens(
        [&](QDialog& dialog) {
            title = dialog.windowTitle();
            dialog.findChild<QPushButton*>("defaultButton")->click();
        },
        true);
    EXPECT_EQ(dialogs.spotSize(nullptr, {3.0, 1.5}), (SpotSizeMm{2.0, 2.0}));
    EXPECT_EQ(title, "Diffraction Spot Size");

    whenDialogOpens(
        [](QDialog& dialog) {
            type(box(dialog, "spotWidth"), "25");
            type(box(dialog, "spotHeight"), "0.1");
        },
        true);
    EXPECT_EQ(dialogs.spotSize(nullptr, {3.0, 1.5}), (SpotSizeMm{20.0, 0.5}));

    whenDialogOpens([](QDialog&) {}, false);
    EXPECT_EQ(dialogs.spotSize(nullptr, {3.0, 1.5}), std::nullopt);
}

} // namespace
} // namespace xtalsp::gui
