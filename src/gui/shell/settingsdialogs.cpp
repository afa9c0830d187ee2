// The small settings dialogs, their pictures, and the document dialogs that run them.
#include "gui/shell/settingsdialogs.h"

#include "core/structure/structurecheck.h"
#include "core/text/numbertext.h"
#include "gui/shell/helpviewer.h"
#include "gui/shell/qtplatform.h"
#include "gui/shell/stepedit.h"
#include "render/canvas.h"
#include "render/qt/qpaintercanvas.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFontMetricsF>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <initializer_list>
#include <numbers>

namespace xtalsp::gui {

namespace {

// Pictures are drawn on a design grid of this many logical pixels and scaled to their widget,
// so they stay crisp at any screen scale.
constexpr double kDesignWidth = 200.0, kDesignHeight = 150.0;

// The arrowhead of a line ending at `tip` and coming from `from`.
void drawArrowHead(QPainter& p, QPointF from, QPointF tip, double length = 7.0) {
    const QPointF d = tip - from;
    const double norm = std::hypot(d.x(), d.y());
    if (norm <= 0.0)
        return;
    const QPointF u = d / norm;
    const QPointF n(-u.y(), u.x());
    const QPointF back = tip - u * length;
    p.save();
    p.setBrush(p.pen().color());
    p.drawPolygon(QPolygonF{tip, back + n * (length * 0.4), back - n * (length * 0.4)});
    p.restore();
}

void drawArrow(QPainter& p, QPointF from, QPointF to) {
    p.drawLine(from, to);
    drawArrowHead(p, from, to);
}

// A dimension line with heads at both ends.
void drawDimension(QPainter& p, QPointF a, QPointF b) {
    p.drawLine(a, b);
    drawArrowHead(p, a, b, 5.0);
    drawArrowHead(p, b, a, 5.0);
}

// A caption that reads upwards, centred on the point.
void drawUpwardText(QPainter& p, QPointF centre, const QString& text) {
    p.save();
    p.translate(centre);
    p.rotate(-90);
    const double width = QFontMetricsF(p.font()).horizontalAdvance(text);
    p.drawText(QPointF(-width / 2, 0), text);
    p.restore();
}

// A caption centred on x with its baseline at y.
void drawCentredText(QPainter& p, double x, double y, const QString& text) {
    const double width = QFontMetricsF(p.font()).horizontalAdvance(text);
    p.drawText(QPointF(x - width / 2, y), text);
}

// A widget that paints vector art on the design grid, keeping its proportions.
class Picture : public QWidget {
public:
    explicit Picture(QWidget* parent) : QWidget(parent) {
        setMinimumSize(static_cast<int>(kDesignWidth), static_cast<int>(kDesignHeight));
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const double scale = std::min(width() / kDesignWidth, height() / kDesignHeight);
        p.translate((width() - kDesignWidth * scale) / 2, (height() - kDesignHeight * scale) / 2);
        p.scale(scale, scale);
        QFont small = font();
        small.setPixelSize(10);
        p.setFont(small);
        paintDesign(p);
    }
    virtual void paintDesign(QPainter& p) = 0;
};

// A film seen face on, with the crossline through the beam centre and its two dimensions.
class FilmPicture : public Picture {
public:
    using Picture::Picture;

protected:
    void paintDesign(QPainter& p) override {
        const QRectF film(30, 15, 150, 105);
        p.setPen(QPen(Qt::black, 1.0));
        p.setBrush(Qt::white);
        p.drawRect(film);
        p.setPen(QPen(QColor(0, 255, 255), 1.5));
        p.drawLine(QPointF(film.left(), film.center().y()),
                   QPointF(film.right(), film.center().y()));
        p.drawLine(QPointF(film.center().x(), film.top()),
                   QPointF(film.center().x(), film.bottom()));
        p.fillRect(QRectF(film.center() - QPointF(2, 2), QSizeF(4, 4)), QColor(255, 0, 0));
        p.setPen(QPen(Qt::black, 0.8));
        drawDimension(p, QPointF(film.left(), 130), QPointF(film.right(), 130));
        drawCentredText(p, film.center().x(), 144, "Width");
        drawDimension(p, QPointF(20, film.top()), QPointF(20, film.bottom()));
        drawUpwardText(p, QPointF(14, film.center().y()), "Height");
    }
};

// One spot much enlarged on a piece of film, with its width and height marked.
class SpotPicture : public Picture {
public:
    using Picture::Picture;

protected:
    void paintDesign(QPainter& p) override {
        p.setPen(QPen(QColor(160, 160, 160), 1.0));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(30, 10, 160, 110));
        const QRectF spot(80, 35, 60, 60);
        p.fillRect(spot, Qt::black);
        p.setPen(QPen(Qt::black, 0.6, Qt::DashLine));
        p.drawLine(QPointF(spot.left(), spot.bottom()), QPointF(spot.left(), 135));
        p.drawLine(QPointF(spot.right(), spot.bottom()), QPointF(spot.right(), 135));
        p.drawLine(QPointF(spot.left(), spot.top()), QPointF(15, spot.top()));
        p.drawLine(QPointF(spot.left(), spot.bottom()), QPointF(15, spot.bottom()));
        p.setPen(QPen(Qt::black, 0.8));
        drawDimension(p, QPointF(spot.left(), 130), QPointF(spot.right(), 130));
        drawCentredText(p, spot.center().x(), 144, "Width");
        drawDimension(p, QPointF(22, spot.top()), QPointF(22, spot.bottom()));
        drawUpwardText(p, QPointF(14, spot.center().y()), "Height");
    }
};

// The beam runs from left to right through a crystal slab that stands across it; Y is the
// vertical axis, X the horizontal axis across the beam (drawn in oblique projection), each with
// the curved arrow of a rotation about it.
class RotationPicture : public Picture {
public:
    using Picture::Picture;

protected:
    void paintDesign(QPainter& p) override {
        const QPointF centre(105, 80);
        const QPointF depth(-0.55, 0.42); // one unit along X, towards the viewer
        const QPointF up(0, -1);
        const QPointF thickness(10, 0); // along the beam
        const double halfHeight = 40, halfDepth = 38;
        auto corner = [&](double v, double d) { return centre + up * v + depth * d; };

        const QPen beamPen(QColor(220, 0, 0), 2.0);
        p.setPen(beamPen);
        p.drawLine(QPointF(8, centre.y()), centre);

        // The slab: back face, the edges along the beam, then the front face over them.
        const QPolygonF face{corner(halfHeight, halfDepth), corner(halfHeight, -halfDepth),
                             corner(-halfHeight, -halfDepth), corner(-halfHeight, halfDepth)};
        p.setPen(QPen(QColor(40, 70, 140), 1.0));
        p.setBrush(QColor(170, 200, 235));
        p.drawPolygon(face.translated(thickness));
        for (const QPointF& point : face)
            p.drawLine(point, point + thickness);
        p.setBrush(QColor(200, 222, 245, 230));
        p.drawPolygon(face);

        p.setPen(beamPen);
        drawArrow(p, centre + thickness, QPointF(192, centre.y()));
        p.setPen(Qt::black);
        p.drawText(QPointF(8, centre.y() - 6), "X-ray beam");

        // Y: vertical through the slab, with its rotation arrow near the top.
        p.setPen(QPen(Qt::black, 1.0));
        drawArrow(p, centre - up * (halfHeight + 12), centre + up * (halfHeight + 28));
        p.drawText(centre + up * (halfHeight + 28) + QPointF(5, 4), "Y");
        drawRotationArrow(p, centre + up * (halfHeight + 16), 0.0);

        // X: across the beam in the plane of the slab.
        const QPointF xEnd = centre + depth * (halfDepth + 40);
        drawArrow(p, centre - depth * (halfDepth + 14), xEnd);
        p.drawText(xEnd + QPointF(-10, 12), "X");
        const double xAngle = std::atan2(depth.y(), depth.x()) * 180.0 / std::numbers::pi;
        drawRotationArrow(p, centre + depth * (halfDepth + 26), xAngle - 90.0);
    }

private:
    // Three quarters of a flat ellipse around an axis (the ellipse's short axis lies along it),
    // ending in an arrowhead.
    static void drawRotationArrow(QPainter& p, QPointF at, double axisAngleDegrees) {
        p.save();
        p.translate(at);
        p.rotate(axisAngleDegrees);
        const QRectF ring(-16, -4.5, 32, 9);
        QPainterPath arc;
        arc.arcMoveTo(ring, 200);
        arc.arcTo(ring, 200, 280);
        p.setBrush(Qt::NoBrush);
        p.drawPath(arc);
        const QPointF tip = arc.pointAtPercent(1.0);
        drawArrowHead(p, arc.pointAtPercent(0.93), tip, 6.0);
        p.restore();
    }
};

// The red reference line of the calibration dialog at nominal true size: one drawing unit is
// a tenth of a millimetre at the screen's logical resolution.
class CalibrationReference : public QWidget {
public:
    explicit CalibrationReference(QWidget* parent) : QWidget(parent) {
        const double pixelsPerUnit = logicalDpiX() / 254.0;
        setFixedSize(static_cast<int>(std::ceil(1200 * pixelsPerUnit)),
                     static_cast<int>(std::ceil(280 * pixelsPerUnit)));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QPainterCanvas canvas(painter, logicalDpiX(), true);
        drawCalibrationReference(canvas);
    }
};

// A run of formula text: normal, raised (exponent) or lowered (index).
enum class Place { Normal, Raised, Lowered };
struct Run {
    QString text;
    Place place = Place::Normal;
    bool italic = false;
};

// Draws the runs on one baseline from x and returns the x after them.
double drawRuns(QPainter& p, double x, double baseline, std::initializer_list<Run> runs,
                const QFont& base) {
    for (const Run& run : runs) {
        QFont font = base;
        font.setItalic(run.italic);
        double y = baseline;
        if (run.place != Place::Normal) {
            font.setPixelSize(std::max(1, base.pixelSize() * 7 / 10));
            y += run.place == Place::Raised ? -base.pixelSize() * 0.4 : base.pixelSize() * 0.25;
        }
        p.setFont(font);
        p.drawText(QPointF(x, y), run.text);
        x += QFontMetricsF(font).horizontalAdvance(run.text);
    }
    p.setFont(base);
    return x;
}

double runsWidth(std::initializer_list<Run> runs, const QFont& base) {
    double width = 0.0;
    for (const Run& run : runs) {
        QFont font = base;
        font.setItalic(run.italic);
        if (run.place != Place::Normal)
            font.setPixelSize(std::max(1, base.pixelSize() * 7 / 10));
        width += QFontMetricsF(font).horizontalAdvance(run.text);
    }
    return width;
}

// A fraction centred on x0 .. x0 + width with its bar on the given height; returns its right.
double drawFraction(QPainter& p, double x0, double bar, std::initializer_list<Run> numerator,
                    std::initializer_list<Run> denominator, const QFont& base) {
    const double width = std::max(runsWidth(numerator, base), runsWidth(denominator, base)) + 4;
    drawRuns(p, x0 + (width - runsWidth(numerator, base)) / 2, bar - 4, numerator, base);
    drawRuns(p, x0 + (width - runsWidth(denominator, base)) / 2, bar + base.pixelSize() + 1,
             denominator, base);
    p.drawLine(QPointF(x0, bar), QPointF(x0 + width, bar));
    return x0 + width;
}

const QString kLambda = QString(QChar(0x03BB));
const QString kTheta = QString(QChar(0x03B8));

// The kinematic intensity of a spot and the atomic scattering factor, black on white.
class EquationPicture : public QWidget {
public:
    static constexpr int kWidth = 311, kHeight = 209;

