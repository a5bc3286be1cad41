// The show's audio library: an audio object that hands out sound objects for
// music files; a sound plays on its own once started. Results are 1 exactly on
// success.
#pragma once

#include <cstdint>

unsigned short GA_getLibVersion();

// Describes the sound that getSoundClass makes. The path field takes its
// natural pointer size, so on a 64-bit build the record is larger than the
// classic 40 bytes; the fields and their order stand.
struct SoundDesc {
    std::uint16_t format;  // 512
    std::uint16_t reserved;
    const char* path;      // lives for the whole run
    std::uint32_t field8;
    std::uint32_t field12;
    std::uint32_t soundClass;  // 5, as passed to getSoundClass
    std::uint32_t field20;     // 1
    std::uint32_t field24;     // 1
    std::uint32_t field28;
    std::uint32_t field32;
    std::uint32_t field36;
};

class GASound {
public:
    // Starts playback; returns at once.
    virtual long play() = 0;
    virtual ~GASound() = default;
};

class CGAudio {
public:
    CGAudio();
    ~CGAudio();
    long init(unsigned long channels, unsigned long sampleRate, int flags);
    long getSoundClass(unsigned long soundClass, void* descriptor, void** sound);
};
