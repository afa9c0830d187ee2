// The child frame of a pattern window: cascade placement and a splitter client of views.
#include "gui/shell/childframe.h"

#include "gui/image/patternimagelayer.h"

#include "gui/view/xtalspview.h"

#include <QSplitter>

#include <algorithm>

namespace xtalsp::gui {

namespace {

constexpr int kSmallestCascadingClient = 300; // pixels, in both directions
constexpr int kCascadeSteps = 10;
constexpr int kPaneMinimum = 10; // pixels

QSplitter* newSplitter(Qt::Orientation orientation, QWidget* parent) {
    auto* splitter = new QSplitter(orientation, parent);
    // Dragging a divider onto the edge collapses a pane; the frame then removes it.
    splitter->setChildrenCollapsible(true);
    return splitter;
}

// Equal halves for a newly split splitter.
void shareEqually(QSplitter& splitter) {
    const int length =
        splitter.orientation() == Qt::Horizontal ? splitter.width() : splitter.height();
    const int count = splitter.count();
    if (count > 0)
        splitter.setSizes(QList<int>(count, std::max(kPaneMinimum, length / count)));
}

// The index of the one collapsed pane of a two-pane splitter, or -1.
int collapsedPane(const QSplitter& splitter) {
    const QList<int> sizes = splitter.sizes();
    if (sizes.size() != 2 || (sizes[0] == 0) == (sizes[1] == 0))
        return -1;
    return sizes[0] == 0 ? 0 : 1;
}

} // namespace

std::optional<QRect> cascadePlacement(QSize clientSize, int cascadeIndex) {
    if (clientSize.width() <= kSmallestCascadingClient ||
        clientSize.height() <= kSmallestCascadingClient)
        return std::nullopt;
    const long long step = (static_cast<long long>(cascadeIndex) - 1) % kCascadeSteps;
    const int a = static_cast<int>(step < 0 ? step + kCascadeSteps : step);
    return QRect(15 * a + 2, 20 * a + 2, clientSize.width() - 15 * a - 10,
                 clientSize.height() - 20 * a - 50);
}

int ChildFrameCounters::frameCreated() {
    ++m_openCount;
    return ++m_cascadeIndex;
}

void ChildFrameCounters::frameDestroyed() {
    if (m_openCount > 0)
        --m_openCount;
    if (m_openCount == 0)
        m_cascadeIndex = 0;
}

CChildFrame::CChildFrame(CXtalspDoc& doc, ViewHost& host, ChildFrameCounters& counters,
                         QWidget* parent)
    : QMdiSubWindow(parent), m_doc(doc), m_host(host), m_counters(counters),
      m_cascadeIndex(counters.frameCreated()) {
    m_rows = newSplitter(Qt::Vertical, this);
    connect(m_rows, &QSplitter::splitterMoved, this, [this] {
        QMetaObject::invokeMethod(this, &CChildFrame::removeCollapsedPanes, Qt::QueuedConnection);
    });
    setWidget(m_rows);
    addRow();
    rowSplitter(0)->addWidget(createView());
    m_activeView = pane(0, 0);
}

CChildFrame::~CChildFrame() {
    m_counters.frameDestroyed();
}

void CChildFrame::applyCascadePlacement(QSize clientSize) {
    if (const std::optional<QRect> placement = cascadePlacement(clientSize, m_cascadeIndex))
        setGeometry(*placement);
}

int CChildFrame::rowCount() const {
    return m_rows->count();
}

int CChildFrame::columnCount() const {
    return rowCount() > 0 ? rowSplitter(0)->count() : 0;
}

QSplitter* CChildFrame::rowSplitter(int row) const {
    return qobject_cast<QSplitter*>(m_rows->widget(row));
}

CXtalspView* CChildFrame::pane(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return nullptr;
    return qobject_cast<CXtalspView*>(rowSplitter(row)->widget(column));
}

std::vector<CXtalspView*> CChildFrame::views() const {
    std::vector<CXtalspView*> all;
    for (int row = 0; row < rowCount(); ++row) {
        for (int column = 0; column < columnCount(); ++column)
            all.push_back(pane(row, column));
    }
    return all;
}

CXtalspView* CChildFrame::createView() {
    auto* view = new CXtalspView(m_doc, m_host);
    connect(view, &CXtalspView::activated, this, &CChildFrame::setActiveView);
    connect(view, &CXtalspView::rowSplitRequested, this, &CChildFrame::splitRows);
    connect(view, &CXtalspView::columnSplitRequested, this, &CChildFrame::splitColumns);
    view->useSpotMarks(spotMarks());
    view->InitFromDocument();
    view->setImageLayer(m_imageLayer);
    return view;
}

void CChildFrame::setImageLayer(PatternImageLayer* layer) {
    m_imageLayer = layer;
    for (CXtalspView* view : views()) {
        view->useSpotMarks(spotMarks());
        view->setImageLayer(layer);
    }
}

SpotMarks& CChildFrame::spotMarks() {
    return m_imageLayer != nullptr ? m_imageLayer->marks() : m_marks;
}

void CChildFrame::addRow() {
    QSplitter* row = newSplitter(Qt::Horizontal, m_rows);
    connect(row, &QSplitter::splitterMoved, this, [this, row] {
        alignColumns(row);
        QMetaObject::invokeMethod(this, &CChildFrame::removeCollapsedPanes, Qt::QueuedConnection);
    });
    m_rows->addWidget(row);
}

bool CChildFrame::splitRows() {
    if (rowCount() >= kMaxRows)
        return false;
    const int columns = columnCount();
    addRow();
    QSplitter* row = rowSplitter(rowCount() - 1);
    for (int column = 0; column < columns; ++column)
        row->addWidget(createView());
    shareEqually(*m_rows);
    alignColumns(rowSplitter(0));
    return true;
}

bool CChildFrame::splitColumns() {
    if (columnCount() >= kMaxColumns)
        return false;
    for (int row = 0; row < rowCount(); ++row)
        rowSplitter(row)->addWidget(createView());
    shareEqually(*rowSplitter(0));
    alignColumns(rowSplitter(0));
    return true;
}

bool CChildFrame::removeRow(int row) {
    if (rowCount() <= 1 || row < 0 || row >= rowCount())
        return false;
    QSplitter* doomed = rowSplitter(row);
    const bool activeRemoved = m_activeView != nullptr && doomed->isAncestorOf(m_activeView);
    delete doomed;
    if (activeRemoved)
        setActiveView(pane(0, 0));
    return true;
}

bool CChildFrame::removeColumn(int column) {
    if (columnCount() <= 1 || column < 0 || column >= columnCount())
        return false;
    // Collected first: each deletion changes what the column count reports.
    std::vector<CXtalspView*> doomed;
    for (int row = 0; row < rowCount(); ++row)
        doomed.push_back(pane(row, column));
    const bool activeRemoved =
        std::find(doomed.begin(), doomed.end(), m_activeView) != doomed.end();
    for (CXtalspView* view : doomed)
        delete view;
    if (activeRemoved)
        setActiveView(pane(0, 0));
    return true;
}

void CChildFrame::setActiveView(CXtalspView* view) {
    if (view == m_activeView)
        return;
    m_activeView = view;
    emit activeViewChanged(view);
}

// The rows share their column dividers, as the panes of one grid.
void CChildFrame::alignColumns(QSplitter* source) {
    const QList<int> sizes = source->sizes();
    for (int row = 0; row < rowCount(); ++row) {
        QSplitter* other = rowSplitter(row);
        if (other != source)
            other->setSizes(sizes);
    }
}

void CChildFrame::removeCollapsedPanes() {
    if (const int row = collapsedPane(*m_rows); row >= 0)
        removeRow(row);
    if (rowCount() > 0) {
        if (const int column = collapsedPane(*rowSplitter(0)); column >= 0)
            removeColumn(column);
    }
}

} // namespace xtalsp::gui
