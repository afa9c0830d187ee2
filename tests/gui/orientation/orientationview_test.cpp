#include "core/computation/filmunits.h"
#include "core/orientation/orientation.h"
#include "core/text/numbertext.h"
#include "gui/orientation/fitorientationdlg.h"
#include "gui/orientation/indexspotsdlg.h"
#include "gui/shell/commandids.h"
#include "gui/support/viewtesting.h"
#include "gui/view/xtalspview.h"
#include "support/editinputs.h"
#include "support/tempdir.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace xtalsp {
namespace {

using gui::CXtalspView;

// Runs the real fit dialog as a user would: Fit, then Apply when it offers it.
class ClickingOrientationDialogs : public gui::OrientationDialogs {
public:
    std::optional<FitResult> fitOrientation(QWidget*, const CXtalspDoc& doc,
                                            const std::vector<FilmPeak>& measured,
                                            UserPrompt& prompt) override {
        gui::CFitOrientationDlg dialog(doc, measured, prompt);
        dialog.fitButton()->click();
        applyOffered = dialog.applyButton()->isEnabled();
        if (applyOffered)
            dialog.applyButton()->click();
        return dialog.appliedFit();
    }
    // Indexes, then applies the first solution when one is listed.
    std::optional<DiffractionSettings> indexSpots(QWidget*, const CXtalspDoc& doc,
                                                  const std::vector<FilmPeak>& measured,
                                                  UserPrompt& prompt) override {
        gui::CIndexSpotsDlg dialog(doc, measured, prompt);
        dialog.indexButton()->click();
        applyOffered = dialog.applyButton()->isEnabled();
        if (applyOffered)
            dialog.applyButton()->click();
        return dialog.appliedSettings();
    }
    bool applyOffered = false;
};

class OrientationView : public ::testing::Test {
protected:
    OrientationView() {
        test::computeSilicon(doc);
        view = std::make_unique<CXtalspView>(doc, host);
        view->InitFromDocument();
        auto scripted = std::make_unique<ClickingOrientationDialogs>();
        dialogs = scripted.get();
        view->setOrientationDialogs(std::move(scripted));
    }
    // The film points of the strongest spots of the current pattern.
    std::vector<FilmPoint> strongestSpots(std::size_t count) const {
        std::vector<LaueSpot> strongest(doc.spots().begin(), doc.spots().end());
        std::sort(strongest.begin(), strongest.end(),
                  [](const LaueSpot& a, const LaueSpot& b) { return a.intensity > b.intensity; });
        strongest.resize(std::min(strongest.size(), count));
        std::vector<FilmPoint> points;
        for (const LaueSpot& spot : strongest)
            points.push_back({mmFromFilmUnits(spot.x), mmFromFilmUnits(spot.y)});
        return points;
    }
    // How far the farthest mark lies from its nearest spot, mm.
    double farthestMarkMm() const {
        double farthest = 0.0;
        for (const FilmPoint& mark : view->spotMarks().marks()) {
            double nearest = 1e9;
            for (const LaueSpot& spot : doc.spots())
                nearest = std::min(nearest, std::hypot(mmFromFilmUnits(spot.x) - mark.xMm,
                                                       mmFromFilmUnits(spot.y) - mark.yMm));
            farthest = std::max(farthest, nearest);
        }
        return farthest;
    }
    void tilt(double x, double y) {
        doc.takeRotation(x, y);
        ASSERT_GT(doc.spotCount(), 10);
    }

