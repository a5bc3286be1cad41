// The screensaver's shell on the scripted window system: the show in the
// window it is given, none of the full-screen ceremony, its settings, its pace.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "app/saver.h"
#include "app/shell.h"
#include "camera/camera.h"
#include "platform/fake/gaudio_fake.h"
#include "platform/fake/platform_fake.h"
#include "render/frame_rate_text.h"
#include "tests/support/tga_writer.h"

namespace fake = platform::fake;

namespace {

const platform::MessageRecord vanish{nullptr, platform::msgDestroy, 0, 0};
const platform::MessageRecord paint{nullptr, platform::msgPaint, 0, 0};
const platform::MessageRecord to640x480{nullptr, platform::msgSize, 0, 640 | (480 << 16)};

// Runs the saver in host 0x2a00007 on a fresh script with these messages;
// returns its status.
int runInHost(std::deque<platform::MessageRecord> messages, bool music = false, bool created = true,
              bool madeCurrent = true) {
    fake::reset();
    gaudio_fake::script(1, 1);
    quitFlag = 0;
    mainWindow = nullptr;
    fake::script().messages = std::move(messages);
    fake::script().createWindowSucceeds = created;
    fake::script().makeCurrentSucceeds = madeCurrent;
    SaverOptions options;
    options.host = 0x2a00007;
    options.music = music;
    return runSaver(options);
}

std::string journalText() {
    std::string text;
    for (const auto& line : fake::journal()) text += line + "\n";
    return text;
}

}  // namespace

TEST(Saver, DrawsInItsHostAtItsSizeWithoutTheShowsCeremonyUntilTheHostGoes) {
    for (const bool music : {false, true}) {
        EXPECT_EQ(0, runInHost({paint, paint, vanish}, music));
        EXPECT_NE(-1, fake::find("createWindow Kelvora screensaver Kelvora screensaver saver host 0x2a00007"))
            << journalText();
        for (const char* ceremony : {"messageBox", "changeDisplayMode", "restoreDisplayMode", "showCursor",
                                     "setCursorImage", "destroyWindow", "postQuitMessage"})
            EXPECT_EQ(0, fake::count(ceremony)) << ceremony << " in the saver:\n" << journalText();
        EXPECT_EQ(music ? 1 : 0, fake::count("GA_getLibVersion")) << "music asked: " << music;
        // A frame after each message, none once the window is gone.
        EXPECT_EQ(2, fake::count("swapBuffers")) << journalText();
        EXPECT_EQ(0, fake::count("ERROR")) << journalText();
        EXPECT_EQ(1024, camera.viewportWidth) << "the first frames at the host's size";
        EXPECT_EQ(768, camera.viewportHeight);
    }
    EXPECT_EQ(0, runInHost({paint, to640x480, paint, vanish}));
    EXPECT_EQ(640, camera.viewportWidth) << "after the host was resized";
    EXPECT_FLOAT_EQ(640.0f / 480.0f, camera.aspect);

    EXPECT_EQ(1, runInHost({}, false, false)) << "no window";
    EXPECT_EQ(0, fake::count("peekMessage")) << journalText();
    EXPECT_EQ(1, runInHost({paint, vanish}, false, true, false)) << "a context that cannot be made current";
    EXPECT_EQ(0, fake::count("swapBuffers") + fake::count("peekMessage") + fake::count("messageBox"))
        << "nothing drawn, nothing shown:\n" << journalText();
    EXPECT_EQ(1, fake::count("destroyWindow")) << journalText();
}

TEST(Saver, MissingPicturesAreToldOnStandardErrorNotInABox) {
    const std::filesystem::path startDir = std::filesystem::current_path();
    const tgatest::TempDir emptyDir;
    std::filesystem::current_path(emptyDir.path());
    EXPECT_EQ(0, runInHost({paint, vanish}));
    std::filesystem::current_path(startDir);
    EXPECT_EQ(0, fake::count("messageBox")) << journalText();
    EXPECT_NE(-1, fake::find("stderr Kelvora: Looked for in the folder \"stuff\"")) << journalText();
    EXPECT_EQ(1, fake::count("swapBuffers")) << "the show goes on without its pictures";
}

TEST(Saver, CommandLineOverridesStoredSettingsWhichOverrideDefaults) {
    struct Row {
        std::optional<int> commandDelay, storedFramesPerSecond, storedMusic;
        int frameMicroseconds;
        bool music;
    };
    const Row rows[] = {
        {{}, {}, {}, 16666, false},     // the defaults: 60 a second, silent
        {{}, 30, 1, 33333, true},       // the stored settings
        {{}, 0, {}, 0, false},          // stored 0: no cap
        {{}, -4, {}, 16666, false},     // damaged values: the defaults
        {{}, 100000, {}, 16666, false},
        {20000, 30, {}, 20000, false},  // the command line wins
    };
    for (const Row& row : rows) {
        fake::reset();
        if (row.storedFramesPerSecond) fake::script().settings["FramesPerSecond"] = *row.storedFramesPerSecond;
        if (row.storedMusic) fake::script().settings["Music"] = *row.storedMusic;
        SaverCommand command;
        command.frameMicroseconds = row.commandDelay;
        const SaverOptions options = saverOptionsFor(command);
        EXPECT_EQ(row.frameMicroseconds, options.frameMicroseconds)
            << "stored " << row.storedFramesPerSecond.value_or(-1) << ", delay " << row.commandDelay.value_or(-1);
        EXPECT_EQ(row.music, options.music);
    }
}

