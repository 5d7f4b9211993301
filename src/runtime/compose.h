// Text labels and overlays drawn over a form's image, the same on every
// platform; only turning text into pixels (TextRasterizer) is the platform's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/surface.h"

namespace lumaris {

// A text label drawn over a form, with a transparent background.
struct Label {
    std::string caption;
    std::uint32_t color = 0xFFFFFF;
    int left = 0;
    int top = 0;
    bool visible = true;
    // 0: as wide as its text on one line. Otherwise the text wraps at this
    // width and the label is as tall as its lines.
    int width = 0;
    bool centred = false;
    bool bold = false;
};

inline constexpr int kLabelFontSize = 11;

// Turns text into a picture with the coverage in the top byte; the picture
// stays valid until the next call. Null when there is nothing to draw.
class TextRasterizer {
public:
    virtual ~TextRasterizer() = default;
    // One line, or with wrapWidth > 0 lines wrapped at that width (each
    // centred when asked); carriage returns are dropped.
    virtual const Surface* Render(const std::string& text, std::uint32_t color, int size, bool bold, int wrapWidth,
                                  bool centred) = 0;
};

// The pictures a rasterizer made, by everything that decided them, so that
// text drawn again costs nothing.
class TextCache {
public:
    struct Key {
        std::string text;
        std::uint32_t color;
        int size;
        bool bold;
        int wrapWidth;
        bool centred;
        bool operator==(const Key&) const = default;
    };
    // The picture made for these, or null; nothing is copied to look.
    const Surface* find(std::string_view text, std::uint32_t color, int size, bool bold, int wrapWidth,
                        bool centred) const;
    // Keeps a picture (all are let go when there are many); valid until the
    // next keep.
    const Surface* keep(Key key, Surface pixels);

private:
    struct Entry {
        Key key;
        Surface pixels;
    };
    std::vector<Entry> entries_;
};

// Blends a picture with coverage in its top byte over another picture; the
// destination's own top byte stays.
void blendArgb(Surface& dst, const Surface& src, int left, int top);

// A label's text as a picture, or null when there is nothing to draw; at
// scale k its text is drawn k times as large (not enlarged afterwards).
const Surface* renderLabel(const Label& label, TextRasterizer& text, int scale = 1);
// The label's height in pixels with its present caption (0 without text).
int labelHeight(const Label& label, TextRasterizer* text);

// Draws the visible labels over an image; at scale k over an image k times
// as large as the form's, at k times their places.
void paintLabels(Surface& image, const std::vector<const Label*>& labels, TextRasterizer& text, int scale = 1);

// Keeps what a screen shows of a form up to date while sending as little as
// possible: the image's damage since the last frame, with the labels and an
// overlay (centred) drawn over it, and what they covered the frame before.
class FormComposer {
public:
    struct Frame {
        const Surface* picture;  // the image itself, or a composition over it
        PixelRect changed;       // the part of the picture the screen must take
    };
    // Takes the image's damage. Nothing allocated once the sizes settle.
    Frame compose(Surface& image, const std::vector<const Label*>& labels, const Surface* overlay,
                  TextRasterizer* text);
    // The same, drawing the labels and the overlay into the image itself
    // (an image that is the screen's memory); restore() must follow once
    // the screen has taken the frame, to give the image back as the form
    // drew it.
    Frame composeInPlace(Surface& image, const std::vector<const Label*>& labels, const Surface* overlay,
                         TextRasterizer* text);
    void restore(Surface& image);
    // The screen lost what it showed (a new or resized window): the next
    // frame is sent whole.
    void invalidate() { whole_ = true; }
    // The overlay is centred in this part of the picture (the primary
    // monitor of a window over several); empty: the whole picture.
    void centreOverlayIn(const PixelRect& area) { overlayArea_ = area; }
    // The picture composed over is k times the form's image: labels go at k
    // times their places, their text k times as large.
    void setScale(int k) { scale_ = k; }

private:
    // Where the overlay's top-left corner goes in a picture of this size.
    std::pair<int, int> overlayPlace(int width, int height, const Surface& overlay) const;
    // The part that changed, and where labels and the overlay go now.
    PixelRect changedPart(Surface& image, const std::vector<const Label*>& labels, const Surface* overlay,
                          TextRasterizer* text);
    void drawOver(Surface& picture, const std::vector<const Label*>& labels, const Surface* overlay,
                  TextRasterizer* text);
    Surface scratch_;
    PixelRect drawnOver_;
    PixelRect saved_;
    bool whole_ = true;
    PixelRect overlayArea_;
    int scale_ = 1;
};

}  // namespace lumaris