    test::FakeViewHost host;
    CXtalspDoc doc{test::hostServices(host)};
    std::unique_ptr<CXtalspView> view;
    ClickingOrientationDialogs* dialogs = nullptr;
};

// The strongest spots of a known orientation, read as marks from a CSV file, bring a pattern
// started two degrees away back onto them; a single mark is refused with the fit's message.
TEST_F(OrientationView, MarksFromCsvFitTheOrientationTheyWereTakenFrom) {
    tilt(4.0, -3.0);
    doc.turnAboutBeam(5.0);
    std::vector<LaueSpot> strongest(doc.spots().begin(), doc.spots().end());
    std::sort(strongest.begin(), strongest.end(),
              [](const LaueSpot& a, const LaueSpot& b) { return a.intensity > b.intensity; });
    strongest.resize(std::min<std::size_t>(strongest.size(), 10));
    std::string csv = "x_mm,y_mm,intensity\r\n";
    for (const LaueSpot& spot : strongest)
        csv += formatG(mmFromFilmUnits(spot.x), 17) + "," + formatG(mmFromFilmUnits(spot.y), 17) +
               "," + formatG(spot.intensity, 6) + "\r\n";
    const test::TempDir dir;
    host.files.answers = {QString::fromStdString(dir.write("marks.csv", csv))};
    view->executeCommand(gui::ID_MARKS_IMPORT);
    ASSERT_EQ(view->spotMarks().marks().size(), strongest.size());

    tilt(doc.settings().rotationX + 2.0, doc.settings().rotationY - 2.0);
    doc.turnAboutBeam(-2.0);
    ASSERT_TRUE(view->commandState(gui::ID_FIT_ORIENTATION).enabled);
    view->executeCommand(gui::ID_FIT_ORIENTATION);
    ASSERT_TRUE(dialogs->applyOffered);
    for (const FilmPoint& mark : view->spotMarks().marks()) {
        double nearest = 1e9;
        for (const LaueSpot& spot : doc.spots())
            nearest = std::min(nearest, std::hypot(mmFromFilmUnits(spot.x) - mark.xMm,
                                                   mmFromFilmUnits(spot.y) - mark.yMm));
        EXPECT_LT(nearest, 0.01);
    }

    view->spotMarks().setMarks({view->spotMarks().marks().front()});
    const DiffractionSettings fitted = doc.settings();
    host.recordingPrompt.messages.clear();
    view->executeCommand(gui::ID_FIT_ORIENTATION);
    EXPECT_FALSE(dialogs->applyOffered);
    EXPECT_EQ(host.recordingPrompt.messages.size(), 1u);
    EXPECT_EQ(doc.settings(), fitted);
}

// Marks of a known orientation are indexed from a pattern turned away from it; the first
// solution, applied, puts a spot on every mark and is undone as one change. Two marks are
// refused with a message and change nothing.
TEST_F(OrientationView, IndexingTheMarksRecoversTheirOrientation) {
    tilt(4.0, -3.0);
    doc.turnAboutBeam(5.0);
    view->spotMarks().setMarks(strongestSpots(8));
    tilt(9.0, 2.0);
    doc.turnAboutBeam(-7.0);
    ASSERT_GT(farthestMarkMm(), 1.0);
    const DiffractionSettings turned = doc.settings();

    ASSERT_TRUE(view->commandState(gui::ID_INDEX_SPOTS).enabled);
    view->executeCommand(gui::ID_INDEX_SPOTS);
    ASSERT_TRUE(dialogs->applyOffered);
    EXPECT_LT(farthestMarkMm(), 0.25);
    doc.undo();
    EXPECT_EQ(doc.settings(), turned);

    view->spotMarks().setMarks(strongestSpots(2));
    host.recordingPrompt.messages.clear();
    view->executeCommand(gui::ID_INDEX_SPOTS);
    EXPECT_FALSE(dialogs->applyOffered);
    EXPECT_EQ(host.recordingPrompt.messages.size(), 1u);
    EXPECT_EQ(doc.settings(), turned);
}

// Marking clicks add and remove marks where the pointer is; Ctrl+wheel keeps the film point
// under the pointer in place.
TEST_F(OrientationView, ClicksMarkSpotsAndTheWheelZoomsAboutThePointer) {
    view->resize(500, 400);
    view->executeCommand(gui::ID_VIEW_FIT_WINDOW);
    EXPECT_LE(view->contentSize().width(), view->viewport()->width());
    EXPECT_LE(view->contentSize().height(), view->viewport()->height());
    view->executeCommand(gui::ID_VIEW_MARK_SPOTS);
    ASSERT_TRUE(view->isMarking());
    const QPoint centre(view->contentSize().width() / 2, view->contentSize().height() / 2);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre + QPoint(40, -20));
    ASSERT_EQ(view->spotMarks().marks().size(), 1u);
    const FilmPoint mark = view->spotMarks().marks().front();
    EXPECT_GT(mark.xMm, 0.0);
    EXPECT_GT(mark.yMm, 0.0);

    const QPointF pointer = centre + QPoint(40, -20);
    const double fittedZoom = view->zoom();
    QWheelEvent wheel(pointer, view->viewport()->mapToGlobal(pointer), {}, {0, 240}, Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &wheel);
    EXPECT_NEAR(view->zoom(), fittedZoom * 1.25 * 1.25, 0.011);
    // The mark is still under the pointer: clicking there removes it.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, pointer.toPoint());
    EXPECT_TRUE(view->spotMarks().marks().empty());
}

// Aligning the selected spot puts its plane normal on the beam (the centre of the gnomonic
// projection) with the planes unchanged; a plane at a right angle to the beam cannot be
// aligned, and neither that nor cancelling the confirmation changes anything.
TEST_F(OrientationView, AlignBringsTheSelectedSpotsNormalOntoTheBeam) {
    tilt(6.0, -4.0);
    int edgeOn = -1, tilted = -1;
    for (int i = 0; i < doc.spotCount(); ++i) {
        const LaueSpot& spot = *doc.spotAt(i);
        if (spot.l == 0)
            edgeOn = i; // normal at a right angle to the [001] surface
        else if (tilted < 0)
            tilted = i;
    }
    ASSERT_GE(edgeOn, 0);
    ASSERT_GE(tilted, 0);
    const DiffractionSettings before = doc.settings();
    doc.selectSpot(edgeOn);
    view->executeCommand(gui::ID_ALIGN_SELECTED_SPOT);
    EXPECT_EQ(doc.settings(), before);
    EXPECT_EQ(host.recordingPrompt.messages.back().icon, MessageIcon::Exclamation);

    doc.selectSpot(tilted);
    const LaueSpot spot = *doc.spotAt(tilted);
    host.recordingPrompt.answers = {MessageAnswer::Cancel};
    view->executeCommand(gui::ID_ALIGN_SELECTED_SPOT);
    EXPECT_EQ(doc.settings(), before);

    view->executeCommand(gui::ID_ALIGN_SELECTED_SPOT);
    EXPECT_NE(doc.settings().rotationX, before.rotationX);
    EXPECT_EQ(doc.settings().surfacePlane, before.surfacePlane);
    EXPECT_EQ(doc.settings().sidePlane, before.sidePlane);
    const auto axes = orientedAxes(doc.settings(), doc.reciprocalBasis(), 0.0);
    const std::optional<FilmPosition> centre =
        gnomonicPoint(axes, doc.reciprocalBasis(), {double(spot.h), double(spot.k), double(spot.l)},
                      doc.settings().distance);
    ASSERT_TRUE(centre.has_value());
    EXPECT_NEAR(centre->x, 0.0, 1e-6);
    EXPECT_NEAR(centre->y, 0.0, 1e-6);
}

} // namespace
} // namespace xtalsp
