// Reading and writing of structure text files and reading of archived structure files.
#include "core/structure/structurefile.h"

#include "core/io/binaryarchive.h"
#include "core/io/filebytes.h"
#include "core/structure/elements.h"
#include "core/structure/structurecheck.h"
#include "core/text/linetext.h"
#include "core/text/numbertext.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <new>
#include <optional>
#include <vector>

namespace xtalsp {
namespace {

// Atomic number (int32) and x, y, z (three doubles) of one archived atom.
constexpr std::uint64_t kArchivedAtomBytes = 4 + 3 * 8;

Message textFormatError(const std::string& path) {
    return {path + "\n" +
                "Xtalsp cannot read this file.\n\nPlease use a text editor to correct possible "
                "wrong format in this file.     \nYou can refer to file \"Sample.struct\" for "
                "correct format.",
            "Error in Reading Structure File", MessageIcon::Exclamation};
}

Message textOpenError(const std::string& path) {
    return {"Xtalsp cannot open the file  " + fileNameOf(path) + " !  ", "", MessageIcon::None};
}

Message archivedFormatError() {
    return {"Cannot recognize the file format!", "", MessageIcon::Stop};
}

Message archivedOpenError(const std::string& path) {
    return {"Failed to open the file " + path + "!", "", MessageIcon::Stop};
}

bool inRange(double value, double low, double high) {
    return value >= low && value <= high;
}

// The lines of a text file as the reader sees them: cleaned, with blank lines passed over.
class CleanedLines {
public:
    explicit CleanedLines(std::string_view bytes) : m_lines(bytes) {}

