#include "platform/sdl/sdl_audio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstring>

#include "platform/posix/paths.h"
#include "runtime/convert.h"

namespace lumaris::sdl {

namespace {
constexpr int kLoopChannel = 0;
SdlMixer* g_mixer = nullptr;  // the mixer whose music the library's one hook reports

std::uint32_t riffLength(const void* image) {
    const auto* b = static_cast<const std::uint8_t*>(image);
    if (std::memcmp(b, "RIFF", 4) != 0) return 0;
    return (b[4] | (b[5] << 8) | (b[6] << 16) | (static_cast<std::uint32_t>(b[7]) << 24)) + 8;
}
}  // namespace

SdlMixer::SdlMixer(std::function<void(std::function<void()>)> post) : post_(std::move(post)) {}

SdlMixer::~SdlMixer() { close(); }

std::uint32_t SdlMixer::deviceCount() {
    if (SDL_WasInit(SDL_INIT_AUDIO) == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
    const int n = SDL_GetNumAudioDevices(0);
    if (n > 0) return static_cast<std::uint32_t>(n);
    // Some drivers list no devices but open a default one. The probe closes
    // it again: an open device mixes silence on its own thread all the time,
    // and the sound may well stay off.
    if (open_) return 1u;
    const bool opens = open();
    close();
    tried_ = false;
    return opens ? 1u : 0u;
}

bool SdlMixer::open() {
    if (tried_) return open_;
    tried_ = true;
    if (SDL_WasInit(SDL_INIT_AUDIO) == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    Mix_Init(MIX_INIT_MP3);
    if (Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 2048) != 0) return false;
    Mix_AllocateChannels(4);
    Mix_ReserveChannels(1);
    g_mixer = this;
    Mix_HookMusicFinished(&SdlMixer::musicFinished);
    open_ = true;
    return true;
}

void SdlMixer::close() {
    if (!open_) return;
    Mix_HookMusicFinished(nullptr);
    musicPlaying_ = false;
    Mix_HaltChannel(-1);
    Mix_HaltMusic();
    if (music_ != nullptr) Mix_FreeMusic(music_);
    if (loop_ != nullptr) Mix_FreeChunk(loop_);
    music_ = nullptr;
    loop_ = nullptr;
    Mix_CloseAudio();
    if (g_mixer == this) g_mixer = nullptr;
    open_ = false;
}

bool SdlMixer::playLoop(const void* image, std::size_t size) {
    if (!open()) return false;
    stopLoop();
    Mix_Chunk* chunk = Mix_LoadWAV_RW(SDL_RWFromConstMem(image, static_cast<int>(size)), 1);
    if (chunk == nullptr) return false;
    if (Mix_PlayChannel(kLoopChannel, chunk, -1) < 0) {
        Mix_FreeChunk(chunk);
        return false;
    }
    loop_ = chunk;
    return true;
}

void SdlMixer::stopLoop() {
    if (!open_) return;
    Mix_HaltChannel(kLoopChannel);
    if (loop_ != nullptr) Mix_FreeChunk(loop_);
    loop_ = nullptr;
}

bool SdlMixer::openMusic(const std::string& path) {
    freeMusic();
    if (!open()) return false;
    // Only a regular file: opening a FIFO or a device would block the
    // user-interface thread, or never end.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    if (!regular) {
        Mix_SetError("not a regular file");
        return false;
    }
    music_ = Mix_LoadMUS(path.c_str());
    return music_ != nullptr;
}

bool SdlMixer::playMusic() {
    if (music_ == nullptr) return false;
    musicPlaying_ = true;
    if (Mix_PlayMusic(music_, 0) != 0) {
        musicPlaying_ = false;
        return false;
    }
    return true;
}

void SdlMixer::stopMusic() {
    if (!open_) return;
    musicPlaying_ = false;  // a stop is no completion
    Mix_HaltMusic();
}

void SdlMixer::freeMusic() {
    stopMusic();
    if (music_ != nullptr) Mix_FreeMusic(music_);
    music_ = nullptr;
}

double SdlMixer::musicPosition() { return music_ != nullptr ? Mix_GetMusicPosition(music_) : -1; }

void SdlMixer::seekMusic(double seconds) {
    if (music_ != nullptr && seconds > 0) Mix_SetMusicPosition(seconds);
}

void SdlMixer::rest() {
    if (!open_ || loop_ != nullptr || music_ != nullptr) return;
    close();
    tried_ = false;
}

void SdlMixer::musicFinished() {
    // On the audio thread: only hand the news over.
    SdlMixer* mixer = g_mixer;
    if (mixer == nullptr || !mixer->musicPlaying_.exchange(false)) return;
    mixer->post_([mixer] {
        if (mixer->musicDone_) mixer->musicDone_();
    });
}

std::int32_t SdlAudio::sndPlaySoundA(const void* sound, std::uint32_t flags) {
    if (sound == nullptr) {
        mixer_.stopLoop();  // SND_PURGE, or no sound at all: silence
        mixer_.rest();
        return 1;
    }
    if ((flags & kSndMemory) == 0) return 0;  // sounds by file name are not used
    const std::uint32_t size = riffLength(sound);
    if (size == 0) return 0;
    return mixer_.playLoop(sound, size) ? 1 : 0;
}

std::int32_t SdlAudio::mciSendStringA(const char* command, char* reply, std::uint32_t replyLength, Hwnd) {
    if (reply != nullptr && replyLength > 0) reply[0] = '\0';
    const std::string text = upperCase(trimBlanks(command != nullptr ? command : ""));
    if (text == "STOP ALL") {
        mixer_.stopMusic();
        return 0;
    }
    if (text == "CLOSE ALL") {
        mixer_.freeMusic();
        mixer_.rest();
        return 0;
    }
    return 263;  // an unknown device name
}

SdlMediaControl::SdlMediaControl(SdlMixer& mixer, std::string musicFolder)
    : mixer_(mixer), musicFolder_(std::move(musicFolder)) {
    mixer_.onMusicDone([this] {
        if (done_) done_(1);
    });
}

void SdlMediaControl::SetCommand(const std::string& command) {
    const std::string c = upperCase(command);
    if (c == "OPEN") {
        opened_ = false;
        if (!equalsIgnoreCase(deviceType_, "MPEGVideo")) {
            lastError_ = "unknown device type " + deviceType_;
            return;
        }
        const std::string path = posix::linuxPath(fileName_, musicFolder_);
        opened_ = mixer_.openMusic(path);
        lastError_ = opened_ ? std::string() : "cannot open " + path + ": " + Mix_GetError();
    } else if (c == "PLAY") {
        paused_ = false;
        if (!opened_ || !mixer_.playMusic()) lastError_ = "nothing to play";
    } else if (c == "CLOSE") {
        mixer_.freeMusic();
        mixer_.rest();
        opened_ = paused_ = false;
    } else if (c == "PAUSE" && opened_) {
        // The song is let go of (so that the device can close) and taken up
        // again where it was.
        pausedAt_ = mixer_.musicPosition();
        mixer_.freeMusic();
        mixer_.rest();
        opened_ = false;
        paused_ = true;
    } else if (c == "RESUME" && paused_) {
        paused_ = false;
        const std::string path = posix::linuxPath(fileName_, musicFolder_);
        opened_ = mixer_.openMusic(path) && mixer_.playMusic();
        if (opened_) mixer_.seekMusic(pausedAt_);
    }
}

}  // namespace lumaris::sdl
