// Text in the system's sans-serif font, found through fontconfig and set
// with SDL2_ttf, for labels and the password prompt on every Linux display
// system. Needs no window and no video driver.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/compose.h"

typedef struct _TTF_Font TTF_Font;

namespace lumaris::sdl {

// Text as pictures with the coverage in the top byte. Keeps what it
// rendered.
class TextRenderer : public TextRasterizer {
public:
    ~TextRenderer() override;
    const Surface* Render(const std::string& text, std::uint32_t color, int size, bool bold, int wrapWidth,
                          bool centred) override;
    const Surface* render(const std::string& text, std::uint32_t color, int size) {
        return Render(text, color, size, false, 0, false);
    }

private:
    struct Font {
        int size;
        bool bold;
        TTF_Font* font;
    };
    TTF_Font* font(int size, bool bold);
    std::vector<Font> fonts_;
    TextCache cache_;
};

}  // namespace lumaris::sdl
