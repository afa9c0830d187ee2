// The real custom zoom, spot size, print and print preview dialogs of the pattern view.
#include "view/viewdialogs.h"

#include "text/numbertext.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

namespace xtalsp::gui {

namespace {

// A numeric box that shows "%g" and reads as atof does, whatever the user's locale: a leading
// number, the rest ignored, no number reads 0; the range clamps what was typed.
class NumberBox : public QDoubleSpinBox {
public:
    NumberBox(double minimum, double maximum, double step, double value, QWidget* parent)
        : QDoubleSpinBox(parent) {
        setDecimals(6);
        setRange(minimum, maximum);
        setSingleStep(step);
        setValue(value);
    }

protected:
    QString textFromValue(double value) const override {
        return QString::fromStdString(formatG(value));
    }
    double valueFromText(const QString& text) const override {
        return readReal(text.toStdString());
    }
    QValidator::State validate(QString&, int&) const override { return QValidator::Acceptable; }
};

QDialogButtonBox* addOkCancel(QDialog& dialog, QVBoxLayout& layout) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout.addWidget(buttons);
    return buttons;
}

// Reads a typed but not yet committed entry before the dialog's value is taken.
double committedValue(NumberBox& box) {
    box.interpretText();
    return box.value();
}

} // namespace

QtViewDialogs::QtViewDialogs() : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

QtViewDialogs::~QtViewDialogs() = default;

std::optional<double> QtViewDialogs::customZoom(QWidget* parent, double percentage) {
    QDialog dialog(parent);
    dialog.setWindowTitle("Custom Zoom");
    auto* layout = new QVBoxLayout(&dialog);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel("Define View &Zoom", &dialog);
    auto* box =
        new NumberBox(kMinZoomPercent, kMaxZoomPercent, kZoomPercentStep, percentage, &dialog);
    box->setObjectName("zoomPercent");
    label->setBuddy(box);
    row->addWidget(label);
    row->addWidget(box);
    row->addWidget(new QLabel("%", &dialog));
    layout->addLayout(row);
    addOkCancel(dialog, *layout);
    box->selectAll();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return committedValue(*box);
}

std::optional<SpotSizeMm> QtViewDialogs::spotSize(QWidget* parent, SpotSizeMm initial) {
    QDialog dialog(parent);
    dialog.setWindowTitle("Diffraction Spot Size");
    auto* layout = new QVBoxLayout(&dialog);
    auto* form = new QFormLayout;
    auto* width =
        new NumberBox(kMinSpotSizeMm, kMaxSpotSizeMm, kSpotSizeStepMm, initial.width, &dialog);
    auto* height =
        new NumberBox(kMinSpotSizeMm, kMaxSpotSizeMm, kSpotSizeStepMm, initial.height, &dialog);
    width->setObjectName("spotWidth");
    height->setObjectName("spotHeight");
    width->setSuffix(" mm");
    height->setSuffix(" mm");
    form->addRow("&Width:", width);
    form->addRow("&Height:", height);
    layout->addLayout(form);
    QDialogButtonBox* buttons = addOkCancel(dialog, *layout);
    QPushButton* reset = buttons->addButton("&Default", QDialogButtonBox::ResetRole);
    reset->setObjectName("defaultButton");
    QObject::connect(reset, &QPushButton::clicked, &dialog, [width, height] {
        width->setValue(kDefaultSpotSizeMm);
        height->setValue(kDefaultSpotSizeMm);
    });
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return SpotSizeMm{committedValue(*width), committedValue(*height)};
}

bool QtViewDialogs::print(QWidget* parent, const PagePainter& paintPage) {
    // A pattern is always one page.
    m_printer->setPrintRange(QPrinter::AllPages);
    QPrintDialog dialog(m_printer.get(), parent);
    dialog.setMinMax(1, 1);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return paintPage(*m_printer);
}

void QtViewDialogs::printPreview(QWidget* parent, const PagePainter& paintPage) {
    QPrintPreviewDialog preview(m_printer.get(), parent);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&paintPage](QPrinter* printer) { paintPage(*printer); });
    preview.exec();
}

void QtViewDialogs::printSetup(QWidget* parent) {
    QPageSetupDialog dialog(m_printer.get(), parent);
    dialog.exec();
}

} // namespace xtalsp::gui
