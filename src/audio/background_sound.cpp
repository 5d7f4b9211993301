#include "audio/background_sound.h"

#include <array>
#include <cstring>

#include "platform/platform.h"
#include "runtime/failure.h"
#include "runtime/resources.h"
#include "startup/lumz_submain.h"

namespace lumaris {

void PlayResWave(const std::string& name, LumzSubMain& module, Platform& platform) {
    const auto bytes = findResource(kWaveType, name);
    if (bytes.empty()) throw Failure(326, "Resource with identifier '" + name + "' not found");
    // The player reads the image while it plays: the module keeps it.
    module.soundBuffer.assign(bytes.begin(), bytes.end());
    PlayWaveAdv(module.soundBuffer.data(), kSndAsync | kSndMemory | kSndLoop, platform);
}

void PlayWaveAdv(const void* sound, std::int32_t flags, Platform& platform) {
    StopAllMci(platform);
    const std::int32_t ok = platform.audio.sndPlaySoundA(sound, static_cast<std::uint32_t>(flags));
    if (ok == 0) platform.ui.MsgBox("PlayWaveAdv Error!", kMbOk, kProductName);
}

void StopAllMci(Platform& platform) {
    std::array<char, 128> reply{};
    platform.audio.mciSendStringA("stop all", reply.data(), static_cast<std::uint32_t>(reply.size()), 0);
    platform.audio.mciSendStringA("close all", reply.data(), static_cast<std::uint32_t>(reply.size()), 0);
}

}  // namespace lumaris
