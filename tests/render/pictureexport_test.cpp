#include "render/pictureexport.h"

#include "core/document/mergingfile.h"
#include "core/io/filebytes.h"
#include "support/filmcontent.h"
#include "support/makespot.h"
#include "support/recordingcanvas.h"
#include "support/recordingprompt.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace xtalsp {
namespace {

using test::makeSpot;
using test::RecordedFill;
using test::RecordingCanvas;
using test::RecordingPrompt;

// What a picture file saw: the calls drawn into it and whether it was finished.
struct PictureLog {
    PictureExtent frame;
    RecordingCanvas canvas{false};
    bool finished = false;
};

class LoggedPictureFile : public PictureFile {
public:
    LoggedPictureFile(PictureLog& log, bool finishSucceeds)
        : m_log(log), m_finishSucceeds(finishSucceeds) {}
    Canvas& canvas() override { return m_log.canvas; }
    std::optional<std::string> finish() override {
        m_log.finished = true;
        if (!m_finishSucceeds)
            return std::nullopt;
        return "logged picture";
    }

private:
    PictureLog& m_log;
    bool m_finishSucceeds;
};

enum class Opening { Succeeds, Fails, FinishFails };

PictureFormat loggedFormat(PictureLog& log, Opening opening = Opening::Succeeds) {
    return PictureFormat{
        "Failed to create the metafile!",
        [&log, opening](const PictureExtent& frame) -> std::unique_ptr<PictureFile> {
            log.frame = frame;
            if (opening == Opening::Fails)
                return nullptr;
            return std::make_unique<LoggedPictureFile>(log, opening != Opening::FinishFails);
        }};
}

const std::vector<LaueSpot> kSpots = {makeSpot(1, 1, 1, 500, 300, 250),
                                      makeSpot(2, 0, 0, -100, 40, 2000)};

ViewDrawingOptions withoutCrossline() {
    ViewDrawingOptions options;
    options.showCrossline = false;
    return options;
}

bool containsFill(const std::vector<RecordedFill>& fills, const RecordedFill& wanted) {
    return std::find(fills.begin(), fills.end(), wanted) != fills.end();
}

TEST(PictureExport, DrawsThePictureIntoTheFileAndFinishesIt) {
    test::TempDir dir;
    PictureLog log;
    RecordingPrompt prompt;
    EXPECT_TRUE(exportPatternPicture(loggedFormat(log), dir.file("x.wmf"),
                                     test::filmContent(kSpots), withoutCrossline(), prompt));
    EXPECT_EQ(dir.read("x.wmf"), "logged picture");
    EXPECT_EQ(log.frame.width, 10200);
    EXPECT_EQ(log.frame.height, 7700);
    EXPECT_TRUE(log.finished);
    EXPECT_TRUE(prompt.messages.empty());
    const auto fills = log.canvas.fills();
    ASSERT_FALSE(fills.empty());
    EXPECT_EQ(fills.front(), (RecordedFill{{5050, -3800, 5150, -3900}, kRed}));
    EXPECT_TRUE(containsFill(fills, RecordedFill{{7550, -2300, 7650, -2400}, Rgb{192, 192, 192}}));
}

TEST(PictureExport, FailuresAreReportedNeverPassForSuccessAndKeepTheOldFile) {
    test::TempDir dir;
    const std::string old = dir.write("old.wmf", "old picture");
    RecordingPrompt prompt;
    PictureLog notCreated;
    EXPECT_FALSE(exportPatternPicture(loggedFormat(notCreated, Opening::Fails), old,
                                      test::filmContent(kSpots), withoutCrossline(), prompt));
    PictureLog notFinished;
    EXPECT_FALSE(exportPatternPicture(loggedFormat(notFinished, Opening::FinishFails), old,
                                      test::filmContent(kSpots), withoutCrossline(), prompt));
    EXPECT_EQ(dir.read("old.wmf"), "old picture");
    PictureLog notWritten;
    EXPECT_FALSE(exportPatternPicture(loggedFormat(notWritten), dir.file("missing/x.wmf"),
                                      test::filmContent(kSpots), withoutCrossline(), prompt));
    ASSERT_EQ(prompt.messages.size(), 3u);
    for (const Message& message : prompt.messages) {
        EXPECT_EQ(message.text, "Failed to create the metafile!");
        EXPECT_EQ(message.icon, MessageIcon::Stop);
    }
}

TEST(PictureExport, FailedLabelFontIsReportedAndThePictureCompleted) {
    PictureLog log;
    log.canvas.namedFontsFail = true;
    RecordingPrompt prompt;
    ViewDrawingOptions options = withoutCrossline();
    options.showIndex = true;
    test::TempDir dir;
    EXPECT_TRUE(exportPatternPicture(loggedFormat(log), dir.file("x.wmf"),
                                     test::filmContent(kSpots), options, prompt));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "Font failed.");
    EXPECT_EQ(log.canvas.texts().size(), 2u);
    EXPECT_TRUE(log.finished);
}

