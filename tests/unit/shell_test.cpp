// The shell's start-up, loop and teardown on the scripted window system.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <set>
#include <string>

#include "app/display_mode.h"
#include "app/shell.h"
#include "camera/camera.h"
#include "platform/fake/gaudio_fake.h"
#include "platform/fake/platform_fake.h"
#include "render/can_field.h"
#include "show/camera_path.h"
#include "show/scene_director.h"
#include "tests/support/tga_writer.h"

namespace fake = platform::fake;

namespace {

const std::string closingLine =
    "messageBox information Kelvora: GFX: TAVIN MERODE\nC\xC3\x93" "DIGO: MERODE OLSAN\n"
    "SFX: QUIRELLO\n\nKELVORA REVITALIZA\nCUERPO Y MENTE";

platform::MessageRecord key(unsigned virtualKey, unsigned message = platform::msgKeyDown) {
    return {nullptr, message, virtualKey, 0};
}

// Fresh shell state and a script; the show's other state is left as it is.
fake::Script& freshRun() {
    fake::reset();
    gaudio_fake::script(1, 1);
    quitFlag = 0;
    mainWindow = nullptr;
    palette = nullptr;
    return fake::script();
}

std::string journalText() {
    std::string text;
    for (const auto& line : fake::journal()) text += line + "\n";
    return text;
}

// Journal positions of the given prefixes must rise strictly.
void expectInOrder(const std::vector<std::string>& prefixes) {
    int previous = -1;
    for (const auto& prefix : prefixes) {
        const auto& lines = fake::journal();
        int found = -1;
        for (int i = previous + 1; i < static_cast<int>(lines.size()); ++i)
            if (lines[i].rfind(prefix, 0) == 0) {
                found = i;
                break;
            }
        ASSERT_NE(-1, found) << "\"" << prefix << "\" missing after line " << previous
                             << " in:\n" << journalText();
        previous = found;
    }
}

}  // namespace

TEST(Shell, StartsUpInOrderAndEscRunsTheWholeTeardown) {
    fake::Script& script = freshRun();
    script.messages = {key(platform::vkEscape)};
    EXPECT_EQ(0, winMain());

    expectInOrder({
        "registerWindowClass Kelvora",
        "messageBox warning OpenGL Demo: About to switch to 640x480x16M OpenGL mode",
        "desktopBitsPerPixel",
        "changeDisplayMode 640x480x32",
        "createWindow Kelvora Kelvora 0,0 640x480",
        "getDC",
        "choosePixelFormat color 24 depth 32 flags 37",  // window | OpenGL | double buffer
        "setPixelFormat 1",
        "describePixelFormat",
        "createGLContext",
        "makeGLContextCurrent",
        "showCursor false",
        "GA_getLibVersion",  // the music starts inside window creation
        "showWindow",
        "setCursorImage none",
        "peekMessage 256",
        "destroyWindow",
        "makeGLContextCurrent null",
        "deleteGLContext",
        "releaseDC",
        "restoreDisplayMode",
        "showCursor true",
        "messageBox information Kelvora",
        "postQuitMessage 0",
    });
    EXPECT_EQ(1, fake::count(closingLine)) << journalText();
    EXPECT_EQ(0, fake::count("swapBuffers")) << "no frame may be drawn in the pass that ends the show";
    EXPECT_EQ(0, fake::count("ERROR"));
    EXPECT_EQ(1, quitFlag);
}

TEST(Shell, DrawsAFrameOnEveryPassAndAnotherForEachPaint) {
    fake::Script& script = freshRun();
    script.messages = {{nullptr, platform::msgPaint, 0, 0}, key('A'), key(platform::vkEscape)};
    const int framesBefore = sceneFrame;
    winMain();
    // Pass 1: the paint's frame and the loop's; pass 2: the loop's; pass 3: Esc.
    EXPECT_EQ(3, fake::count("swapBuffers")) << journalText();
    EXPECT_NE(framesBefore, sceneFrame);
    EXPECT_EQ(0, fake::count("ERROR"));
}

