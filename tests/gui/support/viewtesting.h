// Helpers of the view tests: a document with silicon spots, and counting a widget's repaints.
#pragma once

#include "core/document/xtalspdoc.h"
#include "gui/support/fakeviewhost.h"
#include "support/editinputs.h"
#include "support/silicon.h"

#include <QEvent>
#include <QObject>
#include <QWidget>

namespace xtalsp::test {

// The services of a document whose messages and settings go to the fake host.
inline DocumentServices hostServices(FakeViewHost& host) {
    return DocumentServices{&host.recordingPrompt, &host.store, std::nullopt};
}

// Silicon along [001] on the default 200 x 150 mm film, 30 mm from the crystal: a few dozen
// spots.
inline void computeSilicon(CXtalspDoc& doc) {
    test::editInputs(doc, [&](PatternInputs& in) {
        in.structure = silicon();
        in.settings.surfacePlane = {0, 0, 1};
        in.settings.sidePlane = {1, 0, 0};
        in.settings.distance = 300;
        in.settings.Hmax = in.settings.Kmax = in.settings.Lmax = 6;
    });
    doc.computeSpots();
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace xtalsp::test
