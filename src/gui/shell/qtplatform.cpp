// QSettings, QMessageBox and QFileDialog behind the core's interfaces.
#include "gui/shell/qtplatform.h"

#include "core/text/cp1252.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <algorithm>
#include <utility>
#include <vector>

namespace xtalsp::gui {

QString fromCp1252(const std::string& text) {
    return QString::fromStdString(cp1252ToUtf8(text));
}

std::string toCp1252(const QString& text) {
    return utf8ToCp1252(text.toStdString());
}

std::string fileSystemPath(const QString& path) {
    return QFile::encodeName(QDir::toNativeSeparators(path)).toStdString();
}

std::string readablePath(const QString& path) {
    return toCp1252(QDir::toNativeSeparators(path));
}

Message withReadablePaths(Message message, const QStringList& paths) {
    std::vector<std::pair<std::string, std::string>> replacements;
    for (const QString& path : paths) {
        std::string bytes = fileSystemPath(path);
        std::string readable = readablePath(path);
        if (!bytes.empty() && bytes != readable)
            replacements.emplace_back(std::move(bytes), std::move(readable));
    }
    // A path that contains another is replaced first.
    std::sort(replacements.begin(), replacements.end(),
              [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    for (const auto& [bytes, readable] : replacements) {
        for (std::size_t at = message.text.find(bytes); at != std::string::npos;
             at = message.text.find(bytes, at + readable.size()))
            message.text.replace(at, bytes.size(), readable);
    }
    return message;
}

QtSettingsStore::QtSettingsStore() : m_settings("Xtalspotter Application", "Xtalsp") {}

QtSettingsStore::QtSettingsStore(const QString& iniFile)
    : m_settings(iniFile, QSettings::IniFormat) {}

namespace {
QString settingsKey(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + "/" + QString::fromStdString(key);
}
} // namespace

std::optional<std::string> QtSettingsStore::readText(const std::string& section,
                                                     const std::string& key) const {
    const QVariant value = m_settings.value(settingsKey(section, key));
    if (!value.isValid())
        return std::nullopt;
    return value.toString().toStdString();
}

std::optional<int> QtSettingsStore::readInt(const std::string& section,
                                            const std::string& key) const {
    const QVariant value = m_settings.value(settingsKey(section, key));
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!value.isValid() || !ok)
        return std::nullopt;
    return number;
}

void QtSettingsStore::writeText(const std::string& section, const std::string& key,
                                const std::string& value) {
    m_settings.setValue(settingsKey(section, key), QString::fromStdString(value));
}

void QtSettingsStore::writeInt(const std::string& section, const std::string& key, int value) {
    m_settings.setValue(settingsKey(section, key), value);
}

namespace {

QMessageBox::Icon boxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons boxButtons(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton boxButton(MessageAnswer answer) {
    switch (answer) {
    case MessageAnswer::Cancel:
        return QMessageBox::Cancel;
    case MessageAnswer::Yes:
        return QMessageBox::Yes;
    case MessageAnswer::No:
        return QMessageBox::No;
    case MessageAnswer::Ok:
        break;
    }
    return QMessageBox::Ok;
}

MessageAnswer answerOf(int button) {
    switch (button) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    default:
        return MessageAnswer::Ok;
    }
}

} // namespace

MessageAnswer QtUserPrompt::show(const Message& message) {
    const QString caption = message.caption.empty() ? QString(kProgramCaption)
                                                    : QString::fromStdString(utf8Caption(message));
    QMessageBox box(boxIcon(message.icon), caption, QString::fromStdString(utf8Text(message)),
                    boxButtons(message.buttons), m_parent);
    box.setDefaultButton(boxButton(message.defaultAnswer));
    return answerOf(box.exec());
}

namespace {

QFileDialog::Options dialogOptions(const FileDialogSpec& request) {
    QFileDialog::Options options = QFileDialog::DontUseNativeDialog;
    if (!request.confirmOverwrite)
        options |= QFileDialog::DontConfirmOverwrite;
    return options;
}

} // namespace

QString QtFileChooser::openFileName(const FileDialogSpec& request) {
    QFileDialog dialog(m_parent, request.title, request.initialPath, request.filter);
    dialog.setOptions(dialogOptions(request));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

namespace {

// The extension a filter such as "PNG Images (*.png)" stands for; empty for "All Files (*)" and
// filters of several patterns.
QString filterSuffix(const QString& filter) {
    static const QRegularExpression singlePattern(QStringLiteral(R"(\(\*\.(\w+)\)$)"));
    const QRegularExpressionMatch match = singlePattern.match(filter);
    return match.hasMatch() ? match.captured(1) : QString();
}

} // namespace

QString QtFileChooser::saveFileName(const FileDialogSpec& request) {
    QFileDialog dialog(m_parent, request.title, request.initialPath, request.filter);
    dialog.setOptions(dialogOptions(request));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The suffix is added only when the typed name has none; it follows the file type the user
    // picks, so a name typed under "PNG Images (*.png)" becomes a PNG image.
    dialog.setDefaultSuffix(request.defaultSuffix);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, &request](const QString& filter) {
                         const QString suffix = filterSuffix(filter);
                         dialog.setDefaultSuffix(suffix.isEmpty() ? request.defaultSuffix : suffix);
                     });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

} // namespace xtalsp::gui