TEST(Saver, APreviewIsSilentWhateverTheSettingsSay) {
    for (const std::optional<bool> commandMusic : {std::optional<bool>{}, std::optional<bool>{true}}) {
        fake::reset();
        fake::script().settings["Music"] = 1;
        SaverCommand command;
        command.music = commandMusic;
        command.action = SaverAction::run;
        EXPECT_TRUE(saverOptionsFor(command).music) << "the running saver, --music " << commandMusic.has_value();
        command.action = SaverAction::preview;
        EXPECT_FALSE(saverOptionsFor(command).music) << "the preview, --music " << commandMusic.has_value();
    }
}

TEST(Saver, SettingsDialogSavesWhatTheUserAcceptsNothingOnCancelAndSaysWhenItCannot) {
    struct Row {
        const char* what;
        bool accepts, storeExists, musicStored;
        const char* unwritable;
        int music, framesPerSecond;  // stored afterwards
        bool box;                    // saying they could not be saved
    };
    const Row rows[] = {
        {"accepted", true, true, true, "", 1, 25, false},
        {"cancelled", false, true, true, "", 0, 50, false},
        {"no store", true, false, true, "", 0, 50, true},
        {"the second write fails", true, true, true, "FramesPerSecond", 0, 50, true},
        {"the second write fails, no music stored before", true, true, false, "FramesPerSecond", 0, 50, true},
    };
    for (const Row& row : rows) {
        fake::reset();
        fake::Script& script = fake::script();
        script.settings = {{"FramesPerSecond", 50}};
        if (row.musicStored) script.settings["Music"] = 0;
        script.settingsStoreExists = row.storeExists;
        script.unwritableSetting = row.unwritable;
        script.dialogAccepts = row.accepts;
        script.dialogMusic = true;
        script.dialogFramesPerSecond = 25;
        SaverCommand command;
        command.window = 99;
        EXPECT_EQ(0, runSaverCommand(command));
        const char* shown = row.storeExists ? "saverSettingsDialog owner 99 music 0 fps 50"
                                            : "saverSettingsDialog owner 99 music 0 fps 60";
        EXPECT_NE(-1, fake::find(shown)) << row.what << ":\n" << journalText();
        const std::map<std::string, int> expected{{"Music", row.music}, {"FramesPerSecond", row.framesPerSecond}};
        EXPECT_EQ(expected, script.settings) << row.what << ":\n" << journalText();
        EXPECT_EQ(row.box ? 1 : 0, fake::count("messageBox error Kelvora: The settings could not be saved"))
            << row.what << ":\n" << journalText();
    }
}

// Simulated time: each frame takes `drawing`, then the pacer's wait is slept.
TEST(FramePacer, HoldsTheRateItIsGivenAndNeverRushesAfterAStall) {
    const struct {
        int frameMicroseconds;
        long long drawing;
        double expectedRate;
    } rows[] = {{16666, 2000, 60.0}, {16666, 15000, 60.0}, {1000000 / 144, 500, 144.0},
                {16666, 25000, 40.0}, {0, 1000, 1000.0}};  // slower than the cap; no cap
    for (const auto& row : rows) {
        FramePacer pacer(row.frameMicroseconds);
        long long now = 0;
        for (int i = 0; i < 600; ++i) now += row.drawing + 1000LL * pacer.millisecondsToWait(now + row.drawing);
        EXPECT_NEAR(row.expectedRate, 600 * 1e6 / now, row.expectedRate * 0.01)
            << "cap " << row.frameMicroseconds << " us, drawing " << row.drawing << " us";
    }
    FramePacer pacer(16666);
    long long now = 300000;  // a stopped process after a first frame
    pacer.millisecondsToWait(0);
    int framesWithoutWait = 0;
    for (int i = 0; i < 10; ++i) {
        const unsigned wait = pacer.millisecondsToWait(now += 1000);
        framesWithoutWait += wait == 0;
        now += 1000LL * wait;
    }
    EXPECT_LE(framesWithoutWait, 1) << "frames rushed out after a stall";
}

TEST(FrameRateMeter, MeasuresFramesOverTheLastSecondForTheCounter) {
    FrameRateMeter meter;
    for (long long now = 0; now <= 2500000; now += 1000000 / 48) meter.frameDone(now);
    EXPECT_NEAR(48.0, meter.perSecond(), 0.5);
    EXPECT_EQ("FPS: 47.9", frameRateText(47.94));
}
