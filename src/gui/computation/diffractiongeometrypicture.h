// The sketch of the diffraction geometry in the settings dialog: source, crystal and film at
// distance D, for transmission or back reflection.
#pragma once

#include <QWidget>

namespace xtalsp::gui {

// The geometry choices of the settings dialog, as ids of its buttons. Grazing incidence is
// offered but never selectable: the computation has no such geometry.
inline constexpr int kTransmissionButton = 0;
inline constexpr int kBackReflectionButton = 1;
inline constexpr int kGrazingButton = 2;

class DiffractionGeometryPicture : public QWidget {
public:
    explicit DiffractionGeometryPicture(QWidget* parent = nullptr);

    // Transmission puts the film behind the crystal; every other button id is drawn as back
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
