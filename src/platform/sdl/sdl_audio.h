// Sound and music on Linux through SDL2_mixer.
//
// Implements: the device count from the output devices SDL can open; the
// sound image played looped from memory on a channel of its own (the image
// is decoded into the mixer's own buffer, so the caller's buffer is never
// read from the audio thread); SND_PURGE halting it; "stop all" and
// "close all" halting and freeing the music; the media control for music
// files (device type "MPEGVideo"): "Open" loads the file at once, "play"
// starts it in the background, "close" frees it. One completion event per
// playback that finished by itself, handed to the user-interface thread; a
// playback that never started, or that was stopped, gives none.
// Not implemented: other device types, the control's Notify, Shareable and
// Wait have no effect (every command returns when it is done).
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "platform/audio.h"

typedef struct _Mix_Music Mix_Music;
struct Mix_Chunk;

namespace lumaris::sdl {

class SdlMixer {
public:
    // post runs work on the user-interface thread.
    explicit SdlMixer(std::function<void(std::function<void()>)> post);
    ~SdlMixer();
    SdlMixer(const SdlMixer&) = delete;
    SdlMixer& operator=(const SdlMixer&) = delete;

    std::uint32_t deviceCount();
    // Opens the output device once; false when there is none.
    bool open();
    void close();

    bool playLoop(const void* image, std::size_t size);
    void stopLoop();

    bool openMusic(const std::string& path);
    bool playMusic();
    void stopMusic();
    void freeMusic();
    // Where the music is, in seconds; -1 where that cannot be told.
    double musicPosition();
    void seekMusic(double seconds);
    // With neither the loop nor music loaded, the output device closes: an
    // open device writes silence all the time. The next sound opens it again.
    void rest();
    void onMusicDone(std::function<void()> handler) { musicDone_ = std::move(handler); }

private:
    static void musicFinished();
    std::function<void(std::function<void()>)> post_;
    std::function<void()> musicDone_;
    bool tried_ = false;
    bool open_ = false;
    Mix_Chunk* loop_ = nullptr;
    Mix_Music* music_ = nullptr;
    std::atomic<bool> musicPlaying_{false};
};

class SdlAudio : public Audio {
public:
    explicit SdlAudio(SdlMixer& mixer) : mixer_(mixer) {}
    std::uint32_t waveOutGetNumDevs() override { return mixer_.deviceCount(); }
    std::int32_t sndPlaySoundA(const void* sound, std::uint32_t flags) override;
    std::int32_t mciSendStringA(const char* command, char* reply, std::uint32_t replyLength, Hwnd callback) override;

private:
    SdlMixer& mixer_;
};

class SdlMediaControl : public MediaControl {
public:
    SdlMediaControl(SdlMixer& mixer, std::string musicFolder);
    void SetNotify(bool) override {}
    void SetWait(bool) override {}
    void SetShareable(bool) override {}
    void SetDeviceType(const std::string& type) override { deviceType_ = type; }
    void SetFileName(const std::string& file) override { fileName_ = file; }
    void SetCommand(const std::string& command) override;
    void OnDone(std::function<void(std::int32_t)> handler) override { done_ = std::move(handler); }

    // What the last command did, for tests and the curious.
    const std::string& lastError() const { return lastError_; }

private:
    SdlMixer& mixer_;
    std::string musicFolder_;
    std::string deviceType_;
    std::string fileName_;
    std::string lastError_;
    bool opened_ = false;
    std::function<void(std::int32_t)> done_;
    bool paused_ = false;
    double pausedAt_ = 0;
};

}  // namespace lumaris::sdl
