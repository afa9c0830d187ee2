#include "gui/computation/structurefactordlg.h"

#include "core/computation/geometry.h"
#include "gui/shell/stepedit.h"
#include "support/silicon.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace xtalsp::gui {
namespace {

class StructureFactorDialog : public ::testing::Test {
protected:
    StructureFactorDialog()
        : dialog(computeReciprocalBasis(5.4305, 5.4305, 5.4305, 90, 90, 90),
                 test::silicon().groups) {}

    void enter(const QString& h, const QString& k, const QString& l) {
        dialog.indexEdit(0)->lineEdit()->setText(h);
        dialog.indexEdit(1)->lineEdit()->setText(k);
        dialog.indexEdit(2)->lineEdit()->setText(l);
        dialog.calculateButton()->click();
    }

    CStructureFactorDlg dialog;
};

TEST_F(StructureFactorDialog, OpensOnTheOriginReflection) {
    EXPECT_EQ(dialog.windowTitle(), "Structure Factor");
    EXPECT_EQ(dialog.calculateButton()->text(), "&Calculate");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(dialog.indexEdit(i)->lineEdit()->text(), "0");
    // F(000) counts the electrons of the eight silicon atoms at s = 0.
    EXPECT_EQ(dialog.magnitudeLabel()->text(), "111.99248");
    EXPECT_EQ(dialog.phaseLabel()->text(), QString::fromUtf8("0\u00B0"));
    EXPECT_EQ(dialog.dSpacingLabel()->text(), " N/A");
}

TEST_F(StructureFactorDialog, SiliconOneOneOne) {
    enter("1", "1", "1");
    // Diamond structure: |F(111)| = 4 sqrt(2) f(Si) at s = sqrt(3) / (2a), phase -45 degrees.
    EXPECT_EQ(dialog.magnitudeLabel()->text(), "58.7221958021");
    EXPECT_EQ(dialog.phaseLabel()->text(), QString::fromUtf8("315\u00B0"));
    EXPECT_EQ(dialog.dSpacingLabel()->text(), QString::fromUtf8("3.135301 \u00C5"));
}

TEST_F(StructureFactorDialog, ForbiddenReflectionShowsZeroAndIndicesAreClamped) {
    enter("2", "0", "0");
    EXPECT_EQ(dialog.magnitudeLabel()->text(), "0");
    EXPECT_EQ(dialog.phaseLabel()->text(), "0");
    EXPECT_EQ(dialog.dSpacingLabel()->text(), QString::fromUtf8("2.71525 \u00C5"));

    // Whole numbers within +-999 only: -1.6 becomes -2, 5000 becomes 999.
    enter("-1.6", "5000", "0");
    EXPECT_EQ(dialog.indexEdit(0)->lineEdit()->text(), "-2");
    EXPECT_EQ(dialog.indexEdit(1)->lineEdit()->text(), "999");
    EXPECT_EQ(dialog.dSpacingLabel()->text(), QString::fromUtf8("0.005436 \u00C5"));
}

} // namespace
} // namespace xtalsp::gui
