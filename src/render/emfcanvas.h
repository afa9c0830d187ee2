// The enhanced metafile (EMF) picture: records written by hand in 0.01 mm units, y up, so
// that word processors, presentation programs, LibreOffice and Inkscape place the picture at
// its true physical size.
#pragma once

#include "render/canvas.h"
#include "render/patterndrawing.h"
#include "render/picturefile.h"

#include <cstdint>
#include <memory>
#include <string>

namespace xtalsp {

class EmfCanvas : public Canvas {
public:
    // frame: the picture's width and height (Wm, Hm) in 0.01 mm; the header declares the
    // frame (0, 0, Wm, Hm).
    explicit EmfCanvas(const PictureExtent& frame);
    ~EmfCanvas() override;
    EmfCanvas(const EmfCanvas&) = delete;
    EmfCanvas& operator=(const EmfCanvas&) = delete;

    bool isDisplay() const override { return false; }
    void fillRect(const CanvasRect& rect, Rgb colour) override;
    void polyline(const std::vector<CanvasPoint>& points, int penWidth, Rgb colour) override;
    bool selectFont(const FontSpec& font) override;
    void drawText(CanvasPoint topLeft, std::string_view text) override;
    void drawTextInBox(const CanvasRect& box, std::string_view text,
                       TextAlignment alignment) override;
    TextExtent textExtent(std::string_view text) override;
    void drawGreyRaster(const CanvasRect& target, const GreyRaster& raster,
                        const CanvasRect& clip) override;

    // The complete metafile: header (with the final record count and size), the records
    // drawn so far and the end-of-file record. Drawing may go on afterwards.
    std::string bytes() const;

private:
    struct Records;
    std::unique_ptr<Records> m_records;
};

// Enhanced metafiles, whatever the file's extension (".wmf" by the program's habit).
PictureFormat metafileFormat();

} // namespace xtalsp
