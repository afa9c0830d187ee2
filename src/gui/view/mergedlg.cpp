// The merge dialog: paths are checked on OK and handed back trimmed, as the file system takes them.
#include "gui/view/mergedlg.h"

#include "gui/shell/helpviewer.h"
#include "gui/view/viewdialogs.h"
#include "gui/view/viewexports.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace xtalsp::gui {

CMergeDlg::CMergeDlg(FileChooser& chooser, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), m_chooser(chooser), m_prompt(prompt) {
    setWindowTitle("Select Files to Merge with the Current Pattern");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);

    m_outputEdit = addPathRow(*grid, 0, "&Output Windows metafile", "&...", m_outputBrowse);
    m_file1Edit = addPathRow(*grid, 2, "Input &Merging file 1", "...", m_file1Browse);
    m_colour1Group = addColourRow(*grid, 4, {"&Gray or Black", "&Red", "&Blue"}, m_colour1Buttons);
    m_file2Edit = addPathRow(*grid, 5, "Input Merging file &2 (optional)", "...", m_file2Browse);
    m_colour2Group = addColourRow(*grid, 7, {"Gray &or &Black", "R&ed", "Bl&ue"}, m_colour2Buttons);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CMergeDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CMergeDlg::reject);
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, &CMergeDlg::helpRequested);

    connect(m_outputBrowse, &QPushButton::clicked, this, &CMergeDlg::browseOutput);
    connect(m_file1Browse, &QPushButton::clicked, this, [this] { browseMergingFile(m_file1Edit); });
    connect(m_file2Browse, &QPushButton::clicked, this, [this] { browseMergingFile(m_file2Edit); });
    m_outputEdit->setFocus();
}

QLineEdit* CMergeDlg::addPathRow(QGridLayout& grid, int row, const QString& caption,
                                 const QString& browseCaption, QPushButton*& browse) {
    auto* edit = new QLineEdit(this);
    edit->setMinimumWidth(320);
    auto* label = new QLabel(caption, this);
    label->setBuddy(edit);
    grid.addWidget(label, row, 0, 1, 2);
    grid.addWidget(edit, row + 1, 0);
    browse = new QPushButton(browseCaption, this);
    // Enter in a path box means OK, not another file dialog.
    browse->setAutoDefault(false);
    grid.addWidget(browse, row + 1, 1);
    return edit;
}

QButtonGroup* CMergeDlg::addColourRow(QGridLayout& grid, int row,
                                      const std::array<QString, 3>& captions,
                                      std::array<QRadioButton*, 3>& buttons) {
    auto* group = new QButtonGroup(this);
    auto* line = new QHBoxLayout;
    line->addWidget(new QLabel("Plotting Color:", this));
    for (int colour = 0; colour < 3; ++colour) {
        buttons[colour] = new QRadioButton(captions[colour], this);
        group->addButton(buttons[colour], colour);
        line->addWidget(buttons[colour]);
    }
    line->addStretch();
    buttons[MergeGreyLevels]->setChecked(true);
    grid.addLayout(line, row, 0, 1, 2);
    return group;
}

QRadioButton* CMergeDlg::colourButton(int file, int colour) const {
    if (colour < 0 || colour > 2 || (file != 1 && file != 2))
        return nullptr;
    return file == 1 ? m_colour1Buttons[colour] : m_colour2Buttons[colour];
}

void CMergeDlg::browseOutput() {
    FileDialogSpec dialog = pictureFileDialog("Output Windows metafile");
    const QString path = m_chooser.saveFileName(dialog);
    if (!path.isEmpty())
        m_outputEdit->setText(QDir::toNativeSeparators(path));
}

void CMergeDlg::browseMergingFile(QLineEdit* edit) {
    const QString path =
        m_chooser.openFileName(mergingFileDialog("Select a file for merging", false));
    if (!path.isEmpty())
        edit->setText(QDir::toNativeSeparators(path));
}

MergeRequest CMergeDlg::enteredRequest() const {
    MergeRequest request;
    request.outputPath = filePathBytes(m_outputEdit->text());
    request.file1 = filePathBytes(m_file1Edit->text());
    request.colour1 = m_colour1Group->checkedId();
    request.file2 = filePathBytes(m_file2Edit->text());
    request.colour2 = m_colour2Group->checkedId();
    return request;
}

QLineEdit* CMergeDlg::editFor(MergeField field) const {
    switch (field) {
    case MergeField::Output:
        return m_outputEdit;
    case MergeField::File1:
        return m_file1Edit;
    case MergeField::File2:
        break;
    }
    return m_file2Edit;
}

void CMergeDlg::accept() {
    MergeRequest request = enteredRequest();
    std::optional<MergeRequestProblem> problem = checkMergeRequest(request);
    if (!problem && mergeOutputIsAnInput(request))
        problem = MergeRequestProblem{differentOutputMessage(), MergeField::Output};
    if (problem) {
        m_prompt.show(problem->message);
        editFor(problem->field)->setFocus();
        return;
    }
    m_request = std::move(request);
    QDialog::accept();
}

std::optional<MergeRequest> QtViewDialogs::mergeFiles(QWidget* parent, FileChooser& chooser,
                                                      UserPrompt& prompt) {
    CMergeDlg dialog(chooser, prompt, parent);
    HelpViewer help(prompt, QCoreApplication::applicationDirPath());
    QObject::connect(&dialog, &CMergeDlg::helpRequested, &dialog,
                     [&help, &dialog] { help.showOver(&dialog); });
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.request();
}

} // namespace xtalsp::gui
