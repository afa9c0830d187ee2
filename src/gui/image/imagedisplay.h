// Turning a detector image into screen pixels: halved copies for zoomed-out views, a lookup
// table for the contrast, and the rendering of one visible region.
#pragma once

#include "core/image/calibration.h"
#include "core/image/contrast.h"
#include "core/image/detectorimage.h"

#include <QImage>
#include <QPointF>
#include <QRect>

#include <array>
#include <cstdint>
#include <vector>

namespace xtalsp::gui {

// The image and copies of it halved again and again (each pixel the mean of four), so that a
// view showing many image pixels per screen pixel samples one value that stands for all of
// them instead of skipping most.
class ImagePyramid {
public:
    struct Level {
        int width = 0, height = 0;
        const float* pixels = nullptr;
    };

    // The image must outlive the pyramid; its own pixels are level 0.
    explicit ImagePyramid(const DetectorImage& image);

    int levelCount() const { return static_cast<int>(m_levels.size()); }
    Level level(int index) const { return m_levels[static_cast<std::size_t>(index)]; }

private:
    std::vector<std::vector<float>> m_halved;
    std::vector<Level> m_levels;
};

// The grey level of a pixel value through a table over the span between the black and the
// white level: fast enough for every screen pixel, within half a grey level of greyLevel().
class GreyMap {
public:
    explicit GreyMap(const ContrastSettings& settings);
    std::uint8_t operator()(float value) const;

private:
    static constexpr int kSteps = 65535;
    ContrastSettings m_settings;
    double m_perStep = 0.0; // table steps per unit of pixel value
    std::vector<std::uint8_t> m_table;
};

// Where the film lies on the device: the beam centre (the film's origin) and the device pixels
// per film millimetre, y growing downwards on the device.
struct FilmPlacement {
    QPointF origin;
    double pixelsPerMm = 1.0;
};

FilmPoint deviceToFilm(const FilmPlacement& placement, QPointF device);
QPointF filmToDevice(const FilmPlacement& placement, FilmPoint film);

// The region of the device (in the placement's coordinates) as the image shows it: each device
// pixel takes the value of the image pixel under its centre, from the halved copy whose pixels
// are about one device pixel wide. Device pixels off the image are transparent.
QImage renderImageRegion(const ImagePyramid& pyramid, const ImageCalibration& calibration,
                         const GreyMap& grey, const FilmPlacement& placement, QRect region);

// The picture of the visible part of an image at one scale, kept by a view so that it is
// redrawn only when the part, the scale or the image's look changes.
struct ImageRegionCache {
    QImage picture;
    QRect region;
    QPointF origin;
    double pixelsPerMm = 0.0;
    int revision = -1;
};

} // namespace xtalsp::gui