    explicit EquationPicture(QWidget* parent) : QWidget(parent) {
        setFixedSize(kWidth, kHeight);
        setAttribute(Qt::WA_TransparentForMouseEvents); // a click goes to the dialog
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.fillRect(rect(), Qt::white);
        p.setPen(QPen(Qt::black, 1.0));
        QFont text = font();
        text.setPixelSize(11);
        QFont formula = text;
        formula.setPixelSize(13);
        p.setFont(text);

        p.drawText(QPointF(8, 16), "Spot intensity is calculated as");
        double x = drawRuns(p, 14, 48, {{"I", Place::Normal, true}, {" = "}}, formula);
        x = drawFraction(p, x, 44,
                         {{"P", Place::Normal, true},
                          {"(" + kLambda + ") "},
                          {kLambda, Place::Normal, true},
                          {"3", Place::Raised},
                          {" |"},
                          {"F", Place::Normal, true},
                          {"|"},
                          {"2", Place::Raised}},
                         {{"sin 2" + kTheta}}, formula);
        x = drawRuns(p, x + 2, 48, {{QString(QChar(0x00B7))}}, formula);
        drawFraction(p, x + 2, 44, {{"1 + cos"}, {"2", Place::Raised}, {" 2" + kTheta}}, {{"2"}},
                     formula);

        p.setFont(text);
        p.drawText(QPointF(8, 80), "where " + kLambda + " is the wavelength, F the structure");
        p.drawText(QPointF(8, 94),
                   "factor, " + kTheta + " the Bragg angle and P(" + kLambda + ") the spectrum");
        p.drawText(QPointF(8, 108), "of the incident beam.");
        p.drawText(QPointF(8, 128), "Atomic scattering factor:");

        // f = sum over i = 1..4 of a_i exp(-b_i sin^2(theta) / lambda^2) + c
        x = drawRuns(p, 14, 160, {{"f", Place::Normal, true}, {" = "}}, formula);
        QFont sigma = formula;
        sigma.setPixelSize(22);
        p.setFont(sigma);
        const double sigmaWidth = QFontMetricsF(sigma).horizontalAdvance(QChar(0x03A3));
        p.drawText(QPointF(x, 166), QString(QChar(0x03A3)));
        QFont limits = formula;
        limits.setPixelSize(9);
        p.setFont(limits);
        const QFontMetricsF limitMetrics(limits);
        p.drawText(QPointF(x + (sigmaWidth - limitMetrics.horizontalAdvance("i=1")) / 2, 177),
                   "i=1");
        p.drawText(QPointF(x + (sigmaWidth - limitMetrics.horizontalAdvance("4")) / 2, 143), "4");
        x += sigmaWidth + 3;
        x = drawRuns(p, x, 160, {{"a", Place::Normal, true}, {"i", Place::Lowered, true}, {" exp"}},
                     formula);
        x = drawRuns(p, x, 160, {{"("}, {QString(QChar(0x2212))}}, formula);
        x = drawFraction(p, x, 156,
                         {{"b", Place::Normal, true},
                          {"i", Place::Lowered, true},
                          {" sin"},
                          {"2", Place::Raised},
                          {kTheta, Place::Normal, true}},
                         {{kLambda, Place::Normal, true}, {"2", Place::Raised}}, formula);
        drawRuns(p, x, 160, {{") + "}, {"c", Place::Normal, true}}, formula);

        p.setFont(text);
        p.drawText(QPointF(8, 192), "with a, b and c from International Tables for X-ray");
        p.drawText(QPointF(8, 205), "Crystallography, Vol. IV, pp. 99-101.");
    }
};

QLabel* buddyLabel(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

// A step edit with its label before it and its unit after it, as one row of a grid.
CStepEdit* addStepRow(QGridLayout& grid, int row, const QString& label, const QString& unit,
                      QWidget* parent) {
    auto* edit = new CStepEdit(parent);
    grid.addWidget(buddyLabel(label, edit->lineEdit(), parent), row, 0);
    grid.addWidget(edit, row, 1);
    if (!unit.isEmpty())
        grid.addWidget(new QLabel(unit, parent), row, 2);
    return edit;
}

QDialogButtonBox* addOkCancel(QDialog& dialog, QBoxLayout& layout) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout.addWidget(buttons);
    return buttons;
}

// Two step edits in a grid beside a picture, then OK and Cancel.
QDialogButtonBox* layOutPairDialog(QDialog& dialog, QGridLayout* fields, QWidget* picture) {
    auto* layout = new QVBoxLayout(&dialog);
    auto* top = new QHBoxLayout;
    auto* column = new QVBoxLayout;
    column->addLayout(fields);
    column->addStretch();
    top->addLayout(column);
    top->addWidget(picture, 1);
    layout->addLayout(top);
    return addOkCancel(dialog, *layout);
}

QGridLayout* singleRowDialog(QDialog& dialog) {
    auto* layout = new QVBoxLayout(&dialog);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    addOkCancel(dialog, *layout);
    return grid;
}

// A text that is a number and nothing else, blanks or tabs around it allowed: digits with an
// optional point, an optional sign in front and an optional exponent.
std::optional<double> readWholeNumber(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::nullopt;
    const std::size_t last = text.find_last_not_of(" \t");
    const std::string number = text.substr(first, last - first + 1);
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t start = i;
        while (i < number.size() && number[i] >= '0' && number[i] <= '9')
            ++i;
        return i - start;
    };
    if (i < number.size() && (number[i] == '+' || number[i] == '-'))
        ++i;
    std::size_t mantissa = digits();
    if (i < number.size() && number[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return std::nullopt;
    if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
        ++i;
        if (i < number.size() && (number[i] == '+' || number[i] == '-'))
            ++i;
        if (digits() == 0)
            return std::nullopt;
    }
    if (i != number.size())
        return std::nullopt;
    const double value = readReal(number);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

void StepEditDialog::commitStepEdits() {
    for (CStepEdit* edit : findChildren<CStepEdit*>())
        edit->commit();
}

void StepEditDialog::accept() {
    commitStepEdits();
    QDialog::accept();
}

CPatternSizeDlg::CPatternSizeDlg(FilmSizeCm start, QWidget* parent)
    : StepEditDialog(parent), m_width(start.width), m_height(start.height) {
    setWindowTitle("Set Pattern Size");
    auto* grid = new QGridLayout;
    m_widthEdit = addStepRow(*grid, 0, "&Width:", "cm", this);
    m_heightEdit = addStepRow(*grid, 1, "&Height:", "cm", this);
    layOutPairDialog(*this, grid, new FilmPicture(this));
    m_widthEdit->Attach(&m_width, kMinFilmSizeCm, kMaxFilmSizeCm, kFilmSizeStepCm, false);
    m_heightEdit->Attach(&m_height, kMinFilmSizeCm, kMaxFilmSizeCm, kFilmSizeStepCm, false);
}

CSpotSizeDlg::CSpotSizeDlg(SpotSizeMm start, QWidget* parent)
    : StepEditDialog(parent), m_width(start.width), m_height(start.height) {
    setWindowTitle("Diffraction Spot Size");
    auto* grid = new QGridLayout;
    m_widthEdit = addStepRow(*grid, 0, "&Width:", "mm", this);
    m_heightEdit = addStepRow(*grid, 1, "&Height:", "mm", this);
    QDialogButtonBox* buttons = layOutPairDialog(*this, grid, new SpotPicture(this));
    m_defaultButton = buttons->addButton("&Default", QDialogButtonBox::ResetRole);
    m_defaultButton->setAutoDefault(false);
    connect(m_defaultButton, &QPushButton::clicked, this, &CSpotSizeDlg::restoreDefault);
    m_widthEdit->Attach(&m_width, kMinSpotSizeMm, kMaxSpotSizeMm, kSpotSizeStepMm, false);
    m_heightEdit->Attach(&m_height, kMinSpotSizeMm, kMaxSpotSizeMm, kSpotSizeStepMm, false);
}

void CSpotSizeDlg::restoreDefault() {
    m_width = kDefaultSpotSizeMm;
    m_height = kDefaultSpotSizeMm;
    m_widthEdit->Refresh();
    m_heightEdit->Refresh();
}

CImagingDistanceDlg::CImagingDistanceDlg(double centimetres, QWidget* parent)
    : StepEditDialog(parent), m_distance(centimetres) {
    setWindowTitle("Change Imaging Distance");
    QGridLayout* grid = singleRowDialog(*this);
    m_distanceEdit = addStepRow(*grid, 0, "&Sample-to-Film Distance", "cm", this);
    m_distanceEdit->Attach(&m_distance, kMinDistanceCm, kMaxDistanceCm, kDistanceStepCm, false);
}

CRotateCrystalDlg::CRotateCrystalDlg(RotationAngles start, QWidget* parent)
    : StepEditDialog(parent), m_x(start.x), m_y(start.y) {
    setWindowTitle("Rotate Crystal");
    auto* grid = new QGridLayout;
    const QString degrees(QChar(0x00B0));
    m_xEdit = addStepRow(*grid, 0, "&Rotate along X", degrees, this);
    m_yEdit = addStepRow(*grid, 1, "R&otate along Y", degrees, this);
    m_psiEdit = addStepRow(*grid, 2, "Rotate about the &beam", degrees, this);
    layOutPairDialog(*this, grid, new RotationPicture(this));
    m_xEdit->Attach(&m_x, -kMaxRotationDegrees, kMaxRotationDegrees, kRotationStepDegrees, false);
    m_yEdit->Attach(&m_y, -kMaxRotationDegrees, kMaxRotationDegrees, kRotationStepDegrees, false);
    // After X and Y, the crystal turns by this much about the beam, counter-clockwise as seen
    // from the source.
    m_psiEdit->Attach(&m_psi, -kMaxBeamTurnDegrees, kMaxBeamTurnDegrees, kRotationStepDegrees,
                      false);
}

CCustomZoomDlg::CCustomZoomDlg(double percentage, QWidget* parent)
    : StepEditDialog(parent), m_percentage(percentage) {
    setWindowTitle("Custom Zoom");
    QGridLayout* grid = singleRowDialog(*this);
    m_zoomEdit = addStepRow(*grid, 0, "Define View &Zoom", "%", this);
    m_zoomEdit->Attach(&m_percentage, kMinZoomPercent, kMaxZoomPercent, kZoomPercentStep, false);
}

void drawCalibrationReference(Canvas& canvas) {
    const Rgb red{255, 0, 0}, black{0, 0, 0};
    // 1000 units: 100 mm at nominal scale.
    canvas.polyline({{100, -150}, {1100, -150}}, 5, red);
    canvas.polyline({{100, -150}, {100, -250}}, 0, black);
    canvas.polyline({{1100, -150}, {1100, -250}}, 0, black);
    canvas.polyline({{100, -220}, {1100, -220}}, 0, black);
    canvas.polyline({{1100, -220}, {1070, -210}, {1070, -230}, {1100, -220}}, 0, black);
    canvas.polyline({{100, -220}, {130, -210}, {130, -230}, {100, -220}}, 0, black);
}

CCalibrateZoomDlg::CCalibrateZoomDlg(UserPrompt& prompt, double measuredMm, QWidget* parent)
    : QDialog(parent), m_prompt(prompt),
      m_measured(std::isfinite(measuredMm) ? std::trunc(measuredMm + 0.5) : measuredMm) {
    setWindowTitle("Calibrate Zoom");
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel("To make the 100% zoomed size on screen nearly the same as the actual "
                            "size, you can measure the length of the red line using a ruler and "
                            "put the value in the edit box.",
                            this);
    text->setObjectName("calibrationText");
    text->setWordWrap(true);
    layout->addWidget(text);
    layout->addWidget(new CalibrationReference(this));
    auto* row = new QHBoxLayout;
    m_distanceEdit = new QLineEdit(fromCp1252(formatG(m_measured, DBL_DIG)), this);
    row->addWidget(buddyLabel("Measured &Distance:", m_distanceEdit, this));
    row->addWidget(m_distanceEdit);
    row->addWidget(new QLabel("mm", this));
    row->addStretch();
    layout->addLayout(row);
    addOkCancel(*this, *layout);
    m_distanceEdit->setFocus();
}

// The entry must be a number within the range; a bad one is reported with the focus back on it.
bool CCalibrateZoomDlg::readDistance() {
    const std::optional<double> entered = readWholeNumber(toCp1252(m_distanceEdit->text()));
    std::optional<Message> failure;
    if (!entered)
        failure = Message{"Please enter a number.", "", MessageIcon::Exclamation};
    else if (*entered < kMinCalibrationMm || *entered > kMaxCalibrationMm)
        failure = numberRangeMessage(kMinCalibrationMm, kMaxCalibrationMm);
    if (failure) {
        m_prompt.show(*failure);
        m_distanceEdit->setFocus();
        m_distanceEdit->selectAll();
        return false;
    }
    m_measured = *entered;
    return true;
}

void CCalibrateZoomDlg::accept() {
    if (readDistance())
        QDialog::accept();
}

// Cancel checks the entry as OK does and tells the user about a bad one, but closes in any case
// and applies nothing.
void CCalibrateZoomDlg::reject() {
    const double kept = m_measured;
    readDistance();
    m_measured = kept;
    QDialog::reject();
}

CAdjustIntensityDlg::CAdjustIntensityDlg(UserPrompt& prompt, double saturationPercent,
                                         const std::string& minimumText, QWidget* parent)
    : StepEditDialog(parent), m_prompt(prompt), m_saturation(saturationPercent) {
    setWindowTitle("Adjust Intensity");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);

    m_saturationEdit = new CStepEdit(this);
    grid->addWidget(buddyLabel("&Saturation level (with respect\nto the strongest spot)",
                               m_saturationEdit->lineEdit(), this),
                    0, 0);
    grid->addWidget(m_saturationEdit, 0, 1);
    m_fullButton = new QPushButton("&100%", this);
    m_fullButton->setAutoDefault(false);
    grid->addWidget(m_fullButton, 0, 2);
    grid->addWidget(new QLabel("0.001 % - 10000 %", this), 1, 1);
    grid->addWidget(new QLabel("Decrease the value to increase\nthe intensity of each spot.", this),
                    2, 0, 1, 3);

    m_minimumBox = new QComboBox(this);
    m_minimumBox->setEditable(true);
    m_minimumBox->setInsertPolicy(QComboBox::NoInsert);
    // Typed text stays as typed: no completion from the list.
    m_minimumBox->setCompleter(nullptr);
    m_minimumBox->addItems({"10000", "1000", "100", "10", "1", "0.1", "0.01", "0.001", "0.0001"});
    m_minimumBox->setEditText(fromCp1252(minimumText));
    grid->addWidget(
        buddyLabel(" &Minimum intensity (below\n which spots are discarded)", m_minimumBox, this),
        3, 0);
    grid->addWidget(m_minimumBox, 3, 1);
    grid->addWidget(new QLabel("The smaller the value, the\n more spots will appear.", this), 4, 0,
                    1, 3);

    QDialogButtonBox* buttons = addOkCancel(*this, *layout);
    buttons->addButton(QDialogButtonBox::Help);
    connect(buttons, &QDialogButtonBox::helpRequested, this, &CAdjustIntensityDlg::helpRequested);
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, &CAdjustIntensityDlg::helpRequested);

