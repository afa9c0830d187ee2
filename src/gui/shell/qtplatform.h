// The Qt side of the core's platform interfaces: settings through QSettings, message boxes
// through QMessageBox, file dialogs through QFileDialog.
#pragma once

#include "core/platform/settingsstore.h"
#include "core/platform/userprompt.h"
#include "gui/shell/filechooser.h"

#include <QSettings>
#include <QStringList>

class QWidget;

namespace xtalsp::gui {

// The per-user store: organisation "Xtalspotter Application", application "Xtalsp" (on
// Windows the same registry key the program always used); sections are groups.
class QtSettingsStore : public SettingsStore {
public:
    QtSettingsStore();
    // A store in an INI file, for tests and portable installations.
    explicit QtSettingsStore(const QString& iniFile);

    std::optional<std::string> readText(const std::string& section,
                                        const std::string& key) const override;
    std::optional<int> readInt(const std::string& section, const std::string& key) const override;
    void writeText(const std::string& section, const std::string& key,
                   const std::string& value) override;
    void writeInt(const std::string& section, const std::string& key, int value) override;

    QSettings& qsettings() { return m_settings; }

private:
    mutable QSettings m_settings;
};

// Message boxes. An empty caption shows the program's name; texts are Windows-1252.
class QtUserPrompt : public UserPrompt {
public:
    explicit QtUserPrompt(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    MessageAnswer show(const Message& message) override;

private:
    QWidget* m_parent;
};

class QtFileChooser : public FileChooser {
public:
    explicit QtFileChooser(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    QString openFileName(const FileDialogSpec& request) override;
    QString saveFileName(const FileDialogSpec& request) override;

private:
    QWidget* m_parent;
};

// Windows-1252 bytes of the core to a QString and back.
QString fromCp1252(const std::string& text);
std::string toCp1252(const QString& text);

inline constexpr const char* kProgramCaption = "Xtalsp";

// The bytes of a path as the C++ library hands them to the file system: the ANSI code page on
// Windows, UTF-8 elsewhere.
std::string fileSystemPath(const QString& path);
// The path as a person reads it in a message: native separators, Windows-1252 text.
std::string readablePath(const QString& path);
// The core names files in its messages by their file-system bytes; this replaces those of each
// of `paths` (and so of every file inside a folder among them) by the readable form.
Message withReadablePaths(Message message, const QStringList& paths);

// Passes messages on with the file-system bytes of its paths made readable.
class ReadablePathPrompt : public UserPrompt {
public:
    explicit ReadablePathPrompt(UserPrompt& target) : m_target(target) {}
    void setPaths(QStringList paths) { m_paths = std::move(paths); }
    MessageAnswer show(const Message& message) override {
        return m_target.show(withReadablePaths(message, m_paths));
    }

private:
    UserPrompt& m_target;
    QStringList m_paths;
};

} // namespace xtalsp::gui
