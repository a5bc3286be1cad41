// The real audio library on SDL2_mixer, heard through SDL's disk driver: the
// mixed output goes to a raw file (signed 16-bit, stereo, 44.1 kHz, as init
// asks for), written at the real-time rate.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/gaudio.h"

namespace {

namespace fs = std::filesystem;

constexpr int rate = 44100;
constexpr int outputChannels = 2;
constexpr double toneHz = 440.0;
constexpr double toneSeconds = 0.6;  // short, so that a 2 s run must loop it
constexpr double toneAmplitude = 0.5;
constexpr double playSeconds = 2.0;
constexpr double silenceRms = 300.0;  // about -40 dBFS

class AudioTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kelvora-audio-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        dir = pattern;
        output = dir / "out.raw";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    }
    void TearDown() override { fs::remove_all(dir); }

    // A mono sine tone encoded with lame; skips the test where lame is absent.
    fs::path makeToneMp3() {
        const fs::path wav = dir / "tone.wav", mp3 = dir / "tone.mp3";
        const auto frames = static_cast<std::uint32_t>(rate * toneSeconds);
        std::ofstream out(wav, std::ios::binary);
        auto put32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
        auto put16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
        out.write("RIFF", 4);
        put32(36 + frames * 2);
        out.write("WAVEfmt ", 8);
        put32(16);
        put16(1);  // PCM
        put16(1);  // mono
        put32(rate);
        put32(rate * 2);
        put16(2);
        put16(16);
        out.write("data", 4);
        put32(frames * 2);
        for (std::uint32_t i = 0; i < frames; ++i)
            put16(static_cast<std::uint16_t>(static_cast<std::int16_t>(
                32767.0 * toneAmplitude * std::sin(2.0 * M_PI * toneHz * i / rate))));
        out.close();
        const std::string command =
            "lame --quiet '" + wav.string() + "' '" + mp3.string() + "' 2>/dev/null";
        if (std::system(command.c_str()) != 0 || !fs::exists(mp3)) return {};
        return mp3;
    }

    // Waits until the disk driver has written `seconds` of output (it runs at
    // the real-time rate, slower on a busy machine), giving up after a while.
    void waitForOutput(double seconds) {
        const auto wanted = static_cast<std::uintmax_t>(seconds * rate * outputChannels * 2);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            std::error_code ignored;
            if (fs::file_size(output, ignored) >= wanted) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    // Left channel of what was written.
    std::vector<double> leftSamples() {
        std::ifstream in(output, std::ios::binary);
        std::vector<double> left;
        std::int16_t frame[outputChannels];
        while (in.read(reinterpret_cast<char*>(frame), sizeof frame)) left.push_back(frame[0]);
        return left;
    }

    // Plays `mp3` through a fresh audio object as the show does, then closes it.
    void playFor(const fs::path& mp3, double seconds) {
        auto* audio = new CGAudio;
        ASSERT_EQ(gaOk, audio->init(3, rate, 0));
        const std::string path = mp3.string();
        SoundDesc desc{};
        desc.format = 512;
        desc.path = path.c_str();
        desc.soundClass = 5;
        void* sound = nullptr;
        ASSERT_EQ(gaOk, audio->getSoundClass(5, &desc, &sound));
        ASSERT_NE(nullptr, sound);
        EXPECT_EQ(gaOk, static_cast<GASound*>(sound)->play());
        waitForOutput(seconds);
        delete audio;  // flushes and closes the output file
    }

    fs::path dir;
    fs::path output;
};

double rms(const std::vector<double>& s, std::size_t from, std::size_t count) {
    double sum = 0.0;
    for (std::size_t i = from; i < from + count; ++i) sum += s[i] * s[i];
    return std::sqrt(sum / static_cast<double>(count));
}

