// The pattern view's orientation tools: zooming with the wheel and to the window, marking
// measured spots, the orientation fit, aligning a spot's plane with the beam and the gnomonic
// projection.
#include "gui/view/xtalspview.h"

#include "core/computation/filmunits.h"
#include "core/document/fieldranges.h"
#include "core/io/filebytes.h"
#include "core/orientation/measuredspots.h"
#include "core/orientation/orientation.h"
#include "core/text/numbertext.h"
#include "gui/image/patternimagelayer.h"
#include "gui/orientation/fitorientationdlg.h"
#include "gui/shell/commandids.h"
#include "gui/shell/filechooser.h"
#include "gui/view/viewexports.h"
#include "gui/view/viewmetrics.h"
#include "render/shownpattern.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace xtalsp::gui {

namespace {

// One notch of the wheel (120 eighths of a degree) zooms by a quarter.
constexpr double kWheelZoomFactor = 1.25;
constexpr double kWheelNotch = 120.0;
// Marks are circles of this radius (device pixels); a click this close to one removes it.
constexpr double kMarkRadiusPixels = 6.0;
const QColor kMarkColour(230, 0, 200);

std::string degreesText(double degrees) {
    return formatFixed(degrees, 0, 4) + "\u00B0";
}

std::string hklText(const LaueSpot& spot) {
    return "(" + formatInt(spot.h) + " " + formatInt(spot.k) + " " + formatInt(spot.l) + ")";
}

// The film point whose spot's plane normal has the gnomonic point (x, y): the normal is
// (D, x, y) in laboratory components, and the spot lies where its reflection meets the film.
std::optional<FilmPosition> filmPointOfGnomonic(const DiffractionSettings& settings,
                                                FilmPosition gnomonic) {
    const double d = settings.distance;
    const double length = std::sqrt(d * d + gnomonic.x * gnomonic.x + gnomonic.y * gnomonic.y);
    const double sinTheta = d / length;
    const double e = 2.0 * sinTheta * sinTheta - 1.0;
    const bool transmission = settings.geometry == DiffractionGeometry::Transmission;
    if (transmission ? !(e < 0.0) : !(e > 0.0))
        return std::nullopt;
    const double scale = (transmission ? -1.0 : 1.0) * d * 2.0 * sinTheta / (length * e);
    return FilmPosition{scale * gnomonic.x, scale * gnomonic.y};
}

} // namespace

void CXtalspView::setOrientationDialogs(std::unique_ptr<OrientationDialogs> dialogs) {
    m_orientationDialogs = std::move(dialogs);
}

void CXtalspView::useSpotMarks(SpotMarks& marks) {
    if (&marks == m_marks)
        return;
    if (m_marks->parent() == this)
        delete m_marks;
    else
        disconnect(m_marks, nullptr, viewport(), nullptr);
    m_marks = &marks;
    connect(m_marks, &SpotMarks::changed, viewport(), qOverload<>(&QWidget::update));
    viewport()->update();
}

bool CXtalspView::handlesOrientationCommand(int id) const {
    switch (id) {
    case ID_VIEW_FIT_WINDOW:
    case ID_VIEW_MARK_SPOTS:
    case ID_MARKS_IMPORT:
    case ID_MARKS_CLEAR:
    case ID_FIT_ORIENTATION:
    case ID_INDEX_SPOTS:
    case ID_MARKS_FROM_PEAKS:
    case ID_ALIGN_SELECTED_SPOT:
    case ID_VIEW_GNOMONIC:
        return true;
    default:
        return false;
    }
}

CommandState CXtalspView::orientationCommandState(int id) const {
    const bool shown = !isFrameMinimised();
    const bool hasSpots = m_doc.spotCount() > 0;
    CommandState state;
    switch (id) {
    case ID_VIEW_FIT_WINDOW:
    case ID_MARKS_IMPORT:
        state.enabled = shown;
        break;
    case ID_VIEW_MARK_SPOTS:
        state.enabled = shown;
        state.checked = m_marking;
        break;
    case ID_MARKS_CLEAR:
        state.enabled = shown && !m_marks->marks().empty();
        break;
    case ID_FIT_ORIENTATION:
        state.enabled = shown && hasSpots && !m_marks->marks().empty();
        break;
    case ID_INDEX_SPOTS:
        // Fewer than three marks are refused with the search's own message.
        state.enabled = shown && m_doc.isCrystalDefined() && m_doc.hasEstablishedSettings() &&
                        !m_marks->marks().empty();
        break;
    case ID_MARKS_FROM_PEAKS:
        state.enabled = shown && hasImagePeaks();
        break;
    case ID_ALIGN_SELECTED_SPOT:
        state.enabled = shown && m_doc.selectedSpot() >= 0;
        break;
    case ID_VIEW_GNOMONIC:
        state.enabled = shown && m_doc.isCrystalDefined() && m_doc.hasEstablishedSettings();
        state.checked = m_gnomonic;
        break;
    default:
        state.enabled = false;
        break;
    }
    return state;
}