TEST(Shell, ACapWaitsAfterEveryFrameWithoutOneNever) {
    struct Row {
        int framesPerSecond;
        const char* firstWait;
    };
    for (const Row row : {Row{0, nullptr}, Row{1, "sleepMilliseconds 1000"}, Row{4, "sleepMilliseconds 250"}}) {
        freshRun().messages = {{nullptr, platform::msgPaint, 0, 0}, key('A'), key(platform::vkEscape)};
        winMain({.windowed = true, .seed = {}, .music = true, .framesPerSecond = row.framesPerSecond});
        // The fake's sleeps take no time: every wait after the first is longer
        // (caps slow enough that no frame here comes late).
        EXPECT_EQ(row.firstWait ? fake::count("swapBuffers") : 0, fake::count("sleepMilliseconds"))
            << "--fps " << row.framesPerSecond << ":\n" << journalText();
        if (row.firstWait) {
            EXPECT_EQ(fake::find("sleepMilliseconds"), fake::find(row.firstWait)) << journalText();
        }
    }
}

TEST(Shell, WindowClosedWithoutEscRunsTheTeardownAndEndsTheLoop) {
    for (const auto& closing : {platform::MessageRecord{nullptr, platform::msgClose, 0, 0},
                                key(platform::vkF4, platform::msgSysKeyDown)}) {
        fake::Script& script = freshRun();
        script.messages = {closing, key(platform::vkEscape)};
        EXPECT_EQ(0, winMain());
        EXPECT_EQ(1, fake::count("destroyWindow")) << journalText();
        EXPECT_EQ(1, fake::count(closingLine));
        EXPECT_LT(fake::find("restoreDisplayMode"), fake::find("messageBox information"));
        EXPECT_EQ(0, fake::count("swapBuffers"));
        EXPECT_EQ(0, fake::count("ERROR"));
        // The loop ended with the window: the Esc after it was never taken.
        EXPECT_EQ(1, fake::count("peekMessage"));
    }
}

TEST(Shell, FailedRegistrationEndsAtOnceWithoutABox) {
    fake::Script& script = freshRun();
    script.registerSucceeds = false;
    EXPECT_EQ(0, winMain());
    EXPECT_EQ(0, fake::count("messageBox")) << journalText();
    EXPECT_EQ(0, fake::count("changeDisplayMode"));
    EXPECT_EQ(0, fake::count("createWindow"));
}

TEST(Shell, WindowThatCannotBeMadeStartsNothingAndSaysSoWithTheDesktopBack) {
    // Started where no pictures are: a show that began anyway would box that.
    const std::filesystem::path startDir = std::filesystem::current_path();
    const tgatest::TempDir emptyDir;
    std::filesystem::current_path(emptyDir.path());
    const std::string warning =
        "messageBox warning OpenGL Demo: About to switch to 640x480x16M OpenGL mode\n";
    const std::string switchBoxes =
        "messageBox error Kelvora: Bad graphics mode specified\n"
        "messageBox error OpenGL Demo: Could not set satisfactory screen resolution!\n";
    const std::string windowBox = "messageBox error Kelvora: Could not create window!\n";
    for (const int switchResult : {int{platform::displayChangeSuccessful}, int{platform::displayChangeBadMode}}) {
        fake::Script& script = freshRun();
        script.createWindowSucceeds = false;
        script.displayChangeResult = switchResult;
        EXPECT_EQ(0, winMain());
        std::string boxes;
        for (const auto& line : fake::journal())
            if (line.rfind("messageBox", 0) == 0) boxes += line + "\n";
        EXPECT_EQ(warning + (switchResult == platform::displayChangeSuccessful ? "" : switchBoxes) + windowBox,
                  boxes);
        expectInOrder({"changeDisplayMode 640x480", "createWindow", "restoreDisplayMode",
                       "messageBox error Kelvora: Could not create window!"});
        // Neither the OpenGL binding nor the show's start (music included) ran.
        for (const char* started : {"getDC", "choosePixelFormat", "createGLContext",
                                    "makeGLContextCurrent", "showCursor false", "GA_getLibVersion"})
            EXPECT_EQ(0, fake::count(started)) << started << " after a failed creation:\n" << journalText();
        EXPECT_EQ(0, fake::count("peekMessage")) << "the loop must not run without a window";
        EXPECT_EQ(0, fake::count("swapBuffers"));
    }
    std::filesystem::current_path(startDir);
}

