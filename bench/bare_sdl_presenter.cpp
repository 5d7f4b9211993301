// A baseline for the whole-program benchmark: a bare SDL program that only
// uploads a prepared full-screen frame to a streaming texture and presents it
// with SDL's software renderer, every INTERVAL ms, until SIGTERM. Prints the
// frames it presented. Usage: bare_sdl_presenter [INTERVAL]
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    const int interval = argc > 1 ? std::atoi(argv[1]) : 51;
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
    SDL_Rect bounds{0, 0, 640, 480};
    SDL_GetDisplayBounds(0, &bounds);
    SDL_Window* window = SDL_CreateWindow("bare", 0, 0, bounds.w, bounds.h, SDL_WINDOW_BORDERLESS);
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    SDL_Texture* texture =
        SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, bounds.w, bounds.h);
    std::vector<Uint32> frame(static_cast<std::size_t>(bounds.w) * bounds.h);
    for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<Uint32>(i * 2654435761u) & 0xFFFFFF;
    long frames = 0;
    Uint64 next = SDL_GetTicks64();
    for (;;) {
        SDL_Event event;
        const Uint64 now = SDL_GetTicks64();
        if (SDL_WaitEventTimeout(&event, next > now ? static_cast<int>(next - now) : 0) != 0) {
            if (event.type == SDL_QUIT) break;
            continue;
        }
        next = SDL_GetTicks64() + static_cast<Uint64>(interval);
        SDL_UpdateTexture(texture, nullptr, frame.data(), bounds.w * 4);
        SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        SDL_RenderPresent(renderer);
        ++frames;
    }
    std::fprintf(stderr, "frames %ld\n", frames);
    SDL_Quit();
    return 0;
}
