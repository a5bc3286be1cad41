// The audio library on Windows' own MP3 playback, the Media Control Interface
// (winmm): MCI decodes and plays on threads of its own, so nothing has to
// service a sound after play().
#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>

#include "platform/gaudio.h"
#include "platform/gaudio_requests.h"

namespace {

constexpr unsigned short libVersion = 0x0100;  // 1.0

bool mci(const std::string& command) {
    return mciSendStringA(command.c_str(), nullptr, 0, nullptr) == 0;
}

class MciMusic final : public GASound {
public:
    explicit MciMusic(std::string alias) : alias_(std::move(alias)) {}
    ~MciMusic() override { mci("close " + alias_); }
    MciMusic(const MciMusic&) = delete;
    MciMusic& operator=(const MciMusic&) = delete;

    long play() override { return mci("play " + alias_ + " repeat") ? gaOk : gaNoDevice; }

private:
    std::string alias_;
};

}  // namespace

unsigned short GA_getLibVersion() { return libVersion; }

CGAudio::CGAudio() = default;

CGAudio::~CGAudio() { close(); }

void CGAudio::close() {
    if (deviceOpen_) mci("close all");
    deviceOpen_ = false;
}

long CGAudio::init(unsigned long mixChannels, unsigned long sampleRate, int flags) {
    if (deviceOpen_) return gaBadState;
    if (!gaudio::validInit(mixChannels, sampleRate, flags)) return gaBadArgument;
    // MCI picks the output rate itself; what init can check is that there is
    // an output at all.
    if (waveOutGetNumDevs() == 0) return gaNoDevice;
    deviceOpen_ = true;
    return gaOk;
}

long CGAudio::getSoundClass(unsigned long soundClass, void* descriptor, void** sound) {
    if (!deviceOpen_) return gaBadState;
    const SoundDesc* desc = gaudio::musicRequest(soundClass, descriptor, sound);
    if (desc == nullptr) return gaBadArgument;

    // MCI opens what it is given without reading it yet; a missing or
    // unreadable file is caught here, as the other builds catch it on loading.
    std::FILE* file = std::fopen(desc->path, "rb");
    if (file == nullptr) return gaCannotLoad;
    std::fclose(file);
    // MCI wants the system's separators; a quote would end its file name.
    std::string path = desc->path;
    for (char& c : path)
        if (c == '/') c = '\\';
    if (path.find('"') != std::string::npos) return gaBadArgument;

    static int opened = 0;
    std::string alias = "kelvora_music" + std::to_string(++opened);
    if (!mci("open \"" + path + "\" type mpegvideo alias " + alias)) return gaCannotLoad;
    *sound = static_cast<GASound*>(new MciMusic(std::move(alias)));
    return gaOk;
}
