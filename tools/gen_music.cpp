// Synthesizes the show's music track, an upbeat electronic loop in A minor at
// 125 BPM, and writes it as a 16-bit stereo 44.1 kHz WAV file.
// Usage: gen_music <output.wav>
//
// Every note is rendered into a circular buffer one loop long, so tails that
// run past the end (releases, echoes, cymbals) land at the start and the loop
// joins without a click. Noise comes from a fixed integer generator: the same
// program writes the same bytes on every run.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int sampleRate = 44100;
constexpr int samplesPerStep = 5292;  // a sixteenth note at 125 BPM, exactly
constexpr int stepsPerBar = 16;
constexpr int barCount = 48;  // 92.16 s
constexpr long loopFrames = long(barCount) * stepsPerBar * samplesPerStep;
constexpr double pi = 3.14159265358979323846;
constexpr double outputPeak = 0.89;  // about -1 dBFS, headroom for the MP3 encoder

// Sections of the arrangement, in bars.
constexpr int introEnd = 8, partAEnd = 24, breakdownEnd = 32;

struct Bus {
    std::vector<double> left = std::vector<double>(loopFrames), right = std::vector<double>(loopFrames);
    void add(long frame, double l, double r) {
        const size_t i = size_t(((frame % loopFrames) + loopFrames) % loopFrames);
        left[i] += l;
        right[i] += r;
    }
};

struct Noise {
    uint32_t state;
    double next() {  // xorshift32, uniform in -1..1
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return double(state) / 2147483648.0 - 1.0;
    }
};

// Topology-preserving state-variable filter: stable at any cutoff.
struct Svf {
    double ic1 = 0, ic2 = 0, low = 0, band = 0, high = 0;
    void run(double in, double cutoff, double q) {
        const double g = std::tan(pi * std::min(cutoff, 0.45 * sampleRate) / sampleRate);
        const double k = 1 / q;
        const double a1 = 1 / (1 + g * (g + k)), a2 = g * a1, a3 = g * a2;
        const double v3 = in - ic2;
        const double v1 = a1 * ic1 + a2 * v3;
        const double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2 * v1 - ic1;
        ic2 = 2 * v2 - ic2;
        low = v2;
        band = v1;
        high = in - k * v1 - v2;
    }
};

double midiHz(double note) { return 440.0 * std::pow(2.0, (note - 69) / 12); }

// Band-limited step correction for the saw and square.
double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1;
    }
    if (t > 1 - dt) {
        t = (t - 1) / dt;
        return t * t + t + t + 1;
    }
    return 0;
}

struct Osc {
    double phase = 0;
    double saw(double hz) {
        const double dt = hz / sampleRate;
        const double v = 2 * phase - 1 - polyBlep(phase, dt);
        advance(dt);
        return v;
    }
    double square(double hz) {
        const double dt = hz / sampleRate;
        const double v = (phase < 0.5 ? 1 : -1) + polyBlep(phase, dt) - polyBlep(std::fmod(phase + 0.5, 1.0), dt);
        advance(dt);
        return v;
    }
    double sine(double hz) {
        const double v = std::sin(2 * pi * phase);
        advance(hz / sampleRate);
        return v;
    }
    void advance(double dt) { phase = std::fmod(phase + dt, 1.0); }
};

// Attack, then exponential decay to a sustain level, then a linear release
// after `hold` seconds.
double envelope(double t, double attack, double decay, double sustain, double hold, double release) {
    double v = t < attack ? t / attack : sustain + (1 - sustain) * std::exp(-(t - attack) / decay);
    if (t > hold) v *= std::max(0.0, 1 - (t - hold) / release);
    return v;
}

long stepFrame(int bar, double step) { return long(bar) * stepsPerBar * samplesPerStep + long(step * samplesPerStep); }

double seconds(long frames) { return double(frames) / sampleRate; }

// Equal-power pan, -1 left .. 1 right.
void addPanned(Bus& bus, long frame, double v, double pan) {
    const double a = (pan + 1) * pi / 4;
    bus.add(frame, v * std::cos(a), v * std::sin(a));
}

// ------------------------------------------------------------------ drums

