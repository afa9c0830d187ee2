// The pattern's exports from the view: the text listing, the merging file, the picture and the
// merged picture, each with its file dialog and its messages.
#pragma once

#include "core/document/xtalspdoc.h"
#include "core/platform/settingsstore.h"
#include "gui/shell/filechooser.h"
#include "render/patterndrawing.h"

#include <QString>
#include <string>

class QWidget;

namespace xtalsp::gui {

class ViewHost;

// Pictures are enhanced metafiles by default; SVG, PDF and PNG follow the file's extension.
FileDialogSpec pictureFileDialog(const QString& title);
// Merging files: saved with confirmation before an existing file is replaced, or opened.
FileDialogSpec mergingFileDialog(const QString& title, bool forSaving);

// The bytes of a path as the C++ library hands them to the file system: the ANSI code page on
// Windows, UTF-8 elsewhere.
std::string filePathBytes(const QString& path);

// Each export asks for the file, writes it under the wait cursor and reports a failure on the
// host's prompt. They read the document and change nothing in it. Each returns whether a file
// was completed; a cancelled dialog writes nothing.
bool exportTextFile(const CXtalspDoc& doc, ViewHost& host);
bool exportMergingFile(const CXtalspDoc& doc, ViewHost& host);
// The picture takes the view's spot size and display flags, not its zoom; an image the options
// carry lies under it. SVG, PDF and PNG pictures have the size of pictureScale().
bool exportPicture(const CXtalspDoc& doc, const ViewDrawingOptions& options, ViewHost& host);
// The merge dialog, then the pattern and the chosen merging files drawn into one picture.
bool mergePattern(QWidget* parent, const CXtalspDoc& doc, const ViewDrawingOptions& options,
                  ViewHost& host);
// Puts the pattern's picture on the clipboard as an image and as SVG (image/svg+xml), for
// pasting into a document or a drawing program. False when the picture could not be made.
bool copyPicture(const CXtalspDoc& doc, const ViewDrawingOptions& options);

// The size of SVG, PDF and PNG pictures: the setting PictureScale of the Settings section in
// per cent of the film's size, 50 (half size) when it is not set, 100 for true size.
double pictureScale(const SettingsStore& settings);

} // namespace xtalsp::gui
