// "Fit Orientation": refines the crystal's orientation against the marked spots and shows how
// well the fitted pattern meets them before the user applies it.
#pragma once

#include "core/document/xtalspdoc.h"
#include "core/image/peaklist.h"
#include "core/orientation/orientationfit.h"

#include <QDialog>

#include <optional>
#include <vector>

class QCheckBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QTableWidget;

namespace xtalsp::gui {

class CStepEdit;

// The count of marked spots and the pairing-tolerance field the fit and index dialogs open
// with (rows 0 and 1 of their grid); the field edits *toleranceMm within the range.
struct ToleranceRange {
    double minimumMm, maximumMm, stepMm;
};
CStepEdit* addMarksAndTolerance(QWidget* dialog, QGridLayout& fields, std::size_t markCount,
                                double* toleranceMm, ToleranceRange range);

// The fit of the document's current pattern to the measured spots (mm on the film).
Result<FitResult> fitDocumentOrientation(const CXtalspDoc& doc,
                                         const std::vector<FilmPeak>& measured, double toleranceMm,
                                         bool refineDistance);

class CFitOrientationDlg : public QDialog {
    Q_OBJECT
public:
    CFitOrientationDlg(const CXtalspDoc& doc, std::vector<FilmPeak> measured, UserPrompt& prompt,
                       QWidget* parent = nullptr);

    // The fit to apply once the user pressed Apply; nothing before.
    const std::optional<FitResult>& appliedFit() const { return m_applied; }

    CStepEdit* toleranceEdit() const { return m_toleranceEdit; }
    QCheckBox* refineDistanceBox() const { return m_refineDistance; }
    QPushButton* fitButton() const { return m_fitButton; }
    QPushButton* applyButton() const { return m_applyButton; }
    QTableWidget* pairTable() const { return m_pairs; }

private:
    void runFit();
    void showFit(const FitResult& fit);
    void apply();

    const CXtalspDoc& m_doc;
    std::vector<FilmPeak> m_measured;
    UserPrompt& m_prompt;
    double m_toleranceMm = 2.0;
    std::optional<FitResult> m_fit;
    std::optional<FitResult> m_applied;
    CStepEdit* m_toleranceEdit = nullptr;
    QCheckBox* m_refineDistance = nullptr;
    QPushButton* m_fitButton = nullptr;
    QPushButton* m_applyButton = nullptr;
    QLabel* m_summary = nullptr;
    QTableWidget* m_pairs = nullptr;
};

// The orientation dialogs behind an interface, so that the view's commands can be tested with
// scripted answers.
class OrientationDialogs {
public:
    virtual ~OrientationDialogs() = default;
    // The fit the user applied, or nothing.
    virtual std::optional<FitResult> fitOrientation(QWidget* parent, const CXtalspDoc& doc,
                                                    const std::vector<FilmPeak>& measured,
                                                    UserPrompt& prompt) = 0;
    // The settings of the indexing solution the user applied, or nothing.
    virtual std::optional<DiffractionSettings> indexSpots(QWidget* parent, const CXtalspDoc& doc,
                                                          const std::vector<FilmPeak>& measured,
                                                          UserPrompt& prompt) = 0;
};

class QtOrientationDialogs : public OrientationDialogs {
public:
    std::optional<FitResult> fitOrientation(QWidget* parent, const CXtalspDoc& doc,
                                            const std::vector<FilmPeak>& measured,
                                            UserPrompt& prompt) override;
    std::optional<DiffractionSettings> indexSpots(QWidget* parent, const CXtalspDoc& doc,
                                                  const std::vector<FilmPeak>& measured,
                                                  UserPrompt& prompt) override;
};

} // namespace xtalsp::gui