struct Drums {
    Bus bus;
    Noise noise{0x2545F491u};
    std::vector<long> kicks;

    void kick(long at) {
        kicks.push_back(at);
        Osc body;
        const long n = long(0.45 * sampleRate);
        for (long i = 0; i < n; ++i) {
            const double t = seconds(i);
            const double hz = 46 + 120 * std::exp(-t / 0.03);
            const double amp = std::min(1.0, t / 0.002) * std::exp(-t / 0.2);
            const double click = noise.next() * std::exp(-t / 0.003) * 0.08;
            const double v = std::tanh(1.6 * (body.sine(hz) * amp + click)) * 0.95;
            bus.add(at + i, v, v);
        }
    }

    void clap(long at, double level) {
        Svf f;
        const long n = long(0.35 * sampleRate);
        for (long i = 0; i < n; ++i) {
            const double t = seconds(i);
            // Three quick hands, then the room.
            double env = 0;
            for (double start : {0.0, 0.011, 0.022})
                if (t >= start) env = std::max(env, std::exp(-(t - start) / (start < 0.02 ? 0.008 : 0.11)));
            f.run(noise.next(), 1300, 1.4);
            const double v = f.band * env * level * 1.6;
            bus.add(at + i, v * 0.95, v);
        }
    }

    void snare(long at, double level) {
        Svf f;
        Osc tone;
        const long n = long(0.22 * sampleRate);
        for (long i = 0; i < n; ++i) {
            const double t = seconds(i);
            f.run(noise.next(), 2200, 0.9);
            const double v = (f.band * std::exp(-t / 0.07) + 0.4 * tone.sine(190) * std::exp(-t / 0.05)) * level;
            bus.add(at + i, v, v);
        }
    }

    void hat(long at, double level, bool open) {
        Svf f;
        const double decay = open ? 0.13 : 0.022;
        const long n = long((open ? 0.45 : 0.1) * sampleRate);
        for (long i = 0; i < n; ++i) {
            const double t = seconds(i);
            f.run(noise.next(), 8000, 0.8);
            addPanned(bus, at + i, f.high * std::exp(-t / decay) * level, 0.3);
        }
    }

    void crash(long at) {
        Svf f;
        const long n = long(2.5 * sampleRate);
        for (long i = 0; i < n; ++i) {
            const double t = seconds(i);
            f.run(noise.next(), 5000, 0.7);
            const double v = f.high * std::exp(-t / 0.6) * 0.35;
            bus.add(at + i, v * 0.9, v);
        }
    }

    // A bar of rising filtered noise leading into a section.
    void riser(long at) {
        Svf f;
        const long n = long(stepsPerBar) * samplesPerStep;
        for (long i = 0; i < n; ++i) {
            const double u = double(i) / n;
            f.run(noise.next(), 300 + 7000 * u * u, 2.0);
            const double v = f.band * u * u * 0.5;
            addPanned(bus, at + i, v, std::sin(u * 6 * pi) * 0.5);
        }
    }
};

// ------------------------------------------------------------------ tones

struct Instruments {
    Bus bus;  // ducked by the kick
    Bus lead;

    void bass(long at, int note, double steps) {
        Osc saw, sub;
        Svf f;
        const double hold = steps * samplesPerStep / sampleRate;
        const long n = long((hold + 0.02) * sampleRate);
        const double hz = midiHz(note);
        for (long i = 0; i < n; ++i) {
            const double t = seconds(i);
            const double amp = envelope(t, 0.003, 0.08, 0.7, hold, 0.02);
            f.run(saw.saw(hz), 250 + 1900 * std::exp(-t / 0.05), 1.2);
            const double v = (f.low * 0.8 + sub.sine(hz / 2) * 0.5) * amp * 0.55;
            bus.add(at + i, v, v);
        }
    }

