// The screensaver's shell on the scripted window system: the show in the
// window it is given, none of the full-screen ceremony, its settings, its pace.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/saver.h"
#include "app/shell.h"
#include "camera/camera.h"
#include "platform/gaudio_fake.h"
#include "platform/platform_fake.h"
#include "render/frame_rate_text.h"
#include "tests/support/tga_writer.h"

namespace fake = platform::fake;

namespace {

fake::Script& freshSaver() {
    fake::reset();
    gaudio_fake::script(1, 1);
    quitFlag = 0;
    mainWindow = nullptr;
    palette = nullptr;
    renderingContext = nullptr;
    return fake::script();
}

std::string journalText() {
    std::string text;
    for (const auto& line : fake::journal()) text += line + "\n";
    return text;
}

platform::MessageRecord sized(int width, int height) {
    return {nullptr, platform::msgSize, 0, width | (static_cast<std::intptr_t>(height) << 16)};
}
const platform::MessageRecord vanish{nullptr, platform::msgDestroy, 0, 0};
const platform::MessageRecord paint{nullptr, platform::msgPaint, 0, 0};

SaverOptions inHost(std::uintptr_t host) {
    SaverOptions options;
    options.host = host;
    return options;
}

}  // namespace

TEST(Saver, DrawsInItsHostAtTheHostsSizeWithoutAnyOfTheShowsCeremony) {
    fake::Script& script = freshSaver();
    script.messages = {paint, paint, vanish};
    EXPECT_EQ(0, runSaver(inHost(0x2a00007)));

    EXPECT_NE(-1, fake::find("createWindow Kelvora screensaver Kelvora screensaver saver host 0x2a00007"))
        << journalText();
    for (const char* ceremony : {"messageBox", "changeDisplayMode", "restoreDisplayMode", "showCursor",
                                 "setCursorImage", "GA_getLibVersion", "destroyWindow", "postQuitMessage"})
        EXPECT_EQ(0, fake::count(ceremony)) << ceremony << " in the saver:\n" << journalText();
    // A frame after each message taken, none once the window is gone.
    EXPECT_EQ(2, fake::count("swapBuffers")) << journalText();
    EXPECT_EQ(0, fake::count("ERROR")) << journalText();
    EXPECT_LT(fake::find("deleteGLContext"), fake::find("releaseDC")) << journalText();
    EXPECT_EQ(1024, camera.viewportWidth);
    EXPECT_EQ(768, camera.viewportHeight);
}

TEST(Saver, ThePictureFollowsTheHostsSize) {
    fake::Script& script = freshSaver();
    script.saverWidth = 565;
    script.saverHeight = 317;
    script.messages = {paint, vanish};
    EXPECT_EQ(0, runSaver(inHost(0x10)));
    EXPECT_EQ(565, camera.viewportWidth) << "the first frame is drawn at the host's size";
    EXPECT_EQ(317, camera.viewportHeight);

    script = freshSaver();
    script.messages = {paint, sized(640, 480), paint, vanish};
    EXPECT_EQ(0, runSaver(inHost(0x10)));
    EXPECT_EQ(640, camera.viewportWidth) << "after the host was resized";
    EXPECT_EQ(480, camera.viewportHeight);
    EXPECT_FLOAT_EQ(640.0f / 480.0f, camera.aspect);
}

TEST(Saver, MissingPicturesAreToldOnStandardErrorNotInABox) {
    const std::filesystem::path startDir = std::filesystem::current_path();
    const tgatest::TempDir emptyDir;
    std::filesystem::current_path(emptyDir.path());
    fake::Script& script = freshSaver();
    script.messages = {paint, vanish};
    EXPECT_EQ(0, runSaver(inHost(0x10)));
    std::filesystem::current_path(startDir);
    EXPECT_EQ(0, fake::count("messageBox")) << journalText();
    EXPECT_NE(-1, fake::find("stderr Kelvora: There is no folder \"stuff\"")) << journalText();
    EXPECT_EQ(1, fake::count("swapBuffers")) << "the show goes on without its pictures";
}

TEST(Saver, NoWindowOrNoOpenGLEndsQuietlyWithoutAFrame) {
    fake::Script& script = freshSaver();
    script.createWindowSucceeds = false;
    EXPECT_EQ(1, runSaver(inHost(0x10)));
    EXPECT_EQ(0, fake::count("peekMessage")) << journalText();
    EXPECT_EQ(0, fake::count("messageBox"));
}

