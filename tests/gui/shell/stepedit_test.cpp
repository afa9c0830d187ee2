#include "gui/shell/stepedit.h"

#include "support/localetest.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace xtalsp::gui {
namespace {

// A shown window with a step edit and a second box to move the focus to.
class StepEditWindow : public ::testing::Test {
protected:
    StepEditWindow() {
        auto* layout = new QVBoxLayout(&window);
        box = new CStepEdit(&window);
        other = new QLineEdit(&window);
        layout->addWidget(box);
        layout->addWidget(other);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void attach(double minimum, double maximum, double step, bool integerOnly = false,
                const QString& suffix = QString()) {
        box->Attach(&value, minimum, maximum, step, integerOnly, suffix);
    }
    QString text() const { return box->lineEdit()->text(); }
    // Types into the box and leaves it with the Tab key, as a user does.
    void typeAndLeave(const QString& typed) {
        box->lineEdit()->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), typed);
        QTest::keyClick(box->lineEdit(), Qt::Key_Tab);
    }
    void click(const char* arrowName) {
        QTest::mouseClick(box->findChild<QToolButton*>(arrowName), Qt::LeftButton);
    }

    QWidget window;
    CStepEdit* box = nullptr;
    QLineEdit* other = nullptr;
    double value = 0.0;
};

TEST_F(StepEditWindow, ArrowsLandOnTheNextMultipleAndStopAtTheEnds) {
    EXPECT_FALSE(box->findChild<QToolButton*>("upArrow")->isEnabled());
    value = 2.5;
    attach(-10, 10, 1);
    EXPECT_TRUE(box->findChild<QToolButton*>("upArrow")->isEnabled());
    EXPECT_EQ(text(), "2.5");
    click("upArrow");
    EXPECT_EQ(value, 3.0);
    click("upArrow");
    EXPECT_EQ(value, 4.0);
    EXPECT_EQ(text(), "4");

    box->lineEdit()->setText("2.5");
    click("downArrow");
    EXPECT_EQ(value, 2.0);
    box->lineEdit()->setText("-2.5");
    click("downArrow");
    EXPECT_EQ(value, -3.0);
    box->lineEdit()->setText("0");
    click("downArrow");
    EXPECT_EQ(value, -1.0);

    // After an arrow the box has the focus and its whole text is selected.
    EXPECT_TRUE(box->lineEdit()->hasFocus());
    EXPECT_EQ(box->lineEdit()->selectedText(), "-1");

    box->lineEdit()->setText("10");
    click("upArrow");
    EXPECT_EQ(value, 10.0);
    box->lineEdit()->setText("-9.5");
    click("downArrow");
    click("downArrow");
    EXPECT_EQ(text(), "-10");
}

TEST_F(StepEditWindow, LosingTheFocusReadsTheTypedNumber) {
    value = 15;
    attach(2, 500, 1);
    typeAndLeave("12cm");
    EXPECT_TRUE(other->hasFocus());
    EXPECT_EQ(value, 12.0);
    EXPECT_EQ(text(), "12");

    typeAndLeave("1");
    EXPECT_EQ(value, 2.0);
    EXPECT_EQ(text(), "2");

    // Letters read 0, which the range lifts to its minimum.
    typeAndLeave("abc");
    EXPECT_EQ(value, 2.0);

    typeAndLeave("1e400");
    EXPECT_EQ(value, 500.0);

    // Where the range holds 0, letters give 0.
    attach(-89.9999, 89.9999, 1);
    typeAndLeave("x");
    EXPECT_EQ(text(), "0");
}

TEST_F(StepEditWindow, IntegerBoxesRoundHalvesAwayFromZero) {
    value = 2.5;
    attach(-999, 999, 1, true);
    EXPECT_EQ(value, 3.0);
    EXPECT_EQ(text(), "3");
    typeAndLeave("-2.5");
    EXPECT_EQ(value, -3.0);
    typeAndLeave("-0.4");
    EXPECT_EQ(text(), "0");
    box->lineEdit()->setText("1.2");
    click("upArrow");
    EXPECT_EQ(value, 2.0);
}

TEST_F(StepEditWindow, LineBreaksBecomeBlanks) {
    value = 1;
    attach(0, 100, 1);
    box->lineEdit()->setText("12\r\n5");
    EXPECT_EQ(text(), "12  5");

    QApplication::clipboard()->setText("3\n4");
    box->lineEdit()->selectAll();
    box->lineEdit()->paste();
    EXPECT_EQ(text(), "3 4");
    box->commit();
    EXPECT_EQ(value, 3.0);
}

TEST_F(StepEditWindow, ReportsEveryNewValue) {
    value = 5;
    attach(0, 10, 1);
    QSignalSpy changed(box, &CStepEdit::valueChanged);
    box->lineEdit()->setText("7");
    box->commit();
    box->Refresh();
    click("upArrow");
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed[0][0].toDouble(), 7.0);
    EXPECT_EQ(changed[1][0].toDouble(), 8.0);
    EXPECT_EQ(box->value(), 8.0);
}

TEST(StepEdit, ReadsAndShowsPointDecimalsInACommaLocale) {
    XTALSP_ENTER_COMMA_LOCALE(guard);
    double value = 2.5;
    CStepEdit box;
    box.Attach(&value, 0, 10, 0.5, false, " mm");
    EXPECT_EQ(box.lineEdit()->text(), "2.5 mm");
    box.lineEdit()->setText("7.25");
    box.commit();
    EXPECT_EQ(value, 7.25);
    box.lineEdit()->setText("3,5");
    box.stepBy(true);
    EXPECT_EQ(value, 3.5);
}

} // namespace
} // namespace xtalsp::gui
