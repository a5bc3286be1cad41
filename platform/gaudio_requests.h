// What every build of the audio library accepts from its callers, checked
// the same way whatever plays the sound.
#pragma once

#include "platform/gaudio.h"

namespace gaudio {

inline constexpr unsigned long maxMixChannels = 32;
inline constexpr unsigned long minSampleRate = 8000;
inline constexpr unsigned long maxSampleRate = 192000;

inline bool validInit(unsigned long mixChannels, unsigned long sampleRate, int flags) {
    return mixChannels <= maxMixChannels && sampleRate >= minSampleRate &&
           sampleRate <= maxSampleRate && flags == 0;
}

// The music descriptor that getSoundClass's arguments ask for, or null when
// they are no valid request.
inline const SoundDesc* musicRequest(unsigned long soundClass, void* descriptor, void** sound) {
    if (soundClass != gaMusicClass || descriptor == nullptr || sound == nullptr) return nullptr;
    const auto* desc = static_cast<const SoundDesc*>(descriptor);
    if (desc->format != gaMusicFormat || desc->soundClass != soundClass || desc->path == nullptr)
        return nullptr;
    return desc;
}

}  // namespace gaudio
