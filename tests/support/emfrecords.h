// A reader of enhanced metafile bytes for tests: walks the records with bounds checks, decodes
// the header and the records a picture uses, and replays a picture into fills, lines and texts
// that can be compared with what a RecordingCanvas saw. Header-only, like the other support.
#pragma once

#include "render/canvas.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xtalsp::test::emf {

enum Type : std::uint32_t {
    Header = 1,
    Polyline = 4,
    SetWindowExtEx = 9,
    SetViewportExtEx = 11,
    Eof = 14,
    SetMapMode = 17,
    SetBkMode = 18,
    SetTextAlign = 22,
    SetTextColor = 24,
    SetBkColor = 25,
    IntersectClipRect = 30,
    SaveDc = 33,
    RestoreDc = 34,
    SelectObject = 37,
    CreatePen = 38,
    CreateBrushIndirect = 39,
    DeleteObject = 40,
    Rectangle = 43,
    ExtCreateFontIndirectW = 82,
    StretchDiBits = 81,
    ExtTextOutW = 84,
    Polyline16 = 87,
};

constexpr std::uint32_t kStockObject = 0x80000000;
constexpr std::uint32_t kNullPen = 0x80000008;
constexpr std::uint32_t kAnsiVarFont = 0x8000000C;
// The replay's text alignment before a SETTEXTALIGN record.
constexpr std::uint32_t kAlignNotSet = 0xFFFFFFFF;

// Little-endian fields of a byte string; reading past the end gives 0 and sets ok to false.
class Fields {
public:
    explicit Fields(std::string_view bytes) : m_bytes(bytes) {}

    std::uint32_t u32(std::size_t at) const { return static_cast<std::uint32_t>(uint(at, 4)); }
    std::int32_t i32(std::size_t at) const { return static_cast<std::int32_t>(u32(at)); }
    std::uint16_t u16(std::size_t at) const { return static_cast<std::uint16_t>(uint(at, 2)); }
    std::int16_t i16(std::size_t at) const { return static_cast<std::int16_t>(u16(at)); }
    std::uint8_t u8(std::size_t at) const { return static_cast<std::uint8_t>(uint(at, 1)); }
    CanvasRect rect(std::size_t at) const {
        return {i32(at), i32(at + 4), i32(at + 8), i32(at + 12)};
    }
    Rgb colour(std::size_t at) const { return {u8(at), u8(at + 1), u8(at + 2)}; }
    // count UTF-16 units from at.
    std::u16string utf16(std::size_t at, std::size_t count) const {
        std::u16string text;
        for (std::size_t i = 0; i < count && ok(); ++i)
            text += static_cast<char16_t>(u16(at + 2 * i));
        return text;
    }
    std::size_t size() const { return m_bytes.size(); }
    bool ok() const { return m_ok; }

private:
    std::uint64_t uint(std::size_t at, std::size_t width) const {
        if (at > m_bytes.size() || m_bytes.size() - at < width) {
            m_ok = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (std::size_t i = width; i-- > 0;)
            value = (value << 8) | static_cast<unsigned char>(m_bytes[at + i]);
        return value;
    }

    std::string_view m_bytes;
    mutable bool m_ok = true;
};

// One record: the whole record's bytes, offsets counted from its start as the format does.
struct Record {
    std::uint32_t type = 0;
    std::string_view bytes;
    Fields fields() const { return Fields(bytes); }
};

// The records of a file (views into the bytes, which must outlive them), or nothing when a size is
// not a multiple of four, is below the 8-byte record head, or runs past the end of the bytes.
inline std::optional<std::vector<Record>> splitRecords(std::string_view bytes) {
    std::vector<Record> records;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const Fields head(bytes.substr(at));
        const std::uint32_t type = head.u32(0), size = head.u32(4);
        if (!head.ok() || size < 8 || size % 4 != 0 || size > bytes.size() - at)
            return std::nullopt;
        records.push_back({type, bytes.substr(at, size)});
        at += size;
    }
    return records;
}

struct HeaderFields {
    CanvasRect bounds, frame;
    std::uint32_t signature = 0, version = 0, nBytes = 0, nRecords = 0;
    std::uint16_t nHandles = 0;
    std::uint32_t nDescription = 0, offDescription = 0;
    int deviceX = 0, deviceY = 0, millimetresX = 0, millimetresY = 0;
    std::uint32_t size = 0;
};

inline HeaderFields header(const Record& record) {
    const Fields f = record.fields();
    HeaderFields h;
    h.size = f.u32(4);
    h.bounds = f.rect(8);
    h.frame = f.rect(24);
    h.signature = f.u32(40);
    h.version = f.u32(44);
    h.nBytes = f.u32(48);
    h.nRecords = f.u32(52);
    h.nHandles = f.u16(56);
    h.nDescription = f.u32(60);
    h.offDescription = f.u32(64);
    h.deviceX = f.i32(72);
    h.deviceY = f.i32(76);
    h.millimetresX = f.i32(80);
    h.millimetresY = f.i32(84);
    return h;
}

struct Pen {
    int width = 0;
    Rgb colour;
    bool operator==(const Pen&) const = default;
};

struct Font {
    int height = 0;
    int weight = 0;
    std::uint8_t charset = 0, pitchAndFamily = 0;
    std::u16string face;
    bool operator==(const Font&) const = default;
};

struct Text {
    CanvasPoint reference;
    std::u16string text;
    std::uint32_t options = 0;
    CanvasRect rcl;
    std::uint32_t offDx = 0;
};

