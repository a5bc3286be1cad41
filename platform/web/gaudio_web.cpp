// The audio library on Web Audio: the track decoded whole by the browser,
// then played by a looping buffer source, which needs nothing more from the
// program once started. The browser's objects stay on the JavaScript side,
// in Module.kelvoraAudio; the program holds only their numbers.
#include <emscripten.h>

#include <cstdio>
#include <vector>

#include "platform/gaudio.h"
#include "platform/gaudio_requests.h"

namespace {

constexpr unsigned short libVersion = 0x0100;  // 1.0

// The audio context at that rate: 1, or 0 when the browser has no Web Audio
// or refuses the rate.
EM_JS(int, openContext, (unsigned sampleRate), {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return 0;
    try {
        const context = new Context({sampleRate : sampleRate});
        Module.kelvoraAudio = {context : context, tracks : []};
        // Made after the page's first OK, so the browser lets it play.
        if (context.state == 'suspended') context.resume().catch(() => {});
        return 1;
    } catch (error) {
        console.error('kelvora: no audio: ' + error.message);
        return 0;
    }
});

EM_JS(void, closeContext, (), {
    const audio = Module.kelvoraAudio;
    if (!audio) return;
    audio.context.close().catch(() => {});
    Module.kelvoraAudio = null;
});

// Decodes the file's bytes; the track's number, or -1 when the browser cannot
// decode them.
EM_ASYNC_JS(int, decodeTrack, (const unsigned char* bytes, int size), {
    const audio = Module.kelvoraAudio;
    if (!audio) return -1;
    try {
        // decodeAudioData takes the buffer over: a copy, not the heap.
        const buffer = await audio.context.decodeAudioData(HEAPU8.slice(bytes, bytes + size).buffer);
        audio.tracks.push(buffer);
        return audio.tracks.length - 1;
    } catch (error) {
        console.error('kelvora: the music cannot be decoded: ' + (error && error.message));
        return -1;
    }
});

// Starts the track, repeating; 1 when it plays, 0 when the context is gone.
EM_JS(int, playTrack, (int track), {
    const audio = Module.kelvoraAudio;
    if (!audio || audio.context.state == 'closed' || !audio.tracks[track]) return 0;
    const source = audio.context.createBufferSource();
    source.buffer = audio.tracks[track];
    source.loop = true;
    source.connect(audio.context.destination);
    source.start();
    return 1;
});

class WebMusic final : public GASound {
public:
    explicit WebMusic(int track) : track_(track) {}
    long play() override { return playTrack(track_) ? gaOk : gaNoDevice; }

private:
    int track_;
};

// The whole file, or nothing when it cannot be read.
bool readFile(const char* path, std::vector<unsigned char>& bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    unsigned char chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok && !bytes.empty();
}

}  // namespace

unsigned short GA_getLibVersion() { return libVersion; }

CGAudio::CGAudio() = default;

CGAudio::~CGAudio() { close(); }

void CGAudio::close() {
    if (deviceOpen_) closeContext();
    deviceOpen_ = mixerUp_ = subsystemUp_ = false;
}

long CGAudio::init(unsigned long mixChannels, unsigned long sampleRate, int flags) {
    if (subsystemUp_) return gaBadState;
    if (!gaudio::validInit(mixChannels, sampleRate, flags)) return gaBadArgument;
    // Web Audio mixes by itself: the mixing channels need nothing here.
    if (!openContext(static_cast<unsigned>(sampleRate))) return gaNoDevice;
    subsystemUp_ = mixerUp_ = deviceOpen_ = true;
    return gaOk;
}

long CGAudio::getSoundClass(unsigned long soundClass, void* descriptor, void** sound) {
    if (!deviceOpen_) return gaBadState;
    const SoundDesc* desc = gaudio::musicRequest(soundClass, descriptor, sound);
    if (desc == nullptr) return gaBadArgument;

    std::vector<unsigned char> bytes;
    if (!readFile(desc->path, bytes)) return gaCannotLoad;
    const int track = decodeTrack(bytes.data(), static_cast<int>(bytes.size()));
    if (track < 0) return gaCannotLoad;
    *sound = static_cast<GASound*>(new WebMusic(track));
    return gaOk;
}
