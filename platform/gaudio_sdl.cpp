// The audio library on SDL2_mixer: one music stream, decoded and mixed on
// SDL's audio thread, so nothing has to service it after play().
#include "platform/gaudio.h"

#include <SDL.h>
#include <SDL_mixer.h>

namespace {

constexpr unsigned short libVersion = 0x0100;  // 1.0
constexpr int outputChannels = 2;
constexpr int chunkFrames = 2048;  // about 46 ms at 44.1 kHz: latency does not matter for music
constexpr unsigned long maxMixChannels = 32;
constexpr unsigned long minSampleRate = 8000;
constexpr unsigned long maxSampleRate = 192000;
constexpr int loopForever = -1;

class MixerMusic final : public GASound {
public:
    explicit MixerMusic(Mix_Music* music) : music_(music) {}
    ~MixerMusic() override { Mix_FreeMusic(music_); }
    MixerMusic(const MixerMusic&) = delete;
    MixerMusic& operator=(const MixerMusic&) = delete;

    long play() override { return Mix_PlayMusic(music_, loopForever) == 0 ? gaOk : gaNoDevice; }

private:
    Mix_Music* music_;
};

}  // namespace

unsigned short GA_getLibVersion() { return libVersion; }

CGAudio::CGAudio() = default;

CGAudio::~CGAudio() { close(); }

void CGAudio::close() {
    if (deviceOpen_) Mix_CloseAudio();
    if (mixerUp_) Mix_Quit();
    if (subsystemUp_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    deviceOpen_ = mixerUp_ = subsystemUp_ = false;
}

long CGAudio::init(unsigned long mixChannels, unsigned long sampleRate, int flags) {
    if (subsystemUp_) return gaBadState;
    if (mixChannels > maxMixChannels || sampleRate < minSampleRate || sampleRate > maxSampleRate ||
        flags != 0)
        return gaBadArgument;

    // A failed step undoes the earlier ones, so a failed init leaves nothing open.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return gaNoDevice;
    subsystemUp_ = true;
    mixerUp_ = true;  // Mix_Quit also undoes a partial Mix_Init
    if ((Mix_Init(MIX_INIT_MP3) & MIX_INIT_MP3) == 0) {
        close();
        return gaNoDecoder;
    }
    if (Mix_OpenAudio(static_cast<int>(sampleRate), MIX_DEFAULT_FORMAT, outputChannels,
                      chunkFrames) != 0) {
        close();
        return gaNoDevice;
    }
    deviceOpen_ = true;
    Mix_AllocateChannels(static_cast<int>(mixChannels));
    return gaOk;
}

long CGAudio::getSoundClass(unsigned long soundClass, void* descriptor, void** sound) {
    if (!deviceOpen_) return gaBadState;
    if (soundClass != gaMusicClass || descriptor == nullptr || sound == nullptr) return gaBadArgument;
    const auto* desc = static_cast<const SoundDesc*>(descriptor);
    if (desc->format != gaMusicFormat || desc->soundClass != soundClass || desc->path == nullptr)
        return gaBadArgument;

    Mix_Music* music = Mix_LoadMUS(desc->path);
    if (music == nullptr) return gaCannotLoad;
    *sound = static_cast<GASound*>(new MixerMusic(music));
    return gaOk;
}
