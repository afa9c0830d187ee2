// The enhanced metafile canvas: EMF records written byte by byte (little-endian, every record a
// multiple of four bytes), and the picture file that puts them on disk.
#include "render/emfcanvas.h"

#include "core/text/cp1252.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace xtalsp {

namespace {

// Record types of the enhanced metafile format.
enum RecordType : std::uint32_t {
    EmrHeader = 1,
    EmrPolyline = 4,
    EmrSetWindowExtEx = 9,
    EmrSetViewportExtEx = 11,
    EmrEof = 14,
    EmrSetMapMode = 17,
    EmrSetBkMode = 18,
    EmrSetTextAlign = 22,
    EmrSetTextColor = 24,
    EmrSetBkColor = 25,
    EmrIntersectClipRect = 30,
    EmrSaveDc = 33,
    EmrRestoreDc = 34,
    EmrSelectObject = 37,
    EmrCreatePen = 38,
    EmrCreateBrushIndirect = 39,
    EmrDeleteObject = 40,
    EmrRectangle = 43,
    EmrExtCreateFontIndirectW = 82,
    EmrStretchDiBits = 81,
    EmrExtTextOutW = 84,
    EmrPolyline16 = 87,
};

constexpr std::uint32_t kEmfSignature = 0x464D4520; // " EMF"
constexpr std::uint32_t kEmfVersion = 0x00010000;
constexpr std::uint32_t kHeaderSize = 108; // with both header extensions, no description
constexpr std::uint32_t kEofSize = 20;

// Stock objects are selected by these indexes; they are never created or deleted.
constexpr std::uint32_t kWhiteBrush = 0x80000000;
constexpr std::uint32_t kBlackPen = 0x80000007;
constexpr std::uint32_t kNullPen = 0x80000008;
constexpr std::uint32_t kAnsiVarFont = 0x8000000C; // the standard variable-pitch font

constexpr std::uint32_t kMapAnisotropic = 8;
constexpr std::uint32_t kTransparentBackground = 1;
constexpr std::uint32_t kTextAlignTopLeft = 0;      // TA_TOP | TA_LEFT | TA_NOUPDATECP
constexpr std::uint32_t kTextAlignBottomLeft = 8;   // TA_BOTTOM | TA_LEFT
constexpr std::uint32_t kTextAlignBottomRight = 10; // TA_BOTTOM | TA_RIGHT
constexpr std::uint32_t kEtoClipped = 4;
constexpr std::uint32_t kGraphicsModeCompatible = 1;
constexpr std::uint32_t kPenSolid = 0;
constexpr std::uint32_t kBrushSolid = 0;

// An 8-bit device-independent bitmap with a grey palette, copied as it is.
constexpr std::uint32_t kStretchDiBitsFixedSize = 80; // up to and including cyDest
constexpr std::uint32_t kBitmapInfoHeaderSize = 40;
constexpr std::uint32_t kPaletteEntries = 256;
constexpr std::uint32_t kBitmapInfoSize = kBitmapInfoHeaderSize + 4 * kPaletteEntries;
constexpr std::uint32_t kDibRgbColours = 0;
constexpr std::uint32_t kSourceCopy = 0x00CC0020; // SRCCOPY
constexpr std::uint32_t kBiRgb = 0;
constexpr std::int32_t kMostRecentSavedDc = -1;

constexpr std::uint8_t kAnsiCharset = 0;
constexpr std::uint8_t kVariablePitchRoman = 0x02 | 0x10; // VARIABLE_PITCH | FF_ROMAN
constexpr std::size_t kFaceNameUnits = 32;                // LOGFONTW face, terminator included

// The reference device is a display of 1024 x 768 pixels on 320 x 240 mm (3.2 pixels per mm).
// The drawing is in 0.01 mm, y up; it is mapped onto that display with MM_ANISOTROPIC, window
// extents of 0.01 mm and viewport extents of pixels (y negative, so y grows upwards), which is
// exactly what MM_HIMETRIC means on that device. MM_HIMETRIC itself is not used: Inkscape takes
// its logical units for device pixels and draws such a picture 31.25 times too large, while it
// honours explicit window and viewport extents. LibreOffice reads both alike. A display as the
// reference device also keeps the stock font and one-pixel pens at screen size when Windows
// plays the picture back. The physical size comes from the frame alone (0.01 mm).
constexpr int kDevicePixelsX = 1024, kDevicePixelsY = 768;
constexpr int kDeviceMillimetresX = 320, kDeviceMillimetresY = 240;
constexpr double kPixelsPerUnitX = kDevicePixelsX / (kDeviceMillimetresX * 100.0);
constexpr double kPixelsPerUnitY = kDevicePixelsY / (kDeviceMillimetresY * 100.0);

// A width-0 pen is one device pixel wide: on a printer a fine line, but Inkscape draws it almost
// invisibly and its width in a picture depends on the reference device. 0.1 mm is a visible
// hairline on screen and paper in every program and stays well below the 0.3 mm crossline.
constexpr int kHairlineWidth = 10;

// Text extents without font metrics: the digits of proportional serif and sans-serif faces are
// half an em wide, and their line cell (ascent plus descent) is about 1.1 em. The standard font
// has no size of its own in 0.01 mm; on the reference display its characters are about 11 pixels
// high, 3.4 mm.
constexpr double kCharacterWidthPerEm = 0.5;
constexpr double kCellHeightPerEm = 1.1;
constexpr int kStandardCharacterHeight = 340;
constexpr int kMaxFontHeight = 1'000'000; // 10 m: anything larger is not a font

std::uint32_t colourRef(Rgb colour) {
    return std::uint32_t{colour.red} | (std::uint32_t{colour.green} << 8) |
           (std::uint32_t{colour.blue} << 16);
}

// A little-endian byte sink for one record's fields.
class FieldWriter {
public:
    void u8(std::uint8_t value) { m_bytes += static_cast<char>(value); }
    void u16(std::uint16_t value) {
        u8(static_cast<std::uint8_t>(value & 0xFF));
        u8(static_cast<std::uint8_t>(value >> 8));
    }
    void u32(std::uint32_t value) {
        u16(static_cast<std::uint16_t>(value & 0xFFFF));
        u16(static_cast<std::uint16_t>(value >> 16));
    }
    void i32(std::int32_t value) { u32(static_cast<std::uint32_t>(value)); }
    void i16(std::int16_t value) { u16(static_cast<std::uint16_t>(value)); }
    void f32(float value) { u32(std::bit_cast<std::uint32_t>(value)); }
    void rect(int left, int top, int right, int bottom) {
        i32(left);
        i32(top);
        i32(right);
        i32(bottom);
    }
    void raw(std::string_view bytes) { m_bytes += bytes; }
    void padToFour() {
        while (m_bytes.size() % 4 != 0)
            u8(0);
    }
    std::size_t size() const { return m_bytes.size(); }
    const std::string& bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

// A box in drawing units (y up) that grows to hold what is drawn; empty until something is.
struct DrawnBox {
    bool empty = true;
    double left = 0, bottom = 0, right = 0, top = 0;

