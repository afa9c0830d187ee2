// The modal dialogs of the pattern view (custom zoom, spot size, print, print preview) behind an
// interface, so that tests answer them and print to a file without a window blocking.
#pragma once

#include "core/document/fieldranges.h"
#include "core/document/spotdetails.h"
#include "core/platform/userprompt.h"
#include "render/pictureexport.h"

#include <functional>
#include <memory>
#include <optional>

class QPrinter;
class QWidget;

namespace xtalsp::gui {

class FileChooser;

// The spot size dialog works in millimetres; the document keeps film units (0.1 mm).
struct SpotSizeMm {
    double width = 2.0, height = 2.0;
    bool operator==(const SpotSizeMm&) const = default;
};

inline constexpr double kMinZoomPercent = 10.0, kMaxZoomPercent = 500.0, kZoomPercentStep = 10.0;
inline constexpr double kMinSpotSizeMm = kSpotSizeMmField.min,
                        kMaxSpotSizeMm = kSpotSizeMmField.max;
inline constexpr double kSpotSizeStepMm = 0.5;
inline constexpr double kDefaultSpotSizeMm = kDefaultSpotSize / kFilmUnitsPerMm;

// Paints the one page of a print job or preview on the printer it is given. False when the
// printer could not be painted on (the painter tells the user).
using PagePainter = std::function<bool(QPrinter&)>;

class ViewDialogs {
public:
    virtual ~ViewDialogs() = default;
    // "Custom Zoom" opened with the percentage; the percentage entered, nothing on Cancel.
    virtual std::optional<double> customZoom(QWidget* parent, double percentage) = 0;
    // "Diffraction Spot Size" opened with the size; the size entered, nothing on Cancel.
    virtual std::optional<SpotSizeMm> spotSize(QWidget* parent, SpotSizeMm initial) = 0;
    // The print dialog; when the user accepts it, the page is painted on the chosen printer.
    // Returns whether a page was printed.
    virtual bool print(QWidget* parent, const PagePainter& paintPage) = 0;
    // The print preview, until the user closes it.
    virtual void printPreview(QWidget* parent, const PagePainter& paintPage) = 0;
    // "Print Setup": printer, paper and orientation for the next jobs.
    virtual void printSetup(QWidget* parent) = 0;

    // "Detailed Information of Selected Spot", until the user closes it.
    virtual void spotDetails(QWidget* parent, const SpotDetails& details) = 0;

    // "Select Files to Merge with the Current Pattern", fresh each time: the checked, trimmed
    // paths and colours on OK, nothing on Cancel. The browse buttons use the chooser; refusals
    // and help failures go to the prompt.
    virtual std::optional<MergeRequest> mergeFiles(QWidget* parent, FileChooser& chooser,
                                                   UserPrompt& prompt) = 0;
};

// The real dialogs. The printer lives as long as this object, so the printer and paper chosen
// for one job are offered again for the next.
class QtViewDialogs : public ViewDialogs {
public:
    QtViewDialogs();
    ~QtViewDialogs() override;

    std::optional<double> customZoom(QWidget* parent, double percentage) override;
    std::optional<SpotSizeMm> spotSize(QWidget* parent, SpotSizeMm initial) override;
    bool print(QWidget* parent, const PagePainter& paintPage) override;
    void printPreview(QWidget* parent, const PagePainter& paintPage) override;
    void printSetup(QWidget* parent) override;

    void spotDetails(QWidget* parent, const SpotDetails& details) override; // spotdetailsdlg.cpp

    // In mergedlg.cpp.
    std::optional<MergeRequest> mergeFiles(QWidget* parent, FileChooser& chooser,
                                           UserPrompt& prompt) override;

    QPrinter& printer() { return *m_printer; }

private:
    std::unique_ptr<QPrinter> m_printer;
};

} // namespace xtalsp::gui
