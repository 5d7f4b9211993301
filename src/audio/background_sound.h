// The looping sea sound built into the program.
#pragma once

#include <cstdint>
#include <string>

namespace lumaris {

struct LumzSubMain;
struct Platform;

// Loads the WAVE resource `name` (any letter case), copies it into the
// module's sound buffer and plays it looped from memory. A missing resource
// is a failure for the caller's trap.
void PlayResWave(const std::string& name, LumzSubMain& module, Platform& platform);
// Stops and closes every media device, then plays the sound image with the
// given flags; tells the user when the player refuses.
void PlayWaveAdv(const void* sound, std::int32_t flags, Platform& platform);
// "stop all", then "close all".
void StopAllMci(Platform& platform);

}  // namespace lumaris