void CXtalspView::executeOrientationCommand(int id) {
    switch (id) {
    case ID_VIEW_FIT_WINDOW:
        fitInWindow();
        break;
    case ID_VIEW_MARK_SPOTS:
        m_marking = !m_marking;
        break;
    case ID_MARKS_IMPORT:
        importMarks();
        break;
    case ID_MARKS_CLEAR:
        m_marks->clear();
        break;
    case ID_FIT_ORIENTATION:
        runOrientationFit();
        break;
    case ID_INDEX_SPOTS:
        runIndexing();
        break;
    case ID_MARKS_FROM_PEAKS:
        marksFromPeaks();
        break;
    case ID_ALIGN_SELECTED_SPOT:
        alignSelectedSpot();
        break;
    case ID_VIEW_GNOMONIC:
        m_gnomonic = !m_gnomonic;
        viewport()->update();
        break;
    default:
        break;
    }
}

// Ctrl+wheel zooms about the point under the pointer; without Ctrl the wheel scrolls.
void CXtalspView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    const double notches = event->angleDelta().y() / kWheelNotch;
    if (notches != 0.0)
        zoomAbout(m_zoom * std::pow(kWheelZoomFactor, notches), event->position());
    event->accept();
}

// The drawing point under `anchor` (viewport pixels) stays under it as the zoom changes.
void CXtalspView::zoomAbout(double zoom, QPointF anchor) {
    const QSize before = contentSize();
    const QPointF scrolled = scrollPosition();
    const double fx = (scrolled.x() + anchor.x()) / std::max(1, before.width());
    const double fy = (scrolled.y() + anchor.y()) / std::max(1, before.height());
    setZoom(zoom);
    const QSize after = contentSize();
    scrollTo(QPoint(static_cast<int>(std::lround(fx * after.width() - anchor.x())),
                    static_cast<int>(std::lround(fy * after.height() - anchor.y()))));
}

// The largest whole percentage at which the film and its margins fit in the viewport.
void CXtalspView::fitInWindow() {
    const double unitsPerPixel = 1.0 / unitsToPixels(1.0, screenDpi());
    const double margins = viewExtent(0.0, 0.0, 1.0).width; // both sides, drawing units
    const double calibration = m_doc.calibratedZoom();
    const double zoomX =
        (viewport()->width() * unitsPerPixel - margins - 1.0) / (m_doc.filmWidth() * calibration);
    const double zoomY =
        (viewport()->height() * unitsPerPixel - margins - 1.0) / (m_doc.filmHeight() * calibration);
    setZoom(std::floor(std::min(zoomX, zoomY) * 100.0) / 100.0);
    scrollTo(QPoint(0, 0));
}

// Film position (film units from the centre, y up) of a viewport point, or of the spot drawn
// there in gnomonic projection.
std::optional<FilmPosition> CXtalspView::filmPositionAt(QPointF viewportPosition) const {
    const double pixelsPerUnit = unitsToPixels(1.0, screenDpi());
    const QPoint scrolled = scrollPosition();
    const double unitsX = (viewportPosition.x() + scrolled.x()) / pixelsPerUnit;
    const double unitsY = -(viewportPosition.y() + scrolled.y()) / pixelsPerUnit;
    const FilmPosition shown{(unitsX - m_extent.width * 0.5) / m_scale,
                             (unitsY + m_extent.height * 0.5) / m_scale};
    if (!m_gnomonic)
        return shown;
    return filmPointOfGnomonic(m_doc.settings(), shown);
}

// Viewport pixel at which a film position is drawn.
QPointF CXtalspView::viewportPointOf(FilmPosition position) const {
    const double pixelsPerUnit = unitsToPixels(1.0, screenDpi());
    const QPoint scrolled = scrollPosition();
    const double unitsX = m_extent.width * 0.5 + position.x * m_scale;
    const double unitsY = -m_extent.height * 0.5 + position.y * m_scale;
    return {unitsX * pixelsPerUnit - scrolled.x(), -unitsY * pixelsPerUnit - scrolled.y()};
}

void CXtalspView::markAt(QPointF viewportPosition) {
    const std::optional<FilmPosition> film = filmPositionAt(viewportPosition);
    if (!film)
        return;
    const double pixelsPerMm = unitsToPixels(1.0, screenDpi()) * m_scale * kFilmUnitsPerMm;
    m_marks->toggleAt({mmFromFilmUnits(film->x), mmFromFilmUnits(film->y)},
                      kMarkRadiusPixels / pixelsPerMm);
}