inline Pen createdPen(const Record& r) {
    const Fields f = r.fields();
    return {f.i32(16), f.colour(24)};
}
inline Rgb brushColour(const Record& r) {
    return r.fields().colour(16);
}
inline Font createdFont(const Record& r) {
    const Fields f = r.fields();
    Font font{f.i32(12), f.i32(28), f.u8(35), f.u8(39), {}};
    for (std::size_t i = 0; i < 32; ++i) {
        const char16_t unit = static_cast<char16_t>(f.u16(40 + 2 * i));
        if (unit == 0)
            break;
        font.face += unit;
    }
    return font;
}
inline std::vector<CanvasPoint> polylinePoints(const Record& r) {
    const Fields f = r.fields();
    const std::uint32_t count = f.u32(24);
    std::vector<CanvasPoint> points;
    for (std::uint32_t i = 0; i < count && f.ok(); ++i) {
        if (r.type == Polyline16)
            points.push_back({f.i16(28 + 4 * i), f.i16(30 + 4 * i)});
        else
            points.push_back({f.i32(28 + 8 * i), f.i32(32 + 8 * i)});
    }
    return points;
}
inline Text textOut(const Record& r) {
    const Fields f = r.fields();
    Text text;
    text.reference = {f.i32(36), f.i32(40)};
    const std::uint32_t count = f.u32(44);
    text.text = f.utf16(f.u32(48), count);
    text.options = f.u32(52);
    text.rcl = f.rect(56);
    text.offDx = f.u32(72);
    return text;
}

struct Fill {
    CanvasRect rect;
    Rgb colour;
    bool penless = false; // drawn with the NULL pen
    bool operator==(const Fill&) const = default;
};
struct Line {
    std::vector<CanvasPoint> points;
    Pen pen;
    bool operator==(const Line&) const = default;
};
struct PlacedText {
    CanvasPoint reference;
    std::u16string text;
    std::optional<Font> font;    // nothing: a stock font
    std::uint32_t stockFont = 0; // which one
    std::uint32_t align = 0;
    std::uint32_t options = 0;
};

// What a picture draws, in order of kind, with the objects selected at the time. Misuse of the
// handle table (selecting or deleting what does not exist, creating into a used slot, deleting
// a selected object) is counted in handleErrors.
struct Replay {
    std::vector<Fill> fills;
    std::vector<Line> lines;
    std::vector<PlacedText> texts;
    int handleErrors = 0;
    std::size_t mostObjects = 0; // the largest number of objects alive at once
};

inline Replay replay(const std::vector<Record>& records) {
    struct Object {
        std::uint32_t type;
        Record record;
    };
    Replay out;
    std::map<std::uint32_t, Object> objects;
    std::uint32_t brush = kStockObject, pen = kStockObject + 7, font = kStockObject + 13;
    std::uint32_t align = kAlignNotSet;
    const auto create = [&](const Record& r) {
        const std::uint32_t index = r.fields().u32(8);
        if (index == 0 || objects.count(index) != 0)
            ++out.handleErrors;
        objects.insert_or_assign(index, Object{r.type, r});
        out.mostObjects = std::max(out.mostObjects, objects.size());
    };
    for (const Record& r : records) {
        const Fields f = r.fields();
        switch (r.type) {
        case CreateBrushIndirect:
        case CreatePen:
        case ExtCreateFontIndirectW:
            create(r);
            break;
        case SelectObject: {
            const std::uint32_t index = f.u32(8);
            const bool stock = (index & kStockObject) != 0;
            const auto found = objects.find(index);
            if (!stock && found == objects.end()) {
                ++out.handleErrors;
                break;
            }
            const std::uint32_t kind = stock ? 0 : found->second.type;
            const std::uint32_t stockId = index & 0xFF;
            if (kind == CreateBrushIndirect || (stock && stockId <= 5))
                brush = index;
            else if (kind == CreatePen || (stock && stockId >= 6 && stockId <= 8))
                pen = index;
            else
                font = index;
            break;
        }
        case DeleteObject: {
            const std::uint32_t index = f.u32(8);
            if (objects.erase(index) == 0 || index == brush || index == pen || index == font)
                ++out.handleErrors;
            break;
        }
        case SetTextAlign:
            align = f.u32(8);
            break;
        case Rectangle: {
            const auto b = objects.find(brush);
            out.fills.push_back({f.rect(8),
                                 b != objects.end() ? brushColour(b->second.record) : Rgb{},
                                 pen == kNullPen});
            break;
        }
        case Polyline16:
        case Polyline: {
            const auto p = objects.find(pen);
            out.lines.push_back(
                {polylinePoints(r), p != objects.end() ? createdPen(p->second.record) : Pen{}});
            break;
        }
        case ExtTextOutW: {
            const Text t = textOut(r);
            const auto fo = objects.find(font);
            out.texts.push_back(
                {t.reference, t.text,
                 fo != objects.end() ? std::optional(createdFont(fo->second.record)) : std::nullopt,
                 (font & kStockObject) != 0 ? font : 0, align, t.options});
            break;
        }
        default:
            break;
        }
    }
    return out;
}

// The first record of a type, if any.
inline std::optional<Record> first(const std::vector<Record>& records, std::uint32_t type) {
    for (const Record& r : records)
        if (r.type == type)
            return r;
    return std::nullopt;
}

inline std::size_t countOf(const std::vector<Record>& records, std::uint32_t type) {
    std::size_t n = 0;
    for (const Record& r : records)
        n += r.type == type ? 1 : 0;
    return n;
}

} // namespace xtalsp::test::emf
