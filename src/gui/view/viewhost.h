// What a pattern view needs from the main window it lives in.
#pragma once

#include "core/platform/settingsstore.h"
#include "core/platform/userprompt.h"
#include "gui/shell/filechooser.h"
#include "gui/view/viewdialogs.h"

#include <QString>

namespace xtalsp::gui {

class CXtalspView;

class ViewHost {
public:
    virtual ~ViewHost() = default;
    // The zoom box of the toolbar: shows "%d%%" of the percentage and keeps it as its value.
    virtual void showZoomPercentage(int percentage) = 0;
    // The percentage the zoom box holds (after the user typed or picked one).
    virtual int zoomBoxPercentage() const = 0;
    // Status pane 1 (pattern or selected spot) and pane 2 (distance and rotations).
    virtual void showPatternStatus(const QString& text) = 0;
    virtual void showGeometryStatus(const QString& text) = 0;
    // Only the active view of the active child frame draws the selection and sets pane 1.
    virtual bool isActiveView(const CXtalspView* view) const = 0;
    // The film position and pixel value under the pointer while an image is shown; empty when
    // the pointer leaves.
    virtual void showPointerStatus(const QString&) {}
    virtual UserPrompt& prompt() = 0;
    virtual FileChooser& fileChooser() = 0;
    // The view's own dialogs: custom zoom, spot size, print and print preview.
    virtual ViewDialogs& viewDialogs() = 0;
    virtual SettingsStore& settings() = 0;
};

} // namespace xtalsp::gui