TEST(MergeRequestCheck, ProblemsInTheOrderOfTheDialogAndTrimmedValues) {
    MergeRequest blankOutput{"  \t", "a.mrg", 0, "", 0};
    auto problem = checkMergeRequest(blankOutput);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->message.text, "Please select an output file.");
    EXPECT_EQ(problem->message.icon, MessageIcon::Exclamation);
    EXPECT_EQ(problem->field, MergeField::Output);

    MergeRequest noFile1{"out.wmf", " ", 0, "b.mrg", 0};
    problem = checkMergeRequest(noFile1);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->message.text, "Please select a merging file.");
    EXPECT_EQ(problem->field, MergeField::File1);

    MergeRequest sameFiles{"out.wmf", "a.mrg ", 0, " a.mrg", 2};
    problem = checkMergeRequest(sameFiles);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->message.text, "Please select a different file.");
    EXPECT_EQ(problem->field, MergeField::File2);

    MergeRequest otherCase{" out.wmf ", "a.mrg", 1, "A.mrg", 2};
    EXPECT_FALSE(checkMergeRequest(otherCase));
    EXPECT_EQ(otherCase, (MergeRequest{"out.wmf", "a.mrg", 1, "A.mrg", 2}));

    MergeRequest onlyFile1{"out.wmf", "a.mrg", 0, "   ", 0};
    EXPECT_FALSE(checkMergeRequest(onlyFile1));
    EXPECT_EQ(onlyFile1.file2, "");
}

TEST(MergeRequestCheck, AnOutputThatNamesAMergingFileIsRecognised) {
    test::TempDir dir;
    const std::string mergingFile = dir.file("a.mrg");
    ASSERT_TRUE(writeFileAtomically(mergingFile, "x").ok());
    EXPECT_TRUE(mergeOutputIsAnInput({mergingFile, mergingFile, 0, "", 0}));
    EXPECT_TRUE(mergeOutputIsAnInput({dir.file("./a.mrg"), dir.file("b.mrg"), 0, mergingFile, 0}));
    EXPECT_FALSE(mergeOutputIsAnInput({dir.file("new.wmf"), mergingFile, 0, "", 0}));
}

class MergedPicture : public ::testing::Test {
protected:
    // A merging file of a pattern with 40 x 20 spots and grey levels on.
    std::string mergingFile(const std::string& name, const std::vector<LaueSpot>& spots,
                            std::int32_t grayscale = 1) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(writeMergingFile(path, 40, 20, grayscale, 1000, spots).ok());
        return path;
    }
    bool merge(const MergeRequest& request, Opening opening = Opening::Succeeds) {
        return mergePatternPicture(loggedFormat(log, opening), request, test::filmContent(kSpots),
                                   withoutCrossline(), prompt);
    }
    std::vector<RecordedFill> fills() const { return log.canvas.fills(); }

    test::TempDir dir;
    PictureLog log;
    RecordingPrompt prompt;
};

