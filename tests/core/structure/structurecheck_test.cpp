#include "core/structure/structurecheck.h"

#include "support/silicon.h"

#include <cmath>
#include <gtest/gtest.h>

namespace xtalsp {
namespace {

const char* const kImpossibleCell =
    "The angles \xCE\xB1, \xCE\xB2 and \xCE\xB3 do not form a unit cell.";

std::string firstFailure(const FlatStructure& s) {
    const Status failure = checkStructure(s);
    return failure.ok() ? "" : failure.failure().text;
}

TEST(StructureCheck, ReportsTheFirstBrokenRuleInTheEditorsOrder) {
    FlatStructure s = test::siliconFlat();
    EXPECT_EQ(firstFailure(s), "");

    FlatStructure blankName = s;
    blankName.name = "   ";
    blankName.a = 0; // the name is checked first
    EXPECT_EQ(firstFailure(blankName), "Please enter a crystal name!   ");

    FlatStructure flatAngle = s;
    flatAngle.gamma = 180;
    EXPECT_EQ(firstFailure(flatAngle), "Please enter a number between 0.0001 and 179.9999.");

    FlatStructure noAtoms = s;
    noAtoms.atoms.clear();
    EXPECT_EQ(firstFailure(noAtoms), "No atom was added!   ");

    FlatStructure noElement = s;
    noElement.atoms[3].element = 0;
    EXPECT_EQ(firstFailure(noElement), "Please select an atom name! ");

    FlatStructure empty = s;
    empty.atoms[0].occupancy = 0;
    EXPECT_EQ(firstFailure(empty), "Please enter a number between 1e-30 and 1.");

    // The largest angle passes its range but leaves no cell with the other two.
    FlatStructure widestAngle = s;
    widestAngle.alpha = 179.9999;
    EXPECT_EQ(firstFailure(widestAngle), kImpossibleCell);

    FlatStructure boundaries = s;
    boundaries.a = 0.0001;
    boundaries.atoms[0] = {14, -1, 2, 2, 1e-30};
    EXPECT_EQ(firstFailure(boundaries), "");
}

TEST(StructureCheck, AnglesMustEncloseAVolume) {
    EXPECT_DOUBLE_EQ(normalizedCellVolume(90, 90, 90), 1.0);
    EXPECT_NEAR(normalizedCellVolume(60, 60, 60), std::sqrt(0.5), 1e-12);
    EXPECT_EQ(normalizedCellVolume(150, 150, 150), 0.0); // negative radicand
    EXPECT_FALSE(formsUnitCell(60, 60, 120));            // flat
    EXPECT_FALSE(formsUnitCell(90, 90, 179.9999));
    EXPECT_TRUE(formsUnitCell(90, 90, 179.9));

    FlatStructure s = test::siliconFlat();
    s.alpha = s.beta = s.gamma = 150;
    const Status failure = checkStructure(s);
    ASSERT_FALSE(failure.ok());
    EXPECT_EQ(failure.failure().text, kImpossibleCell);
    EXPECT_EQ(failure.failure().encoding, TextEncoding::Utf8);
    EXPECT_EQ(utf8Text(failure.failure()), kImpossibleCell);
}

TEST(StructureCheck, NamesThatWouldNotReadBackAreRefusedWithTheirCharacters) {
    EXPECT_TRUE(
        checkNameCharacters("M\xC3\xBCller \xE2\x82\xAC-Quartz (low)").ok()); // ü and the euro
    const auto listed = [](const char* name) {
        const Status failure = checkNameCharacters(name);
        return failure.ok() ? "" : failure.failure().text;
    };
    EXPECT_EQ(listed("SrTiO3, cubic #1"), "The crystal name cannot contain \",\" and \"#\".");
    EXPECT_EQ(listed("Fe\tO ! x"), "The crystal name cannot contain tab and \"!\".");
    EXPECT_EQ(listed("\xCE\xB1-Fe \xF0\x9F\x92\x8E"), // Greek alpha, an emoji
              "The crystal name cannot contain \"\xCE\xB1\" and \"\xF0\x9F\x92\x8E\".");

    // The check of a whole structure sees the code-page name, with its undefined bytes.
    FlatStructure s = test::siliconFlat();
    s.name = "#1 SrTiO3";
    ASSERT_FALSE(checkStructure(s).ok());
    s.name = "Cu3Au\x81";
    EXPECT_EQ(firstFailure(s), "The crystal name cannot contain U+0081.");
    s.name = "Cu3Au \xC5";
    EXPECT_EQ(firstFailure(s), "");
}

TEST(StructureCheck, TrimsOnlyBlanksAtTheEnds) {
    EXPECT_EQ(trimmedName("  Quartz  low  "), "Quartz  low");
    EXPECT_EQ(trimmedName(""), "");
}

} // namespace
} // namespace xtalsp
