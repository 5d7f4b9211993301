// Sound output: the simple sound player, the media command strings and the
// multimedia control that plays music files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/user32.h"

namespace lumaris {

inline constexpr std::uint32_t kSndAsync = 0x0001;  // SND_ASYNC
inline constexpr std::uint32_t kSndNoDefault = 0x0002;  // SND_NODEFAULT
inline constexpr std::uint32_t kSndMemory = 0x0004;  // SND_MEMORY
inline constexpr std::uint32_t kSndLoop = 0x0008;  // SND_LOOP
inline constexpr std::uint32_t kSndPurge = 0x0040;  // SND_PURGE

class Audio {
public:
    virtual ~Audio() = default;
    // The number of sound output devices.
    virtual std::uint32_t waveOutGetNumDevs() = 0;
    // Plays a sound image (a whole RIFF WAVE file in memory, SND_MEMORY),
    // or with sound null and SND_PURGE stops what plays. Non-zero on success.
    virtual std::int32_t sndPlaySoundA(const void* sound, std::uint32_t flags) = 0;
    // A media command such as "stop all" or "close all"; 0 on success.
    virtual std::int32_t mciSendStringA(const char* command, char* reply, std::uint32_t replyLength,
                                        Hwnd callback) = 0;
};

// The multimedia control a form uses to play music files. Properties are
// set one at a time; setting Command carries the command out.
class MediaControl {
public:
    virtual ~MediaControl() = default;
    virtual void SetNotify(bool notify) = 0;
    virtual void SetWait(bool wait) = 0;
    virtual void SetShareable(bool shareable) = 0;
    virtual void SetDeviceType(const std::string& type) = 0;
    virtual void SetFileName(const std::string& file) = 0;
    // "Open", "play", "close". A command that fails is the control's own
    // matter: it is not a failure of the caller.
    virtual void SetCommand(const std::string& command) = 0;
    // The completion event: called on the user-interface thread once per
    // playback that finished.
    virtual void OnDone(std::function<void(std::int32_t notifyCode)> handler) = 0;
};

}  // namespace lumaris
