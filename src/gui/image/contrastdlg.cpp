// The contrast window.
#include "gui/image/contrastdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace xtalsp::gui {

namespace {

constexpr int kSliderSteps = 1000;
constexpr ContrastScale kScales[] = {ContrastScale::Linear, ContrastScale::SquareRoot,
                                     ContrastScale::Logarithmic};

QSlider* newSlider(int maximum) {
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setRange(0, maximum);
    slider->setMinimumWidth(200);
    return slider;
}

} // namespace

ContrastDlg::ContrastDlg(PatternImageLayer& layer, QWidget* parent)
    : QDialog(parent), m_layer(layer) {
    setWindowTitle("Image Contrast");
    if (const DetectorImage* image = layer.image(); image != nullptr && !image->pixels.empty()) {
        const auto [low, high] = std::minmax_element(image->pixels.begin(), image->pixels.end());
        m_lowest = *low;
        m_highest = std::max(static_cast<double>(*high), m_lowest + 1.0);
    }
    m_scale = new QComboBox;
    m_scale->addItems({"Linear", "Square root", "Logarithmic"});
    m_black = new QDoubleSpinBox;
    m_white = new QDoubleSpinBox;
    for (QDoubleSpinBox* box : {m_black, m_white}) {
        box->setRange(-1e12, 1e12);
        box->setDecimals(2);
        box->setKeyboardTracking(false);
    }
    m_blackSlider = newSlider(kSliderSteps);
    m_whiteSlider = newSlider(kSliderSteps);
    m_invert = new QCheckBox("Invert (film negative)");
    m_opacity = newSlider(100);
    auto* propose = new QPushButton("Propose Levels");

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("Scale:"), 0, 0);
    grid->addWidget(m_scale, 0, 1, 1, 2);
    grid->addWidget(new QLabel("Black level:"), 1, 0);
    grid->addWidget(m_blackSlider, 1, 1);
    grid->addWidget(m_black, 1, 2);
    grid->addWidget(new QLabel("White level:"), 2, 0);
    grid->addWidget(m_whiteSlider, 2, 1);
    grid->addWidget(m_white, 2, 2);
    grid->addWidget(m_invert, 3, 1);
    grid->addWidget(propose, 3, 2);
    grid->addWidget(new QLabel("Simulated spots:"), 4, 0);
    grid->addWidget(m_opacity, 4, 1, 1, 2);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::close);
    grid->addWidget(close, 5, 0, 1, 3);

    showSettings();
    connect(m_scale, &QComboBox::currentIndexChanged, this, &ContrastDlg::applyContrast);
    connect(m_black, &QDoubleSpinBox::valueChanged, this, &ContrastDlg::applyContrast);
    connect(m_white, &QDoubleSpinBox::valueChanged, this, &ContrastDlg::applyContrast);
    connect(m_invert, &QCheckBox::toggled, this, &ContrastDlg::applyContrast);
    connect(m_blackSlider, &QSlider::valueChanged, this,
            [this](int position) { levelSlid(m_black, position); });
    connect(m_whiteSlider, &QSlider::valueChanged, this,
            [this](int position) { levelSlid(m_white, position); });
    connect(m_opacity, &QSlider::valueChanged, this,
            [this](int percent) { m_layer.setSpotOpacity(percent / 100.0); });
    connect(propose, &QPushButton::clicked, this, &ContrastDlg::proposeLevels);
    connect(&m_layer, &PatternImageLayer::changed, this, [this] {
        if (m_layer.hasImage())
            showSettings();
        else
            this->close();
    });
}

int ContrastDlg::sliderPosition(double level) const {
    const double fraction = (level - m_lowest) / (m_highest - m_lowest);
    return static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * kSliderSteps));
}

void ContrastDlg::showSettings() {
    if (m_showing)
        return;
    m_showing = true;
    const PatternImageSettings& settings = m_layer.settings();
    const ContrastSettings& contrast = settings.contrast;
    m_scale->setCurrentIndex(static_cast<int>(
        std::find(std::begin(kScales), std::end(kScales), contrast.scale) - std::begin(kScales)));
    m_black->setValue(contrast.blackLevel);
    m_white->setValue(contrast.whiteLevel);
    m_blackSlider->setValue(sliderPosition(contrast.blackLevel));
    m_whiteSlider->setValue(sliderPosition(contrast.whiteLevel));
    m_invert->setChecked(contrast.invert);
    m_opacity->setValue(static_cast<int>(std::lround(settings.spotOpacity * 100.0)));
    m_showing = false;
}

void ContrastDlg::applyContrast() {
    if (m_showing)
        return;
    ContrastSettings contrast;
    contrast.scale = kScales[std::max(0, m_scale->currentIndex())];
    contrast.blackLevel = m_black->value();
    contrast.whiteLevel = m_white->value();
    contrast.invert = m_invert->isChecked();
    m_layer.setContrast(contrast);
}

void ContrastDlg::levelSlid(QDoubleSpinBox* box, int position) {
    if (m_showing)
        return;
    box->setValue(m_lowest + (m_highest - m_lowest) * position / kSliderSteps);
}

void ContrastDlg::proposeLevels() {
    if (const DetectorImage* image = m_layer.image())
        m_layer.setContrast(
            proposedContrast(*image, kScales[std::max(0, m_scale->currentIndex())]));
}

void showContrastWindow(PatternImageLayer& layer, QWidget* parent) {
    if (layer.contrastWindow == nullptr) {
        auto* window = new ContrastDlg(layer, parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
        layer.contrastWindow = window;
    }
    layer.contrastWindow->show();
    layer.contrastWindow->raise();
}

} // namespace xtalsp::gui