    void add(double x0, double y0, double x1, double y1) {
        const double l = std::min(x0, x1), r = std::max(x0, x1);
        const double b = std::min(y0, y1), t = std::max(y0, y1);
        if (empty) {
            left = l, right = r, bottom = b, top = t;
            empty = false;
            return;
        }
        left = std::min(left, l), right = std::max(right, r);
        bottom = std::min(bottom, b), top = std::max(top, t);
    }
};

int clampedInt(double value) {
    if (!(value > INT_MIN))
        return INT_MIN;
    if (!(value < INT_MAX))
        return INT_MAX;
    return static_cast<int>(value);
}

// The reference-device pixels (y down, both edges inclusive) that a box of drawing units touches.
void writeDeviceBounds(FieldWriter& out, const DrawnBox& box) {
    if (box.empty) {
        out.rect(0, 0, -1, -1);
        return;
    }
    const double left = std::floor(box.left * kPixelsPerUnitX);
    const double top = std::floor(-box.top * kPixelsPerUnitY);
    const double right = std::max(left, std::ceil(box.right * kPixelsPerUnitX) - 1);
    const double bottom = std::max(top, std::ceil(-box.bottom * kPixelsPerUnitY) - 1);
    out.rect(clampedInt(left), clampedInt(top), clampedInt(right), clampedInt(bottom));
}

bool fitsInt16(const CanvasPoint& point) {
    constexpr int lo = std::numeric_limits<std::int16_t>::min();
    constexpr int hi = std::numeric_limits<std::int16_t>::max();
    return point.x >= lo && point.x <= hi && point.y >= lo && point.y <= hi;
}

// The face name as LOGFONTW holds it, or nothing when it does not fit (31 characters and the
// terminator) or would be cut short by an embedded NUL.
std::optional<std::u16string> logFontFaceName(std::string_view faceName) {
    std::u16string face = cp1252ToUtf16(faceName);
    if (face.size() >= kFaceNameUnits || face.find(u'\0') != std::u16string::npos)
        return std::nullopt;
    return face;
}

// The whole raster pixels that show inside a clip rectangle, and the part of the target they
// cover. Players differ in how exactly they clip a bitmap, and a detector image is large: only
// the pixels on the film go into the metafile.
struct RasterCrop {
    int firstColumn = 0, endColumn = 0, firstRow = 0, endRow = 0;
    CanvasRect target;

