// The drawing surface every picture of a pattern is painted on: screen, printer, preview,
// metafile and image exports. Coordinates are integer drawing units, y growing upwards.
#pragma once

#include "core/image/filmraster.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xtalsp {

struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const Rgb&) const = default;
};

struct CanvasPoint {
    int x = 0, y = 0;
    bool operator==(const CanvasPoint&) const = default;
};

// left < right; top > bottom in the y-up system.
struct CanvasRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const CanvasRect&) const = default;
};

struct TextExtent {
    int width = 0, height = 0;
};

// A logical font as the pictures request it. An empty face name stands for the platform's
// standard variable-pitch interface font.
struct FontSpec {
    std::string faceName;
    int height = 0;   // character height in drawing units; 0: the standard font's own size
    int weight = 400; // 100 = thin ... 700 = bold
    bool operator==(const FontSpec&) const = default;
};

enum class TextAlignment { Left, Right };

class Canvas {
public:
    virtual ~Canvas() = default;

    // A screen (true) or a page or picture (false).
    virtual bool isDisplay() const = 0;
    // A solid fill of the rectangle, edges included as the platform fills them.
    virtual void fillRect(const CanvasRect& rect, Rgb colour) = 0;
    // A solid polyline; a width of 0 is the thinnest pen of the device (the default pen).
    virtual void polyline(const std::vector<CanvasPoint>& points, int penWidth, Rgb colour) = 0;
    // Selects a font for the text calls; false when it cannot be made, in which case the
    // standard font is selected instead.
    virtual bool selectFont(const FontSpec& font) = 0;
    // Text in the selected font, black, on a transparent background (the text is
    // Windows-1252); the point is the top-left corner of the text.
    virtual void drawText(CanvasPoint topLeft, std::string_view text) = 0;
    // Text on one line, aligned to the bottom of the box and to its left or right edge,
    // clipped to the box.
    virtual void drawTextInBox(const CanvasRect& box, std::string_view text,
                               TextAlignment alignment) = 0;
    // Width and height of the text in the selected font, in drawing units.
    virtual TextExtent textExtent(std::string_view text) = 0;
    // The raster stretched over the target (its first row along the target's top edge), only
    // inside the clip rectangle. A canvas that cannot show images leaves it out.
    virtual void drawGreyRaster(const CanvasRect& /*target*/, const GreyRaster& /*raster*/,
                                const CanvasRect& /*clip*/) {}
    // The opacity (0 to 1) of what is drawn from now on; a canvas without transparency draws
    // everything opaque.
    virtual void setOpacity(double /*opacity*/) {}
    // The part of a screen that can still change, in drawing units and with some room to spare:
    // a drawing may skip what lies wholly outside it. Nothing (the default) means everything
    // drawn may show, as on paper and in pictures.
    virtual std::optional<CanvasRect> visibleArea() const { return std::nullopt; }
};

} // namespace xtalsp
