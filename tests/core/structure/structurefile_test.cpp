// Structure text reader and writer, saving, import by extension and the archived reader.
#include "core/structure/structurefile.h"

#include "support/localetest.h"
#include "support/tempdir.h"
#include "testpaths.h"

#include "core/io/binaryarchive.h"
#include "core/io/filebytes.h"

#include <gtest/gtest.h>

#include <limits>

namespace xtalsp {
namespace {

using namespace std::literals;

const std::string kPath = "/data/crystals/bad.struct";
const Message kTextFormatError{
    kPath + "\nXtalsp cannot read this file.\n\nPlease use a text editor to correct possible "
            "wrong format in this file.     \nYou can refer to file \"Sample.struct\" for "
            "correct format.",
    "Error in Reading Structure File", MessageIcon::Exclamation};
const Message kArchivedFormatError{"Cannot recognize the file format!", "", MessageIcon::Stop};

std::string fixture(const char* name) {
    return readFileBytes(std::string(test::kTestDataDir) + "/structure/" + name).value();
}

// A text file with a valid head; `body` starts at the atom count.
std::string withHead(const std::string& body) {
    return "Test crystal\n4 5 6\n90 90 90\n" + body;
}

FlatStructure readOk(const std::string& text) {
    const Result<FlatStructure> result = readStructureText(text, kPath);
    EXPECT_TRUE(result.ok()) << text;
    return result.ok() ? result.value() : FlatStructure{};
}

FlatStructure quartz() {
    return {"Quartz  low",
            4.9134,
            4.9134,
            5.4052,
            90,
            90,
            120,
            {{14, 0.4697, 0, 0, 1}, {8, 0.4135, 0.2669, 0.1191, 0.5}, {8, -1, 2, 1e-6, 1e-30}},
            470,
            -0.25};
}

TEST(StructureTextReader, ReadsAHandTypedFileInFileOrder) {
    // LF line ends, commas, comments after values and no line end at the end.
    const FlatStructure read = readOk(fixture("quartz-low.struct"));
    EXPECT_EQ(read.name, "Quartz  low");
    EXPECT_EQ((std::array{read.a, read.b, read.c, read.gamma}),
              (std::array{4.9134, 4.9134, 5.4052, 120.0}));
    ASSERT_EQ(read.atoms.size(), 9u);
    EXPECT_EQ(read.atoms[2], (AtomSite{14, -0.4697, -0.4697, 0.3333, 1.0}));
    EXPECT_EQ(read.atoms[6], (AtomSite{8, 0.2669, 0.4135, -0.1191, 1.0}));
    EXPECT_EQ(read.debyeTemperature, 470.0);
    EXPECT_EQ(read.thermalExpansion, 12.3);
}

TEST(StructureTextReader, RefusesMissingItemsAndValuesOutOfRange) {
    const std::string atom = "1\nSi 0 0 0\n";
    for (const std::string& text :
         {""s, "! only comments\n\n# here\n"s, "Silicon\n5.4 5.4 5.4\n90 90 90\n"s,
          withHead("0\nSi 0 0 0\n"), withHead("-3\nSi 0 0 0\n"),
          withHead("2\nXx 0 0 0\n12 0 0 0\n"), // no element at all
          "C\n0 1 1\n90 90 90\n" + atom, "C\n1 5000.001 1\n90 90 90\n" + atom,
          "C\n1 1\n90 90 90\n" + atom, "C\n1 1 1\n90 90 180\n" + atom, withHead("1\nSi 0 0 2.5\n"),
          withHead("1\nSi -1.01 0 0\n"),
          // readReal gives infinity beyond the double range; no item accepts it.
          "C\n1e400 1 1\n90 90 90\n" + atom, withHead("1\nSi 0 1e400 0\n"),
          withHead("1\nSi 0 0 0 1e400\n"), withHead(atom + "1e400\n"),
          withHead(atom + "300\n-1e400\n")}) {
        const Result<FlatStructure> result = readStructureText(text, kPath);
        ASSERT_FALSE(result.ok()) << text;
        EXPECT_EQ(result.failure(), kTextFormatError);
    }
    EXPECT_EQ(readOk("C\n0.0001 5000 1\n90 90 90\n" + atom).b, 5000.0);
    // Angles at the ends of their range pass it but close no cell.
    const Result<FlatStructure> flat =
        readStructureText("C\n0.0001 5000 1\n0.0001 179.9999 90\n" + atom, kPath);
    ASSERT_FALSE(flat.ok());
    EXPECT_EQ(flat.failure().encoding, TextEncoding::Utf8);
}

TEST(StructureTextReader, AtomLinesFollowTheOccupancyAndSkipRules) {
    const FlatStructure read = readOk(withHead("6\nSi 0 0 0\nSi 0 0 0 0.5\nXx 1 1 1\n"
                                               "Si 0 0 0 1.5\nsi -1 2 0 1e-30\n0.5 0.5 0.5\n"
                                               "SI 0 0 0 0\nO 0.5 0.5\n"));
    const std::vector<AtomSite> expected = {{14, 0, 0, 0, 1}, {14, 0, 0, 0, 0.5},
                                            {14, 0, 0, 0, 1}, {14, -1, 2, 0, 1e-30},
                                            {14, 0, 0, 0, 1}, {8, 0.5, 0.5, 0, 1}};
    EXPECT_EQ(read.atoms, expected);
}

TEST(StructureTextReader, TheAtomCountIsOnlyAnUpperBound) {
    const std::string sixAtoms = "Si 0 0 0\nSi 0.5 0.5 0\nSi 0.5 0 0.5\n"
                                 "Si 0 0.5 0.5\nSi 0.25 0.25 0.25\nSi 0.75 0.75 0.25\n";
    // Looking for the missing atoms, the reader runs through the Debye and expansion lines.
    const FlatStructure tooMany = readOk(withHead("8\n" + sixAtoms + "\n532\n2.56\n"));
    EXPECT_EQ(tooMany.atoms.size(), 6u);
    EXPECT_EQ(tooMany.debyeTemperature + tooMany.thermalExpansion, 0.0);
    // With fewer declared, the following atom lines are read as the two optional values.
    const FlatStructure tooFew = readOk(withHead("2.9\n" + sixAtoms + "532\n2.56\n"));
    EXPECT_EQ(tooFew.atoms.size(), 2u);
    EXPECT_EQ(tooFew.debyeTemperature + tooFew.thermalExpansion, 0.0);
}

TEST(StructureTextReader, OptionalValuesOutOfRangeBecomeZero) {
    struct Case {
        std::string tail;
        double debye, expansion;
    };
    for (const Case& c : {Case{"-5\n-1e6", 0, 0}, Case{"1e7\n1e6", 0, 0},
                          Case{"999999\n-999999", 999999, -999999}, Case{"532 K\n2.56", 532, 2.56},
                          Case{"\n! nothing", 0, 0}, Case{"1\n2\n1e400 not read", 1, 2}}) {
        const FlatStructure read = readOk(withHead("1\nSi 0 0 0\n" + c.tail));
        EXPECT_EQ(read.debyeTemperature, c.debye) << c.tail;
        EXPECT_EQ(read.thermalExpansion, c.expansion) << c.tail;
    }
}

TEST(StructureTextWriter, WritesTheExactBytesAndReadsBack) {
    FlatStructure s = quartz();
    EXPECT_EQ(readOk(writeStructureText(s)), s);
    s.atoms[0].x = 0.123456789012; // ten decimals at most
    s.debyeTemperature = 0;
    EXPECT_EQ(writeStructureText(s), fixture("quartz-written.struct"));
}

TEST(StructureSave, WritesTheFileOrReportsWhyNot) {
    test::TempDir dir;
    EXPECT_TRUE(saveStructureCopy(dir.file("q.struct"), quartz()).ok());
    EXPECT_EQ(dir.read("q.struct"), writeStructureText(quartz()));
    for (const std::string& path : {dir.file("missing/q.struct"), dir.path()})
        EXPECT_EQ(saveStructureCopy(path, quartz()).failure(),
                  (Message{"Xtalsp cannot create the file   " + path + " !", ""}));

    // What the reader would refuse is not written: no atoms (an archived file may have none),
    // a number that is not finite.
    FlatStructure noAtoms = quartz();
    noAtoms.atoms.clear();
    FlatStructure notFinite = quartz();
    notFinite.atoms[0].y = std::numeric_limits<double>::quiet_NaN();
    FlatStructure infinite = quartz();
    infinite.debyeTemperature = std::numeric_limits<double>::infinity();
    for (const FlatStructure& s : {noAtoms, notFinite, infinite}) {
        EXPECT_FALSE(unstorableStructure(s).ok());
        EXPECT_FALSE(saveStructureCopy(dir.file("bad.struct"), s).ok());
    }
    EXPECT_FALSE(canOpenForReading(dir.file("bad.struct")));
}

TEST(StructureSave, RoundTripIgnoresACommaDecimalLocale) {
    XTALSP_ENTER_COMMA_LOCALE(locale);
    test::TempDir dir;
    ASSERT_TRUE(saveStructureCopy(dir.file("q.struct"), quartz()).ok());
    EXPECT_NE(dir.read("q.struct").find("4.9134\t4.9134\t5.4052\t"), std::string::npos);
    const Result<FlatStructure> back = importStructure(dir.file("q.struct"));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.value(), quartz());
}

// An archived structure file as the older program wrote it, from the atom count on.
ArchiveWriter archivedHead(std::string_view name, std::int32_t count, double c = 6.0) {
    ArchiveWriter out;
    out.writeString(name);
    for (const double value : {4.0, 5.0, c, 90.0, 90.0, 120.0})
        out.writeDouble(value);
    out.writeInt32(count);
    return out;
}

void writeAtom(ArchiveWriter& out, std::int32_t element, double x, double y, double z) {
    out.writeInt32(element);
    for (const double value : {x, y, z})
        out.writeDouble(value);
}

std::string archivedFile() {
    ArchiveWriter out = archivedHead("Corundum", 2);
    writeAtom(out, 13, 0, 0, 0.352);
    writeAtom(out, 8, 7, -3, 0.25); // out of the cell: taken as it stands
    return out.bytes();
}

void expectArchivedFormatError(std::string_view bytes) {
    const Result<FlatStructure> result = readArchivedStructure(bytes, false);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.failure(), kArchivedFormatError);
}