    // The next line that is not empty after cleaning; nothing at the end of the file.
    std::optional<std::string> next() {
        while (const std::optional<std::string_view> raw = m_lines.next()) {
            std::string line(*raw);
            CleanLine(line);
            if (!line.empty())
                return line;
        }
        return std::nullopt;
    }

private:
    LineCursor m_lines;
};

// readReal gives +-infinity for numbers beyond the double range; such a number is a format
// error wherever it stands.
std::optional<double> finiteReal(std::string_view text) {
    const double value = readReal(text);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

// Three numbers on one line (lattice constants or angles), each within [low, high].
bool readTriple(const std::optional<std::string>& line, double low, double high,
                std::array<double*, 3> values) {
    if (!line)
        return false;
    const std::vector<std::string> tokens = SplitTokens(*line, 3);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::optional<double> value = finiteReal(tokens[i]);
        if (!value || !inRange(*value, low, high))
            return false;
        *values[i] = *value;
    }
    return true;
}

// One atom line. A line whose first token is no element symbol yields no atom and is no error;
// a coordinate outside the cell's neighbourhood [-1, 2] is. A missing or unusable occupancy
// means a fully occupied site.
bool readAtomLine(const std::string& line, std::optional<AtomSite>& atom) {
    const std::vector<std::string> tokens = SplitTokens(line, 5);
    atom.reset();
    const int element = LookUpElement(tokens[0]);
    if (element == 0)
        return true;
    AtomSite site;
    site.element = element;
    double* coordinates[] = {&site.x, &site.y, &site.z};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::optional<double> value = finiteReal(tokens[i + 1]);
        if (!value || !inRange(*value, kMinCoordinate, kMaxCoordinate))
            return false;
        *coordinates[i] = *value;
    }
    const std::optional<double> occupancy = finiteReal(tokens[4]);
    if (!occupancy)
        return false;
    site.occupancy = inRange(*occupancy, kMinOccupancy, kMaxOccupancy) ? *occupancy : 1.0;
    atom = site;
    return true;
}

// The declared count is only an upper bound: reading stops early at the end of the file. No
// memory is reserved from it, since it comes straight from the file.
bool readAtoms(CleanedLines& lines, int declaredCount, std::vector<AtomSite>& atoms) {
    const auto wanted = static_cast<std::size_t>(declaredCount);
    while (atoms.size() < wanted) {
        const std::optional<std::string> line = lines.next();
        if (!line)
            break;
        std::optional<AtomSite> atom;
        if (!readAtomLine(*line, atom))
            return false;
        if (atom)
            atoms.push_back(*atom);
    }
    return !atoms.empty();
}

// An optional trailing value: the end of the file reads 0, and a value outside [low, high]
// becomes 0, which means "not given".
bool readOptionalValue(CleanedLines& lines, double low, double high, double& value) {
    const std::optional<std::string> line = lines.next();
    const std::optional<double> read = line ? finiteReal(*line) : 0.0;
    if (!read)
        return false;
    value = inRange(*read, low, high) ? *read : 0.0;
    return true;
}

std::optional<FlatStructure> parseStructureText(std::string_view bytes) {
    CleanedLines lines(bytes);
    FlatStructure structure;
    std::optional<std::string> name = lines.next();
    if (!name)
        return std::nullopt;
    structure.name = std::move(*name);
    if (!readTriple(lines.next(), kMinLatticeConstant, kMaxLatticeConstant,
                    {&structure.a, &structure.b, &structure.c}) ||
        !readTriple(lines.next(), kMinLatticeAngle, kMaxLatticeAngle,
                    {&structure.alpha, &structure.beta, &structure.gamma}))
        return std::nullopt;
    const std::optional<std::string> countLine = lines.next();
    if (!countLine)
        return std::nullopt;
    const int declaredCount = readInt(*countLine);
    if (declaredCount < 1 || !readAtoms(lines, declaredCount, structure.atoms))
        return std::nullopt;
    if (!readOptionalValue(lines, 0.0, kMaxDebyeTemperature, structure.debyeTemperature) ||
        !readOptionalValue(lines, -kMaxEditorExpansion, kMaxEditorExpansion,
                           structure.thermalExpansion))
        return std::nullopt;
    return structure;
}

bool readFiniteDouble(ArchiveReader& in, double& value) {
    return in.readDouble(value) && std::isfinite(value);
}

bool readArchivedAtom(ArchiveReader& in, AtomSite& atom) {
    return in.readInt32(atom.element) && isValidAtomicNumber(atom.element) &&
           readFiniteDouble(in, atom.x) && readFiniteDouble(in, atom.y) &&
           readFiniteDouble(in, atom.z);
}

std::optional<FlatStructure> parseArchivedStructure(std::string_view bytes,
                                                    bool withLeadingString) {
    ArchiveReader in(bytes);
    std::string ignored;
    if (withLeadingString && !in.readString(ignored))
        return std::nullopt;
    FlatStructure structure;
    std::int32_t count = 0;
    if (!in.readString(structure.name) || !readFiniteDouble(in, structure.a) ||
        !readFiniteDouble(in, structure.b) || !readFiniteDouble(in, structure.c) ||
        !readFiniteDouble(in, structure.alpha) || !readFiniteDouble(in, structure.beta) ||
        !readFiniteDouble(in, structure.gamma) || !in.readInt32(count))
        return std::nullopt;
    // The count decides the allocation, so it must fit the bytes that are really there.
    if (count < 0 || static_cast<std::uint64_t>(count) * kArchivedAtomBytes > in.remaining())
        return std::nullopt;
    structure.atoms.resize(static_cast<std::size_t>(count));
    for (AtomSite& atom : structure.atoms) {
        if (!readArchivedAtom(in, atom))
            return std::nullopt;
        atom.occupancy = 1.0;
    }
    structure.debyeTemperature = 0.0;
    structure.thermalExpansion = 0.0;
    return structure;
}

void appendLine(std::string& text, std::string_view line) {
    text += line;
    text += "\r\n";
}

std::string numbersSeparatedByTabs(double first, double second, double third) {
    return FormatNumber(first) + "\t" + FormatNumber(second) + "\t" + FormatNumber(third);
}

std::string atomLine(const AtomSite& atom) {
    return std::string(elementSymbol(atom.element)) + "\t" +
           numbersSeparatedByTabs(atom.x, atom.y, atom.z) + "\t" + FormatNumber(atom.occupancy);
}

} // namespace

Result<FlatStructure> readStructureText(std::string_view bytes, const std::string& path) {
    try {
        if (std::optional<FlatStructure> structure = parseStructureText(bytes)) {
            if (!formsUnitCell(structure->alpha, structure->beta, structure->gamma))
                return impossibleCellMessage();
            return std::move(*structure);
        }
    } catch (const std::bad_alloc&) {
        // A file too large to hold counts as unreadable.
    }
    return textFormatError(path);
}