// What is run, from the command line and the stored settings.
TEST(Saver, CommandLineOverridesStoredSettingsWhichOverrideDefaults) {
    struct Row {
        std::optional<int> commandDelay;
        std::optional<bool> commandMusic;
        std::optional<int> storedFramesPerSecond;
        std::optional<int> storedMusic;
        int frameMicroseconds;
        bool music;
    };
    const Row rows[] = {
        {{}, {}, {}, {}, 16666, false},          // the defaults: 60 a second, silent
        {{}, {}, 30, 1, 33333, true},            // the stored settings
        {{}, {}, 0, 0, 0, false},                // stored 0: no cap
        {{}, {}, -4, {}, 16666, false},          // a damaged value: the default
        {{}, {}, 100000, {}, 16666, false},
        {20000, false, 30, 1, 20000, false},     // the command line wins
        {0, true, {}, {}, 0, true},
    };
    for (const Row& row : rows) {
        fake::Script& script = freshSaver();
        if (row.storedFramesPerSecond) script.settings["FramesPerSecond"] = *row.storedFramesPerSecond;
        if (row.storedMusic) script.settings["Music"] = *row.storedMusic;
        SaverCommand command;
        command.action = SaverAction::preview;
        command.window = 77;
        command.frameMicroseconds = row.commandDelay;
        command.music = row.commandMusic;
        const SaverOptions options = saverOptionsFor(command);
        const std::string rowName = "stored fps " + (row.storedFramesPerSecond ? std::to_string(*row.storedFramesPerSecond) : "-") +
                                    ", delay " + (row.commandDelay ? std::to_string(*row.commandDelay) : "-");
        EXPECT_EQ(row.frameMicroseconds, options.frameMicroseconds) << rowName;
        EXPECT_EQ(row.music, options.music) << rowName;
        EXPECT_TRUE(options.style == platform::WindowStyle::saverPreview) << rowName;
        EXPECT_EQ(77u, options.host);
    }
}

TEST(Saver, MusicPlaysOnlyWhenAsked) {
    for (const bool music : {false, true}) {
        fake::Script& script = freshSaver();
        script.messages = {paint, vanish};
        SaverOptions options = inHost(0x10);
        options.music = music;
        EXPECT_EQ(0, runSaver(options));
        EXPECT_EQ(music ? 1 : 0, fake::count("GA_getLibVersion")) << "music " << music << ":\n" << journalText();
    }
}

TEST(Saver, SettingsDialogSavesWhatTheUserAcceptsAndNothingOnCancel) {
    for (const bool accepts : {true, false}) {
        fake::Script& script = freshSaver();
        script.settings = {{"Music", 0}, {"FramesPerSecond", 50}};
        script.dialogAccepts = accepts;
        script.dialogMusic = true;
        script.dialogFramesPerSecond = 25;
        SaverCommand command;
        command.action = SaverAction::settings;
        command.window = 99;
        EXPECT_EQ(0, runSaverCommand(command));
        // The dialog opens on what is stored.
        EXPECT_NE(-1, fake::find("saverSettingsDialog owner 99 music 0 fps 50")) << journalText();
        EXPECT_EQ(accepts ? 1 : 0, script.settings["Music"]) << "accepted " << accepts;
        EXPECT_EQ(accepts ? 25 : 50, script.settings["FramesPerSecond"]) << "accepted " << accepts;
        EXPECT_EQ(0, fake::count("createWindow")) << journalText();
    }
}

// The cadence over simulated time: each frame takes `drawing`, then the
// pacer's wait is slept exactly.
TEST(FramePacer, HoldsTheRateItIsGivenAndNeverRushesAfterAStall) {
    struct Row {
        int frameMicroseconds;
        long long drawing;  // microseconds a frame takes
        double expectedRate;
    };
    const Row rows[] = {
        {16666, 2000, 60.0}, {16666, 15000, 60.0}, {33333, 1000, 30.0}, {1000000 / 144, 500, 144.0},
        {16666, 25000, 40.0},  // slower than the cap: as fast as it draws
    };
    for (const Row& row : rows) {
        FramePacer pacer(row.frameMicroseconds);
        long long now = 0;
        const int frames = 600;
        for (int i = 0; i < frames; ++i) {
            now += row.drawing;
            now += 1000LL * pacer.millisecondsToWait(now);
        }
        const double rate = frames * 1e6 / static_cast<double>(now);
        EXPECT_NEAR(row.expectedRate, rate, row.expectedRate * 0.01)
            << "cap " << row.frameMicroseconds << " us, drawing " << row.drawing << " us";
    }
    // A 300 ms stall (a stopped process) is followed by the usual waits, not
    // by a burst of frames without any.
    FramePacer pacer(16666);
    long long now = 0;
    for (int i = 0; i < 10; ++i) now += 1000 + 1000LL * pacer.millisecondsToWait(now + 1000);
    now += 300000;
    int framesWithoutWait = 0;
    for (int i = 0; i < 10; ++i) {
        now += 1000;
        const unsigned wait = pacer.millisecondsToWait(now);
        framesWithoutWait += wait == 0;
        now += 1000LL * wait;
    }
    EXPECT_LE(framesWithoutWait, 1) << "frames rushed out after a stall";
    EXPECT_EQ(0u, FramePacer(0).millisecondsToWait(5000)) << "no cap: no wait";
}

TEST(FrameRateMeter, MeasuresFramesOverTheLastSecond) {
    FrameRateMeter meter;
    long long now = 0;
    for (int i = 0; i <= 120; ++i, now += 1000000 / 48) meter.frameDone(now);
    EXPECT_NEAR(48.0, meter.perSecond(), 0.5);
    EXPECT_EQ("FPS: 47.9", frameRateText(47.94));
    // Every character the counter shows has a glyph.
    for (const char c : std::string("FPS:0123456789.")) {
        bool lit = false;
        for (int row = 0; row < 5; ++row)
            for (int column = 0; column < 3; ++column) lit = lit || glyphCellLit(c, column, row);
        EXPECT_TRUE(lit) << "no glyph for '" << c << "'";
    }
}