TEST(ArchivedStructureReader, ReadsNameLatticeAndAtomsWithDefaults) {
    ArchiveWriter lead;
    lead.writeString("ignored");
    for (const bool old : {false, true}) {
        const std::string bytes = (old ? lead.bytes() : ""s) + archivedFile();
        const Result<FlatStructure> result = readArchivedStructure(bytes, old);
        ASSERT_TRUE(result.ok());
        const FlatStructure expected{
            "Corundum", 4, 5, 6, 90, 90, 120, {{13, 0, 0, 0.352, 1}, {8, 7, -3, 0.25, 1}}, 0, 0};
        EXPECT_EQ(result.value(), expected);
    }
}

TEST(ArchivedStructureReader, WideNamesBecomeSingleByteText) {
    ArchiveWriter out; // 0xFF 0xFFFE announces UTF-16 characters
    out.writeUInt8(0xFF);
    out.writeUInt16(0xFFFE);
    out.writeUInt8(6);
    for (const char16_t unit : u"Cu3Au\u00C5"sv)
        out.writeUInt16(unit);
    ArchiveWriter rest = archivedHead("", 1);
    writeAtom(rest, 29, 0.5, 0.5, 0);
    const Result<FlatStructure> result =
        readArchivedStructure(out.bytes() + rest.bytes().substr(1), false);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.value().name, "Cu3Au\xC5");
}