    int width() const { return endColumn - firstColumn; }
    int height() const { return endRow - firstRow; }
};

std::optional<RasterCrop> cropToClip(const CanvasRect& target, const GreyRaster& raster,
                                     const CanvasRect& clip) {
    if (target.right <= target.left || target.top <= target.bottom)
        return std::nullopt;
    const double left = target.left, top = target.top;
    const double pixelWidth = (static_cast<double>(target.right) - left) / raster.width;
    const double pixelHeight = (top - target.bottom) / raster.height;
    const double clipLeft = std::min(clip.left, clip.right);
    const double clipRight = std::max(clip.left, clip.right);
    const double clipTop = std::max(clip.top, clip.bottom);
    const double clipBottom = std::min(clip.top, clip.bottom);
    const auto index = [](double value, int count) {
        return static_cast<int>(std::clamp(value, 0.0, static_cast<double>(count)));
    };
    RasterCrop crop;
    crop.firstColumn = index(std::floor((clipLeft - left) / pixelWidth), raster.width);
    crop.endColumn = index(std::ceil((clipRight - left) / pixelWidth), raster.width);
    crop.firstRow = index(std::floor((top - clipTop) / pixelHeight), raster.height);
    crop.endRow = index(std::ceil((top - clipBottom) / pixelHeight), raster.height);
    if (crop.width() <= 0 || crop.height() <= 0)
        return std::nullopt;
    crop.target = {clampedInt(std::round(left + crop.firstColumn * pixelWidth)),
                   clampedInt(std::round(top - crop.firstRow * pixelHeight)),
                   clampedInt(std::round(left + crop.endColumn * pixelWidth)),
                   clampedInt(std::round(top - crop.endRow * pixelHeight))};
    return crop;
}

// BITMAPINFO of an uncompressed 8-bit bitmap stored bottom row first, with a palette of the 256
// grey levels, so that a pixel's byte is its grey level.
void writeGreyBitmapInfo(FieldWriter& out, int width, int height, std::uint32_t imageBytes) {
    out.u32(kBitmapInfoHeaderSize);
    out.i32(width);
    out.i32(height); // positive: bottom-up rows
    out.u16(1);      // planes
    out.u16(8);      // bits per pixel
    out.u32(kBiRgb);
    out.u32(imageBytes);
    out.i32(0); // no resolution of its own: the destination rectangle gives the size
    out.i32(0);
    out.u32(kPaletteEntries);
    out.u32(0); // every colour is important
    for (std::uint32_t level = 0; level < kPaletteEntries; ++level) {
        const auto grey = static_cast<std::uint8_t>(level);
        out.u8(grey); // blue, green, red, reserved
        out.u8(grey);
        out.u8(grey);
        out.u8(0);
    }
}

// The cropped rows, bottom row first, each padded to four bytes.
std::string bottomUpRows(const GreyRaster& raster, const RasterCrop& crop, std::size_t stride) {
    std::string bits(stride * static_cast<std::size_t>(crop.height()), '\0');
    const auto width = static_cast<std::size_t>(raster.width);
    for (int row = crop.firstRow; row < crop.endRow; ++row) {
        const std::size_t from = static_cast<std::size_t>(row) * width + crop.firstColumn;
        const std::size_t to = static_cast<std::size_t>(crop.endRow - 1 - row) * stride;
        std::copy_n(raster.pixels.begin() + static_cast<std::ptrdiff_t>(from), crop.width(),
                    bits.begin() + static_cast<std::ptrdiff_t>(to));
    }
    return bits;
}

} // namespace

struct EmfCanvas::Records {
    PictureExtent frame;
    std::string body; // the records between the header and EOF
    std::uint32_t count = 0;
    std::vector<bool> handleInUse{true}; // index 0 is the metafile itself

