// The music: one track handed to the audio library at start-up. The show
// never talks to the library again; the track repeats inside it until the
// process ends.
#include "assets/music.h"

#include <cstring>
#include <string>

#include "assets/data_folder.h"
#include "platform/gaudio.h"

namespace {

constexpr unsigned long mixChannels = 3;
constexpr unsigned long sampleRate = 44100;  // Hz
constexpr int audioFlags = 0;
constexpr std::uint32_t descField20 = 1;
constexpr std::uint32_t descField24 = 1;
constexpr const char* musicFile = "kelvora.mp3";
// Static storage: the path is handed over for the whole run, whatever the
// library does with it.
std::string musicPath;

// Both live for the whole run once the music plays; never released.
CGAudio* audio = nullptr;
void* sound = nullptr;

}  // namespace

void startMusic() {
    static_cast<void>(GA_getLibVersion());
    audio = new CGAudio;
    if (audio->init(mixChannels, sampleRate, audioFlags) == gaOk) {
        SoundDesc desc;
        std::memset(&desc, 0, sizeof desc);
        desc.format = gaMusicFormat;
        musicPath = dataFile(musicFile);
        desc.path = musicPath.c_str();
        desc.soundClass = gaMusicClass;
        desc.field20 = descField20;
        desc.field24 = descField24;
        desc.field28 = 0;
        if (audio->getSoundClass(gaMusicClass, &desc, &sound) == gaOk) {
            static_cast<GASound*>(sound)->play();
            return;
        }
    }
    // No music is no reason to stop the show: no message, and the sound
    // pointer keeps whatever it had.
    delete audio;
    audio = nullptr;
}
