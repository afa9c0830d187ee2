// "Define or Change Spectrum": the editor of a pattern's incident spectrum, working on a copy
// that it hands back normalised on OK.
#pragma once

#include "core/platform/userprompt.h"
#include "core/spectrum/spectrum.h"
#include "core/spectrum/tubespectrum.h"
#include "gui/shell/filechooser.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>
#include <string>

class QPushButton;

namespace xtalsp::gui {

class CSpectrumListCtrl;
class SpectrumPlot;

class CSpectrumDlg : public QDialog {
    Q_OBJECT
public:
    // Asks for the new intensity of a row: the accepted value, or nothing on Cancel.
    using IntensityEntry = std::function<std::optional<double>(int row, double intensity)>;
    // Asks for the tube to generate a spectrum from: the settings, or nothing on Cancel.
    using TubeEntry = std::function<std::optional<TubeSettings>(const TubeSettings& last)>;

    // The prompt and the chooser must outlive the dialog. Files are offered from, and the default
    // spectrum is saved to, the application directory.
    CSpectrumDlg(const Spectrum& start, const QString& applicationDirectory, UserPrompt& prompt,
                 FileChooser& chooser, QWidget* parent = nullptr);
    ~CSpectrumDlg() override;

    // The edited copy; after a successful OK, normalised to a largest intensity of 1.
    const Spectrum& spectrum() const { return m_spectrum; }
    // The copy is not what a spectrum file holds: it was changed by hand or imported from text.
    bool isModified() const { return m_modified; }

    CSpectrumListCtrl* list() const { return m_list; }
    SpectrumPlot* plot() const { return m_plot; }
    QPushButton* importButton() const { return m_import; }
    QPushButton* saveAsDefaultButton() const { return m_saveAsDefault; }
    QPushButton* saveCopyButton() const { return m_saveCopy; }
    QPushButton* tubeButton() const { return m_tube; }

    // Replaces the "Change Intensity" dialog, for tests.
    void setIntensityEntry(IntensityEntry entry) { m_intensityEntry = std::move(entry); }
    // Replaces the "Generate from Tube" dialog, for tests.
    void setTubeEntry(TubeEntry entry) { m_tubeEntry = std::move(entry); }

    // Changes the intensity of the selected row; nothing without a selection.
    void changeIntensity();
    // Reads a spectrum file, or a spectrum text file by any other extension, into the copy.
    void importSpectrum();
    // Replaces the copy with the spectrum of an X-ray tube, after the same question as an import.
    void generateFromTube();
    // Writes the copy as a spectrum file, or as ".dat" text by that extension.
    void saveCopy();
    // Writes the copy over "Default.Spectrum", from which new patterns take their spectrum.
    void saveAsDefault();
    // Normalises the copy and closes, unless the user goes back to save it or it is empty.
    void accept() override;

private:
    std::optional<double> askIntensity(int row, double intensity);
    void takeSpectrum(const Spectrum& spectrum, bool modified);
    FileDialogSpec spectrumFileDialog(const QString& title) const;
    bool askedToGoBackAndSave(const std::string& question);

    Spectrum m_spectrum;
    bool m_modified = false;
    QString m_applicationDirectory;
    UserPrompt& m_prompt;
    FileChooser& m_chooser;
    IntensityEntry m_intensityEntry;
    TubeEntry m_tubeEntry;
    TubeSettings m_lastTube;
    CSpectrumListCtrl* m_list = nullptr;
    SpectrumPlot* m_plot = nullptr;
    QPushButton* m_import = nullptr;
    QPushButton* m_saveAsDefault = nullptr;
    QPushButton* m_saveCopy = nullptr;
    QPushButton* m_tube = nullptr;
};

} // namespace xtalsp::gui
