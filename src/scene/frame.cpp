// One frame of the scene: the sky, the ten sea bands, the title splash for
// the first 30 frames, the balloon, then the refresh.
#include <algorithm>
#include <cmath>

#include "platform/platform.h"
#include "runtime/convert.h"
#include "runtime/failure.h"
#include "scene/frm_tidemar_main.h"
#include "startup/lumz_submain.h"

namespace lumaris {

void FrmTidemarMain::Timer1_Timer() {
    trap(platform_.ui, "Error in timer routine", [&] {
        SceneState& s = state;
        // A frame the screen would never show is not drawn, but for the
        // columns where the sky's first piece ends: a few of them keep the
        // last frame's pixels there, for as many frames as the sky takes to
        // pass them, and the next shown frame must find the same pixels
        // whether the frames before it were shown or not.
        const float skySpeed = std::max(s.layerSpeed[0], 0.001f);
        const int keeps = static_cast<int>(std::ceil((std::ceil(skySpeed) + 3) / skySpeed)) + 2;
        seen_ = laterTicks == 0 && window_.FrameWanted();
        band_ = !seen_ && laterTicks < keeps;

        // Positions are stored as single-precision values; what is computed
        // from them and not stored is computed exactly, so that the two pieces
        // of a layer always meet.
        // 1. The sky's piece widths, from the position before this frame's step.
        std::int16_t w0 = toInt16(static_cast<double>(s.skyWidth) - s.scrollX[0]);
        if (w0 > s.sceneWidth) w0 = s.sceneWidth;
        const auto r0 = static_cast<std::int16_t>(s.sceneWidth - w0);

        // 2. The sky's step; at its loop point the town may grow.
        s.scrollX[0] = s.scrollX[0] + s.layerSpeed[0];
        if (s.scrollX[0] > static_cast<float>(s.skyWidth)) {
            s.scrollX[0] = 0;
            if (module_.cfg.cfgCivilization) civilize();
        }

        if (band_) {
            // Where the next frame's first piece ends, and as far left of it
            // as two steps of the sky reach.
            std::int16_t next = toInt16(static_cast<double>(s.skyWidth) - s.scrollX[0]);
            if (next > s.sceneWidth) next = s.sceneWidth;
            const int reach = 2 * (static_cast<int>(std::ceil(s.layerSpeed[0])) + 2);
            bandLeft_ = s.sceneLeft + next - reach;
            bandRight_ = s.sceneLeft + next + 2;
        }

        // 3. The sky in two pieces; the first from the advanced position plus one.
        const auto skyColumn = static_cast<std::int32_t>(std::floor(static_cast<double>(s.scrollX[0]) + 1.0));
        blitOnForm(s.sceneLeft, -s.sceneLift, w0, s.skyHeight, skypicsource, skyColumn, 0, Rop::SrcCopy);
        blitOnForm(s.sceneLeft + w0, -s.sceneLift, r0, s.skyHeight, skypicsource, 0, 0, Rop::SrcCopy);

        // 4. The sea bands, top to bottom, each in two pieces; their pieces
        // always meet, so a frame that is not shown need not draw them.
        for (int i = 1; i <= 10; ++i) {
            s.scrollX[i] = s.scrollX[i] + s.layerSpeed[i];
            if (s.scrollX[i] > static_cast<float>(s.waterWidth)) {
                s.scrollX[i] = s.scrollX[i] - static_cast<float>(s.waterWidth);
            }
            std::int16_t w = toInt16(static_cast<double>(s.waterWidth) - s.scrollX[i]);
            if (w > s.sceneWidth) w = s.sceneWidth;
            const auto r = static_cast<std::int16_t>(s.sceneWidth - w);
            const std::int16_t top = toInt16(static_cast<double>(s.bandTop[i]) - s.sceneLift);
            const std::int16_t h = toInt16(static_cast<double>(s.bandTop[i + 1]) - s.bandTop[i]);
            const std::int16_t sy = toInt16(static_cast<double>(s.bandTop[i]) - s.skyHeight);
            if (!seen_) continue;
            blitOnForm(s.sceneLeft, top, w, h, waterpicsource, static_cast<std::int32_t>(nearest(s.scrollX[i])), sy,
                       Rop::SrcCopy);
            blitOnForm(s.sceneLeft + w, top, r, h, waterpicsource, 0, sy, Rop::SrcCopy);
        }

        // 5. The title splash stays on top for the first 30 frames.
        if (s.splashFrames < 30) {
            s.splashFrames = static_cast<std::int16_t>(s.splashFrames + 1);
            drawSplash(screenWidthPixels(), screenHeightPixels());
        }

        // 6. The balloon drifts towards the mouse, by day only.
        const Settings& cfg = module_.cfg;
        if (cfg.cfgBalloon && !cfg.cfgNightMode) {
            Sprite& b = module_.balloon;
            if (b.x < s.mouseX && b.x < s.sceneLeft + s.sceneWidth - kBalloonPictureWidth) b.x = b.x + 1;
            if (b.y < s.mouseY && b.y < static_cast<double>(s.bandTop[1]) - s.sceneLift - 90) {
                b.y = b.y + 1;
            }
            if (b.x > s.mouseX && b.x > s.sceneLeft) b.x = b.x - 2;
            if (b.y > s.mouseY && b.y > -s.sceneLift) b.y = b.y - 1;
            blitOnForm(b.x, b.y, b.width, b.height, picBalloon, b.srcX, b.srcY + b.height, Rop::SrcAnd);
            blitOnForm(b.x, b.y, b.width, b.height, picBalloon, b.srcX, b.srcY, Rop::SrcPaint);
        }

        // 7. Show the frame.
        if (seen_) window_.Refresh();
    });
    seen_ = true;
}

void FrmTidemarMain::blitOnForm(int x, int y, int w, int h, const Surface& src, int sx, int sy, std::uint32_t rop) {
    Surface& form = window_.Image();
    // Copies as narrow as the band would push the frame's wide ones out of
    // the picture's memory of what it holds.
    form.rememberCopies(seen_);
    if (seen_) {
        platform_.gdi.BitBlt(form, x, y, w, h, src, sx, sy, rop);
        return;
    }
    // The same copy, column for column, inside the band only.
    if (!band_) return;
    const int left = std::max(x, bandLeft_), right = std::min(x + w, bandRight_);
    if (right <= left || h <= 0) return;
    platform_.gdi.BitBlt(form, left, y, right - left, h, src, sx + (left - x), sy, rop);
}

}  // namespace lumaris
