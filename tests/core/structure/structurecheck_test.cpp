#include "structure/structurecheck.h"

#include "support/silicon.h"

#include <gtest/gtest.h>

namespace xtalsp {
namespace {

std::string firstFailure(const FlatStructure& s) {
    const auto failure = checkStructure(s);
    return failure ? failure->text : "";
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

    FlatStructure boundaries = s;
    boundaries.a = 0.0001;
    boundaries.alpha = 179.9999;
    boundaries.atoms[0] = {14, -1, 2, 2, 1e-30};
    EXPECT_EQ(firstFailure(boundaries), "");
}

TEST(StructureCheck, TrimsOnlyBlanksAtTheEnds) {
    EXPECT_EQ(trimmedName("  Quartz  low  "), "Quartz  low");
    EXPECT_EQ(trimmedName(""), "");
}

} // namespace
} // namespace xtalsp
