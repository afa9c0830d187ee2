// "Index Spots": finds the crystal orientations that explain the marked spots without any
// starting orientation, lists them, and hands the chosen one to the pattern.
#pragma once

#include "core/document/xtalspdoc.h"
#include "core/image/peaklist.h"
#include "core/orientation/indexing.h"

#include <QDialog>

#include <optional>
#include <vector>

class QPushButton;
class QTableWidget;

namespace xtalsp::gui {

class CStepEdit;

// The indexing request for the document's pattern: its structure, spectrum, geometry,
// distance, film, index limits and minimum intensity.
IndexingRequest documentIndexingRequest(const CXtalspDoc& doc, std::vector<FilmPeak> measured,
                                        double toleranceMm);

// Runs the search on a worker thread while a progress dialog with Cancel is shown; the window
// stays responsive meanwhile. A cancelled search returns a result marked cancelled.
Result<IndexingResult> indexWithProgress(QWidget* parent, IndexingRequest request);

class CIndexSpotsDlg : public QDialog {
    Q_OBJECT
public:
    CIndexSpotsDlg(const CXtalspDoc& doc, std::vector<FilmPeak> measured, UserPrompt& prompt,
                   QWidget* parent = nullptr);
    ~CIndexSpotsDlg() override;

    // The settings of the solution the user applied; nothing before.
    const std::optional<DiffractionSettings>& appliedSettings() const { return m_applied; }

    CStepEdit* toleranceEdit() const { return m_toleranceEdit; }
    QPushButton* indexButton() const { return m_indexButton; }
    QPushButton* applyButton() const { return m_applyButton; }
    QTableWidget* solutionTable() const { return m_table; }

private:
    void runIndexing();
    void showSolutions();
    void apply();

    const CXtalspDoc& m_doc;
    std::vector<FilmPeak> m_measured;
    UserPrompt& m_prompt;
    double m_toleranceMm = IndexingRequest{}.toleranceMm;
    std::vector<IndexingSolution> m_solutions;
    std::optional<DiffractionSettings> m_applied;
    CStepEdit* m_toleranceEdit = nullptr;
    QPushButton* m_indexButton = nullptr;
    QPushButton* m_applyButton = nullptr;
    QTableWidget* m_table = nullptr;
};

} // namespace xtalsp::gui