Result<FlatStructure> readArchivedStructure(std::string_view bytes, bool withLeadingString) {
    try {
        if (std::optional<FlatStructure> structure =
                parseArchivedStructure(bytes, withLeadingString)) {
            if (!formsUnitCell(structure->alpha, structure->beta, structure->gamma))
                return impossibleCellMessage();
            return std::move(*structure);
        }
    } catch (const std::bad_alloc&) {
    }
    return archivedFormatError();
}

Result<FlatStructure> importStructure(const std::string& path) {
    const std::string extension = lowerExtensionOf(path);
    const bool archived = extension == "structure" || extension == "old";
    const FileBytes file = readFileBytes(path);
    if (file.failedWith(FileReadError::CannotOpen))
        return archived ? archivedOpenError(path) : textOpenError(path);
    if (!file.ok())
        return archived ? archivedFormatError() : textFormatError(path);
    if (archived)
        return readArchivedStructure(file.value(), extension == "old");
    return readStructureText(file.value(), path);
}

std::string writeStructureText(const FlatStructure& structure) {
    std::string text;
    appendLine(text, "! Text format structure file");
    appendLine(text, "");
    appendLine(text, structure.name + "\t\t\t! Crystal Name");
    // 0xC5 is the Angstrom sign in Windows-1252.
    appendLine(text, numbersSeparatedByTabs(structure.a, structure.b, structure.c) +
                         "\t! Lattice constants a, b, c (\xC5)");
    appendLine(text, numbersSeparatedByTabs(structure.alpha, structure.beta, structure.gamma) +
                         "\t! alpha, beta, gamma (degree)");
    appendLine(text, "");
    appendLine(text, formatInt(static_cast<long long>(structure.atoms.size())) +
                         "\t! Total number of atoms in the unit cell");
    appendLine(text, "");
    appendLine(text, "! Atom\tX\tY\tZ\tOccupancy");
    for (const AtomSite& atom : structure.atoms)
        appendLine(text, atomLine(atom));
    appendLine(text, "");
    appendLine(text, FormatNumber(structure.debyeTemperature) +
                         "\t! Debye characteristic temperature (K)");
    appendLine(text, FormatNumber(structure.thermalExpansion) +
                         "\t! Thermal expansion coefficient (10^-6/K)");
    appendLine(text, "");
    return text;
}

namespace {

bool allNumbersFinite(const FlatStructure& s) {
    bool finite = std::isfinite(s.a) && std::isfinite(s.b) && std::isfinite(s.c) &&
                  std::isfinite(s.alpha) && std::isfinite(s.beta) && std::isfinite(s.gamma) &&
                  std::isfinite(s.debyeTemperature) && std::isfinite(s.thermalExpansion);
    for (const AtomSite& atom : s.atoms)
        finite = finite && std::isfinite(atom.x) && std::isfinite(atom.y) &&
                 std::isfinite(atom.z) && std::isfinite(atom.occupancy);
    return finite;
}

} // namespace

Status unstorableStructure(const FlatStructure& structure) {
    // "nan" or "inf" in the text would read back as another number or not at all. Beyond that
    // the writer and the reader share their rules only through the text itself, so the text is
    // read back: whatever the reader refuses is never written.
    if (allNumbersFinite(structure) && parseStructureText(writeStructureText(structure)))
        return Status::success();
    return Message{"This structure cannot be stored as a structure text file: it needs at least "
                   "one atom, and every number within its range.",
                   "", MessageIcon::Stop};
}

Status saveStructureCopy(const std::string& path, const FlatStructure& structure) {
    try {
        if (Status refusal = unstorableStructure(structure); !refusal.ok())
            return refusal;
        const FileWritten written = writeFileAtomically(path, writeStructureText(structure));
        if (written.ok())
            return Status::success();
        switch (written.failure()) {
        case FileWriteError::CannotCreate:
            return Message{"Xtalsp cannot create the file   " + path + " !", ""};
        case FileWriteError::WriteFailed:
            break;
        }
        return Message{"Error occurred in saving the structure into file\n\n " + path + " !   ",
                       ""};
    } catch (const std::bad_alloc&) {
        return Message{"There is no enough memory!  ", "", MessageIcon::Stop};
    }
}

} // namespace xtalsp