TEST(ArchivedStructureReader, RefusesShortFilesBadCountsElementsAndNumbers) {
    const std::string full = archivedFile();
    for (std::size_t length = 0; length < full.size(); ++length)
        expectArchivedFormatError(std::string_view(full).substr(0, length));
    expectArchivedFormatError(archivedHead("x", -1).bytes());
    expectArchivedFormatError(archivedHead("x", std::numeric_limits<std::int32_t>::max()).bytes());
    for (const std::int32_t element : {0, 93, -14}) {
        ArchiveWriter out = archivedHead("x", 1);
        writeAtom(out, element, 0, 0, 0);
        expectArchivedFormatError(out.bytes());
    }
    for (const double bad :
         {std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity()}) {
        ArchiveWriter inAtom = archivedHead("x", 1);
        writeAtom(inAtom, 14, 0, bad, 0);
        expectArchivedFormatError(inAtom.bytes());
        ArchiveWriter inLattice = archivedHead("x", 1, bad);
        writeAtom(inLattice, 14, 0, 0, 0);
        expectArchivedFormatError(inLattice.bytes());
    }
}

TEST(StructureReaders, RefuseAnglesThatCloseNoCell) {
    const std::string expected =
        "The angles \xCE\xB1, \xCE\xB2 and \xCE\xB3 do not form a unit cell.";
    const Result<FlatStructure> text =
        readStructureText("Flat\n4 5 6\n60 60 120\n1\nSi 0 0 0\n", kPath);
    ASSERT_FALSE(text.ok());
    EXPECT_EQ(text.failure().text, expected);

    ArchiveWriter out;
    out.writeString("Obtuse");
    for (const double value : {4.0, 5.0, 6.0, 150.0, 150.0, 150.0})
        out.writeDouble(value);
    out.writeInt32(1);
    writeAtom(out, 14, 0, 0, 0);
    const Result<FlatStructure> archived = readArchivedStructure(out.bytes(), false);
    ASSERT_FALSE(archived.ok());
    EXPECT_EQ(archived.failure().text, expected);
}