    connect(m_fullButton, &QPushButton::clicked, this, [this] {
        m_saturation = 100.0;
        m_saturationEdit->Refresh();
    });
    m_saturationEdit->Attach(&m_saturation, kMinSaturationPercent, kMaxSaturationPercent,
                             kSaturationStepPercent, false, " %");
}

void CAdjustIntensityDlg::refuse(const Message& message) {
    m_prompt.show(message);
    m_minimumBox->setFocus();
    m_minimumBox->lineEdit()->selectAll();
}

void CAdjustIntensityDlg::accept() {
    commitStepEdits();
    const QString text = m_minimumBox->currentText();
    if (text.size() > kMinimumIntensityMaxChars) {
        refuse(
            {"Please enter no more than " + formatInt(kMinimumIntensityMaxChars) + " characters.",
             "", MessageIcon::Exclamation});
        return;
    }
    // Read as atof reads: text without a number is 0 and is refused with the range.
    const double minimum = readReal(toCp1252(text));
    if (!(minimum >= kMinMinimumIntensity && minimum <= kMaxMinimumIntensity)) {
        refuse({"Please enter a number between 1e-8 and 10000", "", MessageIcon::None,
                MessageButtons::Ok});
        return;
    }
    m_minimum = minimum;
    QDialog::accept();
}

