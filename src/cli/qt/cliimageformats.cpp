// The command-line tool's image formats over Qt.
#include "cli/qt/cliimageformats.h"

#include "cli/pictureformats.h"
#include "render/qt/qtimagereader.h"
#include "render/qt/qtpicturefile.h"

#include <QGuiApplication>

#include <cstdio>
#include <string>

namespace xtalsp::cli {

namespace {

// Qt's own warnings (a missing runtime directory, say) are noise on the tool's error stream,
// which carries the tool's messages; only Qt's critical and fatal messages get through.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fputs((message.toLocal8Bit() + '\n').constData(), stderr);
}

// Fonts and painting on images need a QGuiApplication; the offscreen platform needs no display.
// It lives until the process ends, as Qt expects of its application object.
void ensureGuiApplication() {
    if (QGuiApplication::instance() != nullptr)
        return;
    qInstallMessageHandler(quietMessages);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "xtalsp-cli";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* application = new QGuiApplication(argc, argv);
    (void)application;
}

} // namespace

void installQtImageFormats() {
    setImageFormatProvider([](ImageKind kind, double dpi, double scale) {
        PictureFormat format = xtalsp::imageFormat(kind, dpi, scale);
        format.open = [open = std::move(format.open)](const PictureExtent& frame) {
            ensureGuiApplication();
            return open(frame);
        };
        return format;
    });
    // Qt finds its JPEG reader among its plugins, which it looks for once an application exists.
    setImageFileReader([](const std::string& path) {
        ensureGuiApplication();
        return readAnyImage(path);
    });
}

} // namespace xtalsp::cli
