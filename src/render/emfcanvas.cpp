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
    EmrSelectObject = 37,
    EmrCreatePen = 38,
    EmrCreateBrushIndirect = 39,
    EmrDeleteObject = 40,
    EmrRectangle = 43,
    EmrExtCreateFontIndirectW = 82,
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
