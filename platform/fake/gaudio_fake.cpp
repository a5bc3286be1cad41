// The fake audio library: notes each call with its arguments and plays back
// scripted results. Nothing is decoded or heard.
#include "platform/fake/gaudio_fake.h"

#include <string>

#include "platform/fake/platform_fake.h"

namespace {

constexpr unsigned short fakeLibVersion = 0x0100;

using platform::fake::note;

class FakeSound final : public GASound {
public:
    long play() override {
        note("GASound::play");
        return gaOk;
    }
};

FakeSound theSound;
long initResult = gaOk;
long getSoundResult = gaOk;
void** soundSlot = nullptr;

std::string describe(const SoundDesc& d) {
    return " format=" + std::to_string(d.format) + " reserved=" + std::to_string(d.reserved) +
           " path=" + (d.path != nullptr ? d.path : "null") + " f8=" + std::to_string(d.field8) +
           " f12=" + std::to_string(d.field12) + " class=" + std::to_string(d.soundClass) +
           " f20=" + std::to_string(d.field20) + " f24=" + std::to_string(d.field24) +
           " f28=" + std::to_string(d.field28) + " f32=" + std::to_string(d.field32) +
           " f36=" + std::to_string(d.field36);
}

}  // namespace

namespace gaudio_fake {

void script(long newInitResult, long newGetSoundResult) {
    initResult = newInitResult;
    getSoundResult = newGetSoundResult;
}

GASound* sound() { return &theSound; }
void** lastSoundSlot() { return soundSlot; }

}  // namespace gaudio_fake

unsigned short GA_getLibVersion() {
    note("GA_getLibVersion");
    return fakeLibVersion;
}

CGAudio::CGAudio() { note("CGAudio::CGAudio"); }

CGAudio::~CGAudio() { note("CGAudio::~CGAudio"); }

long CGAudio::init(unsigned long mixChannels, unsigned long sampleRate, int flags) {
    note("CGAudio::init " + std::to_string(mixChannels) + " " + std::to_string(sampleRate) + " " +
         std::to_string(flags));
    return initResult;
}

long CGAudio::getSoundClass(unsigned long soundClass, void* descriptor, void** sound) {
    std::string line = "CGAudio::getSoundClass " + std::to_string(soundClass);
    line += descriptor != nullptr ? describe(*static_cast<const SoundDesc*>(descriptor))
                                  : std::string(" descriptor=null");
    note(line);
    soundSlot = sound;
    if (getSoundResult == gaOk && sound != nullptr) *sound = static_cast<GASound*>(&theSound);
    return getSoundResult;
}
