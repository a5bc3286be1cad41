// The audio library on SDL2_mixer: one music stream, decoded and mixed on
// SDL's audio thread, so nothing has to service it after play().
#include "platform/gaudio.h"
#include "platform/gaudio_requests.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace {

constexpr unsigned short libVersion = 0x0100;  // 1.0
constexpr int outputChannels = 2;
constexpr int chunkFrames = 2048;  // about 46 ms at 44.1 kHz: latency does not matter for music
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

// ALSA reports every device it cannot open on standard error, eight lines on
// a machine without a sound card; a show without sound has nothing to say.
// SDL loads ALSA itself when it opens the device, so its error handler is set
// here first, on the same library, which then stays loaded.
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

void silenceAlsa() {
    static bool done = false;
    if (done) return;
    done = true;
    void* alsa = dlopen("libasound.so.2", RTLD_NOW);
    if (alsa == nullptr) return;  // no ALSA, no noise
    using SetErrorHandler = int (*)(decltype(&ignoreAlsaError));
    auto set = reinterpret_cast<SetErrorHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
    if (set) set(ignoreAlsaError);
}

// The music file as a stream, or null when it cannot be read or is no regular
// file: opening a named pipe or a device for reading may wait for ever, so it
// is opened without waiting and looked at before anything reads it.
SDL_RWops* openMusicFile(const char* path) {
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "rb");  // reads of a regular file never wait
    if (file == nullptr) {
        ::close(fd);
        return nullptr;
    }
    SDL_RWops* stream = SDL_RWFromFP(file, SDL_TRUE);
    if (stream == nullptr) std::fclose(file);
    return stream;
}

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
    if (!gaudio::validInit(mixChannels, sampleRate, flags)) return gaBadArgument;

    silenceAlsa();
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
    const SoundDesc* desc = gaudio::musicRequest(soundClass, descriptor, sound);
    if (desc == nullptr) return gaBadArgument;

    SDL_RWops* file = openMusicFile(desc->path);
    if (file == nullptr) return gaCannotLoad;
    Mix_Music* music = Mix_LoadMUSType_RW(file, MUS_MP3, SDL_TRUE);  // closes the file
    if (music == nullptr) return gaCannotLoad;
    *sound = static_cast<GASound*>(new MixerMusic(music));
    return gaOk;
}