TEST(Shell, FailedSwitchIsReportedAndTheShowGoesOnInItsWindow) {
    fake::Script& script = freshRun();
    script.displayChangeResult = platform::displayChangeBadMode;
    script.messages = {key('Z'), key(platform::vkEscape)};
    EXPECT_EQ(0, winMain());
    expectInOrder({
        "messageBox warning OpenGL Demo",
        "changeDisplayMode",
        "messageBox error Kelvora: Bad graphics mode specified",
        "postQuitMessage 0",
        "messageBox error OpenGL Demo: Could not set satisfactory screen resolution!",
        "postQuitMessage 0",
        "createWindow",
        "swapBuffers",
        "messageBox information Kelvora",
    });
}

TEST(DisplayMode, OutcomesBecomeTheirBoxesAndResults) {
    struct Case {
        int outcome;
        const char* text;  // null: no box
        int result;
    };
    const Case cases[] = {
        {platform::displayChangeSuccessful, nullptr, 1},
        {platform::displayChangeRestart, "Must restart", 0},
        {platform::displayChangeFailed,
         "Graphics Mode switch failed. Execute from the Windows 95 interface", 0},
        {platform::displayChangeBadMode, "Bad graphics mode specified", 0},
        {platform::displayChangeNotUpdated, nullptr, 0},
        {platform::displayChangeBadFlags, "Bad graphics mode flags", 0},
        {7, nullptr, 0},
        {-9, nullptr, 0},
    };
    for (const Case& c : cases) {
        fake::Script script;
        script.displayChangeResult = c.outcome;
        fake::reset(script);
        EXPECT_EQ(c.result, changeDisplayMode()) << "outcome " << c.outcome;
        if (c.text) {
            EXPECT_EQ(1, fake::count(std::string("messageBox error Kelvora: ") + c.text))
                << "outcome " << c.outcome << "\n" << journalText();
            EXPECT_EQ(1, fake::count("postQuitMessage 0"));
        } else {
            EXPECT_EQ(0, fake::count("messageBox")) << "outcome " << c.outcome;
            EXPECT_EQ(0, fake::count("postQuitMessage"));
        }
    }
}

TEST(DisplayMode, KeepsTheDesktopsDepth) {
    for (int bits : {8, 16, 24, 32}) {
        fake::Script script;
        script.desktopBits = bits;
        fake::reset(script);
        changeDisplayMode();
        EXPECT_EQ(1, fake::count("changeDisplayMode 640x480x" + std::to_string(bits))) << journalText();
    }
}

// An 8-bit desktop with red and green in 3 bits and blue in 2.
TEST(Palette, ThreeThreeTwoFormatGetsEvenlySpreadLevels) {
    fake::Script& script = freshRun();
    script.grantedFormat.flags |= platform::pfdNeedPalette;
    script.grantedFormat.colorBits = 8;
    script.grantedFormat.redBits = 3;
    script.grantedFormat.redShift = 0;
    script.grantedFormat.greenBits = 3;
    script.grantedFormat.greenShift = 3;
    script.grantedFormat.blueBits = 2;
    script.grantedFormat.blueShift = 6;
    script.realizeResult = 217;
    auto* dc = platform::getDC(fake::theWindow());
    platform::setPixelFormat(dc, 1, {});
    platform::Palette* made = createPalette(dc);
    ASSERT_NE(nullptr, made);

    const auto& entries = fake::lastPaletteEntries();
    ASSERT_EQ(256u, entries.size());
    std::set<int> reds, greens, blues;
    for (const auto& e : entries) {
        reds.insert(e.red);
        greens.insert(e.green);
        blues.insert(e.blue);
        EXPECT_EQ(0, e.flags);
    }
    const std::set<int> eightLevels = {0, 36, 72, 109, 145, 182, 218, 255};
    EXPECT_EQ(eightLevels, reds);
    EXPECT_EQ(eightLevels, greens);
    EXPECT_EQ((std::set<int>{0, 85, 170, 255}), blues);
    EXPECT_EQ(109, entries[3].red);             // 3 * 255 / 7 = 109.29, truncated
    EXPECT_EQ(170, entries[2 << 6].blue);
    expectInOrder({"createPalette 256", "selectPalette", "realizePalette"});
    platform::deletePalette(made);
}

