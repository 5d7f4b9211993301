#include "runtime/compose.h"

#include <algorithm>
#include <cstring>

namespace lumaris {

const Surface* TextCache::find(std::string_view text, std::uint32_t color, int size, bool bold, int wrapWidth,
                               bool centred) const {
    for (const Entry& e : entries_) {
        const Key& k = e.key;
        if (k.text == text && k.color == color && k.size == size && k.bold == bold && k.wrapWidth == wrapWidth &&
            k.centred == centred) {
            return &e.pixels;
        }
    }
    return nullptr;
}

const Surface* TextCache::keep(Key key, Surface pixels) {
    if (entries_.size() >= 64) entries_.clear();
    entries_.push_back(Entry{std::move(key), std::move(pixels)});
    return &entries_.back().pixels;
}

void blendArgb(Surface& dst, const Surface& src, int left, int top) {
    dst.reserve(PixelRect{left, top, left + src.width(), top + src.height()}.clippedTo(dst.width(), dst.height()));
    for (int y = 0; y < src.height(); ++y) {
        const int dy = top + y;
        if (dy < 0 || dy >= dst.height()) continue;
        const std::uint32_t* from = src.row(y);
        for (int x = 0; x < src.width(); ++x) {
            const int dx = left + x;
            if (dx < 0 || dx >= dst.width()) continue;
            const std::uint32_t p = from[x];
            const std::uint32_t a = p >> 24;
            if (a == 0) continue;
            std::uint32_t& to = *dst.at(dx, dy);
            const std::uint32_t q = to;
            auto channel = [&](int shift) {
                const std::uint32_t sc = (p >> shift) & 0xFF, dc = (q >> shift) & 0xFF;
                return ((sc * a + dc * (255 - a)) / 255) << shift;
            };
            // The destination keeps its own coverage byte (a panel drawn on
            // stays as opaque as it was).
            to = (q & 0xFF000000u) | channel(16) | channel(8) | channel(0);
        }
    }
}

const Surface* renderLabel(const Label& label, TextRasterizer& text, int scale) {
    return text.Render(label.caption, label.color, kLabelFontSize * scale, label.bold, label.width * scale,
                       label.centred);
}

int labelHeight(const Label& label, TextRasterizer* text) {
    const Surface* pixels = text != nullptr ? renderLabel(label, *text) : nullptr;
    return pixels != nullptr ? pixels->height() : 0;
}

void paintLabels(Surface& image, const std::vector<const Label*>& labels, TextRasterizer& text, int scale) {
    for (const Label* label : labels) {
        if (!label->visible) continue;
        const Surface* pixels = renderLabel(*label, text, scale);
        if (pixels != nullptr) blendArgb(image, *pixels, label->left * scale, label->top * scale);
    }
}

PixelRect FormComposer::changedPart(Surface& image, const std::vector<const Label*>& labels,
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
            if (const Surface* pixels = renderLabel(*label, *text, scale_)) {
                const int left = label->left * scale_, top = label->top * scale_;
                over.add(PixelRect{left, top, left + pixels->width(), top + pixels->height()});
            }
        }
    }
    if (overlay != nullptr) {
        const auto [left, top] = overlayPlace(w, h, *overlay);
        over.add(PixelRect{left, top, left + overlay->width(), top + overlay->height()});
    }
    over = over.clippedTo(w, h);
    // What was drawn over last time shows the image again.
    changed.add(drawnOver_);
    changed.add(over);
    drawnOver_ = over;
    return changed.clippedTo(w, h);
}

void FormComposer::drawOver(Surface& picture, const std::vector<const Label*>& labels, const Surface* overlay,
                            TextRasterizer* text) {
    if (text != nullptr) paintLabels(picture, labels, *text, scale_);
    if (overlay != nullptr) {
        const auto [left, top] = overlayPlace(picture.width(), picture.height(), *overlay);
        blendArgb(picture, *overlay, left, top);
    }
}

std::pair<int, int> FormComposer::overlayPlace(int width, int height, const Surface& overlay) const {
    const PixelRect area = overlayArea_.clippedTo(width, height);
    if (area.empty()) return {(width - overlay.width()) / 2, (height - overlay.height()) / 2};
    return {area.left + (area.width() - overlay.width()) / 2, area.top + (area.height() - overlay.height()) / 2};
}

namespace {
void copyPart(Surface& to, const Surface& from, const PixelRect& r, int toLeft, int toTop) {
    if (r.empty()) return;
    to.reserve(PixelRect{toLeft, toTop, toLeft + r.width(), toTop + r.height()});
    for (int y = r.top; y < r.bottom; ++y) from.readRow(y, r.left, r.width(), to.at(toLeft, y - r.top + toTop));
}
}  // namespace

FormComposer::Frame FormComposer::compose(Surface& image, const std::vector<const Label*>& labels,
                                          const Surface* overlay, TextRasterizer* text) {
    const PixelRect changed = changedPart(image, labels, overlay, text);
    if (drawnOver_.empty()) return Frame{&image, changed};
    // Drawn over a copy of the changed part: the image itself stays as the
    // form drew it.
    scratch_.resize(image.width(), image.height());
    copyPart(scratch_, image, changed, changed.left, changed.top);
    drawOver(scratch_, labels, overlay, text);
    return Frame{&scratch_, changed};
}

FormComposer::Frame FormComposer::composeInPlace(Surface& image, const std::vector<const Label*>& labels,
                                                 const Surface* overlay, TextRasterizer* text) {
    const PixelRect changed = changedPart(image, labels, overlay, text);
    saved_ = drawnOver_;
    if (!saved_.empty()) {
        // What lies under the labels, kept to be put back.
        scratch_.resize(std::max(scratch_.width(), saved_.width()), std::max(scratch_.height(), saved_.height()));
        copyPart(scratch_, image, saved_, 0, 0);
        drawOver(image, labels, overlay, text);
    }
    return Frame{&image, changed};
}

void FormComposer::restore(Surface& image) {
    if (saved_.empty()) return;
    const PixelRect part{0, 0, saved_.width(), saved_.height()};
    copyPart(image, scratch_, part, saved_.left, saved_.top);
    saved_ = PixelRect{};
}

}  // namespace lumaris