    void stab(long at, const std::vector<int>& notes, double steps, double level) {
        const double hold = steps * samplesPerStep / sampleRate;
        const long n = long((hold + 0.08) * sampleRate);
        for (size_t k = 0; k < notes.size(); ++k) {
            Osc a, b;
            Svf fa, fb;
            const double hz = midiHz(notes[k]);
            a.phase = 0.13 * double(k);
            b.phase = 0.57 + 0.11 * double(k);
            for (long i = 0; i < n; ++i) {
                const double t = seconds(i);
                const double amp = envelope(t, 0.002, 0.22, 0.0, hold, 0.08) * level / double(notes.size());
                const double cutoff = 700 + 4200 * std::exp(-t / 0.1);
                fa.run(a.saw(hz * 1.004), cutoff, 1.1);
                fb.run(b.saw(hz * 0.996), cutoff, 1.1);
                bus.add(at + i, fa.low * amp, fb.low * amp);
            }
        }
    }

    void pad(long at, const std::vector<int>& notes, double steps, double level) {
        const double hold = steps * samplesPerStep / sampleRate;
        const long n = long((hold + 0.7) * sampleRate);
        for (size_t k = 0; k < notes.size(); ++k) {
            Osc o[3];
            Svf fl, fr;
            const double hz = midiHz(notes[k]);
            for (int j = 0; j < 3; ++j) o[j].phase = 0.21 * j + 0.09 * double(k);
            for (long i = 0; i < n; ++i) {
                const double t = seconds(i);
                const double amp = envelope(t, 0.45, 1.0, 1.0, hold, 0.7) * level / double(notes.size());
                const double s0 = o[0].saw(hz * 0.994), s1 = o[1].saw(hz), s2 = o[2].saw(hz * 1.006);
                fl.run(s0 + 0.5 * s1, 1400, 0.7);
                fr.run(s2 + 0.5 * s1, 1400, 0.7);
                bus.add(at + i, fl.low * amp, fr.low * amp);
            }
        }
    }

    void pluck(long at, int note, double pan, double level) {
        Osc o;
        Svf f;
        const long n = long(0.3 * sampleRate);
        const double hz = midiHz(note);
        for (long i = 0; i < n; ++i) {
            const double t = seconds(i);
            f.run(o.square(hz), 600 + 5000 * std::exp(-t / 0.04), 1.5);
            addPanned(bus, at + i, f.low * std::min(1.0, t / 0.002) * std::exp(-t / 0.09) * level, pan);
        }
    }

    // The lead, with ping-pong echoes a dotted eighth apart.
    void melodyNote(long at, int note, double steps, double level) {
        const double hold = steps * samplesPerStep / sampleRate - 0.02;
        const long n = long((hold + 0.08) * sampleRate);
        const long echo = 3 * samplesPerStep;
        Osc sq, sw, vib;
        Svf f;
        for (long i = 0; i < n; ++i) {
            const double t = seconds(i);
            const double bend = 0.18 * std::min(1.0, std::max(0.0, (t - 0.15) / 0.2)) * vib.sine(5.5);
            const double hz = midiHz(note + bend);
            const double amp = envelope(t, 0.004, 0.2, 0.65, hold, 0.08) * level;
            f.run(0.6 * sq.square(hz) + 0.5 * sw.saw(hz * 1.003), 1800 + 3500 * std::exp(-t / 0.15), 1.3);
            const double v = f.low * amp;
            lead.add(at + i, v, v);
            lead.add(at + echo + i, v * 0.32, v * 0.08);
            lead.add(at + 2 * echo + i, v * 0.05, v * 0.18);
        }
    }
};

struct Chord {
    int root;                 // bass note
    std::vector<int> voicing; // stabs and pads
    std::vector<int> arp;
};

// Am - F - C - G, one chord a bar.
const Chord progression[4] = {
    {45, {57, 60, 64, 69}, {69, 72, 76, 81}},
    {41, {57, 60, 65, 69}, {65, 69, 72, 77}},
    {48, {55, 60, 64, 67}, {67, 72, 76, 79}},
    {43, {55, 59, 62, 67}, {67, 71, 74, 79}},
};

struct Note {
    double step;
    double length;  // in steps
    int pitch;
};