TEST_F(MergedPicture, FilesAreDrawnInTheirColoursAfterThePatternAndSuccessIsReported) {
    const std::string grey = mergingFile("grey.mrg", {makeSpot(1, 0, 0, 100, -200, 500)});
    const std::string red = mergingFile("red.mrg", {makeSpot(1, 0, 0, 0, 0, 10)});
    const std::string out = dir.file("out.wmf");
    ASSERT_TRUE(merge({out, grey, MergeGreyLevels, red, MergeRed}));
    EXPECT_EQ(dir.read("out.wmf"), "logged picture");

    const auto drawn = fills();
    // Mark, two pattern spots, one spot of each file (with the file's 4 x 2 mm spot size),
    // four white margins.
    ASSERT_EQ(drawn.size(), 1u + 2u + 2u + 4u);
    EXPECT_EQ(drawn[0], (RecordedFill{{5050, -3800, 5150, -3900}, kRed}));
    EXPECT_EQ(drawn[3], (RecordedFill{{5500, -4800, 5700, -4900}, Rgb{128, 128, 128}}));
    EXPECT_EQ(drawn[4], (RecordedFill{{5000, -3800, 5200, -3900}, kRed}));
    EXPECT_EQ(drawn[5].colour, kWhite);
    EXPECT_TRUE(log.finished);
    EXPECT_TRUE(log.canvas.texts().empty()); // no labels in a merged picture

    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text,
              "The merged pattern was successfully generated in " + out +
                  ".\nYou can insert it into a WORD or PowerPoint document to view or edit it.");
    EXPECT_EQ(prompt.messages[0].icon, MessageIcon::Information);
}

TEST_F(MergedPicture, BlueTurnsTheCentreMarkGreenAndIgnoresIntensities) {
    const std::string file = mergingFile("a.mrg", {makeSpot(1, 0, 0, 0, 0, 10)});
    ASSERT_TRUE(merge({dir.file("out.wmf"), file, MergeBlue, "", MergeGreyLevels}));
    EXPECT_EQ(fills()[0].colour, kGreen);
    EXPECT_EQ(fills()[3].colour, kBlue);

    log = PictureLog{};
    // The rule reads the colour values only: blue for an absent file 2 still gives green.
    ASSERT_TRUE(merge({dir.file("out.wmf"), file, MergeRed, "", MergeBlue}));
    EXPECT_EQ(fills()[0].colour, kGreen);
    EXPECT_EQ(fills()[3].colour, kRed);
}

TEST_F(MergedPicture, ReadingFailuresLeaveTheOutputUntouched) {
    const std::string keep = dir.write("keep.wmf", "the user's picture");
    const std::string good = mergingFile("good.mrg", {makeSpot(1, 0, 0, 0, 0, 10)});
    const std::string missing = dir.file("missing.mrg");
    ASSERT_FALSE(merge({keep, good, MergeRed, missing, MergeBlue}));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "Unable to open merging file " + missing + "!");
    EXPECT_EQ(prompt.messages[0].icon, MessageIcon::Stop);
    EXPECT_TRUE(log.canvas.calls.empty());
    EXPECT_EQ(dir.read("keep.wmf"), "the user's picture");

    // Two records announced, one and a half present.
    const std::string full =
        mergingFile("full.mrg", {makeSpot(1, 0, 0, 0, 0, 10), makeSpot(1, 0, 0, 100, 100, 10)}, 0);
    const std::string bytes = readFileBytes(full).value();
    const std::string truncated = dir.file("truncated.mrg");
    ASSERT_TRUE(writeFileAtomically(truncated, bytes.substr(0, bytes.size() - 8)).ok());
    prompt.messages.clear();
    ASSERT_FALSE(merge({keep, truncated, MergeGreyLevels, "", 0}));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "Error occured in reading merging file " + truncated + "!");
    EXPECT_EQ(dir.read("keep.wmf"), "the user's picture");
}

TEST_F(MergedPicture, AFileOfAnotherKindIsNotRecognisedAndCreationFailureStopsAtOnce) {
    const std::string other = dir.file("pattern.ptn");
    ASSERT_TRUE(writeFileAtomically(other, std::string("\x0cXtalsp.Pattern rest", 20)).ok());
    ASSERT_FALSE(merge({dir.file("out.wmf"), other, MergeGreyLevels, "", 0}));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "Cannot recognized the format of " + other + "!");

    prompt.messages.clear();
    log = PictureLog{};
    const std::string good = mergingFile("good.mrg", {makeSpot(1, 0, 0, 0, 0, 10)});
    ASSERT_FALSE(merge({"/no/such/dir/out.wmf", good, MergeGreyLevels, "", 0}, Opening::Fails));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "Failed to create the metafile!");
    EXPECT_TRUE(log.canvas.calls.empty());
}

} // namespace
} // namespace xtalsp
