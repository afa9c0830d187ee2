// A picture file drawn in memory: an enhanced metafile, or an SVG, PDF or PNG image. The
// canvas works in the picture's units (0.01 mm, y up, origin at the top-left corner of the
// frame). Nothing touches the disk until the finished bytes are written by the caller, so an
// output that is not completed never replaces the file that was there.
#pragma once

#include "render/canvas.h"
#include "render/patterndrawing.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace xtalsp {

class PictureFile {
public:
    virtual ~PictureFile() = default;
    virtual Canvas& canvas() = 0;
    // Ends the drawing and gives the complete file's bytes; nothing when the picture could not
    // be made. Called once.
    virtual std::optional<std::string> finish() = 0;
};

// How pictures of one kind are made.
struct PictureFormat {
    // Shown when the picture cannot be made or its file cannot be written.
    std::string creationFailure;
    // Starts an empty picture of the frame's size; nothing when that is impossible.
    std::function<std::unique_ptr<PictureFile>(const PictureExtent& frame)> open;
};

// The image formats beside the enhanced metafile: vector pictures for LaTeX and the web, and a
// raster image.
enum class ImageKind { Svg, Pdf, Png };

inline constexpr double kDefaultPictureDpi = 300.0;
// The range of raster resolutions: a 20 x 15 cm film at 1200 dpi is a 4818 x 3638 image.
inline constexpr double kMinPictureDpi = 10.0, kMaxPictureDpi = 1200.0;

// The size of SVG, PDF and PNG pictures: 0.5 draws the film at half its size (the picture's own
// units), 1 at its true size, so that a printout can be laid over a film. Metafiles keep half
// size.
inline constexpr double kDefaultPictureScale = 0.5;
inline constexpr double kMinPictureScale = 0.1, kMaxPictureScale = 2.0;

// The image kind a file name asks for by its extension (".svg", ".pdf", ".png" in any letter
// case); nothing for metafiles and every other name.
std::optional<ImageKind> imageKindOfPath(const std::string& path);

} // namespace xtalsp