TEST(StructureImport, TheExtensionChoosesTheReader) {
    test::TempDir dir;
    ArchiveWriter lead;
    lead.writeString("ignored");
    for (const char* name : {"c.structure", "C.STRUCTURE", "c.Old"}) {
        const std::string bytes = (name[2] == 'O' ? lead.bytes() : ""s) + archivedFile();
        const Result<FlatStructure> result = importStructure(dir.write(name, bytes));
        ASSERT_TRUE(result.ok()) << name;
        EXPECT_EQ(result.value().name, "Corundum") << name;
    }
    for (const char* name : {"q.struct", "q", "q.structure.bak"}) {
        const Result<FlatStructure> result =
            importStructure(dir.write(name, writeStructureText(quartz())));
        ASSERT_TRUE(result.ok()) << name;
        EXPECT_EQ(result.value(), quartz()) << name;
    }
}

TEST(StructureImport, ReportsFilesThatCannotBeOpenedOrRead) {
    test::TempDir dir;
    const Result<FlatStructure> text = importStructure(dir.file("absent.struct"));
    ASSERT_FALSE(text.ok());
    EXPECT_EQ(text.failure(), (Message{"Xtalsp cannot open the file  absent.struct !  ", ""}));

    const std::string archivedPath = dir.file("absent.STRUCTURE");
    const Result<FlatStructure> archived = importStructure(archivedPath);
    ASSERT_FALSE(archived.ok());
    EXPECT_EQ(archived.failure(),
              (Message{"Failed to open the file " + archivedPath + "!", "", MessageIcon::Stop}));

    const Result<FlatStructure> cut = importStructure(dir.write("cut.old", archivedFile()));
    ASSERT_FALSE(cut.ok()); // "old" expects one more string in front
    EXPECT_EQ(cut.failure(), kArchivedFormatError);
}

} // namespace
} // namespace xtalsp
