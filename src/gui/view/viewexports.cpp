// The view's export commands: file dialog, wait cursor, the core writer and its messages.
#include "gui/view/viewexports.h"

#include "core/document/mergingfile.h"
#include "core/document/textexport.h"
#include "gui/shell/qtplatform.h"
#include "gui/view/viewhost.h"
#include "render/pictureexport.h"
#include "render/qt/qtpicturefile.h"
#include "render/shownpattern.h"

#include <QClipboard>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace xtalsp::gui {

namespace {

const char* const kPictureFilter = "Windows Enhanced Metafiles (*.wmf);;SVG Pictures (*.svg);;"
                                   "PDF Documents (*.pdf);;PNG Images (*.png);;All Files (*)";

class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// The writers name files by the bytes the file system takes (UTF-8 here); the user reads
// Windows-1252 text. While a message is up the pointer is the normal arrow, not the wait
// cursor of the work around it.
class ExportPrompt : public UserPrompt {
public:
    ExportPrompt(UserPrompt& target, std::initializer_list<std::string> pathBytes)
        : m_target(target) {
        for (const std::string& bytes : pathBytes) {
            const std::string readable = toCp1252(
                QDir::toNativeSeparators(QFile::decodeName(QByteArray::fromStdString(bytes))));
            if (!bytes.empty() && bytes != readable)
                m_paths.emplace_back(bytes, readable);
        }
        // A path that contains another is replaced first.
        std::sort(m_paths.begin(), m_paths.end(),
                  [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    }

    MessageAnswer show(const Message& message) override {
        Message shown = message;
        for (const auto& [bytes, readable] : m_paths) {
            for (std::size_t at = shown.text.find(bytes); at != std::string::npos;
                 at = shown.text.find(bytes, at + readable.size()))
                shown.text.replace(at, bytes.size(), readable);
        }
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
        const MessageAnswer answer = m_target.show(shown);
        QGuiApplication::restoreOverrideCursor();
        return answer;
    }

private:
    UserPrompt& m_target;
    std::vector<std::pair<std::string, std::string>> m_paths;
};

bool reportFailure(const Status& failure, ExportPrompt& prompt) {
    if (failure.ok())
        return true;
    prompt.show(failure.failure());
    return false;
}

} // namespace

FileDialogSpec pictureFileDialog(const QString& title) {
    FileDialogSpec dialog;
    dialog.title = title;
    dialog.filter = kPictureFilter;
    dialog.defaultSuffix = "wmf";
    dialog.confirmOverwrite = true;
    return dialog;
}

FileDialogSpec mergingFileDialog(const QString& title, bool forSaving) {
    FileDialogSpec dialog;
    dialog.title = title;
    dialog.filter = "Merging Files (*.mrg);;All Files (*)";
    dialog.defaultSuffix = "mrg";
    dialog.confirmOverwrite = forSaving;
    return dialog;
}

std::string filePathBytes(const QString& path) {
    return QFile::encodeName(QDir::toNativeSeparators(path)).toStdString();
}

bool exportTextFile(const CXtalspDoc& doc, ViewHost& host) {
    FileDialogSpec dialog;
    dialog.title = "Export the pattern as a text file";
    dialog.filter = "Text Files (*.txt);;All Files (*)";
    dialog.defaultSuffix = "txt";
    dialog.confirmOverwrite = true;
    const QString path = host.fileChooser().saveFileName(dialog);
    if (path.isEmpty())
        return false;
    const std::string bytes = filePathBytes(path);
    ExportPrompt prompt(host.prompt(), {bytes});
    // The spots on show with the settings they were computed from, also while a newer
    // computation runs.
    const PatternInputs completed = doc.completedInputs();
    const PatternListingInput listing{completed.structure.name, completed.settings,
                                      completed.intensityScale.saturationIntensity, &doc.spots()};
    Status failure = Status::success();
    {
        WaitCursor wait;
        failure = writePatternListing(bytes, listing);
    }
    return reportFailure(failure, prompt);
}

bool exportMergingFile(const CXtalspDoc& doc, ViewHost& host) {
    const QString path = host.fileChooser().saveFileName(
        mergingFileDialog("Export the pattern as a merging file", true));
    if (path.isEmpty())
        return false;
    const std::string bytes = filePathBytes(path);
    ExportPrompt prompt(host.prompt(), {bytes});
    Status failure = Status::success();
    {
        WaitCursor wait;
        failure =
            writeMergingFile(bytes, doc.spotWidth(), doc.spotHeight(), doc.grayscaleSpots(),
                             doc.completedInputs().intensityScale.saturationIntensity, doc.spots());
    }
    return reportFailure(failure, prompt);
}

bool exportPicture(const CXtalspDoc& doc, const ViewDrawingOptions& options, ViewHost& host) {
    const QString path =
        host.fileChooser().saveFileName(pictureFileDialog("Export a Windows metafile"));
    if (path.isEmpty())
        return false;
    const std::string bytes = filePathBytes(path);
    ExportPrompt prompt(host.prompt(), {bytes});
    WaitCursor wait;
    const ShownPattern shown(doc, options.gnomonic);
    return exportPatternPicture(
        pictureFormatFor(bytes, kDefaultPictureDpi, pictureScale(host.settings())), bytes,
        shown.content(), options, prompt);
}

bool mergePattern(QWidget* parent, const CXtalspDoc& doc, const ViewDrawingOptions& options,
                  ViewHost& host) {
    const std::optional<MergeRequest> request =
        host.viewDialogs().mergeFiles(parent, host.fileChooser(), host.prompt());
    if (!request)
        return false;
    ExportPrompt prompt(host.prompt(), {request->outputPath, request->file1, request->file2});
    WaitCursor wait;
    const ShownPattern shown(doc, options.gnomonic);
    return mergePatternPicture(
        pictureFormatFor(request->outputPath, kDefaultPictureDpi, pictureScale(host.settings())),
        *request, shown.content(), options, prompt);
}

double pictureScale(const SettingsStore& settings) {
    const std::optional<int> percent = settings.readInt(kSettingsSection, "PictureScale");
    if (!percent)
        return kDefaultPictureScale;
    return std::clamp(*percent / 100.0, kMinPictureScale, kMaxPictureScale);
}

namespace {

// The picture drawn into a file format in memory; nothing when it cannot be made.
std::optional<std::string> pictureBytes(ImageKind kind, const CXtalspDoc& doc,
                                        const ViewDrawingOptions& options) {
    const ShownPattern shown(doc, options.gnomonic);
    const PatternContent content = shown.content();
    const std::unique_ptr<PictureFile> file =
        imageFormat(kind).open(pictureExtent(content.filmWidth, content.filmHeight));
    if (!file)
        return std::nullopt;
    drawPicture(file->canvas(), content, options);
    return file->finish();
}

QByteArray toByteArray(const std::string& bytes) {
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

bool copyPicture(const CXtalspDoc& doc, const ViewDrawingOptions& options) {
    WaitCursor wait;
    const std::optional<std::string> svg = pictureBytes(ImageKind::Svg, doc, options);
    const std::optional<std::string> png = pictureBytes(ImageKind::Png, doc, options);
    const QImage image = png ? QImage::fromData(toByteArray(*png), "PNG") : QImage();
    if (!svg || image.isNull())
        return false;
    auto* data = new QMimeData; // the clipboard takes it
    data->setImageData(image);
    data->setData(QStringLiteral("image/svg+xml"), toByteArray(*svg));
    QGuiApplication::clipboard()->setMimeData(data);
    return true;
}

} // namespace xtalsp::gui
