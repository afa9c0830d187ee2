// Element lookup and the regrouping of flat atom lists.
#include "core/structure/crystalstructure.h"
#include "core/structure/elements.h"

#include <gtest/gtest.h>

namespace xtalsp {
namespace {

TEST(Elements, LookUpMatchesWholeSymbolsIgnoringCase) {
    for (const char* silicon : {"Si", "si", "SI"})
        EXPECT_EQ(LookUpElement(silicon), 14) << silicon;
    EXPECT_EQ(LookUpElement("u"), 92);
    for (const char* none : {"Si1", "", " ", "Xx"})
        EXPECT_EQ(LookUpElement(none), 0) << '"' << none << '"';
}

TEST(AtomGrouping, GroupsByAscendingElementKeepingListedOrder) {
    const std::vector<AtomSite> atoms = {
        {8, 0.1, 0.2, 0.3, 1.0}, {14, 0.5, 0.5, 0.5, 0.5}, {8, 0.4, 0.5, 0.6, 0.25}};
    const std::vector<ElementGroup> groups = groupAtoms(atoms);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0], (ElementGroup{8, {{0.1, 0.2, 0.3, 1.0}, {0.4, 0.5, 0.6, 0.25}}}));
    EXPECT_EQ(groups[1], (ElementGroup{14, {{0.5, 0.5, 0.5, 0.5}}}));
    EXPECT_EQ(flattenGroups(groups), (std::vector<AtomSite>{atoms[0], atoms[2], atoms[1]}));
}

} // namespace
} // namespace xtalsp
