// The window that shows one pattern document at true size: zoom, display options, status
// texts, printing and print preview.
#pragma once

#include "core/document/xtalspdoc.h"
#include "core/orientation/orientation.h"
#include "gui/image/imagedisplay.h"
#include "gui/orientation/spotmarks.h"
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

class OrientationDialogs;
class PatternImageLayer;
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
    bool showsGnomonic() const { return m_gnomonic; }
    bool isMarking() const { return m_marking; }

    // The measured spots marked in this view: its own, or those of its window when shared.
    SpotMarks& spotMarks() const { return *m_marks; }
    void useSpotMarks(SpotMarks& marks);
    // Replaces the fit dialog (tests script it).
    void setOrientationDialogs(std::unique_ptr<OrientationDialogs> dialogs);

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

    // The measured image of the pattern, drawn under the film (viewimage.cpp). The layer must
    // outlive the view or be unset first.
    void setImageLayer(PatternImageLayer* layer);
    bool showsImage() const;
    // The shown image as pictures and paper lay it under the pattern; nullptr without one.
    const ImageUnderlay* pictureUnderlay() const;
    // The film point (mm from the beam centre, y up) under a viewport position.
    FilmPoint filmPointAt(QPointF viewportPosition) const;
    // The status text for the pointer at a viewport position: film position and pixel value.
    QString imagePointText(QPointF viewportPosition) const;

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
    // A left drag on the pattern turns the crystal (viewdrag.cpp).
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Ctrl+wheel zooms about the point under the pointer.
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void computationStarted(const CXtalspDoc& doc) override;
    void spotsChanged(const CXtalspDoc& doc) override;
    void computationFinished(const CXtalspDoc& doc) override;
    void geometryStatusChanged(const CXtalspDoc& doc) override;
    void filmSizeChanged(const CXtalspDoc& doc) override;

    void addSplitBoxes();
    ViewDrawingOptions drawingOptions() const;
    // The drawing options of paper and pictures: the screen's, with the image under them.
    ViewDrawingOptions pictureDrawingOptions() const;
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

    // Orientation tools (vieworientation.cpp).
    bool handlesOrientationCommand(int id) const;
    CommandState orientationCommandState(int id) const;
    void executeOrientationCommand(int id);
    void zoomAbout(double zoom, QPointF anchor);
    void fitInWindow();
    std::optional<FilmPosition> filmPositionAt(QPointF viewportPosition) const;
    QPointF viewportPointOf(FilmPosition position) const;
    void markAt(QPointF viewportPosition);
    void drawMarks(QPainter& painter) const;
    void importMarks();
    void runOrientationFit();
    void runIndexing();
    void marksFromPeaks();
    bool hasImagePeaks() const;
    void alignSelectedSpot();
    // The image under the film (viewimage.cpp).
    FilmPlacement screenFilmPlacement() const;
    void applyImageDrawingOptions(ViewDrawingOptions& options) const;
    std::optional<std::string> drawOverImage(QPainter& painter, double dotsPerInch);
    void paintImageGround(QPainter& painter, const CanvasRect& film);
    void paintPeakCrosses(QPainter& painter);
    // Turning the crystal with the mouse: one drag is one undoable change (viewdrag.cpp).
    void beginCrystalDrag(QPointF viewportPosition);
    void followCrystalDrag(QPointF viewportPosition, Qt::KeyboardModifiers modifiers);
    void endCrystalDrag();
    struct CrystalDrag {
        QPointF start, last;
        bool turning = false; // past the drag distance: the gesture has begun
    };
    std::optional<CrystalDrag> m_drag;

    CXtalspDoc& m_doc;
    ViewHost& m_host;
    double m_zoom = 1.0;
    double m_scale = 1.0;
    DrawingExtent m_extent;
    double m_spotWidth = kDefaultSpotSize, m_spotHeight = kDefaultSpotSize;
    bool m_showCrossline = true, m_showIndex = false, m_grayscaleSpots = true;
    // The image as printed, exported and copied pictures lay it under the pattern, made when
    // first needed for the image's current look (its revision).
    mutable std::optional<ImageUnderlay> m_pictureUnderlay;
    mutable int m_pictureUnderlayRevision = -1;
    double m_savedZoom = 0.0; // the zoom to return to after printing; 0 = nothing saved
    QPoint m_savedScrollPosition;
    SpotMarks* m_marks = nullptr;
    bool m_marking = false;  // a left click marks or unmarks a measured spot
    bool m_gnomonic = false; // spots shown in gnomonic projection
    std::unique_ptr<OrientationDialogs> m_orientationDialogs;
    PatternImageLayer* m_imageLayer = nullptr;
    std::unique_ptr<ImageRegionCache> m_imageCache;
    std::unique_ptr<PatternTiles> m_tiles; // the screen drawing, cached
};

} // namespace xtalsp::gui
