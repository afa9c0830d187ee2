// The crystal structure editor: form, checks, import, save a copy, and the save questions.
#include "gui/structure/crystalstructuredlg.h"

#include "core/io/filebytes.h"
#include "core/structure/cifstructure.h"
#include "core/structure/elements.h"
#include "core/structure/structurecheck.h"
#include "core/structure/structurefile.h"
#include "gui/shell/filechooser.h"
#include "gui/shell/qtplatform.h"
#include "gui/structure/atomdlg.h"
#include "gui/structure/atomlistctrl.h"
#include "gui/structure/unitcellpicture.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <limits>

namespace xtalsp::gui {

namespace {

enum NumberIndex { kA, kB, kC, kAlpha, kBeta, kGamma, kDebye, kExpansion, kNumberCount };

const char* const kImportQuestion = "Do you want to save a copy of the current structure for "
                                    "later use?\nIf yes, click on Yes and go back to save it.";
const char* const kOkQuestion = "Do you want to save a copy of the structure for later use?   "
                                "\nIf yes, click on Yes and go back to save it.";

Message warning(const std::string& text) {
    return {text, "", MessageIcon::Exclamation};
}

// The bytes of a path as the C++ library hands them to the file system: the ANSI code page on
// Windows, UTF-8 elsewhere.
std::string filePathBytes(const QString& path) {
    return QFile::encodeName(QDir::toNativeSeparators(path)).toStdString();
}

// The readers name the file by the bytes they were given; the user reads Windows-1252 text.
Message withReadablePath(Message message, const std::string& pathBytes, const QString& path) {
    const QString native = QDir::toNativeSeparators(path);
    const std::pair<std::string, std::string> replacements[] = {
        {pathBytes, toCp1252(native)},
        {fileNameOf(pathBytes), toCp1252(native.section(QDir::separator(), -1))}};
    for (const auto& [bytes, readable] : replacements) {
        if (bytes.empty() || bytes == readable)
            continue;
        for (std::size_t at = message.text.find(bytes); at != std::string::npos;
             at = message.text.find(bytes, at + readable.size()))
            message.text.replace(at, bytes.size(), readable);
    }
    return message;
}

// The ranges of one listed atom. Atoms of archived files arrive unchecked, so a list can hold an
// atom that no document and no structure text file may take.
std::optional<Message> atomFailure(const AtomSite& atom) {
    if (!isValidAtomicNumber(atom.element))
        return warning("Please select an atom name! ");
    for (const double coordinate : {atom.x, atom.y, atom.z}) {
        if (!(coordinate >= kMinCoordinate && coordinate <= kMaxCoordinate))
            return numberRangeMessage(kMinCoordinate, kMaxCoordinate);
    }
    if (!(atom.occupancy >= kMinOccupancy && atom.occupancy <= kMaxOccupancy))
        return numberRangeMessage(kMinOccupancy, kMaxOccupancy);
    return std::nullopt;
}

QLineEdit* createNumberBox(const char* name, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    return box;
}

// "Atom:", "Fractional Coordinates" over "X:", "Y:", "Z:", and "Occupancy:", each over its
// column of the atom list, whose header is hidden.
QWidget* createColumnTitles(int listFrame, QWidget* parent) {
    auto* titles = new QWidget(parent);
    auto* grid = new QGridLayout(titles);
    grid->setContentsMargins(listFrame, 0, 0, 0);
    grid->setSpacing(0);
    for (int column = 0; column < 6; ++column)
        grid->setColumnMinimumWidth(column, CAtomListCtrl::kColumnWidths[column]);
    grid->setColumnStretch(6, 1);
    grid->addWidget(new QLabel("Fractional Coordinates", titles), 0, 2, 1, 3, Qt::AlignHCenter);
    const std::pair<int, const char*> cells[] = {
        {1, "Atom:"}, {2, "X:"}, {3, "Y:"}, {4, "Z:"}, {5, "Occupancy:"}};
    for (const auto& [column, text] : cells)
        grid->addWidget(new QLabel(text, titles), 1, column);
    return titles;
}

// A label, the box it names (mnemonic included) and a unit behind it, as one grid row.
void addFieldRow(QGridLayout& grid, int row, int column, const QString& label, QLineEdit* box,
                 const QString& unit) {
    auto* name = new QLabel(label, box->parentWidget());
    name->setBuddy(box);
    grid.addWidget(name, row, column);
    grid.addWidget(box, row, column + 1);
    if (!unit.isEmpty())
        grid.addWidget(new QLabel(unit, box->parentWidget()), row, column + 2);
}

} // namespace

CCrystalStructureDlg::CCrystalStructureDlg(const FlatStructure& start, UserPrompt& prompt,
                                           FileChooser& chooser, QString applicationDirectory,
                                           QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_chooser(chooser),
      m_applicationDirectory(std::move(applicationDirectory)) {
    m_chooseBlock = [this](const QStringList& blocks) -> std::optional<QString> {
        bool ok = false;
        const QString block = QInputDialog::getItem(
            this, "Data Block", "The file holds several structures. Import the data block:", blocks,
            0, false, &ok);
        return ok ? std::optional<QString>(block) : std::nullopt;
    };
    setWindowTitle("Define or Modify Crystal Structure");
    buildForm();
    m_atomList->setAtomEditor([this](const AtomSite& atom) -> std::optional<AtomSite> {
        CAtomDlg dialog(atom, m_prompt, this);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.atom();
    });
    connect(m_atomList, &CAtomListCtrl::atomsModified, this, [this] { m_modified = true; });
    showStructure(start);
    takeSnapshot();
    m_modified = false;
}

void CCrystalStructureDlg::createFields() {
    m_name = new QLineEdit(this);
    m_name->setObjectName("crystalName");
    struct FieldLayout {
        const char* name;
        double lowest, highest;
    };
    const FieldLayout layouts[kNumberCount] = {
        {"a", kMinLatticeConstant, kMaxLatticeConstant},
        {"b", kMinLatticeConstant, kMaxLatticeConstant},
        {"c", kMinLatticeConstant, kMaxLatticeConstant},
        {"alpha", kMinLatticeAngle, kMaxLatticeAngle},
        {"beta", kMinLatticeAngle, kMaxLatticeAngle},
        {"gamma", kMinLatticeAngle, kMaxLatticeAngle},
        {"debye", 0.0, kMaxDebyeTemperature},
        {"thermalExpansion", -kMaxEditorExpansion, kMaxEditorExpansion}};
    for (std::size_t i = 0; i < m_numbers.size(); ++i)
        m_numbers[i] = {createNumberBox(layouts[i].name, this), layouts[i].lowest,
                        layouts[i].highest};
    m_atomList = new CAtomListCtrl(this);
    m_atomList->setObjectName("atomList");
}

QLayout* CCrystalStructureDlg::createCellRow() {
    auto* fields = new QGridLayout;
    const QString angstrom(QChar(0x00C5)), degree(QChar(0x00B0));
    addFieldRow(*fields, 0, 0, "&a:", m_numbers[kA].box, angstrom);
    addFieldRow(*fields, 1, 0, "&b:", m_numbers[kB].box, angstrom);
    addFieldRow(*fields, 2, 0, "&c:", m_numbers[kC].box, angstrom);
    addFieldRow(*fields, 0, 3, QString(QChar(0x03B1)) + ":", m_numbers[kAlpha].box, degree);
    addFieldRow(*fields, 1, 3, QString(QChar(0x03B2)) + ":", m_numbers[kBeta].box, degree);
    addFieldRow(*fields, 2, 3, QString(QChar(0x03B3)) + ":", m_numbers[kGamma].box, degree);
    fields->setColumnMinimumWidth(2, 16);
    auto* row = new QHBoxLayout;
    row->addLayout(fields, 1);
    row->addWidget(new CUnitCellPicture(this));
    return row;
}

QWidget* CCrystalStructureDlg::createOptionalGroup() {
    auto* group = new QGroupBox("Optional", this);
    auto* grid = new QGridLayout(group);
    addFieldRow(*grid, 0, 0, "&Debye Temperature:", m_numbers[kDebye].box, "K  (not used)");
    addFieldRow(*grid, 1, 0, "&Thermal expansion coefficient:", m_numbers[kExpansion].box,
                "x10<sup>-6</sup> K<sup>-1</sup>&nbsp;&nbsp;(not used)");
    return group;
}

QLayout* CCrystalStructureDlg::createButtonRow() {
    auto* import = new QPushButton("&Import...", this);
    auto* save = new QPushButton("&Save a Copy as...", this);
    import->setObjectName("importButton");
    save->setObjectName("saveCopyButton");
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton("OK", QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    connect(import, &QPushButton::clicked, this, &CCrystalStructureDlg::importFile);
    connect(save, &QPushButton::clicked, this, &CCrystalStructureDlg::saveCopy);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCrystalStructureDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CCrystalStructureDlg::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(import);
    row->addWidget(save);
    row->addStretch(1);
    row->addWidget(buttons);
    return row;
}

void CCrystalStructureDlg::buildForm() {
    createFields();
    auto* nameRow = new QFormLayout;
    nameRow->addRow("Crystal &Name:", m_name);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(nameRow);
    layout->addLayout(createCellRow());
    layout->addWidget(createColumnTitles(m_atomList->frameWidth(), this));
    layout->addWidget(m_atomList, 1, Qt::AlignLeft);
    layout->addWidget(createOptionalGroup());
    layout->addLayout(createButtonRow());
}

void CCrystalStructureDlg::showStructure(const FlatStructure& structure) {
    m_name->setText(fromCp1252(structure.name));
    const double values[kNumberCount] = {structure.a,
                                         structure.b,
                                         structure.c,
                                         structure.alpha,
                                         structure.beta,
                                         structure.gamma,
                                         structure.debyeTemperature,
                                         structure.thermalExpansion};
    for (std::size_t i = 0; i < m_numbers.size(); ++i)
        m_numbers[i].box->setText(numberFieldText(values[i]));
    m_atomList->setAtoms(structure.atoms);
}

// The snapshot holds what the fields show, read back, so a value the fields show with fewer
// digits than it had does not count as a change.
void CCrystalStructureDlg::takeSnapshot() {
    m_snapshot = currentSnapshot();
}

CCrystalStructureDlg::Snapshot CCrystalStructureDlg::currentSnapshot() const {
    Snapshot snapshot;
    snapshot.name = trimmedName(toCp1252(m_name->text()));
    for (std::size_t i = 0; i < m_numbers.size(); ++i)
        snapshot.numbers[i] = fieldValue(i);
    return snapshot;
}

double CCrystalStructureDlg::fieldValue(std::size_t index) const {
    return readFieldNumber(m_numbers[index].box->text().toStdString())
        .value_or(std::numeric_limits<double>::quiet_NaN());
}

FlatStructure CCrystalStructureDlg::currentStructure() const {
    FlatStructure structure;
    structure.name = trimmedName(toCp1252(m_name->text()));
    double* targets[kNumberCount] = {&structure.a,
                                     &structure.b,
                                     &structure.c,
                                     &structure.alpha,
                                     &structure.beta,
                                     &structure.gamma,
                                     &structure.debyeTemperature,
                                     &structure.thermalExpansion};
    for (std::size_t i = 0; i < m_numbers.size(); ++i)
        *targets[i] = fieldValue(i);
    structure.atoms = m_atomList->atoms();
    return structure;
}

bool CCrystalStructureDlg::validateName() {
    // Characters the code page lacks are found before the conversion turns them into '?'.
    const Status refusal = checkNameCharacters(m_name->text().toStdString());
    const std::string name = trimmedName(toCp1252(m_name->text()));
    if (refusal.ok())
        m_name->setText(fromCp1252(name));
    if (refusal.ok() && !name.empty())
        return true;
    m_prompt.show(refusal.ok() ? warning("Please enter a crystal name!   ") : refusal.failure());
    m_name->setFocus();
    return false;
}

bool CCrystalStructureDlg::validateFields() {
    for (const NumberField& field : m_numbers) {
        if (!checkedFieldValue(field, m_prompt))
            return false;
    }
    // Each angle may lie in its range while the three together close no cell.
    if (formsUnitCell(fieldValue(kAlpha), fieldValue(kBeta), fieldValue(kGamma)))
        return true;
    m_prompt.show(impossibleCellMessage());
    m_numbers[kAlpha].box->setFocus();
    m_numbers[kAlpha].box->selectAll();
    return false;
}

bool CCrystalStructureDlg::validateAtoms() {
    if (m_atomList->atomCount() == 0) {
        m_prompt.show(warning("No atom was added!   "));
        m_atomList->setFocus();
        m_atomList->selectRow(0);
        return false;
    }
    const std::vector<AtomSite> atoms = m_atomList->atoms();
    for (std::size_t row = 0; row < atoms.size(); ++row) {
        if (const std::optional<Message> failure = atomFailure(atoms[row])) {
            m_prompt.show(*failure);
            m_atomList->setFocus();
            m_atomList->selectRow(static_cast<int>(row));
            return false;
        }
    }
    return true;
}

bool CCrystalStructureDlg::userWantsToSaveFirst(const std::string& question) {
    return m_prompt.show({question, "", MessageIcon::Question, MessageButtons::YesNo,
                          MessageAnswer::Yes}) == MessageAnswer::Yes;
}

void CCrystalStructureDlg::accept() {
    if (!validateAll())
        return;
    // Yes sends the user back to save a copy before leaving.
    if ((m_modified || currentSnapshot() != m_snapshot) && userWantsToSaveFirst(kOkQuestion))
        return;
    m_edited = currentStructure();
    QDialog::accept();
}

void CCrystalStructureDlg::reject() {
    m_edited.reset();
    QDialog::reject();
}

void CCrystalStructureDlg::importFile() {
    // Only changes of the atom list bring up the question.
    if (m_modified && userWantsToSaveFirst(kImportQuestion))
        return;
    const QString path = m_chooser.openFileName(
        {"Open A Crystal Structure File",
         "Crystal Structure Files (*.struct);;Crystallographic Information Files "
         "(*.cif);;All Files (*)",
         "struct", m_applicationDirectory, false});
    if (path.isEmpty())
        return;
    const std::string pathBytes = filePathBytes(path);
    if (isCifPath(pathBytes)) {
        if (const std::optional<FlatStructure> cif = readCif(pathBytes, path))
            showImported(*cif);
        return;
    }
    const Result<FlatStructure> read = importStructure(pathBytes);
    if (!read.ok()) {
        m_prompt.show(withReadablePath(read.failure(), pathBytes, path));
        return;
    }
    showImported(read.value());
}

void CCrystalStructureDlg::showImported(const FlatStructure& structure) {
    showStructure(structure);
    takeSnapshot();
    m_modified = false;
}

// Reads a CIF file, asking for the data block when several hold a structure, and says what it
// found. Nothing when the file fails or the user cancels the choice.
std::optional<FlatStructure> CCrystalStructureDlg::readCif(const std::string& pathBytes,
                                                           const QString& path) {
    const FileBytes file = readFileBytes(pathBytes);
    const auto fail = [&](const Message& failure) {
        m_prompt.show(withReadablePath(failure, pathBytes, path));
        return std::nullopt;
    };
    if (!file.ok())
        return fail(warning(fileNameOf(pathBytes) + ": cannot read the file"));
    const Result<std::vector<std::string>> blocks = listCifStructureBlocks(file.value(), pathBytes);
    if (!blocks.ok())
        return fail(blocks.failure());
    std::string blockName;
    if (blocks.value().size() > 1) {
        QStringList names;
        for (const std::string& name : blocks.value())
            names << QString::fromStdString(name);
        const std::optional<QString> chosen = m_chooseBlock(names);
        if (!chosen)
            return std::nullopt;
        blockName = chosen->toStdString();
    }
    const Result<CifStructure> read = readCifStructure(file.value(), pathBytes, blockName);
    if (!read.ok())
        return fail(read.failure());
    m_prompt.show({describeCifImport(read.value()), "", MessageIcon::Information});
    return read.value().structure;
}

void CCrystalStructureDlg::saveCopy() {
    if (!validateAll())
        return;
    const FlatStructure structure = currentStructure();
    const QString proposed = QDir(m_applicationDirectory).filePath(fromCp1252(structure.name));
    const QString path = m_chooser.saveFileName({"Save Crystal Structure",
                                                 "Structure File (*.struct);;All Files (*)",
                                                 "struct", proposed, true});
    if (path.isEmpty())
        return;
    const std::string pathBytes = filePathBytes(path);
    if (const Status failure = saveStructureCopy(pathBytes, structure); !failure.ok()) {
        m_prompt.show(withReadablePath(failure.failure(), pathBytes, path));
        return;
    }
    takeSnapshot();
    m_modified = false;
}

} // namespace xtalsp::gui
