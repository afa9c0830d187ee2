#include "core/document/mergingfile.h"

#include "core/io/binaryarchive.h"
#include "core/io/filebytes.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>
#include <limits>

namespace xtalsp {
namespace {

std::vector<LaueSpot> twoSpots() {
    LaueSpot a;
    a.x = 10;
    a.y = -20;
    a.intensity = 5;
    LaueSpot b = a;
    b.x = 30;
    b.y = 40;
    b.intensity = 7;
    return {a, b};
}

TEST(MergingFile, HasTheDocumentedSizesAndReadsBackInReverseOrder) {
    const auto spots = twoSpots();
    const std::string dark = encodeMergingFile(20, 25, 0, 99, spots);
    const std::string gray = encodeMergingFile(20, 25, 1, 99, spots);
    EXPECT_EQ(dark.size(), 80u);
    EXPECT_EQ(gray.size(), 104u);
    EXPECT_EQ(dark.substr(0, 24), std::string("\x17Xtalspotter.MergingFile"));

    const MergingReadResult darkBack = decodeMergingFile(dark, "a.mrg");
    ASSERT_TRUE(darkBack.ok());
    EXPECT_EQ(darkBack.file.spotWidth, 20);
    EXPECT_EQ(darkBack.file.spotHeight, 25);
    EXPECT_EQ(darkBack.file.saturationIntensity, 0); // not stored without grey levels
    ASSERT_EQ(darkBack.file.spots.size(), 2u);
    EXPECT_EQ(darkBack.file.spots[0], (MergingSpot{30, 40, 0}));
    EXPECT_EQ(darkBack.file.spots[1], (MergingSpot{10, -20, 0}));

    const MergingReadResult grayBack = decodeMergingFile(gray, "a.mrg");
    ASSERT_TRUE(grayBack.ok());
    EXPECT_EQ(grayBack.file.saturationIntensity, 99);
    EXPECT_EQ(grayBack.file.spots[0], (MergingSpot{30, 40, 7}));
}

TEST(MergingFile, ReadingFailuresCarryTheirMessages) {
    const std::string full = encodeMergingFile(20, 20, 1, 10, twoSpots());
    // The count promises two records, one is there: the first is kept for drawing.
    const MergingReadResult cut = decodeMergingFile(full.substr(0, full.size() - 10), "x.mrg");
    EXPECT_EQ(cut.status, MergingReadStatus::ReadError);
    EXPECT_EQ(cut.failure.text, "Error occured in reading merging file x.mrg!");
    EXPECT_EQ(cut.failure.icon, MessageIcon::Stop);
    EXPECT_EQ(cut.file.spots.size(), 1u);

    ArchiveWriter other;
    other.writeString("Xtalspotter.File");
    const MergingReadResult wrong = decodeMergingFile(other.bytes(), "p.ptn");
    EXPECT_EQ(wrong.status, MergingReadStatus::WrongSignature);
    EXPECT_EQ(wrong.failure.text, "Cannot recognized the format of p.ptn!");

    EXPECT_EQ(decodeMergingFile("\x17Xtalspotter", "s.mrg").status, MergingReadStatus::ReadError);

    // A huge or negative count is refused without allocating for it.
    ArchiveWriter lying;
    lying.writeString(kMergingFileSignature);
    lying.writeDouble(20);
    lying.writeDouble(20);
    lying.writeInt32(0);
    lying.writeInt32(-1);
    EXPECT_EQ(decodeMergingFile(lying.bytes(), "n.mrg").status, MergingReadStatus::ReadError);

    const MergingReadResult missing = readMergingFile("/nonexistent/dir/f.mrg");
    EXPECT_EQ(missing.status, MergingReadStatus::CannotOpen);
    EXPECT_EQ(missing.failure.text, "Unable to open merging file /nonexistent/dir/f.mrg!");
}

TEST(MergingFile, AcceptsAnyLengthFormOfTheSignatureAndRejectsNonFiniteValues) {
    std::string longForm("\xFF\x17\x00", 3); // 16-bit length form
    longForm += kMergingFileSignature;
    const std::string body = encodeMergingFile(20, 20, 0, 0, twoSpots()).substr(24);
    EXPECT_TRUE(decodeMergingFile(longForm + body, "l.mrg").ok());

    std::vector<LaueSpot> spots = twoSpots();
    spots[0].x = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(decodeMergingFile(encodeMergingFile(20, 20, 0, 0, spots), "nan.mrg").status,
              MergingReadStatus::ReadError);
}

TEST(MergingFile, WriteFailureHasItsMessage) {
    test::TempDir dir;
    EXPECT_TRUE(writeMergingFile(dir.file("ok.mrg"), 20, 20, 0, 0, twoSpots()).ok());
    EXPECT_EQ(dir.read("ok.mrg").size(), 80u);
    const Status failure = writeMergingFile(dir.file("no/such.mrg"), 20, 20, 0, 0, twoSpots());
    ASSERT_FALSE(failure.ok());
    EXPECT_EQ(failure.failure().text, "Cannot open the file!");

    // The reader refuses NaN and infinity, so such a file is never written.
    std::vector<LaueSpot> spots = twoSpots();
    spots[1].intensity = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(writeMergingFile(dir.file("inf.mrg"), 20, 20, 1, 10, spots).ok());
    EXPECT_FALSE(writeMergingFile(dir.file("nan.mrg"), 20, 20, 1,
                                  std::numeric_limits<double>::quiet_NaN(), twoSpots())
                     .ok());
    EXPECT_FALSE(canOpenForReading(dir.file("inf.mrg")));
    EXPECT_FALSE(canOpenForReading(dir.file("nan.mrg")));
    // Without grey levels intensities are not stored, so they do not matter.
    EXPECT_TRUE(writeMergingFile(dir.file("dark.mrg"), 20, 20, 0, 0, spots).ok());
}

} // namespace
} // namespace xtalsp