// Four bars each, over the four chords.
const std::vector<Note> melodyA = {
    {0, 3, 76}, {3, 3, 76}, {6, 2, 74}, {8, 2, 72}, {10, 2, 74}, {12, 4, 76},
    {16, 3, 77}, {19, 3, 76}, {22, 2, 72}, {24, 4, 69}, {28, 4, 72},
    {32, 3, 79}, {35, 3, 76}, {38, 2, 72}, {40, 2, 76}, {42, 2, 79}, {44, 4, 81},
    {48, 3, 71}, {51, 3, 74}, {54, 2, 79}, {56, 4, 74}, {60, 2, 71}, {62, 2, 74},
};
const std::vector<Note> melodyAEnding = {  // the second time round it climbs back to A
    {48, 3, 79}, {51, 3, 77}, {54, 2, 74}, {56, 4, 71}, {60, 4, 76},
};
const std::vector<Note> melodyB = {
    {0, 2, 81}, {2, 2, 84}, {4, 2, 83}, {6, 2, 81}, {8, 4, 76}, {12, 2, 81}, {14, 2, 83},
    {16, 4, 84}, {20, 2, 81}, {22, 2, 77}, {24, 4, 81}, {28, 2, 84}, {30, 2, 86},
    {32, 4, 88}, {36, 2, 86}, {38, 2, 84}, {40, 4, 79}, {44, 2, 84}, {46, 2, 88},
    {48, 6, 86}, {54, 2, 83}, {56, 4, 79}, {60, 2, 83}, {62, 2, 86},
};

void playPhrase(Instruments& ins, int firstBar, const std::vector<Note>& notes, int transpose, double level,
                bool endingVariant) {
    for (const Note& n : notes) {
        if (endingVariant && n.step >= 48) continue;
        ins.melodyNote(stepFrame(firstBar, n.step), n.pitch + transpose, n.length, level);
    }
    if (endingVariant)
        for (const Note& n : melodyAEnding) ins.melodyNote(stepFrame(firstBar, n.step), n.pitch + transpose, n.length, level);
}

void arrange(Drums& d, Instruments& ins) {
    for (int bar = 0; bar < barCount; ++bar) {
        const Chord& chord = progression[bar % 4];
        const bool intro = bar < introEnd, breakdown = bar >= partAEnd && bar < breakdownEnd;
        const bool full = !intro && !breakdown;
        if (bar == 0 || bar == introEnd || bar == breakdownEnd) d.crash(stepFrame(bar, 0));
        if (bar == introEnd - 1 || bar == breakdownEnd - 1) d.riser(stepFrame(bar, 0));

        for (int s = 0; s < stepsPerBar; ++s) {
            const long at = stepFrame(bar, s);
            if (!breakdown && s % 4 == 0) d.kick(at);
            if ((full || bar >= 4) && !breakdown && (s == 4 || s == 12)) d.clap(at, 0.8);
            const bool offbeat = s % 4 == 2;
            if (intro && bar < 4) {
                if (s % 2 == 0) d.hat(at, s % 4 == 0 ? 0.18 : 0.3, false);
            } else if (!breakdown) {
                if (offbeat) d.hat(at, 0.28, true);
                else d.hat(at, s % 2 == 0 ? 0.2 : 0.12, false);
            } else if (bar >= partAEnd + 4 && s % 2 == 0) {
                d.hat(at, 0.12, false);
            }
            // Bass rolls between the kicks, jumping an octave on the last sixteenth.
            if ((bar >= 4 && !breakdown) && s % 4 != 0) ins.bass(at, chord.root + (s % 4 == 3 ? 12 : 0), 0.8);
            if (full && (offbeat || (bar >= breakdownEnd && s == 15 && bar % 2 == 1)))
                ins.stab(at, chord.voicing, 1.4, 0.5);
        }
        if (bar == breakdownEnd - 1)  // snare roll: eighths, then sixteenths
            for (int s = 0; s < stepsPerBar; s += s < 8 ? 2 : 1) d.snare(stepFrame(bar, s), 0.2 + 0.5 * s / 16.0);

        if (intro || breakdown) ins.pad(stepFrame(bar, 0), chord.voicing, stepsPerBar, 0.5);
        else if (bar >= breakdownEnd) ins.pad(stepFrame(bar, 0), chord.voicing, stepsPerBar, 0.22);

        const bool arp = (bar >= 16 && bar < partAEnd) || breakdown || bar >= 40;
        if (arp)
            for (int s = 0; s < stepsPerBar; ++s) {
                static const int order[8] = {0, 1, 2, 3, 2, 1, 2, 3};
                ins.pluck(stepFrame(bar, s), chord.arp[order[s % 8]], s % 2 ? 0.45 : -0.45, breakdown ? 0.2 : 0.13);
            }
    }
    playPhrase(ins, 8, melodyA, 0, 0.36, false);
    playPhrase(ins, 12, melodyA, 0, 0.36, true);
    playPhrase(ins, 16, melodyA, 0, 0.36, false);
    playPhrase(ins, 20, melodyA, 0, 0.36, true);
    playPhrase(ins, 28, melodyA, -12, 0.3, true);
    playPhrase(ins, 32, melodyB, 0, 0.3, false);
    playPhrase(ins, 36, melodyA, 12, 0.22, true);
    playPhrase(ins, 40, melodyB, 0, 0.3, false);
    playPhrase(ins, 44, melodyA, 0, 0.36, true);
}

