// CCrystalStructureDlg: "Define or Modify Crystal Structure", the editor of a pattern's crystal.
// It works on its own copy: import, atom edits and everything else reach the document only
// through the structure handed back on OK.
#pragma once

#include "core/structure/crystalstructure.h"
#include "gui/structure/numberfield.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <string>

class QLayout;

class QLineEdit;

namespace xtalsp {
class UserPrompt;
}

namespace xtalsp::gui {

class CAtomListCtrl;
class FileChooser;

class CCrystalStructureDlg : public QDialog {
    Q_OBJECT
public:
    // Shows the structure (thermal expansion in 10^-6/K). Structure files are looked for, and
    // copies proposed, in the application directory.
    CCrystalStructureDlg(const FlatStructure& start, UserPrompt& prompt, FileChooser& chooser,
                         QString applicationDirectory, QWidget* parent = nullptr);

    // OK: checks the name, the numbers and the atoms, offers to save a copy of a changed
    // structure first, then closes with the edited structure.
    void accept() override;
    // Cancel: closes and hands nothing back.
    void reject() override;
    // "&Import...": replaces the whole content with a structure file's. A CIF file's atoms are
    // expanded to the whole cell; when several of its data blocks hold a structure, the block
    // chooser picks one, and a message says what was imported.
    void importFile();
    // Asks which of the named CIF data blocks to read; nothing when the user cancels.
    using BlockChooser = std::function<std::optional<QString>(const QStringList& blocks)>;
    void setBlockChooser(BlockChooser chooser) { m_chooseBlock = std::move(chooser); }
    // "&Save a Copy as...": writes the checked content to a structure text file.
    void saveCopy();

    // The structure accepted by OK; nothing before OK and after Cancel.
    const std::optional<FlatStructure>& editedStructure() const { return m_edited; }
    // Whether the atom list changed since opening, the last import or the last saved copy.
    bool isModified() const { return m_modified; }
    CAtomListCtrl& atomList() const { return *m_atomList; }

private:
    // The name and the eight numbers as they stood when the content was last opened, imported
    // or saved.
    struct Snapshot {
        std::string name;
        std::array<double, 8> numbers{};
        bool operator==(const Snapshot&) const = default;
    };

    void buildForm();
    void createFields();
    QLayout* createCellRow();
    QWidget* createOptionalGroup();
    QLayout* createButtonRow();
    void showStructure(const FlatStructure& structure);
    void takeSnapshot();
    Snapshot currentSnapshot() const;
    double fieldValue(std::size_t index) const;
    FlatStructure currentStructure() const;
    bool validateName();
    bool validateFields();
    bool validateAtoms();
    bool validateAll() { return validateName() && validateFields() && validateAtoms(); }
    bool userWantsToSaveFirst(const std::string& question);
    std::optional<FlatStructure> readCif(const std::string& pathBytes, const QString& path);
    void showImported(const FlatStructure& structure);

    UserPrompt& m_prompt;
    FileChooser& m_chooser;
    QString m_applicationDirectory;
    QLineEdit* m_name = nullptr;
    // a, b, c, alpha, beta, gamma, Debye temperature, thermal expansion, in the order of the form.
    std::array<NumberField, 8> m_numbers;
    CAtomListCtrl* m_atomList = nullptr;
    bool m_modified = false;
    Snapshot m_snapshot;
    std::optional<FlatStructure> m_edited;
    BlockChooser m_chooseBlock;
};

} // namespace xtalsp::gui
