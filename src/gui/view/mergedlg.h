// "Select Files to Merge with the Current Pattern": the output picture, one or two merging
// files and the colour each is drawn in.
#pragma once

#include "core/platform/userprompt.h"
#include "gui/shell/filechooser.h"
#include "render/pictureexport.h"

#include <QDialog>

#include <array>

class QAbstractButton;
class QButtonGroup;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace xtalsp::gui {

class CMergeDlg : public QDialog {
    Q_OBJECT
public:
    // Every field starts empty and both colours at grey levels.
    CMergeDlg(FileChooser& chooser, UserPrompt& prompt, QWidget* parent = nullptr);

    // The trimmed paths and the colours once OK has accepted them.
    const MergeRequest& request() const { return m_request; }

    QLineEdit* outputEdit() const { return m_outputEdit; }
    QLineEdit* file1Edit() const { return m_file1Edit; }
    QLineEdit* file2Edit() const { return m_file2Edit; }
    QPushButton* outputBrowseButton() const { return m_outputBrowse; }
    QPushButton* file1BrowseButton() const { return m_file1Browse; }
    QPushButton* file2BrowseButton() const { return m_file2Browse; }
    // The radio button of a colour value (MergeColour) for file 1 or 2.
    QRadioButton* colourButton(int file, int colour) const;

    void accept() override;

signals:
    // The user pressed F1; the help opens at its default topic.
    void helpRequested();

private:
    QLineEdit* addPathRow(QGridLayout& grid, int row, const QString& caption,
                          const QString& browseCaption, QPushButton*& browse);
    QButtonGroup* addColourRow(QGridLayout& grid, int row, const std::array<QString, 3>& captions,
                               std::array<QRadioButton*, 3>& buttons);
    void browseOutput();
    void browseMergingFile(QLineEdit* edit);
    MergeRequest enteredRequest() const;
    QLineEdit* editFor(MergeField field) const;

    FileChooser& m_chooser;
    UserPrompt& m_prompt;
    MergeRequest m_request;
    QLineEdit* m_outputEdit;
    QLineEdit* m_file1Edit;
    QLineEdit* m_file2Edit;
    QPushButton* m_outputBrowse = nullptr;
    QPushButton* m_file1Browse = nullptr;
    QPushButton* m_file2Browse = nullptr;
    std::array<QRadioButton*, 3> m_colour1Buttons{};
    std::array<QRadioButton*, 3> m_colour2Buttons{};
    QButtonGroup* m_colour1Group;
    QButtonGroup* m_colour2Group;
};

} // namespace xtalsp::gui
