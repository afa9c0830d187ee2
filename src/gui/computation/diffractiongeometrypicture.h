// The sketch of the diffraction geometry in the settings dialog: source, crystal and film at
// distance D, for transmission or back reflection.
#pragma once

#include <QWidget>

namespace xtalsp::gui {

class DiffractionGeometryPicture : public QWidget {
public:
    explicit DiffractionGeometryPicture(QWidget* parent = nullptr);

    // Transmission (0) puts the film behind the crystal; every other value is drawn as back
    // reflection, as the computation treats it.
    void setDiffractionGeometry(int geometry);
    int diffractionGeometry() const { return m_geometry; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_geometry = 0;
};

} // namespace xtalsp::gui