TEST(Palette, MessagesActOnlyWithAPaletteAndOnlyForOtherWindows) {
    fake::Script& script = freshRun();
    script.realizeResult = 217;
    platform::Window* self = fake::theWindow();
    const std::uintptr_t other = 0x5eed;  // some other window

    palette = nullptr;
    EXPECT_EQ(0, wndProc(self, platform::msgQueryNewPalette, 0, 0));
    wndProc(self, platform::msgPaletteChanged, other, 0);
    EXPECT_TRUE(fake::journal().empty()) << journalText();

    palette = platform::createPalette({});
    fake::reset(script);
    script.realizeResult = 217;
    EXPECT_EQ(217, wndProc(self, platform::msgQueryNewPalette, 0, 0));
    expectInOrder({"selectPalette", "realizePalette", "invalidateWindow"});

    fake::reset(script);
    wndProc(self, platform::msgPaletteChanged, reinterpret_cast<std::uintptr_t>(self), 0);
    EXPECT_TRUE(fake::journal().empty()) << "a change made by this window itself: " << journalText();

    wndProc(self, platform::msgPaletteChanged, other, 0);
    expectInOrder({"selectPalette", "realizePalette", "updateColors"});
    platform::deletePalette(palette);
    palette = nullptr;
}

TEST(Shell, WindowedShowAsksForADecoratedWindowWithoutWarningOrSwitch) {
    fake::Script& script = freshRun();
    script.messages = {{nullptr, platform::msgSize, 0, 600 << 16 | 800}, key(platform::vkEscape)};
    EXPECT_EQ(0, winMain({.windowed = true, .seed = {}}));
    EXPECT_EQ(0, fake::count("messageBox warning")) << journalText();
    EXPECT_EQ(0, fake::count("changeDisplayMode"));
    EXPECT_EQ(1, fake::count("createWindow Kelvora Kelvora 0,0 640x480 decorated"));
    EXPECT_EQ(1, fake::count(closingLine));
    // The picture fills the resized window.
    EXPECT_EQ(800, camera.viewportWidth);
    EXPECT_EQ(600, camera.viewportHeight);
}

TEST(Shell, SameSeedGivesTheSameAnglesAndFirstScene) {
    std::vector<float> angles[2];
    int scenes[2], phrases[2];
    for (int run = 0; run < 2; ++run) {
        freshRun().messages = {key(platform::vkEscape)};
        // A first choice never repeats the previous one: start from the
        // director's state at process start, as a run of the program does.
        sceneIndex = 7;
        phraseIndex = 0;
        winMain({.windowed = true, .seed = 7u});
        angles[run].assign(std::begin(AngleTable), std::end(AngleTable));
        scenes[run] = sceneIndex;
        phrases[run] = phraseIndex;
        // Another seed in between, so that equal results cannot be left-overs.
        freshRun().messages = {key(platform::vkEscape)};
        winMain({.windowed = true, .seed = 8u});
        EXPECT_NE(angles[run], std::vector<float>(std::begin(AngleTable), std::end(AngleTable)));
    }
    EXPECT_EQ(angles[0], angles[1]);
    EXPECT_EQ(scenes[0], scenes[1]);
    EXPECT_EQ(phrases[0], phrases[1]);
}