// Marks are drawn on screen only, in viewport pixels, after the pattern.
void CXtalspView::drawMarks(QPainter& painter) const {
    if (m_marks->marks().empty())
        return;
    painter.save();
    painter.resetTransform();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kMarkColour, 2.0));
    painter.setBrush(Qt::NoBrush);
    for (const FilmPoint& mark : m_marks->marks()) {
        FilmPosition position{filmUnitsFromMm(mark.xMm), filmUnitsFromMm(mark.yMm)};
        if (m_gnomonic) {
            const std::optional<FilmPosition> gnomonic = gnomonicMeasuredPosition(m_doc, position);
            if (!gnomonic)
                continue;
            position = *gnomonic;
        }
        painter.drawEllipse(viewportPointOf(position), kMarkRadiusPixels, kMarkRadiusPixels);
    }
    painter.restore();
}

void CXtalspView::importMarks() {
    const QString path = m_host.fileChooser().openFileName(
        {"Import Marks", "Spot Files (*.csv);;All Files (*)", "csv", QString(), false});
    if (path.isEmpty())
        return;
    const std::string pathBytes = filePathBytes(path);
    const FileBytes file = readFileBytes(pathBytes);
    if (!file.ok()) {
        m_host.prompt().show(
            {"Cannot read the file " + pathBytes + ".", "", MessageIcon::Exclamation});
        return;
    }
    const Result<std::vector<FilmPeak>> spots = readMeasuredSpotsCsv(file.value());
    if (!spots.ok()) {
        m_host.prompt().show(spots.failure());
        return;
    }
    m_marks->setMarks(markPoints(spots.value()));
}

void CXtalspView::runOrientationFit() {
    if (!m_orientationDialogs)
        m_orientationDialogs = std::make_unique<QtOrientationDialogs>();
    const std::optional<FitResult> fit = m_orientationDialogs->fitOrientation(
        this, m_doc, m_marks->measuredSpots(), m_host.prompt());
    if (fit)
        m_doc.takeRefinedSettings(fit->settings);
}

void CXtalspView::runIndexing() {
    if (!m_orientationDialogs)
        m_orientationDialogs = std::make_unique<QtOrientationDialogs>();
    const std::optional<DiffractionSettings> solution =
        m_orientationDialogs->indexSpots(this, m_doc, m_marks->measuredSpots(), m_host.prompt());
    if (solution)
        m_doc.takeRefinedSettings(*solution);
}

bool CXtalspView::hasImagePeaks() const {
    return m_imageLayer != nullptr && m_imageLayer->hasImage() &&
           !m_imageLayer->settings().peaks.empty();
}

// The strongest peaks first: indexing anchors its search on the first marks.
void CXtalspView::marksFromPeaks() {
    if (!hasImagePeaks())
        return;
    std::vector<FilmPeak> peaks = m_imageLayer->settings().peaks;
    std::stable_sort(peaks.begin(), peaks.end(), [](const FilmPeak& a, const FilmPeak& b) {
        return a.intensity > b.intensity;
    });
    m_marks->setMarks(markPoints(peaks));
}

void CXtalspView::alignSelectedSpot() {
    const LaueSpot* spot = m_doc.spotAt(m_doc.selectedSpot());
    if (spot == nullptr)
        return;
    const DiffractionSettings settings = m_doc.settings();
    const std::optional<TiltAngles> tilts = alignPlaneWithBeam(
        settings, m_doc.reciprocalBasis(),
        {static_cast<double>(spot->h), static_cast<double>(spot->k), static_cast<double>(spot->l)},
        kMaxRotation);
    if (!tilts) {
        m_host.prompt().show(utf8Warning("The plane " + hklText(*spot) +
                                         " cannot be brought onto the beam with rotations within "
                                         "\u00B189.9999\u00B0."));
        return;
    }
    const std::string text = "Align the plane " + hklText(*spot) +
                             " with the beam:\nX = " + degreesText(tilts->rotationX) +
                             ", Y = " + degreesText(tilts->rotationY) +
                             "\n\u0394X = " + degreesText(tilts->rotationX - settings.rotationX) +
                             ", \u0394Y = " + degreesText(tilts->rotationY - settings.rotationY);
    const MessageAnswer answer =
        m_host.prompt().show({text, "", MessageIcon::Information, MessageButtons::OkCancel,
                              MessageAnswer::Ok, TextEncoding::Utf8});
    if (answer == MessageAnswer::Ok)
        m_doc.takeRotation(tilts->rotationX, tilts->rotationY);
}

} // namespace xtalsp::gui
