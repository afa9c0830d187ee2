// A Canvas for tests: records every call in order and measures text with fixed extents, so that
// drawings can be checked to the unit. Header-only: the support folder is compiled into test
// programs that do not see the render layer.
#pragma once

#include "render/canvas.h"

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace xtalsp::test {

struct RecordedFill {
    CanvasRect rect;
    Rgb colour;
    bool operator==(const RecordedFill&) const = default;
};

struct RecordedPolyline {
    std::vector<CanvasPoint> points;
    int penWidth = 0;
    Rgb colour;
    bool operator==(const RecordedPolyline&) const = default;
};

struct RecordedFont {
    FontSpec requested;
    bool made = true; // false: the standard font was selected instead
    bool operator==(const RecordedFont&) const = default;
};

// drawText records its point as the box's top-left corner and leaves the box's right and bottom
// equal to them.
struct RecordedText {
    std::string text;
    CanvasRect box;
    bool inBox = false;
    TextAlignment alignment = TextAlignment::Left;
    FontSpec font; // the font in effect
    bool operator==(const RecordedText&) const = default;
};

using RecordedCall = std::variant<RecordedFill, RecordedPolyline, RecordedFont, RecordedText>;

class RecordingCanvas : public Canvas {
public:
    explicit RecordingCanvas(bool display = true) : m_display(display) {}

    bool isDisplay() const override { return m_display; }
    void fillRect(const CanvasRect& rect, Rgb colour) override {
        calls.emplace_back(RecordedFill{rect, colour});
    }
    void polyline(const std::vector<CanvasPoint>& points, int penWidth, Rgb colour) override {
        calls.emplace_back(RecordedPolyline{points, penWidth, colour});
    }
    bool selectFont(const FontSpec& font) override {
        const bool made = font.faceName.empty() || !namedFontsFail;
        m_font = made ? font : FontSpec{};
        calls.emplace_back(RecordedFont{font, made});
        return made;
    }
    void drawText(CanvasPoint topLeft, std::string_view text) override {
        const CanvasRect at{topLeft.x, topLeft.y, topLeft.x, topLeft.y};
        calls.emplace_back(RecordedText{std::string(text), at, false, TextAlignment::Left, m_font});
    }
    void drawTextInBox(const CanvasRect& box, std::string_view text,
                       TextAlignment alignment) override {
        calls.emplace_back(RecordedText{std::string(text), box, true, alignment, m_font});
    }
    // Every character is characterWidth wide; every text is textHeight high.
    TextExtent textExtent(std::string_view text) override {
        return {static_cast<int>(text.size()) * characterWidth, textHeight};
    }

    std::vector<RecordedFill> fills() const { return only<RecordedFill>(); }
    std::vector<RecordedPolyline> polylines() const { return only<RecordedPolyline>(); }
    std::vector<RecordedFont> fonts() const { return only<RecordedFont>(); }
    std::vector<RecordedText> texts() const { return only<RecordedText>(); }

    std::vector<RecordedCall> calls;
    int characterWidth = 10;
    int textHeight = 20;
    bool namedFontsFail = false; // simulates a platform without the requested faces

private:
    template <typename T> std::vector<T> only() const {
        std::vector<T> found;
        for (const RecordedCall& call : calls)
            if (const T* item = std::get_if<T>(&call))
                found.push_back(*item);
        return found;
    }

    bool m_display;
    FontSpec m_font;
};

} // namespace xtalsp::test
