// The child frame of a pattern window: its cascade placement in the main window and a client of
// up to two rows and two columns of views on the same document.
#pragma once

#include "core/document/xtalspdoc.h"
#include "gui/orientation/spotmarks.h"

#include <QMdiSubWindow>
#include <QRect>
#include <QSize>

#include <optional>
#include <vector>

class QSplitter;

namespace xtalsp::gui {

class CXtalspView;
class PatternImageLayer;
class ViewHost;

// Where the child frame with the given cascade index goes in a main window client area of the
// given size, in pixels: ten steps of 15 pixels right and 20 down, then round again. Nothing
// (the platform's own placement) when the client area is 300 pixels or less either way.
std::optional<QRect> cascadePlacement(QSize clientSize, int cascadeIndex);

// The counts the main frame keeps for its child frames: how many are open, and the cascade index
// of the newest, which starts over once every frame is closed.
class ChildFrameCounters {
public:
    // Returns the cascade index of the new frame.
    int frameCreated();
    void frameDestroyed();
    int openCount() const { return m_openCount; }
    int cascadeIndex() const { return m_cascadeIndex; }

private:
    int m_openCount = 0;
    int m_cascadeIndex = 0;
};

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT

public:
    static constexpr int kMaxRows = 2, kMaxColumns = 2;

    // Opens with one view, initialised from the document. The document, the host and the
    // counters must outlive the frame.
    CChildFrame(CXtalspDoc& doc, ViewHost& host, ChildFrameCounters& counters,
                QWidget* parent = nullptr);
    ~CChildFrame() override;

    CXtalspDoc& document() const { return m_doc; }
    // The pattern's marks when the frame has its image layer, else the frame's own.
    SpotMarks& spotMarks();
    int cascadeIndex() const { return m_cascadeIndex; }
    // Moves the frame to its cascade position in a main window client area of that size.
    void applyCascadePlacement(QSize clientSize);

    int rowCount() const;
    int columnCount() const;
    // nullptr outside the current rows and columns.
    CXtalspView* pane(int row, int column) const;
    std::vector<CXtalspView*> views() const;
    // The pane that last had the focus (the first pane until one gets it).
    CXtalspView* activeView() const { return m_activeView; }

    // The measured image of the pattern, shared by every window on it; every view of the frame
    // draws it. The layer must outlive the frame.
    void setImageLayer(PatternImageLayer* layer);
    PatternImageLayer* imageLayer() const { return m_imageLayer; }

    // Adds a second row or column of views; false when there already is one.
    bool splitRows();
    bool splitColumns();
    // Removes the given row or column of views; false when it is the only one.
    bool removeRow(int row);
    bool removeColumn(int column);

signals:
    void activeViewChanged(xtalsp::gui::CXtalspView* view);

private:
    QSplitter* rowSplitter(int row) const;
    CXtalspView* createView();
    void addRow();
    void setActiveView(CXtalspView* view);
    void alignColumns(QSplitter* source);
    void removeCollapsedPanes();

    CXtalspDoc& m_doc;
    ViewHost& m_host;
    SpotMarks m_marks; // measured spots of a frame without an image layer, shared by its panes
    ChildFrameCounters& m_counters;
    int m_cascadeIndex = 0;
    QSplitter* m_rows = nullptr; // vertical: one horizontal splitter per row
    CXtalspView* m_activeView = nullptr;
    PatternImageLayer* m_imageLayer = nullptr;
};

} // namespace xtalsp::gui
