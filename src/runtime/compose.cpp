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

const Surface& composeForm(const Surface& image, const std::vector<const Label*>& labels, const Surface* overlay,
                           TextRasterizer* text, Surface& scratch) {
    const bool anyLabel =
        text != nullptr && std::any_of(labels.begin(), labels.end(), [](const Label* l) { return l->visible; });
    if (!anyLabel && overlay == nullptr) return image;
    // Drawn over a copy: the image itself stays as the form drew it.
    scratch.resize(image.width(), image.height());
    std::memcpy(scratch.pixels().data(), image.pixels().data(), image.pixels().size() * sizeof(std::uint32_t));
    if (anyLabel) paintLabels(scratch, labels, *text);
    if (overlay != nullptr) {
        blendArgb(scratch, *overlay, (image.width() - overlay->width()) / 2, (image.height() - overlay->height()) / 2);
    }
    return scratch;
}

}  // namespace lumaris
