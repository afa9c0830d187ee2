// The spectrum editor and the document's way of opening it.
#include "gui/spectrum/spectrumdlg.h"

#include "core/io/filebytes.h"
#include "core/spectrum/spectrumfile.h"
#include "core/spectrum/spectrumtext.h"
#include "core/spectrum/startupspectrum.h"
#include "gui/shell/documentdialogs.h"
#include "gui/shell/qtplatform.h"
#include "gui/spectrum/changeintensitydlg.h"
#include "gui/spectrum/spectrumlistctrl.h"
#include "gui/spectrum/spectrumplot.h"
#include "gui/spectrum/tubedlg.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace xtalsp::gui {
namespace {

// Qt's "*" stands for the "*.*" of the desktop's file dialogs: every file, with or without a dot.
const char* const kSpectrumFilter =
    "Spectrum Files (*.Spectrum);;Text Files (*.dat);;All Files (*)";

} // namespace

CSpectrumDlg::CSpectrumDlg(const Spectrum& start, const QString& applicationDirectory,
                           UserPrompt& prompt, FileChooser& chooser, QWidget* parent)
    : QDialog(parent), m_spectrum(start), m_applicationDirectory(applicationDirectory),
      m_prompt(prompt), m_chooser(chooser),
      m_intensityEntry([this](int row, double intensity) { return askIntensity(row, intensity); }),
      m_tubeEntry([this](const TubeSettings& last) -> std::optional<TubeSettings> {
          TubeDlg dialog(last, this);
          if (dialog.exec() != QDialog::Accepted)
              return std::nullopt;
          return dialog.settings();
      }) {
    setWindowTitle("Define or Change Spectrum");

    m_list = new CSpectrumListCtrl(this);
    m_list->showSpectrum(m_spectrum);
    m_plot = new SpectrumPlot(m_spectrum, this);
    auto* wavelengthTitle = new QLabel(fromCp1252("Wavelength (\xC5)"), this);
    // Over the wavelength column, and wider than it when the font needs the room.
    wavelengthTitle->setMinimumWidth(CSpectrumListCtrl::kWavelengthColumnWidth);
    auto* titles = new QHBoxLayout;
    titles->addWidget(wavelengthTitle);
    titles->addWidget(new QLabel("Intensity (a.u.)", this), 1);

    m_import = new QPushButton("&Import...", this);
    m_saveAsDefault = new QPushButton("Save as &Default", this);
    m_saveCopy = new QPushButton("&Save a Copy as...", this);
    auto* fileButtons = new QVBoxLayout;
    fileButtons->addWidget(m_import);
    fileButtons->addWidget(m_saveAsDefault);
    fileButtons->addWidget(m_saveCopy);
    m_tube = new QPushButton("Generate from &tube...", this);
    fileButtons->addWidget(m_tube);
    fileButtons->addStretch(1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    buttons->button(QDialogButtonBox::Cancel)->setText("Cancel");

    auto* grid = new QGridLayout(this);
    grid->addLayout(titles, 0, 0);
    grid->addWidget(m_list, 1, 0, 2, 1);
    grid->addWidget(m_plot, 1, 1, Qt::AlignTop);
    grid->addLayout(fileButtons, 2, 1);
    grid->addWidget(buttons, 3, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    m_list->setMinimumWidth(CSpectrumListCtrl::kIntensityColumnInset + 120);

    connect(m_list, &CSpectrumListCtrl::editRequested, this, &CSpectrumDlg::changeIntensity);
    connect(m_import, &QPushButton::clicked, this, &CSpectrumDlg::importSpectrum);
    connect(m_saveAsDefault, &QPushButton::clicked, this, &CSpectrumDlg::saveAsDefault);
    connect(m_saveCopy, &QPushButton::clicked, this, &CSpectrumDlg::saveCopy);
    connect(m_tube, &QPushButton::clicked, this, &CSpectrumDlg::generateFromTube);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSpectrumDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSpectrumDlg::reject);
    m_list->setFocus();
}

CSpectrumDlg::~CSpectrumDlg() = default;

std::optional<double> CSpectrumDlg::askIntensity(int row, double intensity) {
    CChangeIntensityDlg dialog(row, intensity, m_prompt, this);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.intensity();
}

void CSpectrumDlg::changeIntensity() {
    const int row = m_list->selectedRow();
    if (row < 0)
        return;
    m_list->scrollToItem(m_list->item(row, 0));
    double& entry = m_spectrum.intensity[static_cast<std::size_t>(row)];
    const std::optional<double> changed = m_intensityEntry(row, entry);
    if (!changed || *changed == entry)
        return;
    entry = *changed;
    m_list->showIntensity(row, entry);
    m_plot->update();
    m_modified = true;
}

void CSpectrumDlg::takeSpectrum(const Spectrum& spectrum, bool modified) {
    m_spectrum = spectrum;
    m_list->showSpectrum(m_spectrum);
    m_plot->update();
    m_modified = modified;
}

FileDialogSpec CSpectrumDlg::spectrumFileDialog(const QString& title) const {
    return FileDialogSpec{title, kSpectrumFilter, "Spectrum", m_applicationDirectory, true};
}

bool CSpectrumDlg::askedToGoBackAndSave(const std::string& question) {
    const Message message{question, "", MessageIcon::Question, MessageButtons::YesNo,
                          MessageAnswer::Yes};
    return m_prompt.show(message) == MessageAnswer::Yes;
}

void CSpectrumDlg::generateFromTube() {
    if (m_modified && askedToGoBackAndSave("Do you want to save a copy of the current spectrum?\n"
                                           "If yes, select Yes and go back to save it."))
        return;
    const std::optional<TubeSettings> tube = m_tubeEntry(m_lastTube);
    if (!tube)
        return;
    const Result<Spectrum> generated = tubeSpectrum(*tube);
    if (!generated.ok()) {
        m_prompt.show(generated.failure());
        return;
    }
    m_lastTube = *tube;
    takeSpectrum(generated.value(), true);
}

void CSpectrumDlg::importSpectrum() {
    if (m_modified && askedToGoBackAndSave("Do you want to save a copy of the current spectrum?\n"
                                           "If yes, select Yes and go back to save it."))
        return;
    const QString chosen = m_chooser.openFileName(spectrumFileDialog("Import Spectrum"));
    if (chosen.isEmpty())
        return;
    // The file functions take the file system's bytes; the messages name the file readably.
    const std::string path = fileSystemPath(chosen);
    ReadablePathPrompt prompt(m_prompt);
    prompt.setPaths({chosen});
    if (lowerExtensionOf(path) == "spectrum") {
        const Result<Spectrum> file = readSpectrumFile(path);
        if (!file.ok()) {
            prompt.show(file.failure());
            return;
        }
        takeSpectrum(file.value(), false);
        return;
    }
    const Result<SpectrumImport> text = readSpectrumText(path);
    if (!text.ok()) {
        prompt.show(text.failure());
        return;
    }
    if (const std::optional<Message> warning =
            spectrumItemCountWarning(text.value().itemCount, path))
        prompt.show(*warning);
    takeSpectrum(text.value().spectrum, true);
}

void CSpectrumDlg::saveCopy() {
    const QString chosen = m_chooser.saveFileName(spectrumFileDialog("Save the spectrum as..."));
    if (chosen.isEmpty())
        return;
    const std::string path = fileSystemPath(chosen);
    ReadablePathPrompt prompt(m_prompt);
    prompt.setPaths({chosen});
    if (lowerExtensionOf(path) == "dat") {
        // The text form is an export: the copy is still not the content of a spectrum file.
        if (const Status failure = writeSpectrumDat(path, m_spectrum); !failure.ok())
            prompt.show(failure.failure());
        return;
    }
    if (const Status failure = writeSpectrumFile(path, m_spectrum); !failure.ok()) {
        prompt.show(failure.failure());
        m_prompt.show({"Saving spectrum failed!", "Xtalspotter", MessageIcon::Stop});
        return;
    }
    m_modified = false;
}

void CSpectrumDlg::saveAsDefault() {
    // The same path the start-up of every new pattern reads.
    const QString folder = m_applicationDirectory;
    const std::string target = defaultSpectrumPath(fileSystemPath(folder));
    ReadablePathPrompt prompt(m_prompt);
    prompt.setPaths({folder});
    const Message question{"This will overwrite " + target + ".\nDo you want to continue?",
                           "Just remind you...", MessageIcon::Question, MessageButtons::YesNo,
                           MessageAnswer::No};
    if (prompt.show(question) != MessageAnswer::Yes)
        return;
    if (const Status failure = writeSpectrumFile(target, m_spectrum); !failure.ok()) {
        prompt.show(failure.failure());
        prompt.show({"Saving to " + target + " Failed!", ""});
        return;
    }
    m_modified = false;
}

void CSpectrumDlg::accept() {
    if (m_modified &&
        askedToGoBackAndSave("Do you want to save the spectrum as a file for later use?\n"
                             "If yes, select Yes and go back to save it."))
        return;
    Spectrum normalised = m_spectrum;
    if (const Status failure = NormalizeSpectrum(normalised); !failure.ok()) {
        m_prompt.show(failure.failure());
        return;
    }
    m_spectrum = normalised;
    QDialog::accept();
}

std::optional<Spectrum> QtDocumentDialogs::editSpectrum(QWidget* parent, const Spectrum& start,
                                                        const QString& applicationDirectory) {
    CSpectrumDlg dialog(start, applicationDirectory, m_prompt, m_chooser, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.spectrum();
}

} // namespace xtalsp::gui
