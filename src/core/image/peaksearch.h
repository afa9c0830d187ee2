// Finding the measured spots in a detector image or scanned film.
#pragma once

#include "core/image/detectorimage.h"

#include <vector>

namespace xtalsp {

struct PeakSearchSettings {
    // A pixel belongs to a peak when it lies this many standard deviations of the background
    // noise above the local background.
    double thresholdSigma = 5.0;
    // The background and its noise are the median and the median absolute deviation over
    // square tiles of this many pixels, interpolated between tile centres. A tile should be a
    // few spot widths wide so that spots hardly move its median.
    int backgroundTile = 48;
    // Regions of fewer pixels are hot pixels or noise.
    int minimumPixels = 3;
    // Regions wider or taller than this are streaks (saturated lines, scratches, edges):
    // a spot must fit well inside the window its background comes from.
    int maximumExtent = 24;
};

// A peak in image pixels (column, row from the centre of the top-left pixel, rows downwards).
struct ImagePeak {
    double column = 0.0;
    double row = 0.0;
    double intensity = 0.0; // background-subtracted sum over the region
    int pixelCount = 0;
};

// Peaks ordered by decreasing intensity. Each is a connected region (8-neighbours) of pixels
// above the threshold; its position is the centroid of the background-subtracted values over
// the region and the ring of pixels around it, which also counts the spot's wings that lie
// below the threshold.
std::vector<ImagePeak> findPeaks(const DetectorImage& image, const PeakSearchSettings& settings);

} // namespace xtalsp
