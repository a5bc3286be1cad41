// The show's audio library: an audio object that hands out sound objects for
// music files; a sound plays on its own once started. Results are 1 exactly on
// success.
#pragma once

#include <cstdint>

// Results of init and getSoundClass. Anything but gaOk is a failure; the
// distinct values only help whoever debugs a silent run.
inline constexpr long gaOk = 1;
inline constexpr long gaBadArgument = -1;  // an argument or descriptor field out of range
inline constexpr long gaBadState = -2;     // init twice, or getSoundClass before init
inline constexpr long gaNoDevice = -3;     // no audio driver or device could be opened
inline constexpr long gaNoDecoder = -4;    // the MP3 decoder is not available
inline constexpr long gaCannotLoad = -5;   // the music file is missing or unreadable

// The one kind of sound the library makes: a music stream (MP3), asked for
// with this class number and descriptor format.
inline constexpr unsigned long gaMusicClass = 5;
inline constexpr std::uint16_t gaMusicFormat = 512;

unsigned short GA_getLibVersion();

// Describes the sound that getSoundClass makes. The path field takes its
// natural pointer size, so on a 64-bit build the record is larger than the
// classic 40 bytes; the fields and their order stand, and the numbered names
// are their classic offsets. Only format, path and soundClass are read.
struct SoundDesc {
    std::uint16_t format;  // gaMusicFormat
    std::uint16_t reserved;
    const char* path;      // read only during getSoundClass
    std::uint32_t field8;
    std::uint32_t field12;
    std::uint32_t soundClass;  // gaMusicClass, as passed to getSoundClass
    std::uint32_t field20;     // 1
    std::uint32_t field24;     // 1
    std::uint32_t field28;
    std::uint32_t field32;
    std::uint32_t field36;
};

class GASound {
public:
    // Starts playback, repeating the track until the process ends; returns
    // at once.
    virtual long play() = 0;
    virtual ~GASound() = default;
};

class CGAudio {
public:
    CGAudio();
    // Closes the audio device. Sounds already handed out fall silent.
    ~CGAudio();
    CGAudio(const CGAudio&) = delete;
    CGAudio& operator=(const CGAudio&) = delete;

    // Opens stereo output at sampleRate Hz. mixChannels is the number of
    // mixing channels kept for sampled effects (music has its own), at most
    // 32; flags must be 0, none being defined.
    long init(unsigned long mixChannels, unsigned long sampleRate, int flags);
    // Makes the sound for a SoundDesc. Only soundClass 5 (music, format 512)
    // exists. On success *sound receives a GASound* (as void*) that is never
    // freed by the library; on failure *sound is left untouched.
    long getSoundClass(unsigned long soundClass, void* descriptor, void** sound);

private:
    void close();

    bool subsystemUp_ = false;
    bool mixerUp_ = false;
    bool deviceOpen_ = false;
};
