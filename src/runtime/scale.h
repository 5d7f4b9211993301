// Large screens: the scene is laid out on a logical screen and every logical
// pixel is shown as an exact k x k block, k a whole number chosen for the
// screen's size, so that a 4K monitor shows the scene as large and as crisp
// as a 1920 x 1080 one does.
#pragma once

#include <string>

#include "runtime/surface.h"

namespace lumaris {

// The scene's design size, and the preview picture's.
inline constexpr int kSceneDesignWidth = 1024, kSceneDesignHeight = 768;
inline constexpr int kPreviewPictureWidth = 160, kPreviewPictureHeight = 120;
inline constexpr int kLargestScale = 8;

// The largest whole k with width / k >= designWidth and height / k >=
// designHeight; at least 1.
int wholeScale(int width, int height, int designWidth, int designHeight);

// The user's choice: 0 for automatic, else a fixed scale.
// Reads "auto" or a whole number from 1 to 8 (blanks around it allowed);
// false for anything else.
bool parseScale(const std::string& text, int& choice);
// The scale for a screen: the choice, or automatic for its size. A fixed
// scale never leaves the screen less than one logical pixel.
int chooseScale(int choice, int width, int height, int designWidth, int designHeight);

// Keeps a screen's picture, k times as large as a form's image, up to date
// with what changes in the image: only the changed rectangle is enlarged,
// into memory that is reused frame after frame. The screen's picture may be
// up to k - 1 pixels wider and taller than k times the image: those columns
// and rows show the image's background.
class Magnifier {
public:
    // The scale and the screen picture's size; the image must be
    // width / scale by height / scale. A picture that keeps only what is
    // drawn (sparse) gets a screen picture that does the same.
    void fit(int scale, int width, int height, bool sparse);
    int scale() const { return k_; }
    // The screen picture's size.
    int width() const { return width_; }
    int height() const { return height_; }
    // The image's size for the screen picture's.
    int imageWidth() const { return width_ / k_; }
    int imageHeight() const { return height_ / k_; }
    // Takes the image's damage and enlarges what changed; the picture the
    // screen shows, with its own damage. With scale 1: the image itself,
    // untouched.
    Surface& update(Surface& image);

private:
    int k_ = 1;
    int width_ = 0, height_ = 0;
    Surface big_;
};

// a / k rounded down, and up, for positions left of or above the origin too.
// Xft.dpi in an X resource text (one "name:\tvalue" per line, the last
// word holding); 0 when it has none.
double xftDpiIn(const char* resources);
// The scale the desktop declares for its programs: GDK_SCALE, else `xftDpi`
// in whole multiples of 96; at least 1.
int desktopScaleFor(double xftDpi);

inline int floorDiv(int a, int k) { return a >= 0 ? a / k : -((-a + k - 1) / k); }
inline int ceilDiv(int a, int k) { return -floorDiv(-a, k); }

// Enlarges the rectangle r of `from` k times into `to` at (r.left * k,
// r.top * k); only what `from` stores is written, and `to` must store its
// place.
void magnify(const Surface& from, const PixelRect& r, int k, Surface& to);

}  // namespace lumaris
