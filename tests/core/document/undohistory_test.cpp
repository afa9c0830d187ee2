#include "core/document/xtalspdoc.h"

#include "support/recordingprompt.h"
#include "support/silicon.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace xtalsp {
namespace {

std::optional<DiffractionSettings> acceptSilicon(const CXtalspDoc& doc) {
    DiffractionSettings s = doc.settings();
    s.surfacePlane = {0, 0, 1};
    s.sidePlane = {1, 0, 0};
    s.distance = 300;
    s.Hmax = s.Kmax = s.Lmax = 16;
    return s;
}

std::optional<DiffractionSettings> cancel(const CXtalspDoc&) {
    return std::nullopt;
}

TEST(UndoHistory, EveryKindOfChangeUndoesAndRedoesWithTheSavedState) {
    test::RecordingPrompt prompt;
    CXtalspDoc doc(DocumentServices{&prompt, nullptr, std::nullopt});
    doc.takeStructure(test::siliconFlat(), acceptSilicon);
    doc.setModified(false);
    const std::function<void()> changes[] = {
        [&] { doc.takeRotation(3, -2); },
        [&] { doc.turnAboutBeam(12); },
        [&] { doc.stepDistance(10); },
        [&] { doc.takeImagingDistance(5); },
        [&] {
            DiffractionSettings s = doc.settings();
            s.surfacePlane = {1, 1, 0};
            s.sidePlane = {0, 0, 1};
            doc.takeDiffractionSettings(s);
        },
        [&] {
            FlatStructure half = test::siliconFlat();
            for (AtomSite& atom : half.atoms)
                atom.occupancy = 0.5;
            doc.takeStructure(half, cancel);
        },
        [&] {
            Spectrum flat = doc.spectrum();
            flat.intensity.fill(1.0);
            doc.takeSpectrum(flat);
        },
        [&] { doc.takePatternSize(10, 8); },
        [&] { doc.takeIntensityAdjustment(50, 0.01); },
    };
    for (const auto& change : changes) {
        const PatternInputs before = doc.inputs();
        const SpotList spotsBefore = doc.spots();
        change();
        const PatternInputs after = doc.inputs();
        const SpotList spotsAfter = doc.spots();
        ASSERT_NE(after, before);
        ASSERT_TRUE(doc.canUndo());
        EXPECT_FALSE(doc.canRedo());
        doc.undo();
        EXPECT_EQ(doc.inputs(), before);
        EXPECT_EQ(doc.spots(), spotsBefore);
        doc.redo();
        EXPECT_EQ(doc.inputs(), after);
        EXPECT_EQ(doc.spots(), spotsAfter);
    }
    // Back at the saved state the pattern is unmodified; a step away it is modified again.
    for (std::size_t i = 0; i < std::size(changes); ++i)
        doc.undo();
    EXPECT_FALSE(doc.isModified());
    doc.redo();
    EXPECT_TRUE(doc.isModified());
    doc.undo();
    EXPECT_FALSE(doc.isModified());
    // A new change drops what could be redone.
    doc.stepRotation(RotationAxis::Y, 1);
    EXPECT_FALSE(doc.canRedo());
    EXPECT_TRUE(doc.isModified());
}

TEST(UndoHistory, AGestureIsOneChangeAndAnUnchangedCommandNone) {
    test::RecordingPrompt prompt;
    CXtalspDoc doc(DocumentServices{&prompt, nullptr, std::nullopt});
    doc.takeStructure(test::siliconFlat(), acceptSilicon);
    const PatternInputs start = doc.inputs();
    doc.takeRotation(0, 0); // the angles it had: nothing to undo beyond the structure
    doc.beginGesture();
    for (int step = 1; step <= 5; ++step)
        doc.takeRotation(step, -step);
    doc.turnAboutBeam(3);
    doc.endGesture();
    doc.undo();
    EXPECT_EQ(doc.inputs(), start);
    EXPECT_TRUE(doc.canUndo()); // the structure
    doc.undo();
    EXPECT_FALSE(doc.canUndo());
}

// Runs the posted ends of background walks when the test asks, as an event loop would.
class PostedTasks {
public:
    DocumentThreadPoster poster() {
        return [this](std::function<void()> task) {
            const std::lock_guard lock(m_mutex);
            m_tasks.push_back(std::move(task));
            ++m_posted;
            m_arrived.notify_all();
        };
    }
    // Runs posted tasks until the document is idle.
    void runUntilIdle(const CXtalspDoc& doc) {
        while (doc.isComputing())
            runOne();
    }
    void runOne() {
        std::unique_lock lock(m_mutex);
        m_arrived.wait(lock, [&] { return !m_tasks.empty(); });
        std::function<void()> task = std::move(m_tasks.front());
        m_tasks.pop_front();
        lock.unlock();
        task();
    }
    int posted() {
        const std::lock_guard lock(m_mutex);
        return m_posted;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<std::function<void()>> m_tasks;
    int m_posted = 0;
};

class BackgroundComputation : public ::testing::Test {
protected:
    DocumentServices background() {
        DocumentServices services{&prompt, nullptr, std::nullopt};
        services.backgroundPoster = tasks.poster();
        return services;
    }
    test::RecordingPrompt prompt;
    PostedTasks tasks;
};

TEST_F(BackgroundComputation, ALateCommandSupersedesAndOnlyTheLastStateIsComputed) {
    CXtalspDoc doc(background());
    doc.takeStructure(test::siliconFlat(), acceptSilicon);
    tasks.runUntilIdle(doc);
    const int postedBefore = tasks.posted();
    for (int key = 0; key < 45; ++key)
        doc.stepRotation(RotationAxis::Y, 0.1);
    tasks.runUntilIdle(doc);
    // The walk already running when the keys came, and the one for the last state.
    EXPECT_LE(tasks.posted() - postedBefore, 2);

    CXtalspDoc direct(DocumentServices{&prompt, nullptr, std::nullopt});
    direct.takeStructure(test::siliconFlat(), acceptSilicon);
    direct.takeRotation(0, doc.settings().rotationY);
    EXPECT_NEAR(doc.settings().rotationY, 4.5, 1e-9);
    EXPECT_EQ(doc.spots(), direct.spots());
    EXPECT_EQ(doc.completedInputs(), direct.inputs());
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(BackgroundComputation, CancelReturnsToThePatternBeforeTheUnfinishedCommands) {
    auto doc = std::make_unique<CXtalspDoc>(background());
    doc->takeStructure(test::siliconFlat(), acceptSilicon);
    tasks.runUntilIdle(*doc);
    doc->takeRotation(1, 1);
    tasks.runUntilIdle(*doc);
    doc->setModified(false);
    const PatternInputs before = doc->inputs();
    const SpotList spots = doc->spots();
    ASSERT_FALSE(spots.empty());

    doc->takeRotation(5, 0);
    doc->takeImagingDistance(5);
    doc->takePatternSize(30, 20);
    doc->undo(); // undoing is a command like any other
    ASSERT_TRUE(doc->isComputing());
    EXPECT_EQ(doc->spots(), spots); // never a half-computed list
    EXPECT_EQ(doc->completedInputs(), before);
    // The window draws the old spots on the film and at the distance they belong to.
    EXPECT_EQ(doc->shownInputs().filmWidth, before.filmWidth);
    EXPECT_EQ(doc->shownInputs().settings.distance, before.settings.distance);
    doc->cancelComputation();
    EXPECT_FALSE(doc->isComputing());
    EXPECT_EQ(doc->inputs(), before);
    EXPECT_EQ(doc->spots(), spots);
    EXPECT_FALSE(doc->isModified());
    EXPECT_FALSE(doc->canRedo());
    doc->undo(); // the history is that of before: one undo goes back to no rotation
    tasks.runUntilIdle(*doc);
    EXPECT_EQ(doc->settings().rotationX, 0);
    EXPECT_TRUE(doc->isModified());

    // Closing a pattern while it computes stops and joins its worker; its late end is ignored.
    doc->takeRotation(7, 7);
    doc.reset();
    tasks.runOne();
}

// Notes whether the document is still computing when it shows a message.
class ObservingPrompt : public UserPrompt {
public:
    MessageAnswer show(const Message& message) override {
        computingAtMessage.push_back(doc != nullptr && doc->isComputing());
        return message.defaultAnswer;
    }
    const CXtalspDoc* doc = nullptr;
    std::vector<bool> computingAtMessage;
};

// The window must not show the failed computation's progress behind the message.
TEST_F(BackgroundComputation, APatternPastTheSpotLimitIsReportedOnThePatternBeforeIt) {
    CXtalspDoc direct(DocumentServices{&prompt, nullptr, std::nullopt});
    direct.takeStructure(test::siliconFlat(), acceptSilicon);
    ObservingPrompt observing;
    DocumentServices services{&observing, nullptr, std::nullopt};
    services.backgroundPoster = tasks.poster();
    services.spotLimit = direct.spots().size();
    CXtalspDoc doc(services);
    observing.doc = &doc;
    doc.takeStructure(test::siliconFlat(), acceptSilicon);
    tasks.runUntilIdle(doc);
    const PatternInputs before = doc.inputs();
    ASSERT_EQ(doc.spots(), direct.spots());

    doc.takePatternSize(40, 30); // a larger film holds more spots than the limit
    tasks.runUntilIdle(doc);
    ASSERT_EQ(observing.computingAtMessage, std::vector<bool>{false});
    EXPECT_EQ(doc.inputs(), before);
    EXPECT_EQ(doc.spots(), direct.spots());
}

} // namespace
} // namespace xtalsp
