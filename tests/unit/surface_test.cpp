// The raster operations on small pictures, checked pixel by pixel.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "runtime/compose.h"
#include "runtime/scale.h"
#include "runtime/surface.h"

namespace lumaris {
namespace {

// A picture whose pixel (x, y) holds 100 * (y + 1) + x + 1 (never 0).
Surface numbered(const char* name, int w, int h) {
    Surface s(name, w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.setPixel(x, y, static_cast<std::uint32_t>(100 * (y + 1) + x + 1));
    return s;
}

// The picture as rows of numbers, for readable failures.
std::vector<std::vector<std::uint32_t>> rows(const Surface& s) {
    std::vector<std::vector<std::uint32_t>> out;
    for (int y = 0; y < s.height(); ++y) {
        out.emplace_back(static_cast<std::size_t>(s.width()));
        s.readRow(y, 0, s.width(), out.back().data());
    }
    return out;
}

using Rows = std::vector<std::vector<std::uint32_t>>;

TEST(Blit, CopiesARectangleOneToOne) {
    Surface dst("dst", 4, 3);
    const Surface src = numbered("src", 4, 3);
    blit(dst, 1, 1, 2, 2, src, 2, 0, Rop::SrcCopy);
    EXPECT_EQ(rows(dst), (Rows{{0, 0, 0, 0}, {0, 103, 104, 0}, {0, 203, 204, 0}}));
}

TEST(Blit, AndThenOrMasksAndPaints) {
    Surface dst("dst", 2, 1);
    dst.setPixel(0, 0, 0x00ABCDEF);
    dst.setPixel(1, 0, 0x00ABCDEF);
    Surface mask("mask", 2, 1), image("image", 2, 1);
    mask.setPixel(0, 0, 0x00FFFFFF);  // background shows
    mask.setPixel(1, 0, 0x00000000);  // covered
    image.setPixel(0, 0, 0);
    image.setPixel(1, 0, 0x00123456);
    blit(dst, 0, 0, 2, 1, mask, 0, 0, Rop::SrcAnd);
    blit(dst, 0, 0, 2, 1, image, 0, 0, Rop::SrcPaint);
    EXPECT_EQ(rows(dst), (Rows{{0x00ABCDEF, 0x00123456}}));
}

TEST(Blit, NeverReadsOutsideTheSource) {
    const Surface src = numbered("src", 3, 2);
    // Right and bottom: the rectangle runs past the source.
    Surface dst("dst", 4, 3, 9);
    dst.clear();
    blit(dst, 0, 0, 4, 3, src, 1, 1, Rop::SrcCopy);
    EXPECT_EQ(rows(dst), (Rows{{202, 203, 9, 9}, {9, 9, 9, 9}, {9, 9, 9, 9}}));
    // Left and top: the source starts before the picture.
    dst.clear();
    blit(dst, 0, 0, 3, 3, src, -1, -1, Rop::SrcCopy);
    EXPECT_EQ(rows(dst), (Rows{{9, 9, 9, 9}, {9, 101, 102, 9}, {9, 201, 202, 9}}));
    // Entirely outside.
    dst.clear();
    blit(dst, 0, 0, 2, 2, src, 1821, 0, Rop::SrcCopy);
    EXPECT_EQ(rows(dst), (Rows{{9, 9, 9, 9}, {9, 9, 9, 9}, {9, 9, 9, 9}}));
}

TEST(Blit, ClipsAtEveryEdgeOfTheDestination) {
    const Surface src = numbered("src", 3, 3);
    Surface dst("dst", 2, 2);
    blit(dst, -1, -1, 3, 3, src, 0, 0, Rop::SrcCopy);  // left and top
    EXPECT_EQ(rows(dst), (Rows{{202, 203}, {302, 303}}));
    dst.clear();
    blit(dst, 1, 1, 3, 3, src, 0, 0, Rop::SrcCopy);  // right and bottom
    EXPECT_EQ(rows(dst), (Rows{{0, 0}, {0, 101}}));
    dst.clear();
    blit(dst, 5, 0, 3, 3, src, 0, 0, Rop::SrcCopy);  // wholly outside
    blit(dst, 0, -9, 3, 3, src, 0, 0, Rop::SrcCopy);
    EXPECT_EQ(rows(dst), (Rows{{0, 0}, {0, 0}}));
}

TEST(Blit, EmptyOrNegativeSizesCopyNothing) {
    const Surface src = numbered("src", 3, 3);
    Surface dst("dst", 3, 3);
    for (auto [w, h] : {std::pair{0, 3}, {3, 0}, {-2, 3}, {3, -1}}) blit(dst, 0, 0, w, h, src, 0, 0, Rop::SrcCopy);
    EXPECT_EQ(rows(dst), (Rows{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}));
    EXPECT_EQ(blit(dst, 0, 0, 1, 1, src, 0, 0, 0x12345678), 0) << "an unknown operation";
}

TEST(Blit, AScrollingLayerWrapsInTwoPieces) {
    // A 6-column loop shown 4 columns wide from position 4: columns 4, 5, 0, 1.
    const Surface layer = numbered("layer", 6, 1);
    Surface dst("dst", 4, 1);
    const int position = 4, width = 4;
    const int first = std::min(6 - position, width);
    blit(dst, 0, 0, first, 1, layer, position, 0, Rop::SrcCopy);
    blit(dst, first, 0, width - first, 1, layer, 0, 0, Rop::SrcCopy);
    EXPECT_EQ(rows(dst), (Rows{{105, 106, 101, 102}}));
}

// Copies that the destination still holds are skipped or cut down to what
// was drawn over them, and scrolled layers move within the destination;
// frames of such copies, with sprites, lines and changed sources between
// them, leave exactly what copying all would. So does a picture that stores
// only what was drawn on it, living in memory of its own or someone else's.
TEST(Blit, RepeatedCopiesLeaveWhatCopyingEverythingLeaves) {
    std::mt19937 random(11);
    auto pattern = [&](Surface& p) {
        for (int y = 0; y < p.height(); ++y) {
            for (int x = 0; x < p.width(); ++x) p.setPixel(x, y, random() & 0xFFFFFF);
        }
    };
    Surface sky("sky", 90, 20), sea("sea", 70, 30), sprite("sprite", 12, 24);
    pattern(sky);
    pattern(sea);
    pattern(sprite);
    Surface remembering("form", 100, 70), plain("form", 100, 70), sparse("form", 100, 70);
    sparse.keepOnlyDrawn();
    std::vector<std::uint32_t> screen;
    const int left = 18, top = 11;  // the scene's place on the form
    for (int frame = 0; frame < 300; ++frame) {
        const int skyAt = (frame / 2) % 90, spriteX = static_cast<int>(random() % 110) - 6;
        if (frame % 97 == 50) sky.setPixel(static_cast<int>(random() % 90), 3, 0x123456);
        for (Surface* form : {&remembering, &plain, &sparse}) {
            // The plain one forgets what it holds before every frame.
            if (form == &plain) plain = Surface(plain);
            blit(*form, left, top, 64 - skyAt, 20, sky, skyAt, 0, Rop::SrcCopy);
            blit(*form, left + 64 - skyAt, top, skyAt, 20, sky, 0, 0, Rop::SrcCopy);
            for (int band = 0; band < 3; ++band) {
                // The last band scrolls the other way.
                const int at = band < 2 ? (frame * band / 2) % 70 : 69 - (frame * 3) % 70;
                const int y = top + 20 + band * 10;
                blit(*form, left, y, std::min(64, 70 - at), 10, sea, at, band * 10, Rop::SrcCopy);
                blit(*form, left + 70 - at, y, at - 6, 10, sea, 0, band * 10, Rop::SrcCopy);
            }
            if (frame % 3 != 0) {
                blit(*form, spriteX, frame % 60, 12, 12, sprite, 0, 12, Rop::SrcAnd);
                blit(*form, spriteX, frame % 60, 12, 12, sprite, 0, 0, Rop::SrcPaint);
            }
            if (frame % 40 == 7) drawLine(*form, 0, frame % 70, 99, 69 - frame % 70, 0xFFFFFF);
        }
        // A screen's memory sized to what the sparse one stores.
        if (!sparse.attached()) {
            screen.assign(static_cast<std::size_t>(sparse.stored().width()) * sparse.stored().height(), 0);
            sparse.attach(screen.data(), true);
        }
        const Surface& a = remembering;
        const Surface& b = plain;
        ASSERT_TRUE(a.pixels() == b.pixels()) << "frame " << frame;
        ASSERT_EQ(rows(sparse), rows(b)) << "frame " << frame;
    }
}

TEST(Surface, KeepingOnlyWhatIsDrawnStoresItsBoundsAndShowsTheBackgroundElsewhere) {
    Surface form("form", 40, 30, 7);
    form.keepOnlyDrawn();
    form.resize(400, 300);
    EXPECT_TRUE(form.stored().empty());
    const Surface piece = numbered("piece", 3, 2);
    blit(form, 100, 50, 3, 2, piece, 0, 0, Rop::SrcCopy);
    drawLine(form, 120, 60, 121, 60, 9);
    EXPECT_EQ(form.stored(), (PixelRect{100, 50, 122, 61}));
    Surface copied("copied", 4, 1);
    blit(copied, 0, 0, 4, 1, form, 99, 50, Rop::SrcCopy);
    EXPECT_EQ(rows(copied), (Rows{{7, 101, 102, 103}}));
    form.resize(110, 51);
    EXPECT_EQ(form.stored(), (PixelRect{100, 50, 110, 51}));
    EXPECT_EQ(form.pixel(101, 50), 102u);
}

TEST(Line, DrawsBothEndsAndClips) {
    Surface s("s", 3, 3);
    drawLine(s, 1, 1, 2, 2, 7);
    EXPECT_EQ(rows(s), (Rows{{0, 0, 0}, {0, 7, 0}, {0, 0, 7}}));
    drawLine(s, 2, 2, 3, 3, 8);  // the second pixel falls outside
    drawLine(s, -5, 0, -1, 0, 9);
    EXPECT_EQ(rows(s), (Rows{{0, 0, 0}, {0, 7, 0}, {0, 0, 8}}));
    drawLine(s, 0, 0, 2, 0, 5);
    EXPECT_EQ(rows(s)[0], (std::vector<std::uint32_t>{5, 5, 5}));
}

TEST(Surface, ClearShowsTheBackgroundAndResizeKeepsTheImage) {
    Surface s = numbered("s", 2, 2);
    s.resize(3, 1);
    EXPECT_EQ(rows(s), (Rows{{101, 102, 0}}));
    Surface black("sky", 2, 1, 0);
    black.setPixel(0, 0, 5);
    black.clear();
    EXPECT_EQ(rows(black), (Rows{{0, 0}}));
}

// Text as a solid 10 x 5 block.
class BlockText : public TextRasterizer {
public:
    const Surface* Render(const std::string& text, std::uint32_t, int, bool, int, bool) override {
        return text.empty() ? nullptr : &block_;
    }

private:
    Surface block_{"text", 10, 5, 0xFF00FF00u};
};

// The screen takes only what changed: the first frame whole, then what the
// copies drew, plus where labels are and were.
TEST(FormComposer, SendsOnlyWhatChanged) {
    Surface image("form", 100, 50);
    const Surface tile("tile", 4, 4, 7);
    BlockText text;
    Label label{"Debug Label", 0xFFFFFF, 60, 40, false};
    const std::vector<const Label*> labels{&label};
    FormComposer composer;
    struct Step {
        int blitX, blitY;  // a 4 x 4 copy, or none with -100
        bool labelVisible;
        PixelRect changed;
    } steps[] = {
        {-100, 0, false, {0, 0, 100, 50}},    // the first frame
        {10, 20, false, {10, 20, 14, 24}},    // one copy
        {98, 48, false, {98, 48, 100, 50}},   // clipped at the corner
        {-100, 0, false, {}},                 // nothing drawn
        {10, 20, true, {60, 40, 70, 45}},     // the label appears; the copy repeats one still there
        {-100, 0, false, {60, 40, 70, 45}},   // and leaves
    };
    for (const Step& s : steps) {
        if (s.blitX != -100) blit(image, s.blitX, s.blitY, 4, 4, tile, 0, 0, Rop::SrcCopy);
        label.visible = s.labelVisible;
        const auto frame = composer.compose(image, labels, nullptr, &text);
        EXPECT_TRUE(frame.changed == s.changed) << s.blitX << "," << s.blitY << " label " << s.labelVisible;
        if (s.labelVisible) {
            EXPECT_NE(frame.picture, &image) << "labels are drawn over a copy";
            EXPECT_EQ(frame.picture->pixel(60, 40), 0x00FF00u);
            EXPECT_EQ(image.pixel(60, 40), 0u);
        }
    }
}

// The overlay (the password prompt) is centred in the picture, or in the
// part of it that is the primary monitor.
TEST(FormComposer, CentresTheOverlayInItsArea) {
    Surface overlay("prompt", 10, 4, 0xFF00FF00u);
    const struct {
        PixelRect area;
        PixelRect changed;
    } cases[] = {{{}, {45, 23, 55, 27}}, {{0, 0, 40, 50}, {15, 23, 25, 27}}, {{60, 0, 200, 30}, {75, 13, 85, 17}}};
    for (const auto& c : cases) {
        Surface image("form", 100, 50);
        FormComposer composer;
        composer.compose(image, {}, nullptr, nullptr);
        composer.centreOverlayIn(c.area);
        const auto frame = composer.compose(image, {}, &overlay, nullptr);
        EXPECT_TRUE(frame.changed == c.changed) << c.area.left << "," << c.area.top;
    }
}

TEST(Scale, TheLargestWholeNumberThatLeavesTheDesignSize) {
    const struct {
        int width, height, designWidth, designHeight, choice, scale;
    } cases[] = {
        {1024, 768, 1024, 768, 0, 1},   {3840, 2160, 1024, 768, 0, 2}, {2560, 1440, 1024, 768, 0, 1},
        {5120, 2880, 1024, 768, 0, 3},  {7680, 4320, 1024, 768, 0, 5}, {800, 600, 1024, 768, 0, 1},
        {320, 240, 160, 120, 0, 2},     {152, 112, 160, 120, 0, 1},    {3840, 2160, 1024, 768, 1, 1},
        {1024, 768, 1024, 768, 4, 4},   {3, 100, 160, 120, 8, 3},      {32767, 32767, 1024, 768, 0, 8},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(chooseScale(c.choice, c.width, c.height, c.designWidth, c.designHeight), c.scale)
            << c.width << "x" << c.height << " choice " << c.choice;
    }
    int choice = -1;
    for (const char* good : {"auto", " 3 ", "8"}) EXPECT_TRUE(parseScale(good, choice)) << good;
    EXPECT_EQ(choice, 8);
    for (const char* bad : {"", "0", "9", "2x", "-1", "Auto", "1.5"}) EXPECT_FALSE(parseScale(bad, choice)) << bad;
}

// Only the changed rectangle is enlarged; columns and rows past k times the
// image show its background; a picture that stores less shows the rest as
// background again.
TEST(Magnifier, EnlargesWhatChangedIntoBlocks) {
    Surface image = numbered("image", 3, 2);
    image.keepOnlyDrawn();
    image.setPixel(0, 0, 7);
    image.setPixel(2, 1, 9);
    Magnifier m;
    m.fit(2, 7, 5, true);
    ASSERT_EQ(m.imageWidth(), 3);
    ASSERT_EQ(m.imageHeight(), 2);
    Surface& big = m.update(image);
    EXPECT_EQ(rows(big), (Rows{{7, 7, 0, 0, 0, 0, 0},
                               {7, 7, 0, 0, 0, 0, 0},
                               {0, 0, 0, 0, 9, 9, 0},
                               {0, 0, 0, 0, 9, 9, 0},
                               {0, 0, 0, 0, 0, 0, 0}}));
    EXPECT_EQ(big.takeDamage(), (PixelRect{0, 0, 7, 5}));
    image.setPixel(1, 0, 5);
    image.markDamaged(PixelRect{1, 0, 2, 1});
    m.update(image);
    EXPECT_EQ(big.takeDamage(), (PixelRect{2, 0, 4, 2}));
    EXPECT_EQ(big.pixel(3, 1), 5u);
    image.keepOnlyDrawn();
    image.setPixel(2, 1, 4);
    image.markDamaged(PixelRect{2, 1, 3, 2});
    m.update(image);
    EXPECT_EQ(big.pixel(0, 0), 0u) << "no longer stored";
    EXPECT_EQ(big.pixel(5, 3), 4u);
    // A whole picture with leftover columns stays whole, in the memory it
    // was given (a window's bitmap).
    Surface whole = numbered("whole", 3, 2);
    m.fit(2, 7, 5, false);
    std::vector<std::uint32_t> screen(7 * 5);
    m.update(whole).attach(screen.data(), false);
    whole.markAllDamaged();
    EXPECT_TRUE(m.update(whole).attached());
    EXPECT_EQ(screen[7 + 5], whole.pixel(2, 0));
    Surface same = numbered("same", 2, 2);
    m.fit(1, 2, 2, false);
    EXPECT_EQ(&m.update(same), &same) << "scale 1 shows the image itself";
}

}  // namespace
}  // namespace lumaris
