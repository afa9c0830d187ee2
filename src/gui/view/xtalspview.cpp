// The pattern view: true-size drawing on screen and paper, zoom, display options and status.
#include "gui/view/xtalspview.h"

#include "core/computation/filmunits.h"
#include "core/text/cp1252.h"
#include "core/text/numbertext.h"
#include "gui/image/patternimagelayer.h"
#include "gui/orientation/fitorientationdlg.h"
#include "gui/shell/commandids.h"
#include "gui/view/patterntiles.h"
#include "gui/view/viewexports.h"
#include "gui/view/viewmetrics.h"
#include "render/qt/qpaintercanvas.h"
#include "render/shownpattern.h"

#include <QGuiApplication>
#include <QMdiSubWindow>
#include <QPageLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QToolButton>

#include <array>
#include <memory>
#include <utility>

namespace xtalsp::gui {

namespace {

struct ZoomCommand {
    int id;
    double zoom;
};
constexpr std::array<ZoomCommand, 5> kZoomCommands = {{
    {ID_ZOOM_50, 0.5},
    {ID_ZOOM_67, 0.67},
    {ID_ZOOM_100, 1.0},
    {ID_ZOOM_150, 1.5},
    {ID_ZOOM_200, 2.0},
}};

const ZoomCommand* findZoomCommand(int id) {
    for (const ZoomCommand& command : kZoomCommands) {
        if (command.id == id)
            return &command;
    }
    return nullptr;
}

// Beyond the drawing the view shows the light grey of the film's surround.
const QColor kSurroundGrey(235, 235, 235);

QString displayText(const std::string& cp1252) {
    return QString::fromStdString(cp1252ToUtf8(cp1252));
}

} // namespace

CXtalspView::CXtalspView(CXtalspDoc& doc, ViewHost& host, QWidget* parent)
    : QAbstractScrollArea(parent), m_doc(doc), m_host(host),
      m_tiles(std::make_unique<PatternTiles>()) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(10, 10);
    // Every paint covers the whole viewport, so the platform need not erase it first.
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    addSplitBoxes();
    m_marks = new SpotMarks(this);
    connect(m_marks, &SpotMarks::changed, viewport(), qOverload<>(&QWidget::update));
    m_doc.addObserver(this);
}

CXtalspView::~CXtalspView() {
    endCrystalDrag();
    m_doc.removeObserver(this);
}

void CXtalspView::addSplitBoxes() {
    // As in a splitter window, the scroll bars stay and carry the boxes that split the frame.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* rowBox = new QToolButton(this);
    rowBox->setObjectName("rowSplitBox");
    rowBox->setToolTip("Split into two rows");
    connect(rowBox, &QToolButton::clicked, this, &CXtalspView::rowSplitRequested);
    addScrollBarWidget(rowBox, Qt::AlignTop);
    auto* columnBox = new QToolButton(this);
    columnBox->setObjectName("columnSplitBox");
    columnBox->setToolTip("Split into two columns");
    connect(columnBox, &QToolButton::clicked, this, &CXtalspView::columnSplitRequested);
    addScrollBarWidget(columnBox, Qt::AlignLeft);
}

void CXtalspView::InitFromDocument() {
    m_spotWidth = m_doc.spotWidth();
    m_spotHeight = m_doc.spotHeight();
    m_showCrossline = m_doc.showCrossline();
    m_showIndex = m_doc.showIndex();
    m_grayscaleSpots = m_doc.grayscaleSpots();
    m_zoom = clampZoom(m_doc.zoom());
    m_savedZoom = 0.0;
    UpdateZoom(false);
}

void CXtalspView::UpdateZoom(bool forPrinting) {
    m_scale = forPrinting ? m_zoom : m_doc.calibratedZoom() * m_zoom;
    recomputeExtent();
    showZoomBox();
}

void CXtalspView::recomputeExtent() {
    const CXtalspDoc::ShownInputs shown = m_doc.shownInputs();
    m_extent = viewExtent(shown.filmWidth, shown.filmHeight, m_scale);
    updateScrollBars();
    viewport()->update();
}

