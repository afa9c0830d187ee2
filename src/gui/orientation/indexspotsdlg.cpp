// The Index Spots dialog and the worker that runs the search behind a progress dialog.
#include "gui/orientation/indexspotsdlg.h"

#include "core/document/fieldranges.h"
#include "core/text/numbertext.h"
#include "gui/orientation/fitorientationdlg.h"
#include "gui/shell/stepedit.h"

#include <QDialogButtonBox>
#include <QEventLoop>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <array>
#include <atomic>
#include <cmath>
#include <memory>
#include <utility>

namespace xtalsp::gui {

namespace {

constexpr double kMinToleranceMm = 0.05, kMaxToleranceMm = 10.0, kToleranceStepMm = 0.1;
constexpr int kProgressSteps = 1000;
constexpr int kProgressPollMilliseconds = 50;
// A search shorter than this finishes without the progress dialog flashing up.
constexpr int kProgressDelayMilliseconds = 300;

// Four decimals are enough to tell the solutions apart; the rounding also drops the
// floating-point noise of an index that is zero.
std::string indexText(double index) {
    const double rounded = std::round(index * 1e4) / 1e4;
    return formatG(rounded == 0.0 ? 0.0 : rounded, 6);
}

QString planeText(const std::array<double, 3>& plane) {
    return QString::fromStdString("(" + indexText(plane[0]) + " " + indexText(plane[1]) + " " +
                                  indexText(plane[2]) + ")");
}

QString degreesText(double degrees) {
    return QString::fromStdString(formatFixed(degrees, 0, 3)) + QChar(0x00B0);
}

Message noSolutionMessage(double toleranceMm) {
    return {"No orientation of the crystal puts spots on the marked spots within " +
                formatG(toleranceMm, 4) + " mm.",
            "", MessageIcon::Exclamation};
}

} // namespace

IndexingRequest documentIndexingRequest(const CXtalspDoc& doc, std::vector<FilmPeak> measured,
                                        double toleranceMm) {
    IndexingRequest request;
    request.pattern = doc.computationInput();
    request.measured = std::move(measured);
    request.toleranceMm = toleranceMm;
    request.maxRotation = kMaxRotation;
    return request;
}

Result<IndexingResult> indexWithProgress(QWidget* parent, IndexingRequest request) {
    // The worker reads its own copies: the window keeps handling events while it runs.
    const std::vector<ElementGroup> groups =
        request.pattern.groups != nullptr ? *request.pattern.groups : std::vector<ElementGroup>{};
    const Spectrum spectrum =
        request.pattern.spectrum != nullptr ? *request.pattern.spectrum : Spectrum{};
    if (request.pattern.groups != nullptr)
        request.pattern.groups = &groups;
    if (request.pattern.spectrum != nullptr)
        request.pattern.spectrum = &spectrum;

    // The worker only stores its progress and reads the stop flag; the dialog polls.
    std::atomic<double> fraction{0.0};
    std::atomic<bool> stop{false};
    request.progress = [&fraction, &stop](double done) {
        fraction.store(done);
        return !stop.load();
    };
    std::optional<Result<IndexingResult>> outcome;
    QProgressDialog progress("Indexing the marked spots...", "Cancel", 0, kProgressSteps, parent);
    progress.setWindowTitle("Index Spots");
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(kProgressDelayMilliseconds);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QObject::connect(&progress, &QProgressDialog::canceled, [&stop] { stop.store(true); });

    std::unique_ptr<QThread> worker(
        QThread::create([&request, &outcome] { outcome.emplace(indexSpots(request)); }));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &progress, [&progress, &fraction] {
        progress.setValue(static_cast<int>(fraction.load() * (kProgressSteps - 1)));
    });
    poll.start(kProgressPollMilliseconds);
    worker->start();
    loop.exec();
    worker->wait();
    return std::move(*outcome);
}

