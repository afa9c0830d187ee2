// The pattern view's mouse and keyboard: picking a spot with the right button, its details, and
// scrolling with the keys.
#include "gui/view/xtalspview.h"

#include "core/document/spotdetails.h"
#include "gui/view/viewkeys.h"
#include "gui/view/viewmetrics.h"
#include "render/shownpattern.h"
#include "render/spotselection.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <cmath>

namespace xtalsp::gui {

// The point is taken at the centre of the pixel under the pointer, in the transform the paint
// code draws with: scroll offset, dpi / 254 pixels per unit, y up. A pixel is covered by a fill
// when its centre lies inside, so the spot picked is the one whose pixels were clicked.
int CXtalspView::spotUnder(QPointF viewportPosition) const {
    const double pixelsPerUnit = unitsToPixels(1.0, screenDpi());
    const QPoint scrolled = scrollPosition();
    const double deviceX = std::floor(viewportPosition.x()) + scrolled.x() + 0.5;
    const double deviceY = std::floor(viewportPosition.y()) + scrolled.y() + 0.5;
    const DrawingPoint point{deviceX / pixelsPerUnit, -deviceY / pixelsPerUnit};
    const ShownPattern shown(m_doc, m_gnomonic);
    return shown.documentIndex(hitSpot(shown.content(), drawingOptions(), point));
}

void CXtalspView::selectSpotAt(QPointF viewportPosition) {
    const SelectionChange change =
        selectionAfterPress(m_doc.selectedSpot(), spotUnder(viewportPosition));
    m_doc.selectSpot(change.selectedSpot);
    if (change.repaint)
        viewport()->update();
}

void CXtalspView::showSpotDetails() {
    const LaueSpot* spot = m_doc.spotAt(m_doc.selectedSpot());
    if (spot == nullptr)
        return;
    m_host.viewDialogs().spotDetails(this, spotDetails(*spot, m_doc.spots().harmonicsOf(*spot),
                                                       m_doc.intensityScale().saturationIntensity));
}

void CXtalspView::mousePressEvent(QMouseEvent* event) {
    if (m_marking && event->button() == Qt::LeftButton) {
        markAt(event->position());
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton) {
        // The left button turns the crystal once the pointer moves; a click alone does nothing.
        beginCrystalDrag(event->position());
        event->accept();
        return;
    }
    if (event->button() != Qt::RightButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    selectSpotAt(event->position());
    event->accept();
}

// The platform delivers press, release and then the double-click in place of the second press:
// the first press has already selected the spot under the pointer.
void CXtalspView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    if (doubleClickOpensDetails(m_doc.selectedSpot(), spotUnder(event->position())))
        showSpotDetails();
    event->accept();
}

bool CXtalspView::drawingExceedsViewport(Qt::Orientation orientation) const {
    const ScrollMetrics drawing = scrollMetrics(m_extent, screenDpi(), screenDpi());
    const QSize window = viewport()->size();
    return orientation == Qt::Horizontal ? drawing.width > window.width()
                                         : drawing.height > window.height();
}

// The view keeps its scrolling keys to itself: the scroll area's own handling would also scroll
// with Ctrl and the arrow keys, which the main window turns into crystal rotations.
void CXtalspView::keyPressEvent(QKeyEvent* event) {
    if (!isScrollKey(event->key())) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const std::optional<KeyScroll> scroll = keyScroll(event->key(), event->modifiers());
    if (scroll && !isFrameMinimised() && drawingExceedsViewport(scroll->orientation)) {
        QScrollBar* bar =
            scroll->orientation == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
        bar->triggerAction(scroll->action);
    }
    event->accept();
}

} // namespace xtalsp::gui
