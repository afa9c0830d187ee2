// The calibration dialog and its clickable picture of the image.
#include "gui/image/imagecalibrationdlg.h"

#include "core/text/numbertext.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>

namespace xtalsp::gui {

namespace {

// The picture of the image fits in a square of this many pixels.
constexpr int kPreviewSide = 420;
constexpr std::array<ImageFlip, 4> kFlips = {ImageFlip::None, ImageFlip::Horizontal,
                                             ImageFlip::Vertical, ImageFlip::Both};
constexpr std::array<int, 4> kRotations = {0, 90, 180, 270};

QDoubleSpinBox* numberBox(double minimum, double maximum, int decimals, const QString& suffix) {
    auto* box = new QDoubleSpinBox;
    box->setRange(minimum, maximum);
    box->setDecimals(decimals);
    box->setSuffix(suffix);
    box->setKeyboardTracking(false);
    return box;
}

// The image as stored, scaled down to the preview's size through its halved copies.
QImage previewPicture(const PatternImageLayer& layer) {
    const DetectorImage& image = *layer.image();
    const double shrink =
        std::max(1.0, std::max(image.width, image.height) / static_cast<double>(kPreviewSide));
    const int width = std::max(1, static_cast<int>(image.width / shrink));
    const int height = std::max(1, static_cast<int>(image.height / shrink));
    // A calibration of unit pitch centred on the top-left pixel, seen one device pixel per
    // `shrink` image pixels, shows the stored image upright.
    ImageCalibration upright;
    upright.centreColumn = -0.5;
    upright.centreRow = -0.5;
    upright.columnPitchMm = upright.rowPitchMm = 1.0;
    const QImage picture =
        renderImageRegion(*layer.pyramid(), upright, *layer.greyMap(),
                          {QPointF(0.0, 0.0), 1.0 / shrink}, QRect(0, 0, width, height));
    return picture;
}

} // namespace

// The picture of the stored image with the beam centre marked; a click sets the centre.
class CalibrationPreview : public QLabel {
public:
    CalibrationPreview(QImage picture, double imagePixelsPerPoint, ImageCalibrationDlg& dialog)
        : m_picture(std::move(picture)), m_shrink(imagePixelsPerPoint), m_dialog(dialog) {
        setFixedSize(m_picture.size());
        setCursor(Qt::CrossCursor);
        setToolTip("Click the beam centre");
    }
    void setCentre(PixelPoint centre) {
        m_centre = centre;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(0, 0, m_picture);
        const QPointF at((m_centre.column + 0.5) / m_shrink, (m_centre.row + 0.5) / m_shrink);
        painter.setPen(QPen(Qt::red, 1));
        painter.drawLine(at - QPointF(8, 0), at + QPointF(8, 0));
        painter.drawLine(at - QPointF(0, 8), at + QPointF(0, 8));
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton)
            return;
        const QPointF at = event->position();
        m_dialog.setCentre({at.x() * m_shrink - 0.5, at.y() * m_shrink - 0.5});
    }

private:
    QImage m_picture;
    double m_shrink;
    ImageCalibrationDlg& m_dialog;
    PixelPoint m_centre;
};

ImageCalibrationDlg::ImageCalibrationDlg(const PatternImageLayer& layer, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("Calibrate Image");
    const DetectorImage& image = *layer.image();
    const QImage picture = previewPicture(layer);
    m_preview =
        new CalibrationPreview(picture, image.width / static_cast<double>(picture.width()), *this);

    m_columnPitch = numberBox(0.0001, 100.0, 4, " mm");
    m_rowPitch = numberBox(0.0001, 100.0, 4, " mm");
    m_centreColumn = numberBox(-1e6, 1e6, 2, "");
    m_centreRow = numberBox(-1e6, 1e6, 2, "");
    m_flip = new QComboBox;
    m_flip->addItems({"None", "Horizontal", "Vertical", "Both"});
    m_rotation = new QComboBox;
    m_rotation->addItems({"0\u00B0", "90\u00B0", "180\u00B0", "270\u00B0"});
    m_storedCentre = new QLabel;
    m_storedCentre->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(
        new QLabel(QString("Image: %1 \u00D7 %2 pixels").arg(image.width).arg(image.height)));
    form->addRow("Pixel size, horizontal:", m_columnPitch);
    form->addRow("Pixel size, vertical:", m_rowPitch);
    form->addRow("Beam centre, column:", m_centreColumn);
    form->addRow("Beam centre, row:", m_centreRow);
    form->addRow("Flip:", m_flip);
    form->addRow("Rotation (counter-clockwise):", m_rotation);
    form->addRow(m_storedCentre);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* fields = new QVBoxLayout;
    fields->addLayout(form);
    fields->addStretch();
    fields->addWidget(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_preview, 0, Qt::AlignTop);
    layout->addLayout(fields);

    setCalibration(layer.settings().calibration);
    for (QDoubleSpinBox* box : {m_centreColumn, m_centreRow})
        connect(box, &QDoubleSpinBox::valueChanged, this, &ImageCalibrationDlg::showCentre);
}

ImageCalibration ImageCalibrationDlg::calibration() const {
    ImageCalibration calibration;
    calibration.columnPitchMm = m_columnPitch->value();
    calibration.rowPitchMm = m_rowPitch->value();
    calibration.centreColumn = m_centreColumn->value();
    calibration.centreRow = m_centreRow->value();
    calibration.flip = kFlips[static_cast<std::size_t>(std::max(0, m_flip->currentIndex()))];
    calibration.rotationDegrees =
        kRotations[static_cast<std::size_t>(std::max(0, m_rotation->currentIndex()))];
    return calibration;
}

void ImageCalibrationDlg::setCalibration(const ImageCalibration& calibration) {
    m_columnPitch->setValue(calibration.columnPitchMm);
    m_rowPitch->setValue(calibration.rowPitchMm);
    m_flip->setCurrentIndex(static_cast<int>(
        std::find(kFlips.begin(), kFlips.end(), calibration.flip) - kFlips.begin()));
    m_rotation->setCurrentIndex(static_cast<int>(
        std::find(kRotations.begin(), kRotations.end(), calibration.rotationDegrees) -
        kRotations.begin()));
    setCentre({calibration.centreColumn, calibration.centreRow});
}

void ImageCalibrationDlg::setCentre(PixelPoint centre) {
    m_centreColumn->setValue(centre.column);
    m_centreRow->setValue(centre.row);
    showCentre();
}

void ImageCalibrationDlg::showCentre() {
    const PixelPoint centre{m_centreColumn->value(), m_centreRow->value()};
    m_preview->setCentre(centre);
    m_storedCentre->setText(
        QString::fromStdString("Stored centre: column " + formatFixed(centre.column, 0, 2) +
                               ", row " + formatFixed(centre.row, 0, 2) +
                               " of the image as stored in its file, counted from the centre "
                               "of its top-left pixel, rows downwards."));
}

std::optional<ImageCalibration> editImageCalibration(QWidget* parent,
                                                     const PatternImageLayer& layer) {
    if (!layer.hasImage())
        return std::nullopt;
    ImageCalibrationDlg dialog(layer, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.calibration();
}

} // namespace xtalsp::gui