    std::uint32_t fontHandle = 0; // 0: a stock font is selected
    int characterHeight = kStandardCharacterHeight;
    bool textColoursSet = false;
    // Written before the first text even where it is the players' default.
    std::optional<std::uint32_t> textAlign;

    void append(RecordType type, const FieldWriter& fields) {
        FieldWriter record;
        record.u32(type);
        record.u32(static_cast<std::uint32_t>(8 + fields.size()));
        body += record.bytes();
        body += fields.bytes();
        ++count;
    }
    void appendValue(RecordType type, std::uint32_t value) {
        FieldWriter fields;
        fields.u32(value);
        append(type, fields);
    }
    void appendSize(RecordType type, int cx, int cy) {
        FieldWriter fields;
        fields.i32(cx);
        fields.i32(cy);
        append(type, fields);
    }

    // Objects take the lowest free slot of the handle table, so deleted slots are reused.
    std::uint32_t allocateHandle() {
        const auto freeSlot = std::find(handleInUse.begin(), handleInUse.end(), false);
        const auto index = static_cast<std::size_t>(freeSlot - handleInUse.begin());
        if (freeSlot == handleInUse.end())
            handleInUse.push_back(true);
        else
            *freeSlot = true;
        return static_cast<std::uint32_t>(index);
    }
    void deleteObject(std::uint32_t handle) {
        appendValue(EmrDeleteObject, handle);
        handleInUse[handle] = false;
    }

    void writeMapping() {
        appendValue(EmrSetMapMode, kMapAnisotropic);
        appendSize(EmrSetWindowExtEx, kDeviceMillimetresX * 100, kDeviceMillimetresY * 100);
        appendSize(EmrSetViewportExtEx, kDevicePixelsX, -kDevicePixelsY);
    }

    void replaceFont(std::uint32_t selected) {
        appendValue(EmrSelectObject, selected);
        if (fontHandle != 0)
            deleteObject(fontHandle);
        fontHandle = (selected & 0x80000000u) != 0 ? 0 : selected;
    }

    void prepareText(std::uint32_t align) {
        if (!textColoursSet) {
            appendValue(EmrSetBkMode, kTransparentBackground);
            appendValue(EmrSetBkColor, colourRef(kWhite));
            appendValue(EmrSetTextColor, colourRef(kBlack));
            textColoursSet = true;
        }
        if (align != textAlign) {
            appendValue(EmrSetTextAlign, align);
            textAlign = align;
        }
    }

    TextExtent estimatedExtent(std::size_t characters) const {
        const double height = std::abs(static_cast<double>(characterHeight));
        return {
            clampedInt(std::round(kCharacterWidthPerEm * height * static_cast<double>(characters))),
            clampedInt(std::round(kCellHeightPerEm * height))};
    }

