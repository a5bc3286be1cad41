// The audio library on Web Audio: the track fetched and decoded whole by the
// browser in the background, then played by a looping buffer source, which
// needs nothing more from the program once started. The browser's objects
// stay on the JavaScript side, in Module.kelvoraAudio; the program holds only
// their numbers.
#include <emscripten.h>

#include "platform/gaudio.h"
#include "platform/gaudio_requests.h"

namespace {

constexpr unsigned short libVersion = 0x0100;  // 1.0

// The audio context at that rate, made in the background: 1, or 0 when the
// browser has no Web Audio. Starting the browser's audio takes a tenth of a
// second or more, which the first frame does not wait for; a rate the
// browser refuses leaves the show silent, as a missing track does.
EM_JS(int, openContext, (unsigned sampleRate), {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return 0;
    const audio = {
        context : null,
        closed : false,
        tracks : [],
        close() {
            audio.closed = true;
            if (audio.context) audio.context.close().catch(() => {});
        },
    };
    audio.ready = new Promise(resolve => requestAnimationFrame(() => setTimeout(resolve, 0))).then(() => {
        if (audio.closed) return null;
        audio.context = new Context({sampleRate : sampleRate});
        // Made after the page's first OK, so the browser lets it play.
        if (audio.context.state == 'suspended' && !document.hidden) audio.context.resume().catch(() => {});
        return audio.context;
    }).catch(error => {
        console.error('kelvora: no audio: ' + error.message);
        return null;
    });
    Module.kelvoraAudio = audio;
    return 1;
});

EM_JS(void, closeContext, (), {
    if (Module.kelvoraAudio) Module.kelvoraAudio.close();
    Module.kelvoraAudio = null;
});

// Starts fetching and decoding the file in the background: the page fetches
// the music after everything else, and neither the warning nor the first
// frame waits for it. The track's number.
EM_JS(int, beginTrack, (const char* path), {
    const audio = Module.kelvoraAudio;
    const name = UTF8ToString(path).split('/').pop();
    const track = {
        buffer : null,
        wanted : false,  // play() came, perhaps before the buffer
        start() {
            if (audio.closed) return;
            const source = audio.context.createBufferSource();
            source.buffer = track.buffer;
            source.loop = true;
            source.connect(audio.context.destination);
            source.start();
        },
    };
    audio.tracks.push(track);
    Promise.all([audio.ready, Module.kelvoraPage.laterFile(name)])
        .then(([context, bytes]) => bytes && context && !audio.closed ? context.decodeAudioData(bytes.buffer) : null)
        .then(buffer => {
            track.buffer = buffer;
            if (buffer && track.wanted) track.start();
        })
        .catch(error => console.error('kelvora: the music cannot be decoded: ' + (error && error.message)));
    return audio.tracks.length - 1;
});

// Plays the track, repeating, from when it has been decoded; 1 when it will,
// 0 when the context is gone.
EM_JS(int, playTrack, (int track), {
    const audio = Module.kelvoraAudio;
    if (!audio || audio.closed || !audio.tracks[track]) return 0;
    audio.tracks[track].wanted = true;
    if (audio.tracks[track].buffer) audio.tracks[track].start();
    return 1;
});

class WebMusic final : public GASound {
public:
    explicit WebMusic(int track) : track_(track) {}
    long play() override { return playTrack(track_) ? gaOk : gaNoDevice; }

private:
    int track_;
};

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

    // A track the page cannot fetch or decode is silence, as a missing one is.
    *sound = static_cast<GASound*>(new WebMusic(beginTrack(desc->path)));
    return gaOk;
}