void CXtalspView::updateScrollBars() {
    const ScrollMetrics metrics = scrollMetrics(m_extent, screenDpi(), screenDpi());
    const QSize visible = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, metrics.width - visible.width()));
    verticalScrollBar()->setRange(0, std::max(0, metrics.height - visible.height()));
    horizontalScrollBar()->setPageStep(metrics.pageX);
    verticalScrollBar()->setPageStep(metrics.pageY);
    horizontalScrollBar()->setSingleStep(metrics.lineX);
    verticalScrollBar()->setSingleStep(metrics.lineY);
}

QSize CXtalspView::contentSize() const {
    const ScrollMetrics metrics = scrollMetrics(m_extent, screenDpi(), screenDpi());
    return {metrics.width, metrics.height};
}

// The platform's nominal resolution; the user's calibration corrects it through the scale.
double CXtalspView::screenDpi() const {
    return logicalDpiX();
}

QPoint CXtalspView::scrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CXtalspView::scrollTo(QPoint position) {
    horizontalScrollBar()->setValue(position.x());
    verticalScrollBar()->setValue(position.y());
}

void CXtalspView::showZoomBox() {
    m_host.showZoomPercentage(zoomPercentage(m_zoom));
}

void CXtalspView::showGeometryStatus() {
    m_host.showGeometryStatus(displayText(geometryStatusText(m_doc)));
}

void CXtalspView::showPatternStatus(const std::optional<std::string>& text) {
    if (text)
        m_host.showPatternStatus(displayText(*text));
}

ViewDrawingOptions CXtalspView::drawingOptions() const {
    ViewDrawingOptions options;
    options.scale = m_scale;
    options.spotWidth = m_spotWidth;
    options.spotHeight = m_spotHeight;
    options.showCrossline = m_showCrossline;
    options.showIndex = m_showIndex;
    options.grayscaleSpots = m_grayscaleSpots;
    options.activeView = m_host.isActiveView(this);
    options.gnomonic = m_gnomonic;
    return options;
}

ViewDrawingOptions CXtalspView::pictureDrawingOptions() const {
    ViewDrawingOptions options = drawingOptions();
    if (const ImageUnderlay* underlay = pictureUnderlay()) {
        options.underlay = underlay;
        applyImageDrawingOptions(options);
    }
    return options;
}

std::optional<std::string> CXtalspView::drawOn(QPainter& painter, double dotsPerInch,
                                               bool display) {
    if (display && showsImage())
        return drawOverImage(painter, dotsPerInch);
    QPainterCanvas canvas(painter, dotsPerInch, display);
    return drawPattern(canvas, m_doc, display ? drawingOptions() : pictureDrawingOptions());
}

void CXtalspView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    // The surround of the drawing reaches 2 m; a larger scaled film or a window beyond it still
    // shows the surround's grey rather than stale pixels.
    painter.fillRect(viewport()->rect(), kSurroundGrey);
    const QPoint scrolled = scrollPosition();
    if (showsImage()) {
        // Over an image the pattern is drawn directly; the image keeps its own cache.
        painter.translate(-scrolled.x(), -scrolled.y());
        showPatternStatus(drawOn(painter, screenDpi(), true));
        drawMarks(painter);
        return;
    }
    // The drawing comes from tiles drawn once for the current zoom and options; the selection
    // and pane 1 are drawn live over them.
    const ViewDrawingOptions options = drawingOptions();
    const ShownPattern shown(m_doc, options.gnomonic);
    const PatternContent& content = shown.content();
    m_tiles->paint(painter, event->rect(), scrolled, QRect(QPoint(0, 0), contentSize()), content,
                   options, screenDpi(), viewport()->devicePixelRatioF());
    painter.translate(-scrolled.x(), -scrolled.y());
    QPainterCanvas canvas(painter, screenDpi(), true);
    showPatternStatus(drawActiveViewMarks(canvas, content, options));
    drawMarks(painter);
}

bool CXtalspView::paintPage(QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        m_host.prompt().show({"Failed to start print job.", "", MessageIcon::Exclamation});
        return false;
    }
    // The painter's origin is the top-left corner of the printable area.
    const QRectF printable = printer.pageLayout().paintRect(QPageLayout::Millimeter);
    const QPoint offset = printedDrawingOffset(truncateToInt(printable.width() * 10.0),
                                               truncateToInt(printable.height() * 10.0), m_extent);
    const double dpi = printer.resolution();
    painter.translate(unitsToPixels(offset.x(), dpi), unitsToPixels(offset.y(), dpi));
    showPatternStatus(drawOn(painter, dpi, false));
    return painter.end();
}

