// The structure factor calculator: three integer index boxes, Calculate, and the values shown on
// white read-only labels.
#include "gui/computation/structurefactordlg.h"

#include "core/computation/structurefactorcalculator.h"
#include "core/document/fieldranges.h"
#include "core/document/xtalspdoc.h"
#include "core/text/numbertext.h"
#include "gui/shell/documentdialogs.h"
#include "gui/shell/qtplatform.h"
#include "gui/shell/stepedit.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace xtalsp::gui {

namespace {

// A read-only value on a white background, as value fields look throughout the program.
QLabel* createWhiteValueLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, QColor(255, 255, 255));
    label->setPalette(palette);
    label->setAutoFillBackground(true);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumWidth(120);
    return label;
}

// The symbol |F| = that labels the modulus, drawn so it stays sharp at any screen scale.
class ModulusSymbol : public QWidget {
public:
    explicit ModulusSymbol(QWidget* parent) : QWidget(parent) {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    }
    QSize sizeHint() const override {
        const int height = fontMetrics().height();
        return {height * 2, height};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor ink = palette().color(QPalette::WindowText);
        const double h = fontMetrics().height();
        const double top = (height() - h) / 2.0 + h * 0.12;
        const double bottom = top + h * 0.8;
        p.setPen(QPen(ink, std::max(1.0, h / 14.0)));
        const double firstBar = h * 0.15;
        const double secondBar = h * 0.95;
        p.drawLine(QPointF(firstBar, top), QPointF(firstBar, bottom));
        p.drawLine(QPointF(secondBar, top), QPointF(secondBar, bottom));
        QFont italic = font();
        italic.setItalic(true);
        p.setFont(italic);
        p.drawText(QRectF(firstBar, 0.0, secondBar - firstBar, height()), Qt::AlignCenter, "F");
        p.setFont(font());
        p.drawText(QRectF(secondBar, 0.0, width() - secondBar, height()), Qt::AlignCenter, "=");
    }
};

} // namespace

CStructureFactorDlg::CStructureFactorDlg(const ReciprocalBasis& basis,
                                         std::vector<ElementGroup> groups, QWidget* parent)
    : QDialog(parent), m_basis(basis), m_groups(std::move(groups)) {
    setWindowTitle("Structure Factor");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Enter Reflection Index and then Press Calculate", this));

    auto* indexRow = new QHBoxLayout;
    const char* const labels[] = {"&h:", "&k:", "&l:"};
    for (std::size_t i = 0; i < m_indexEdits.size(); ++i) {
        auto* label = new QLabel(labels[i], this);
        m_indexEdits[i] = new CStepEdit(this);
        // Reflection indices are whole numbers, stepped by one.
        m_indexEdits[i]->Attach(&m_indices[i], kReflectionIndexField.min, kReflectionIndexField.max,
                                1.0, kReflectionIndexField.integer);
        label->setBuddy(m_indexEdits[i]->lineEdit());
        indexRow->addWidget(label);
        indexRow->addWidget(m_indexEdits[i]);
    }
    m_calculate = new QPushButton("&Calculate", this);
    m_calculate->setDefault(true);
    indexRow->addWidget(m_calculate);
    layout->addLayout(indexRow);

    auto* values = new QGridLayout;
    m_magnitude = createWhiteValueLabel(this);
    m_phase = createWhiteValueLabel(this);
    m_dSpacing = createWhiteValueLabel(this);
    values->addWidget(new ModulusSymbol(this), 0, 0);
    values->addWidget(m_magnitude, 0, 1);
    values->addWidget(new QLabel("Phase=", this), 1, 0);
    values->addWidget(m_phase, 1, 1);
    values->addWidget(new QLabel("d-spacing", this), 2, 0);
    values->addWidget(m_dSpacing, 2, 1);
    layout->addLayout(values);

    auto* closeRow = new QHBoxLayout;
    auto* close = new QPushButton("Close", this);
    close->setAutoDefault(false);
    closeRow->addStretch();
    closeRow->addWidget(close);
    layout->addLayout(closeRow);

    connect(m_calculate, &QPushButton::clicked, this, &CStructureFactorDlg::calculate);
    connect(close, &QPushButton::clicked, this, &CStructureFactorDlg::reject);
    calculate();
}

void CStructureFactorDlg::calculate() {
    for (CStepEdit* edit : m_indexEdits)
        edit->commit();
    // The boxes hold whole numbers within +-999, so the conversions are exact.
    const StructureFactorTexts texts =
        computeStructureFactorTexts(truncateToInt(m_indices[0]), truncateToInt(m_indices[1]),
                                    truncateToInt(m_indices[2]), m_basis, m_groups);
    m_magnitude->setText(fromCp1252(texts.magnitude));
    m_phase->setText(fromCp1252(texts.phase));
    m_dSpacing->setText(fromCp1252(texts.dSpacing));
}

void QtDocumentDialogs::structureFactor(QWidget* parent, const CXtalspDoc& doc) {
    CStructureFactorDlg dialog(doc.reciprocalBasis(), doc.structure().groups, parent);
    dialog.exec();
}

} // namespace xtalsp::gui