CIndexSpotsDlg::CIndexSpotsDlg(const CXtalspDoc& doc, std::vector<FilmPeak> measured,
                               UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_measured(std::move(measured)), m_prompt(prompt) {
    setWindowTitle("Index Spots");
    auto* layout = new QVBoxLayout(this);
    auto* fields = new QGridLayout;
    m_toleranceEdit = addMarksAndTolerance(this, *fields, m_measured.size(), &m_toleranceMm,
                                           {kMinToleranceMm, kMaxToleranceMm, kToleranceStepMm});
    m_indexButton = new QPushButton("&Index", this);
    fields->addWidget(m_indexButton, 1, 2);
    layout->addLayout(fields);

    m_table = new QTableWidget(0, 7, this);
    m_table->setHorizontalHeaderLabels(
        {"Rank", "Matched", "rms (mm)", "Surface plane", "Side plane", "X", "Y"});
    m_table->verticalHeader()->setVisible(false);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_applyButton = buttons->addButton("&Apply", QDialogButtonBox::AcceptRole);
    m_applyButton->setEnabled(false);
    layout->addWidget(buttons);
    connect(m_indexButton, &QPushButton::clicked, this, &CIndexSpotsDlg::runIndexing);
    connect(m_applyButton, &QPushButton::clicked, this, &CIndexSpotsDlg::apply);
    connect(m_table, &QTableWidget::itemSelectionChanged, this,
            [this] { m_applyButton->setEnabled(!m_table->selectedItems().isEmpty()); });
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &CIndexSpotsDlg::apply);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_indexButton->setDefault(true);
    resize(680, 360);
}

CIndexSpotsDlg::~CIndexSpotsDlg() = default;

void CIndexSpotsDlg::runIndexing() {
    m_toleranceEdit->commit();
    Result<IndexingResult> found =
        indexWithProgress(this, documentIndexingRequest(m_doc, m_measured, m_toleranceMm));
    if (found.ok() && found.value().cancelled)
        return; // the user stopped it: the earlier list stays
    // A refused or empty search leaves nothing to apply, not even an earlier solution.
    m_solutions = found.ok() ? std::move(found.value().solutions) : std::vector<IndexingSolution>{};
    showSolutions();
    if (!found.ok())
        m_prompt.show(found.failure());
    else if (m_solutions.empty())
        m_prompt.show(noSolutionMessage(m_toleranceMm));
}

void CIndexSpotsDlg::showSolutions() {
    m_table->clearSelection();
    m_table->setRowCount(static_cast<int>(m_solutions.size()));
    int row = 0;
    for (const IndexingSolution& solution : m_solutions) {
        const QString cells[] = {QString::number(row + 1),
                                 QString::number(solution.matchedSpots),
                                 QString::fromStdString(formatFixed(solution.rmsMm, 0, 3)),
                                 planeText(solution.settings.surfacePlane),
                                 planeText(solution.settings.sidePlane),
                                 degreesText(solution.settings.rotationX),
                                 degreesText(solution.settings.rotationY)};
        for (int column = 0; column < 7; ++column)
            m_table->setItem(row, column, new QTableWidgetItem(cells[column]));
        ++row;
    }
    m_table->resizeColumnsToContents();
    if (!m_solutions.empty())
        m_table->selectRow(0);
    m_applyButton->setEnabled(!m_solutions.empty());
}

void CIndexSpotsDlg::apply() {
    const int row = m_table->currentRow();
    if (row < 0 || row >= static_cast<int>(m_solutions.size()))
        return;
    m_applied = m_solutions[static_cast<std::size_t>(row)].settings;
    accept();
}

std::optional<DiffractionSettings>
QtOrientationDialogs::indexSpots(QWidget* parent, const CXtalspDoc& doc,
                                 const std::vector<FilmPeak>& measured, UserPrompt& prompt) {
    CIndexSpotsDlg dialog(doc, measured, prompt, parent);
    dialog.exec();
    return dialog.appliedSettings();
}

} // namespace xtalsp::gui
