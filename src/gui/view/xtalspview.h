// The window that shows one pattern document at true size: zoom, display options, status
// texts, printing and print preview.
#pragma once

#include "core/document/xtalspdoc.h"
#include "gui/shell/commandtarget.h"
#include "gui/view/viewhost.h"
#include "render/patterndrawing.h"

#include <QAbstractScrollArea>
#include <QPoint>
#include <QPointF>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QPainter;
class QPrinter;

namespace xtalsp::gui {

class PatternTiles;

class CXtalspView : public QAbstractScrollArea, public CommandTarget, private DocumentObserver {
    Q_OBJECT

public:
    // The document and the host must outlive the view.
    CXtalspView(CXtalspDoc& doc, ViewHost& host, QWidget* parent = nullptr);
    ~CXtalspView() override;

    CXtalspDoc& document() const { return m_doc; }

    // Copies the spot size, the display options and the zoom from the document and sizes the
    // view for the screen. Called once, before the view is first shown.
    void InitFromDocument();
    // Derives the scale from the zoom, resizes the scrollable drawing, repaints and shows the
    // percentage in the zoom box. For printing the scale is the zoom alone: paper is drawn at
    // true size, without the screen calibration.
    void UpdateZoom(bool forPrinting);

    double zoom() const { return m_zoom; }
    double scale() const { return m_scale; } // drawing units (0.1 mm) per film unit
    DrawingExtent extent() const { return m_extent; }
    // The drawing's size in device pixels: what the viewport must show to need no scrolling.
    QSize contentSize() const;
    double spotWidth() const { return m_spotWidth; } // film units
    double spotHeight() const { return m_spotHeight; }
    bool showCrossline() const { return m_showCrossline; }
    bool showIndex() const { return m_showIndex; }
    bool grayscaleSpots() const { return m_grayscaleSpots; }

    // The scroll bars' positions, in device pixels.
    QPoint scrollPosition() const;
    void scrollTo(QPoint position);

    // The one page of a print job: the drawing at the current scale, centred on the printable
    // area. False (after telling the user) when the printer cannot be painted on.
    bool paintPage(QPrinter& printer);
    // Prints straight to the printer at true size, without a dialog (the print switch of the
    // command line), and restores the screen zoom afterwards.
    bool printWithoutDialog(QPrinter& printer);

    bool handlesCommand(int id) const override;
    CommandState commandState(int id) const override;
    void executeCommand(int id) override;

signals:
    // The view gained the keyboard focus: it is now the active view of its frame.
    void activated(xtalsp::gui::CXtalspView* view);
    // The split boxes beside the scroll bars ask the frame for a second row or column of views.
    void rowSplitRequested();
    void columnSplitRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

    // Right press selects the spot under the pointer, right double-click shows its details;
    // the paging, Home/End and arrow keys scroll a drawing larger than the window.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void computationStarted(const CXtalspDoc& doc) override;
    void spotsChanged(const CXtalspDoc& doc) override;
    void computationFinished(const CXtalspDoc& doc) override;
    void geometryStatusChanged(const CXtalspDoc& doc) override;
    void filmSizeChanged(const CXtalspDoc& doc) override;

    void addSplitBoxes();
    ViewDrawingOptions drawingOptions() const;
    std::optional<std::string> drawOn(QPainter& painter, double dotsPerInch, bool display);
    double screenDpi() const;
    void showPatternStatus(const std::optional<std::string>& text);
    void showGeometryStatus();
    void showZoomBox();
    void recomputeExtent();
    void updateScrollBars();
    bool isFrameMinimised() const;

    void setZoom(double zoom);
    void toggle(bool& flag, void (CXtalspDoc::*setDocumentFlag)(bool));
    void runCustomZoom();
    void runSpotSize();
    void printPattern();
    void previewPattern();
    void beginPrinting();
    void endPrinting();

    // Selection, details and scrolling keys (viewselection.cpp).
    int spotUnder(QPointF viewportPosition) const;
    void selectSpotAt(QPointF viewportPosition);
    void showSpotDetails();
    bool drawingExceedsViewport(Qt::Orientation orientation) const;

    CXtalspDoc& m_doc;
    ViewHost& m_host;
    double m_zoom = 1.0;
    double m_scale = 1.0;
    DrawingExtent m_extent;
    double m_spotWidth = kDefaultSpotSize, m_spotHeight = kDefaultSpotSize;
    bool m_showCrossline = true, m_showIndex = false, m_grayscaleSpots = true;
    double m_savedZoom = 0.0; // the zoom to return to after printing; 0 = nothing saved
    QPoint m_savedScrollPosition;
    std::unique_ptr<PatternTiles> m_tiles; // the screen drawing, cached
};

} // namespace xtalsp::gui
