// The peak list: the peaks found in the image (film mm, intensity), a new search with another
// threshold, and the CSV export.
#pragma once

#include "gui/image/patternimagelayer.h"
#include "gui/shell/filechooser.h"

#include "core/platform/result.h"
#include "core/platform/userprompt.h"

#include <QDialog>

class QDoubleSpinBox;
class QLabel;
class QTableWidget;

namespace xtalsp::gui {

class PeakListDlg : public QDialog {
    Q_OBJECT

public:
    // Non-modal; follows the layer until the layer or the window goes.
    PeakListDlg(PatternImageLayer& layer, FileChooser& chooser, UserPrompt& prompt,
                QWidget* parent = nullptr);

    QTableWidget* table() const { return m_table; }

private:
    void showPeaks();
    void findAgain();
    void exportCsv();

    PatternImageLayer& m_layer;
    FileChooser& m_chooser;
    UserPrompt& m_prompt;
    QDoubleSpinBox* m_threshold = nullptr;
    QLabel* m_count = nullptr;
    QTableWidget* m_table = nullptr;
};

// Writes the peaks as CSV; the failure message, if any.
Status writePeaksCsv(const std::vector<FilmPeak>& peaks, const QString& path);

// Shows the layer's peak list, making it the first time.
void showPeakWindow(PatternImageLayer& layer, FileChooser& chooser, UserPrompt& prompt,
                    QWidget* parent);

} // namespace xtalsp::gui