void CXtalspView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void CXtalspView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    emit activated(this);
    viewport()->update();
    showZoomBox();
    showGeometryStatus();
}

void CXtalspView::computationStarted(const CXtalspDoc& doc) {
    // A walk in the background leaves the window at work: the status bar shows its progress.
    if (!doc.computesInBackground())
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void CXtalspView::spotsChanged(const CXtalspDoc&) {
    m_tiles->invalidate(); // a new list may sit where the old one was
    // A film size taken while the walk ran is shown with the walk's spots.
    const CXtalspDoc::ShownInputs shown = m_doc.shownInputs();
    const DrawingExtent extent = viewExtent(shown.filmWidth, shown.filmHeight, m_scale);
    if (extent.width != m_extent.width || extent.height != m_extent.height)
        recomputeExtent();
    viewport()->update();
}

void CXtalspView::computationFinished(const CXtalspDoc& doc) {
    if (!doc.computesInBackground())
        QGuiApplication::restoreOverrideCursor();
}

void CXtalspView::geometryStatusChanged(const CXtalspDoc&) {
    showGeometryStatus();
}

void CXtalspView::filmSizeChanged(const CXtalspDoc&) {
    // A new film size keeps the zoom; a new calibration changes the screen scale. While a page
    // is being printed the scale stays at true size.
    if (m_savedZoom == 0.0)
        m_scale = m_doc.calibratedZoom() * m_zoom;
    recomputeExtent();
}

bool CXtalspView::isFrameMinimised() const {
    for (const QWidget* widget = parentWidget(); widget != nullptr;
         widget = widget->parentWidget()) {
        if (const auto* frame = qobject_cast<const QMdiSubWindow*>(widget))
            return frame->isMinimized();
    }
    return window()->isMinimized();
}

bool CXtalspView::handlesCommand(int id) const {
    if (findZoomCommand(id) != nullptr)
        return true;
    switch (id) {
    case ID_ZOOM_CUSTOM:
    case ID_ZOOM_CHANGED:
    case ID_VIEW_GRAYSCALE:
    case ID_VIEW_INDEX:
    case ID_VIEW_CROSSLINE:
    case ID_SETTING_SPOT_SIZE:
    case ID_FILE_PRINT:
    case ID_FILE_PRINT_PREVIEW:
    case ID_EDIT_COPY:
    case ID_VIEW_SELECTED_SPOT:
    case ID_EXPORT_TEXTFILE:
    case ID_EXPORT_MERGING:
    case ID_EXPORT_METAFILE:
    case ID_MERGE_PATTERN:
        return true;
    default:
        return handlesOrientationCommand(id);
    }
}

CommandState CXtalspView::commandState(int id) const {
    const bool minimised = isFrameMinimised();
    const bool hasSpots = m_doc.spotCount() > 0;
    CommandState state;
    if (const ZoomCommand* command = findZoomCommand(id)) {
        state.enabled = !minimised && zoomPercentage(m_zoom) != zoomPercentage(command->zoom);
        return state;
    }
    switch (id) {
    case ID_VIEW_GRAYSCALE:
        state.enabled = hasSpots && !minimised;
        state.text = m_grayscaleSpots ? "Dark &Spots" : "Grayscale &Spots";
        break;
    case ID_VIEW_INDEX:
        state.enabled = hasSpots && !minimised;
        state.text = m_showIndex ? "Hide &Index" : "Show &Index";
        break;
    case ID_VIEW_CROSSLINE:
        state.enabled = !minimised;
        state.text = m_showCrossline ? "Hide &Crossline" : "Show &Crossline";
        break;
    case ID_ZOOM_CUSTOM:
    case ID_SETTING_SPOT_SIZE:
    case ID_FILE_PRINT_PREVIEW:
    case ID_EDIT_COPY:
        state.enabled = !minimised;
        break;
    case ID_VIEW_SELECTED_SPOT:
        state.enabled = m_doc.selectedSpot() >= 0 && !minimised;
        break;
    case ID_EXPORT_TEXTFILE:
    case ID_EXPORT_MERGING:
    case ID_EXPORT_METAFILE:
    case ID_MERGE_PATTERN:
        state.enabled = hasSpots;
        break;
    default:
        if (handlesOrientationCommand(id))
            state = orientationCommandState(id);
        break;
    }
    return state;
}

void CXtalspView::executeCommand(int id) {
    if (const ZoomCommand* command = findZoomCommand(id)) {
        setZoom(command->zoom);
        return;
    }
    switch (id) {
    case ID_ZOOM_CUSTOM:
        runCustomZoom();
        break;
    case ID_ZOOM_CHANGED:
        setZoom(m_host.zoomBoxPercentage() * 0.01);
        setFocus();
        break;
    case ID_VIEW_GRAYSCALE:
        toggle(m_grayscaleSpots, &CXtalspDoc::setGrayscaleSpots);
        break;
    case ID_VIEW_INDEX:
        toggle(m_showIndex, &CXtalspDoc::setShowIndex);
        break;
    case ID_VIEW_CROSSLINE:
        toggle(m_showCrossline, &CXtalspDoc::setShowCrossline);
        break;
    case ID_SETTING_SPOT_SIZE:
        runSpotSize();
        break;
    case ID_FILE_PRINT:
        printPattern();
        break;
    case ID_FILE_PRINT_PREVIEW:
        previewPattern();
        break;
    case ID_VIEW_SELECTED_SPOT:
        showSpotDetails();
        break;
    case ID_EXPORT_TEXTFILE:
        exportTextFile(m_doc, m_host);
        break;
    case ID_EXPORT_MERGING:
        exportMergingFile(m_doc, m_host);
        break;
    case ID_EXPORT_METAFILE:
        exportPicture(m_doc, pictureDrawingOptions(), m_host);
        break;
    case ID_MERGE_PATTERN:
        mergePattern(this, m_doc, pictureDrawingOptions(), m_host);
        break;
    case ID_EDIT_COPY:
        copyPicture(m_doc, pictureDrawingOptions());
        break;
    default:
        executeOrientationCommand(id);
        break;
    }
}

void CXtalspView::setZoom(double zoom) {
    m_zoom = clampZoom(zoom);
    UpdateZoom(false);
    m_doc.setZoom(m_zoom);
}

// Display options are the viewer's choice, not a change of the pattern: the document takes
// them for its next save without being marked modified.
void CXtalspView::toggle(bool& flag, void (CXtalspDoc::*setDocumentFlag)(bool)) {
    flag = !flag;
    (m_doc.*setDocumentFlag)(flag);
    viewport()->update();
}

void CXtalspView::runCustomZoom() {
    const std::optional<double> percentage =
        m_host.viewDialogs().customZoom(this, zoomPercentage(m_zoom));
    if (percentage)
        setZoom(*percentage * 0.01);
}

void CXtalspView::runSpotSize() {
    const std::optional<SpotSizeMm> size = m_host.viewDialogs().spotSize(
        this, {mmFromFilmUnits(m_spotWidth), mmFromFilmUnits(m_spotHeight)});
    if (!size)
        return;
    m_spotWidth = filmUnitsFromMm(size->width);
    m_spotHeight = filmUnitsFromMm(size->height);
    viewport()->update();
    m_doc.takeSpotSize(m_spotWidth, m_spotHeight);
}

void CXtalspView::printPattern() {
    beginPrinting();
    m_host.viewDialogs().print(this, [this](QPrinter& printer) { return paintPage(printer); });
    endPrinting();
}

bool CXtalspView::printWithoutDialog(QPrinter& printer) {
    beginPrinting();
    const bool printed = paintPage(printer);
    endPrinting();
    return printed;
}

void CXtalspView::previewPattern() {
    beginPrinting();
    m_host.viewDialogs().printPreview(this,
                                      [this](QPrinter& printer) { return paintPage(printer); });
    endPrinting();
}

// Paper is drawn at true size: zoom 1 without the screen calibration. The screen shows the same
// scale until the job ends.
void CXtalspView::beginPrinting() {
    m_savedZoom = m_zoom;
    m_savedScrollPosition = scrollPosition();
    m_zoom = 1.0;
    UpdateZoom(true);
}

void CXtalspView::endPrinting() {
    if (m_savedZoom > 0.09 && m_savedZoom < 5.01) {
        m_zoom = m_savedZoom;
        UpdateZoom(false);
        scrollTo(m_savedScrollPosition);
    }
    m_savedZoom = 0.0;
}

} // namespace xtalsp::gui