TEST_F(AudioTest, PlaysTheToneAndRepeatsItWithoutFurtherCalls) {
    const fs::path mp3 = makeToneMp3();
    if (mp3.empty()) GTEST_SKIP() << "lame is not installed: no test track";
    playFor(mp3, playSeconds);

    const std::vector<double> left = leftSamples();
    const auto block = static_cast<std::size_t>(rate / 4);
    ASSERT_GE(left.size(), static_cast<std::size_t>(playSeconds * rate) - block)
        << "the disk driver wrote too little";

    // Every quarter second after the first is loud, well past the end of the
    // 0.6 s track: it loops. The first is left out for the decoder's start-up.
    for (std::size_t from = block; from + block <= left.size(); from += block)
        EXPECT_GT(rms(left, from, block), silenceRms) << "at sample " << from;

    // And it is the tone: zero crossings in the loudest 0.1 s block.
    const auto shortBlock = static_cast<std::size_t>(rate / 10);
    std::size_t loudest = 0;
    for (std::size_t from = 0; from + shortBlock <= left.size(); from += shortBlock)
        if (rms(left, from, shortBlock) > rms(left, loudest, shortBlock)) loudest = from;
    int crossings = 0;
    for (std::size_t i = loudest + 1; i < loudest + shortBlock; ++i)
        if ((left[i - 1] < 0.0) != (left[i] < 0.0)) ++crossings;
    EXPECT_NEAR(2.0 * toneHz * 0.1, crossings, 3.0);
}

TEST_F(AudioTest, PlaysTheShowTrackWhenPresent) {
    const fs::path track = fs::path(KELVORA_SOURCE_DIR) / "stuff" / "kelvora.mp3";
    if (!fs::exists(track)) GTEST_SKIP() << track << " is not there yet";
    playFor(track, playSeconds);

    const std::vector<double> left = leftSamples();
    ASSERT_GT(left.size(), static_cast<std::size_t>(rate));
    EXPECT_GT(rms(left, 0, left.size()), silenceRms);
}

TEST_F(AudioTest, RefusesMissingUnreadableAndMisdescribedFiles) {
    CGAudio audio;
    void* sound = &audio;  // any marker: failures must leave it alone
    SoundDesc desc{};
    desc.format = 512;
    desc.soundClass = 5;
    desc.path = "stuff/kelvora.mp3";
    EXPECT_EQ(gaBadState, audio.getSoundClass(5, &desc, &sound)) << "before init";
    ASSERT_EQ(gaOk, audio.init(3, rate, 0));

    const std::string missing = (dir / "missing.mp3").string();
    desc.path = missing.c_str();
    EXPECT_EQ(gaCannotLoad, audio.getSoundClass(5, &desc, &sound));

    const std::string garbage = (dir / "garbage.mp3").string();
    std::ofstream(garbage) << "not music at all\n";
    desc.path = garbage.c_str();
    EXPECT_EQ(gaCannotLoad, audio.getSoundClass(5, &desc, &sound));

    // No regular file: reading a named pipe would wait for a writer for ever.
    const std::string pipe = (dir / "pipe.mp3").string(), folder = (dir / "folder.mp3").string();
    ASSERT_EQ(0, mkfifo(pipe.c_str(), 0600));
    fs::create_directory(folder);
    for (const std::string& odd : {pipe, folder}) {
        desc.path = odd.c_str();
        EXPECT_EQ(gaCannotLoad, audio.getSoundClass(5, &desc, &sound)) << odd;
    }

    desc.path = nullptr;
    EXPECT_EQ(gaBadArgument, audio.getSoundClass(5, &desc, &sound)) << "null path";
    desc.path = missing.c_str();
    EXPECT_EQ(gaBadArgument, audio.getSoundClass(4, &desc, &sound)) << "class 4";
    desc.format = 1;
    EXPECT_EQ(gaBadArgument, audio.getSoundClass(5, &desc, &sound)) << "format 1";
    EXPECT_EQ(gaBadArgument, audio.getSoundClass(5, nullptr, &sound)) << "no descriptor";
    EXPECT_EQ(gaBadArgument, audio.getSoundClass(5, &desc, nullptr)) << "no result slot";

    EXPECT_EQ(static_cast<void*>(&audio), sound);
    EXPECT_EQ(gaBadState, audio.init(3, rate, 0)) << "second init";
}

TEST_F(AudioTest, InitFailsCleanlyWithoutAnAudioDevice) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    {
        CGAudio audio;
        EXPECT_EQ(gaNoDevice, audio.init(3, rate, 0));
    }
    CGAudio audio;
    EXPECT_EQ(gaBadArgument, audio.init(3, rate, 1)) << "unknown flag";
    EXPECT_EQ(gaBadArgument, audio.init(3, 0, 0)) << "sample rate 0";
    EXPECT_EQ(gaBadArgument, audio.init(1000, rate, 0)) << "1000 mixing channels";
}

}  // namespace