    // EXTTEXTOUTW without a spacing array: the player spaces the characters from the font.
    void textOut(CanvasPoint reference, std::u16string_view text, std::uint32_t options,
                 const CanvasRect& rcl, const DrawnBox& covered) {
        constexpr std::uint32_t stringOffset = 76; // record header, bounds, modes, EMRTEXT
        FieldWriter fields;
        writeDeviceBounds(fields, covered);
        fields.u32(kGraphicsModeCompatible);
        // 0.01 mm per reference-device pixel.
        fields.f32(static_cast<float>(1.0 / kPixelsPerUnitX));
        fields.f32(static_cast<float>(1.0 / kPixelsPerUnitY));
        fields.i32(reference.x);
        fields.i32(reference.y);
        fields.u32(static_cast<std::uint32_t>(text.size()));
        fields.u32(stringOffset);
        fields.u32(options);
        fields.rect(rcl.left, rcl.top, rcl.right, rcl.bottom);
        fields.u32(0); // no spacing array
        for (const char16_t unit : text)
            fields.u16(unit);
        fields.padToFour();
        append(EmrExtTextOutW, fields);
    }
};

EmfCanvas::EmfCanvas(const PictureExtent& frame) : m_records(std::make_unique<Records>()) {
    m_records->frame = frame;
    m_records->writeMapping();
}

EmfCanvas::~EmfCanvas() = default;

// A rectangle with a solid brush and no pen: the fill alone, which both renderers draw (an
// ETO_OPAQUE text fill is lost by some of them).
void EmfCanvas::fillRect(const CanvasRect& rect, Rgb colour) {
    Records& r = *m_records;
    const std::uint32_t brush = r.allocateHandle();
    FieldWriter create;
    create.u32(brush);
    create.u32(kBrushSolid);
    create.u32(colourRef(colour));
    create.u32(0); // hatch, unused by a solid brush
    r.append(EmrCreateBrushIndirect, create);
    r.appendValue(EmrSelectObject, brush);
    r.appendValue(EmrSelectObject, kNullPen);
    FieldWriter box;
    box.rect(rect.left, rect.top, rect.right, rect.bottom);
    r.append(EmrRectangle, box);
    r.appendValue(EmrSelectObject, kWhiteBrush);
    r.appendValue(EmrSelectObject, kBlackPen);
    r.deleteObject(brush);
}

void EmfCanvas::polyline(const std::vector<CanvasPoint>& points, int penWidth, Rgb colour) {
    if (points.size() < 2)
        return; // a polyline needs two points; players refuse or ignore fewer
    Records& r = *m_records;
    const int width = penWidth > 0 ? penWidth : kHairlineWidth;
    const std::uint32_t pen = r.allocateHandle();
    FieldWriter create;
    create.u32(pen);
    create.u32(kPenSolid);
    create.i32(width);
    create.i32(0); // the y of the width is unused
    create.u32(colourRef(colour));
    r.append(EmrCreatePen, create);
    r.appendValue(EmrSelectObject, pen);

    DrawnBox covered;
    for (const CanvasPoint& p : points)
        covered.add(p.x - width / 2.0, p.y - width / 2.0, p.x + width / 2.0, p.y + width / 2.0);
    const bool shortPoints = std::all_of(points.begin(), points.end(), fitsInt16);
    FieldWriter line;
    writeDeviceBounds(line, covered);
    line.u32(static_cast<std::uint32_t>(points.size()));
    for (const CanvasPoint& p : points) {
        if (shortPoints) {
            line.i16(static_cast<std::int16_t>(p.x));
            line.i16(static_cast<std::int16_t>(p.y));
        } else {
            line.i32(p.x);
            line.i32(p.y);
        }
    }
    line.padToFour();
    r.append(shortPoints ? EmrPolyline16 : EmrPolyline, line);
    r.appendValue(EmrSelectObject, kBlackPen);
    r.deleteObject(pen);
}

bool EmfCanvas::selectFont(const FontSpec& font) {
    Records& r = *m_records;
    const std::optional<std::u16string> face = logFontFaceName(font.faceName);
    const bool makeable =
        face && !face->empty() && font.height >= -kMaxFontHeight && font.height <= kMaxFontHeight;
    if (!makeable) {
        r.replaceFont(kAnsiVarFont);
        r.characterHeight = kStandardCharacterHeight;
        // An empty face name asks for this very font.
        return font.faceName.empty();
    }

    const std::uint32_t handle = r.allocateHandle();
    FieldWriter create;
    create.u32(handle);
    // LOGFONTW; a negative height asks for the character height rather than the cell height.
    create.i32(-font.height);
    create.i32(0); // width: the face's own proportions
    create.i32(0); // escapement
    create.i32(0); // orientation
    create.i32(font.weight);
    create.u8(0); // italic
    create.u8(0); // underline
    create.u8(0); // strike-out
    create.u8(kAnsiCharset);
    create.u8(0); // default output precision
    create.u8(0); // default clipping precision
    create.u8(0); // default quality
    create.u8(kVariablePitchRoman);
    for (std::size_t i = 0; i < kFaceNameUnits; ++i)
        create.u16(i < face->size() ? (*face)[i] : 0);
    r.append(EmrExtCreateFontIndirectW, create);
    r.replaceFont(handle);
    r.characterHeight = font.height != 0 ? font.height : kStandardCharacterHeight;
    return true;
}

void EmfCanvas::drawText(CanvasPoint topLeft, std::string_view text) {
    if (text.empty())
        return; // some players draw a stray glyph for an empty text
    Records& r = *m_records;
    const std::u16string units = cp1252ToUtf16(text);
    const TextExtent extent = r.estimatedExtent(units.size());
    const CanvasRect box{topLeft.x, topLeft.y,
                         clampedInt(static_cast<double>(topLeft.x) + extent.width),
                         clampedInt(static_cast<double>(topLeft.y) - extent.height)};
    DrawnBox covered;
    covered.add(box.left, box.top, box.right, box.bottom);
    r.prepareText(kTextAlignTopLeft);
    r.textOut(topLeft, units, 0, box, covered);
}

void EmfCanvas::drawTextInBox(const CanvasRect& box, std::string_view text,
                              TextAlignment alignment) {
    if (text.empty())
        return;
    Records& r = *m_records;
    const bool right = alignment == TextAlignment::Right;
    DrawnBox covered;
    covered.add(box.left, box.top, box.right, box.bottom);
    r.prepareText(right ? kTextAlignBottomRight : kTextAlignBottomLeft);
    r.textOut({right ? box.right : box.left, box.bottom}, cp1252ToUtf16(text), kEtoClipped, box,
              covered);
}

TextExtent EmfCanvas::textExtent(std::string_view text) {
    return m_records->estimatedExtent(cp1252ToUtf16(text).size());
}

// STRETCHDIBITS of the pixels on the film, inside an intersecting clip so that the edge pixels
// end exactly at the film's edges. SaveDC and RestoreDC keep the clip to this one record. The
// destination height is negative in the y-up units, so it runs downwards on the device like the
// bitmap's rows and the picture is not mirrored.
void EmfCanvas::drawGreyRaster(const CanvasRect& target, const GreyRaster& raster,
                               const CanvasRect& clip) {
    if (raster.width <= 0 || raster.height <= 0 ||
        raster.pixels.size() != static_cast<std::size_t>(raster.width) * raster.height)
        return;
    const std::optional<RasterCrop> crop = cropToClip(target, raster, clip);
    if (!crop)
        return;
    Records& r = *m_records;
    const std::size_t stride = (static_cast<std::size_t>(crop->width()) + 3) / 4 * 4;
    const std::size_t bitsSize = stride * static_cast<std::size_t>(crop->height());
    const std::size_t recordSize = kStretchDiBitsFixedSize + kBitmapInfoSize + bitsSize;
    // The file's size must still fit the header's 32-bit count.
    constexpr std::size_t kLargestFile = std::numeric_limits<std::uint32_t>::max();
    if (recordSize > kLargestFile - kHeaderSize - kEofSize - 64 - r.body.size())
        return;

    r.append(EmrSaveDc, FieldWriter{});
    FieldWriter clipFields;
    clipFields.rect(clip.left, clip.top, clip.right, clip.bottom);
    r.append(EmrIntersectClipRect, clipFields);

    const CanvasRect& dest = crop->target;
    DrawnBox covered;
    covered.add(std::max(dest.left, std::min(clip.left, clip.right)),
                std::min(dest.top, std::max(clip.top, clip.bottom)),
                std::min(dest.right, std::max(clip.left, clip.right)),
                std::max(dest.bottom, std::min(clip.top, clip.bottom)));
    FieldWriter fields;
    writeDeviceBounds(fields, covered);
    fields.i32(dest.left);
    fields.i32(dest.top);
    fields.i32(0); // the whole bitmap
    fields.i32(0);
    fields.i32(crop->width());
    fields.i32(crop->height());
    fields.u32(kStretchDiBitsFixedSize);
    fields.u32(kBitmapInfoSize);
    fields.u32(kStretchDiBitsFixedSize + kBitmapInfoSize);
    fields.u32(static_cast<std::uint32_t>(bitsSize));
    fields.u32(kDibRgbColours);
    fields.u32(kSourceCopy);
    fields.i32(dest.right - dest.left);
    fields.i32(dest.bottom - dest.top);
    writeGreyBitmapInfo(fields, crop->width(), crop->height(),
                        static_cast<std::uint32_t>(bitsSize));
    fields.raw(bottomUpRows(raster, *crop, stride));
    r.append(EmrStretchDiBits, fields);

    r.appendValue(EmrRestoreDc, static_cast<std::uint32_t>(kMostRecentSavedDc));
}

std::string EmfCanvas::bytes() const {
    const Records& r = *m_records;
    const std::uint32_t records = r.count + 2;
    const auto total = static_cast<std::uint32_t>(kHeaderSize + r.body.size() + kEofSize);

    FieldWriter header;
    header.u32(EmrHeader);
    header.u32(kHeaderSize);
    // The bounds are the frame's pixels rather than what was drawn: Inkscape places the
    // picture's origin at the bounds' top-left corner, so a label beyond the top edge, or a
    // picture without margins, would shift the whole drawing.
    DrawnBox frame;
    frame.add(0, 0, r.frame.width, -r.frame.height);
    writeDeviceBounds(header, frame);
    header.rect(0, 0, r.frame.width, r.frame.height); // 0.01 mm
    header.u32(kEmfSignature);
    header.u32(kEmfVersion);
    header.u32(total);
    header.u32(records);
    header.u16(static_cast<std::uint16_t>(r.handleInUse.size()));
    header.u16(0); // reserved
    header.u32(0); // no description
    header.u32(0); // its offset
    header.u32(0); // no palette
    header.i32(kDevicePixelsX);
    header.i32(kDevicePixelsY);
    header.i32(kDeviceMillimetresX);
    header.i32(kDeviceMillimetresY);
    header.u32(0); // no pixel format
    header.u32(0);
    header.u32(0); // not OpenGL
    header.i32(kDeviceMillimetresX * 1000);
    header.i32(kDeviceMillimetresY * 1000);

    FieldWriter eof;
    eof.u32(EmrEof);
    eof.u32(kEofSize);
    eof.u32(0);  // no palette entries
    eof.u32(16); // where they would start
    eof.u32(kEofSize);

    std::string file = header.bytes();
    file.reserve(total);
    file += r.body;
    file += eof.bytes();
    return file;
}

namespace {

class MetafilePicture : public PictureFile {
public:
    explicit MetafilePicture(const PictureExtent& frame) : m_canvas(frame) {}

    Canvas& canvas() override { return m_canvas; }
    std::optional<std::string> finish() override { return m_canvas.bytes(); }

private:
    EmfCanvas m_canvas;
};

std::unique_ptr<PictureFile> openMetafile(const PictureExtent& frame) {
    return std::make_unique<MetafilePicture>(frame);
}

} // namespace

PictureFormat metafileFormat() {
    return PictureFormat{"Failed to create the metafile!", openMetafile};
}

} // namespace xtalsp
