// Turning the crystal by dragging the pattern with the left mouse button: horizontal motion
// turns it about the vertical film axis (Y), vertical motion about the horizontal one (X), and
// with Shift horizontal motion turns it about the beam.
#include "gui/view/xtalspview.h"

#include <QApplication>
#include <QMouseEvent>

#include <algorithm>
#include <cmath>

namespace xtalsp::gui {

namespace {

// At 100 % a degree is about five pixels: a spot near the centre of a film a few centimetres
// away moves roughly with the pointer. Zoomed in, the same motion turns less.
constexpr double kDegreesPerPixel = 0.2;

double clampedRotation(double degrees) {
    return std::clamp(degrees, -kMaxRotation, kMaxRotation);
}

} // namespace

void CXtalspView::beginCrystalDrag(QPointF viewportPosition) {
    endCrystalDrag();
    if (!m_doc.hasEstablishedSettings() || !m_doc.isCrystalDefined() || isFrameMinimised())
        return;
    m_drag = CrystalDrag{viewportPosition, viewportPosition, false};
}

void CXtalspView::followCrystalDrag(QPointF viewportPosition, Qt::KeyboardModifiers modifiers) {
    if (!m_drag)
        return;
    if (!m_drag->turning) {
        // A press that barely moves is a click.
        if ((viewportPosition - m_drag->start).manhattanLength() <
            QApplication::startDragDistance())
            return;
        m_drag->turning = true;
        m_doc.beginGesture();
    }
    const QPointF moved = viewportPosition - m_drag->last;
    m_drag->last = viewportPosition;
    const double degreesPerPixel = kDegreesPerPixel / std::max(m_zoom, 0.01);
    if (modifiers & Qt::ShiftModifier) {
        // Counter-clockwise as seen from the source for a drag to the left.
        m_doc.turnAboutBeam(-moved.x() * degreesPerPixel);
        return;
    }
    const DiffractionSettings& settings = m_doc.settings();
    m_doc.takeRotation(clampedRotation(settings.rotationX + moved.y() * degreesPerPixel),
                       clampedRotation(settings.rotationY + moved.x() * degreesPerPixel));
}

void CXtalspView::endCrystalDrag() {
    if (m_drag && m_drag->turning)
        m_doc.endGesture();
    m_drag.reset();
}

void CXtalspView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_drag || !(event->buttons() & Qt::LeftButton)) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    followCrystalDrag(event->position(), event->modifiers());
    event->accept();
}

void CXtalspView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_drag) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    endCrystalDrag();
    event->accept();
}

} // namespace xtalsp::gui
