// The sample structure file: its bytes, its content and how start-up places it.
#include "core/structure/samplestructure.h"

#include "core/structure/structurefile.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace xtalsp {
namespace {

TEST(SampleStructure, HasTheExactShape) {
    EXPECT_EQ(kSampleStructureText.size(), 713u);
    EXPECT_EQ(std::count(kSampleStructureText.begin(), kSampleStructureText.end(), '\n'), 26);
    EXPECT_EQ(std::count(kSampleStructureText.begin(), kSampleStructureText.end(), '\r'), 26);
    EXPECT_NE(kSampleStructureText.find("\r\n5.4305\t5.4305\t5.4305\t! Lattice constants a, b, "
                                        "c (\xC5)\r\n"),
              std::string_view::npos);
    EXPECT_TRUE(kSampleStructureText.ends_with("\r\n\r\n! End of structure"));
}

TEST(SampleStructure, ReadsAsSilicon) {
    const Result<FlatStructure> read = readStructureText(kSampleStructureText, "Sample.struct");
    ASSERT_TRUE(read.ok());
    const FlatStructure& silicon = read.value();
    EXPECT_EQ(silicon.name, "Silicon");
    for (const double edge : {silicon.a, silicon.b, silicon.c})
        EXPECT_EQ(edge, 5.4305);
    for (const double angle : {silicon.alpha, silicon.beta, silicon.gamma})
        EXPECT_EQ(angle, 90.0);
    const std::vector<AtomSite> diamond = {{14, 0, 0, 0, 1},          {14, 0.5, 0.5, 0, 1},
                                           {14, 0.5, 0, 0.5, 1},      {14, 0, 0.5, 0.5, 1},
                                           {14, 0.25, 0.25, 0.25, 1}, {14, 0.75, 0.75, 0.25, 1},
                                           {14, 0.75, 0.25, 0.75, 1}, {14, 0.25, 0.75, 0.75, 1}};
    EXPECT_EQ(silicon.atoms, diamond);
    EXPECT_EQ(silicon.debyeTemperature, 532.0);
    EXPECT_EQ(silicon.thermalExpansion, 2.56);
}

TEST(SampleStructure, CommaSeparatedLatticeReadsTheSame) {
    std::string text(kSampleStructureText);
    const std::string tabs = "5.4305\t5.4305\t5.4305\t";
    text.replace(text.find(tabs), tabs.size(), "5.4305, 5.4305, 5.4305 ");
    const Result<FlatStructure> commas = readStructureText(text, "x");
    ASSERT_TRUE(commas.ok());
    EXPECT_EQ(commas.value(), readStructureText(kSampleStructureText, "x").value());
}

TEST(SampleStructure, IsWrittenOnlyWhereNoFileStands) {
    test::TempDir dir;
    EXPECT_TRUE(ensureSampleStructureFile(dir.path()));
    EXPECT_EQ(dir.read("Sample.struct"), kSampleStructureText);
    for (const char* userContent : {"edited by the user", ""}) {
        dir.write("Sample.struct", userContent);
        EXPECT_FALSE(ensureSampleStructureFile(dir.path()));
        EXPECT_EQ(dir.read("Sample.struct"), userContent);
    }
    // A link to nowhere cannot be opened for reading, yet it is the user's and stays.
    std::filesystem::remove(dir.file("Sample.struct"));
    std::filesystem::create_symlink(dir.file("gone.struct"), dir.file("Sample.struct"));
    EXPECT_FALSE(ensureSampleStructureFile(dir.path()));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("Sample.struct")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("gone.struct")));

    EXPECT_FALSE(ensureSampleStructureFile(dir.file("no/such/directory")));
}

} // namespace
} // namespace xtalsp
