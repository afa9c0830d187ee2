// CUnitCellPicture: the unit cell beside the lattice fields, a parallelepiped with its edges a,
// b, c and the angles alpha (between b and c), beta (c and a) and gamma (a and b), drawn as
// vector art so it stays crisp at any screen scale.
#pragma once

#include <QWidget>

namespace xtalsp::gui {

class CUnitCellPicture : public QWidget {
    Q_OBJECT
public:
    explicit CUnitCellPicture(QWidget* parent = nullptr);

    QSize sizeHint() const override { return {180, 150}; }
    QSize minimumSizeHint() const override { return {120, 100}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace xtalsp::gui
