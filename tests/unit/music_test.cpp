#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assets/music.h"
#include "platform/fake/gaudio_fake.h"
#include "platform/fake/platform_fake.h"

namespace {

namespace fake = platform::fake;

const std::string getSoundLine =
    "CGAudio::getSoundClass 5 format=512 reserved=0 path=stuff/kelvora.mp3 f8=0 f12=0 class=5 "
    "f20=1 f24=1 f28=0 f32=0 f36=0";

class MusicTest : public ::testing::Test {
protected:
    void SetUp() override { fake::reset(); }
    void TearDown() override { gaudio_fake::script(gaOk, gaOk); }
};

TEST_F(MusicTest, StartsTheTrackWithTheLibraryCallsInOrder) {
    gaudio_fake::script(gaOk, gaOk);
    startMusic();

    const std::vector<std::string> expected{"GA_getLibVersion", "CGAudio::CGAudio",
                                            "CGAudio::init 3 44100 0", getSoundLine,
                                            "GASound::play"};
    EXPECT_EQ(expected, fake::journal());
    ASSERT_NE(nullptr, gaudio_fake::lastSoundSlot());
    EXPECT_EQ(static_cast<void*>(gaudio_fake::sound()), *gaudio_fake::lastSoundSlot());
}

// Only 1 is success: any other value, positive ones included, means no music.
TEST_F(MusicTest, InitFailureDestroysTheAudioObjectAndShowsNothing) {
    for (long result : {0L, 2L, gaNoDevice}) {
        fake::reset();
        gaudio_fake::script(result, gaOk);
        startMusic();

        const std::vector<std::string> expected{"GA_getLibVersion", "CGAudio::CGAudio",
                                                "CGAudio::init 3 44100 0", "CGAudio::~CGAudio"};
        EXPECT_EQ(expected, fake::journal()) << "init result " << result;
        EXPECT_EQ(0, fake::count("messageBox")) << "init result " << result;
    }
}

TEST_F(MusicTest, GetSoundFailureDestroysTheAudioObjectAndLeavesTheSoundPointer) {
    // A successful start first, so that the sound pointer holds a known value.
    startMusic();
    void** slot = gaudio_fake::lastSoundSlot();
    ASSERT_NE(nullptr, slot);

    for (long result : {0L, 2L, gaCannotLoad}) {
        fake::reset();
        gaudio_fake::script(gaOk, result);
        startMusic();

        const std::vector<std::string> expected{"GA_getLibVersion", "CGAudio::CGAudio",
                                                "CGAudio::init 3 44100 0", getSoundLine,
                                                "CGAudio::~CGAudio"};
        EXPECT_EQ(expected, fake::journal()) << "getSoundClass result " << result;
        EXPECT_EQ(0, fake::count("messageBox")) << "getSoundClass result " << result;
        EXPECT_EQ(slot, gaudio_fake::lastSoundSlot());
        EXPECT_EQ(static_cast<void*>(gaudio_fake::sound()), *slot)
            << "getSoundClass result " << result;
    }
}

}  // namespace