// The music ducks under each kick, the pumping of the genre.
std::vector<double> duckCurve(const std::vector<long>& kicks) {
    std::vector<double> duck(loopFrames, 1.0);
    const long n = long(0.3 * sampleRate);
    for (long k : kicks)
        for (long i = 0; i < n; ++i) {
            const double t = seconds(i);
            const double v = 1 - 0.55 * std::min(1.0, t / 0.004) * std::exp(-t / 0.09);
            double& d = duck[size_t((k + i) % loopFrames)];
            d = std::min(d, v);
        }
    return duck;
}

void put16(std::vector<char>& out, unsigned v) {
    out.push_back(char(v & 0xFF));
    out.push_back(char((v >> 8) & 0xFF));
}
void put32(std::vector<char>& out, unsigned v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

bool writeWav(const std::string& path, const std::vector<double>& left, const std::vector<double>& right) {
    const unsigned dataBytes = unsigned(left.size() * 4);
    std::vector<char> out;
    out.reserve(44 + dataBytes);
    for (char ch : std::string("RIFF")) out.push_back(ch);
    put32(out, 36 + dataBytes);
    for (char ch : std::string("WAVEfmt ")) out.push_back(ch);
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, 2);
    put32(out, sampleRate);
    put32(out, sampleRate * 4);
    put16(out, 4);
    put16(out, 16);
    for (char ch : std::string("data")) out.push_back(ch);
    put32(out, dataBytes);
    for (size_t i = 0; i < left.size(); ++i)
        for (double v : {left[i], right[i]}) put16(out, unsigned(int16_t(std::lround(std::clamp(v, -1.0, 1.0) * 32767))));
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(out.data(), std::streamsize(out.size()));
    return bool(f);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_music <output.wav>\n");
        return 2;
    }
    Drums drums;
    Instruments ins;
    arrange(drums, ins);
    const std::vector<double> duck = duckCurve(drums.kicks);

    std::vector<double> left(loopFrames), right(loopFrames);
    double peak = 0;
    for (size_t i = 0; i < size_t(loopFrames); ++i) {
        const double leadDuck = 0.5 + 0.5 * duck[i];
        left[i] = drums.bus.left[i] * 0.8 + ins.bus.left[i] * duck[i] + ins.lead.left[i] * leadDuck;
        right[i] = drums.bus.right[i] * 0.8 + ins.bus.right[i] * duck[i] + ins.lead.right[i] * leadDuck;
        peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    }
    // Gentle saturation after normalising, then the final level.
    const double drive = 1.5, norm = std::tanh(drive);
    for (size_t i = 0; i < size_t(loopFrames); ++i) {
        left[i] = std::tanh(drive * left[i] / peak) / norm * outputPeak;
        right[i] = std::tanh(drive * right[i] / peak) / norm * outputPeak;
    }
    if (!writeWav(argv[1], left, right)) {
        std::fprintf(stderr, "gen_music: %s: cannot be written\n", argv[1]);
        return 1;
    }
    return 0;
}
