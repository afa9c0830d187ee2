// A picture file on disk that a pattern picture is drawn into: an enhanced metafile, or an
// SVG, PDF or PNG image. The canvas works in the picture's units (0.01 mm, y up, origin at
// the top-left corner of the frame).
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
    // Completes the file on disk with what was drawn so far; false when it could not be
    // written. Called once; a picture that is destroyed unfinished is finished then.
    virtual bool finish() = 0;
};

// How pictures of one kind are made: the file is created (or emptied) when it is opened, so
// that a bad path is known before anything is drawn.
struct PictureFormat {
    // Shown when the file cannot be created or written.
    std::string creationFailure;
    std::function<std::unique_ptr<PictureFile>(const std::string& path, const PictureExtent& frame)>
        open;
};

// The image formats beside the enhanced metafile: vector pictures for LaTeX and the web, and a
// raster image.
enum class ImageKind { Svg, Pdf, Png };

inline constexpr double kDefaultPictureDpi = 300.0;
// The range of raster resolutions: a 20 x 15 cm film at 1200 dpi is a 4818 x 3638 image.
inline constexpr double kMinPictureDpi = 10.0, kMaxPictureDpi = 1200.0;

// The image kind a file name asks for by its extension (".svg", ".pdf", ".png" in any letter
// case); nothing for metafiles and every other name.
std::optional<ImageKind> imageKindOfPath(const std::string& path);

} // namespace xtalsp
