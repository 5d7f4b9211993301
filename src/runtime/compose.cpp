#include "runtime/compose.h"

#include <algorithm>
#include <cstring>

namespace lumaris {

void blendArgb(Surface& dst, const Surface& src, int left, int top) {
    for (int y = 0; y < src.height(); ++y) {
        const int dy = top + y;
        if (dy < 0 || dy >= dst.height()) continue;
        const std::uint32_t* from = src.row(y);
        std::uint32_t* row = dst.row(dy);
        for (int x = 0; x < src.width(); ++x) {
            const int dx = left + x;
            if (dx < 0 || dx >= dst.width()) continue;
            const std::uint32_t p = from[x];
            const std::uint32_t a = p >> 24;
            if (a == 0) continue;
            const std::uint32_t q = row[dx];
            auto channel = [&](int shift) {
                const std::uint32_t sc = (p >> shift) & 0xFF, dc = (q >> shift) & 0xFF;
                return ((sc * a + dc * (255 - a)) / 255) << shift;
            };
            // The destination keeps its own coverage byte (a panel drawn on
            // stays as opaque as it was).
            row[dx] = (q & 0xFF000000u) | channel(16) | channel(8) | channel(0);
        }
    }
}

const Surface* renderLabel(const Label& label, TextRasterizer& text) {
    return text.Render(label.caption, label.color, kLabelFontSize, label.bold, label.width, label.centred);
}

int labelHeight(const Label& label, TextRasterizer* text) {
    const Surface* pixels = text != nullptr ? renderLabel(label, *text) : nullptr;
    return pixels != nullptr ? pixels->height() : 0;
}

void paintLabels(Surface& image, const std::vector<const Label*>& labels, TextRasterizer& text) {
    for (const Label* label : labels) {
        if (!label->visible) continue;
        const Surface* pixels = renderLabel(*label, text);
        if (pixels != nullptr) blendArgb(image, *pixels, label->left, label->top);
    }
}

FormComposer::Frame FormComposer::compose(Surface& image, const std::vector<const Label*>& labels,
                                          const Surface* overlay, TextRasterizer* text) {
    const int w = image.width(), h = image.height();
    PixelRect changed = image.takeDamage();
    if (whole_) changed = PixelRect{0, 0, w, h};
    whole_ = false;

    // Where labels and the overlay go this time.
    PixelRect over;
    if (text != nullptr) {
        for (const Label* label : labels) {
            if (!label->visible) continue;
            if (const Surface* pixels = renderLabel(*label, *text)) {
                over.add(PixelRect{label->left, label->top, label->left + pixels->width(),
                                   label->top + pixels->height()});
            }
        }
    }
    const int overlayLeft = overlay != nullptr ? (w - overlay->width()) / 2 : 0;
    const int overlayTop = overlay != nullptr ? (h - overlay->height()) / 2 : 0;
    if (overlay != nullptr) {
        over.add(PixelRect{overlayLeft, overlayTop, overlayLeft + overlay->width(), overlayTop + overlay->height()});
    }
    over = over.clippedTo(w, h);
    // What was drawn over last time shows the image again.
    changed.add(drawnOver_);
    changed.add(over);
    changed = changed.clippedTo(w, h);
    drawnOver_ = over;
    if (over.empty()) return Frame{&image, changed};

    // Drawn over a copy of the changed part: the image itself stays as the
    // form drew it.
    scratch_.resize(w, h);
    for (int y = changed.top; y < changed.bottom; ++y) {
        std::memcpy(scratch_.row(y) + changed.left, image.row(y) + changed.left,
                    static_cast<std::size_t>(changed.width()) * sizeof(std::uint32_t));
    }
    if (text != nullptr) paintLabels(scratch_, labels, *text);
    if (overlay != nullptr) blendArgb(scratch_, *overlay, overlayLeft, overlayTop);
    return Frame{&scratch_, changed};
}

}  // namespace lumaris
