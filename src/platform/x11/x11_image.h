// A form's image on an X11 window. The window shows the part of the picture
// that has memory (all a picture that keeps only what is drawn on it needs:
// the scene, however large the screen) from an image the server reads: in
// shared memory that the form draws into directly where the display is
// local, else sent with each request. The rest of what changed is filled
// with the picture's background by the server, so a large screen costs this
// process no more than a small one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "runtime/surface.h"

struct _XDisplay;
struct _XImage;

namespace lumaris::x11 {

class X11Image {
public:
    // A window of a 24-bit visual laid out as pictures are (suits() said
    // so).
    X11Image(_XDisplay* display, unsigned long window, void* visual, int depth);
    ~X11Image();
    X11Image(const X11Image&) = delete;
    X11Image& operator=(const X11Image&) = delete;

    // Whether pictures can be put on a window of this visual and depth:
    // true colour (or direct colour) of 15, 16, 24, 30 or 32 bits.
    static bool suits(const void* visual, int depth);
    // The visual in words, for a message.
    static std::string describe(const void* visual, int depth);

    // Lets the picture draw straight into shared memory of its stored
    // part's size, made again when that part changed its size; where the
    // display shares no memory, the picture keeps its own.
    void follow(Surface& picture);
    // Whether the picture drawn into is what the server reads.
    bool showing(const Surface& picture) const;
    // Shows the part `changed` of the picture and waits until the server
    // has it.
    void put(const Surface& picture, const PixelRect& changed);

private:
    void freeSegment(Surface* picture);
    // The window's pixel value for a picture's colour.
    std::uint32_t pixelValue(std::uint32_t colour) const;
    void putConverted(const Surface& picture, const PixelRect& in);
    struct Conversion;
    std::unique_ptr<Conversion> conversion_;  // none: pictures' pixels as they are
    _XDisplay* display_;
    unsigned long window_;
    void* visual_;
    int depth_;
    void* gc_ = nullptr;
    bool shareable_ = true;  // until the display refused to share memory
    struct Segment;
    std::unique_ptr<Segment> segment_;
    _XImage* plain_ = nullptr;  // the header for pictures sent with the request
};

}  // namespace lumaris::x11
