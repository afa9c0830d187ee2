#include "core/structure/cifstructure.h"

#include "core/computation/geometry.h"
#include "core/computation/structurefactorcalculator.h"
#include "core/structure/elements.h"
#include "core/structure/structurecheck.h"
#include "core/structure/structurefile.h"
#include "core/text/numbertext.h"
#include "testpaths.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace xtalsp {
namespace {

std::string example(const std::string& name) {
    return std::string(test::kExamplesDir) + "/" + name;
}

// Periodic difference of two fractional coordinates.
double fractionalGap(double a, double b) {
    const double d = a - b;
    return std::abs(d - std::round(d));
}

bool sameSite(const AtomSite& p, const AtomSite& q) {
    return p.element == q.element && fractionalGap(p.x, q.x) < 1e-4 &&
           fractionalGap(p.y, q.y) < 1e-4 && fractionalGap(p.z, q.z) < 1e-4 &&
           std::abs(p.occupancy - q.occupancy) < 1e-9;
}

// Every atom of one list is in the other, once.
void expectSameSites(const std::vector<AtomSite>& expanded, const std::vector<AtomSite>& listed) {
    ASSERT_EQ(expanded.size(), listed.size());
    for (const AtomSite& atom : listed) {
        int matches = 0;
        for (const AtomSite& candidate : expanded)
            matches += sameSite(atom, candidate) ? 1 : 0;
        EXPECT_EQ(matches, 1) << elementSymbol(atom.element) << " " << atom.x << " " << atom.y
                              << " " << atom.z;
    }
}

double structureFactor(const FlatStructure& flat, int h, int k, int l) {
    const CrystalStructure structure = fromFlatStructure(flat);
    const ReciprocalBasis basis = computeReciprocalBasis(
        structure.a, structure.b, structure.c, structure.alpha, structure.beta, structure.gamma);
    return readReal(computeStructureFactorTexts(h, k, l, basis, structure.groups).magnitude);
}

struct ExamplePair {
    const char* stem;
    std::size_t asymmetric;
    std::size_t cell;
    const char* spaceGroup;
};

// The example CIFs name their symmetry in every way a file can: H-M symbol with and without a
// setting, Hall symbol, and the two kinds of operation loop.
TEST(CifStructure, ExamplesExpandToTheirStructureFiles) {
    for (const ExamplePair& pair :
         {ExamplePair{"rutile", 2, 6, "P 42/m n m"}, ExamplePair{"corundum", 2, 30, "R -3 c:H"},
          ExamplePair{"nacl", 2, 8, "F m -3 m"}, ExamplePair{"magnesium", 1, 2, "P 63/m m c"},
          ExamplePair{"monazite", 6, 24, "P 1 21/n 1"}, ExamplePair{"quartz", 2, 9, "P 32 2 1"}}) {
        SCOPED_TRACE(pair.stem);
        const Result<CifStructure> cif =
            importCifStructure(example(pair.stem + std::string(".cif")));
        ASSERT_TRUE(cif.ok()) << cif.failure().text;
        const Result<FlatStructure> listed =
            importStructure(example(pair.stem + std::string(".struct")));
        ASSERT_TRUE(listed.ok());
        EXPECT_EQ(cif.value().asymmetricAtomCount, pair.asymmetric);
        EXPECT_EQ(cif.value().structure.atoms.size(), pair.cell);
        EXPECT_EQ(cif.value().spaceGroup, pair.spaceGroup);
        expectSameSites(cif.value().structure.atoms, listed.value().atoms);
        for (const AtomSite& atom : cif.value().structure.atoms) {
            EXPECT_GE(atom.x, 0.0);
            EXPECT_LT(atom.x, 1.0);
        }
        EXPECT_NEAR(cif.value().structure.a, listed.value().a, 1e-9);
        EXPECT_NEAR(cif.value().structure.gamma, listed.value().gamma, 1e-9);
        EXPECT_TRUE(checkStructure(cif.value().structure).ok());
        for (const auto& [h, k, l] :
             {std::array{1, 1, 0}, std::array{1, 0, 1}, std::array{2, 1, 3}, std::array{0, 0, 6}})
            EXPECT_NEAR(structureFactor(cif.value().structure, h, k, l),
                        structureFactor(listed.value(), h, k, l), 1e-2)
                << h << k << l;
    }
}

TEST(CifStructure, ReadsElementsOccupanciesNamesAndBlocks) {
    const std::string bytes = "data_empty\n_cell_length_a 3\n"
                              "data_first\n_chemical_name_common 'Iron, deuterated!\tform # 2'\n"
                              "_cell_length_a 4.0(2)\n_cell_length_b 4\n_cell_length_c 4\n"
                              "loop_\n_atom_site_label\n_atom_site_type_symbol\n"
                              "_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
                              "_atom_site_occupancy\n"
                              "Fe1 Fe3+ 0 0 0 0.5\nD1 D 0.5 0.5 0.5 ?\nCa2 ? -0.25 1.0 0.25 1\n"
                              "data_second\n_cell_length_a 5\n_cell_length_b 5\n_cell_length_c 5\n"
                              "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n"
                              "_atom_site_fract_z\nO1 0.1 0.2 0.3\n";
    const auto blocks = listCifStructureBlocks(bytes, "x.cif");
    ASSERT_TRUE(blocks.ok());
    EXPECT_EQ(blocks.value(), (std::vector<std::string>{"first", "second"}));

    const Result<CifStructure> first = readCifStructure(bytes, "x.cif");
    ASSERT_TRUE(first.ok()) << first.failure().text;
    const FlatStructure& s = first.value().structure;
    EXPECT_EQ(s.name, "Iron deuterated form 2");
    EXPECT_TRUE(checkStructure(s).ok());
    EXPECT_EQ(s.a, 4.0);
    EXPECT_EQ(s.alpha, 90.0);
    EXPECT_EQ(first.value().spaceGroup, "P 1");
    ASSERT_EQ(s.atoms.size(), 3u);
    EXPECT_EQ(s.atoms[0], (AtomSite{26, 0, 0, 0, 0.5}));
    EXPECT_EQ(s.atoms[1], (AtomSite{1, 0.5, 0.5, 0.5, 1.0}));
    EXPECT_EQ(s.atoms[2], (AtomSite{20, 0.75, 0.0, 0.25, 1.0}));

    const Result<CifStructure> second = readCifStructure(bytes, "x.cif", "SECOND");
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(second.value().structure.name, "second");
    EXPECT_FALSE(readCifStructure(bytes, "x.cif", "third").ok());
}

TEST(CifStructure, CopiesOfOneSiteOnOnePositionAreKeptOnce) {
    // (0.5, 0.5, 0.999999) and its inverse (0.5, 0.5, 0.000001) lie 0.00001 Angstrom apart
    // across the cell face; two sites 0.05 Angstrom apart both stay.
    const std::string bytes = "data_t\n_cell_length_a 10\n_cell_length_b 10\n_cell_length_c 10\n"
                              "_space_group_name_Hall '-P 1'\n"
                              "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n"
                              "_atom_site_fract_z\nNa1 0.5 0.5 0.999999\nCl1 0.2 0.3 0.4\n"
                              "Cl2 0.205 0.3 0.4\n";
    const Result<CifStructure> read = readCifStructure(bytes, "t.cif");
    ASSERT_TRUE(read.ok()) << read.failure().text;
    EXPECT_EQ(read.value().spaceGroup, "P -1");
    EXPECT_EQ(read.value().structure.atoms.size(), 5u);
}

TEST(CifStructure, FailuresNameTheFileAndTheFault) {
    const std::string cell = "data_x\n_cell_length_a 4\n_cell_length_b 4\n_cell_length_c 4\n";
    const std::string atoms = "loop_\n_atom_site_label\n_atom_site_type_symbol\n"
                              "_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n";
    const auto failure = [](const std::string& bytes) {
        const Result<CifStructure> read = readCifStructure(bytes, "/tmp/bad.cif");
        return read.ok() ? std::string("read") : read.failure().text;
    };
    EXPECT_EQ(failure(cell + atoms + "Xx1 Xx 0 0 0\n"),
              "bad.cif: unknown element \"Xx\" of atom Xx1");
    EXPECT_EQ(failure(cell + atoms + "Np1 Np 0 0 0\n"),
              "bad.cif: no scattering factors for Np (atom Np1); the heaviest element is U");
    EXPECT_EQ(failure(cell + "_symmetry_space_group_name_H-M 'P 7'\n" + atoms + "O1 O 0 0 0\n"),
              "bad.cif: unknown space group P 7");
    EXPECT_EQ(failure(cell + "_space_group_name_Hall 'Q 9'\n" + atoms + "O1 O 0 0 0\n"),
              "bad.cif: unknown space group (Hall symbol Q 9)");
    EXPECT_EQ(failure(cell + "loop_\n_symmetry_equiv_pos_as_xyz\nx,y,q\n" + atoms + "O1 O 0 0 0\n"),
              "bad.cif: unreadable symmetry operation x,y,q");
    EXPECT_EQ(failure(cell), "bad.cif: no atom sites");
    EXPECT_EQ(failure("data_x\n" + atoms + "O1 O 0 0 0\n"), "bad.cif: no cell in data block x");
    EXPECT_EQ(failure(cell + atoms + "O1 O 0 ? 0\n"), "bad.cif: atom O1 has no valid position");
    // A file cut off inside a quoted value or a loop is a syntax error with its line.
    const std::string truncated = failure(cell + "_chemical_name_common 'Ha");
    EXPECT_EQ(truncated.rfind("bad.cif: syntax error in line 5:", 0), 0u) << truncated;
    EXPECT_EQ(failure(cell + "loop_\n"), "bad.cif: syntax error in line 6:1: parse error");
}

TEST(CifStructure, ImportAnyStructureChoosesTheReaderByExtension) {
    const Result<FlatStructure> cif = importAnyStructure(example("rutile.cif"));
    ASSERT_TRUE(cif.ok());
    EXPECT_EQ(cif.value().name, "Rutile");
    EXPECT_TRUE(importAnyStructure(example("Silicon.struct")).ok());
    EXPECT_FALSE(importAnyStructure(example("missing.cif")).ok());
}

} // namespace
} // namespace xtalsp
