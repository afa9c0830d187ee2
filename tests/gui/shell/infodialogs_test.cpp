#include "gui/shell/infodialogs.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

namespace xtalsp::gui {
namespace {

TEST(InfoDialogs, CloseOnClickAndEnter) {
    CAcceleratorsDlg keys;
    EXPECT_EQ(keys.windowTitle(), "Important Accelerators");
    QStringList texts;
    for (const QLabel* label : keys.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains("   Alt+  -"));
    EXPECT_TRUE(texts.contains("Reduce the imaging distance by 1 cm"));
    keys.show();
    QTest::keyClick(&keys, Qt::Key_Return);
    EXPECT_EQ(keys.result(), QDialog::Accepted);

    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), "About Xtalspotter");
    about.show();
    QTest::mouseClick(&about, Qt::LeftButton);
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

} // namespace
} // namespace xtalsp::gui