CEquationDlg::CEquationDlg(QWidget* parent) : ClickToCloseDialog(parent) {
    setWindowTitle("Intensity Calculation Equation");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new EquationPicture(this));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CEquationDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    ClickToCloseDialog::keyPressEvent(event);
}

std::optional<RotationAngles> QtDocumentDialogs::rotateCrystal(QWidget* parent,
                                                               RotationAngles start) {
    CRotateCrystalDlg dialog(start, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.angles();
}

std::optional<double> QtDocumentDialogs::imagingDistance(QWidget* parent, double centimetres) {
    CImagingDistanceDlg dialog(centimetres, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.distance();
}

std::optional<IntensityAdjustment>
QtDocumentDialogs::adjustIntensity(QWidget* parent, double saturationPercent,
                                   const std::string& minimumText) {
    CAdjustIntensityDlg dialog(m_prompt, saturationPercent, minimumText, parent);
    HelpViewer help(m_prompt, QCoreApplication::applicationDirPath());
    QObject::connect(&dialog, &CAdjustIntensityDlg::helpRequested, &dialog,
                     [&help, &dialog] { help.showOver(&dialog); });
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.adjustment();
}

std::optional<FilmSizeCm> QtDocumentDialogs::patternSize(QWidget* parent, FilmSizeCm start) {
    CPatternSizeDlg dialog(start, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.size();
}

std::optional<double> QtDocumentDialogs::calibrateZoom(QWidget* parent, double measuredMm) {
    CCalibrateZoomDlg dialog(m_prompt, measuredMm, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.measuredDistance();
}

void QtDocumentDialogs::intensityEquation(QWidget* parent) {
    CEquationDlg dialog(parent);
    dialog.exec();
}

} // namespace xtalsp::gui
