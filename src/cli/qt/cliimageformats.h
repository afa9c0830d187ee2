// Gives the command-line tool its SVG, PDF and PNG pictures.
#pragma once

namespace xtalsp::cli {

// Installs the image formats, and the reader of PNG and JPEG images beside TIFF and CBF. Qt starts
// on its offscreen platform the first time an image is opened, so the tool never needs a display.
void installQtImageFormats();

} // namespace xtalsp::cli
