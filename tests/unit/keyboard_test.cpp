#include <gtest/gtest.h>

#include <vector>

#include "app/keyboard.h"
#include "app/shell.h"
#include "platform/fake/platform_fake.h"
#include "platform/polled_keys.h"
#include "show/random.h"
#include "show/scene_director.h"

namespace {

int quitFlagSeenByTeardown = -1;

std::intptr_t recordingProcedure(platform::Window*, unsigned message, std::uintptr_t,
                                 std::intptr_t) {
    if (message == platform::msgDestroy) quitFlagSeenByTeardown = quitFlag;
    return 0;
}

}  // namespace

TEST(Keyboard, EscDestroysTheWindowAndOnlyThenSetsTheQuitFlag) {
    platform::fake::reset();
    ASSERT_TRUE(platform::registerWindowClass("Kelvora", recordingProcedure));
    mainWindow = platform::createWindow("Kelvora", "Kelvora", 0, 0, 640, 480);
    ASSERT_NE(nullptr, mainWindow);
    quitFlag = 0;
    quitFlagSeenByTeardown = -1;

    onKeyDown(platform::vkEscape);

    EXPECT_EQ(0, quitFlagSeenByTeardown) << "the teardown must run before the flag is set";
    EXPECT_EQ(1, quitFlag);
    EXPECT_FALSE(platform::fake::windowAlive());
    quitFlag = 0;
    mainWindow = nullptr;
}

TEST(Keyboard, F1AndF2ChangeTheScaleByTenWithoutBounds) {
    sceneScale = 20.0f;
    onKeyDown(platform::vkF1);
    EXPECT_EQ(30.0f, sceneScale);
    for (int i = 0; i < 5; ++i) onKeyDown(platform::vkF2);
    // Through zero and below: the model is mirrored, nothing stops it.
    EXPECT_EQ(-20.0f, sceneScale);
}

TEST(Keyboard, F3StopsBeforeTheStepReachesZero) {
    struct Case {
        float start;
        float floor;
    };
    for (const Case c : {Case{36.0f, 6.0f}, Case{60.0f, 10.0f}, Case{90.0f, 10.0f},
                         Case{10.0f, 10.0f}, Case{6.0f, 6.0f}}) {
        vertexStep = c.start;
        for (int i = 0; i < 20; ++i) onKeyDown(platform::vkF3);
        EXPECT_EQ(c.floor, vertexStep) << "F3 held from " << c.start;
    }
    vertexStep = 36.0f;
    onKeyDown(platform::vkF3);
    EXPECT_EQ(26.0f, vertexStep);
}

TEST(Keyboard, F4RaisesTheStepWithoutBound) {
    vertexStep = 6.0f;
    for (int i = 0; i < 100; ++i) onKeyDown(platform::vkF4);
    EXPECT_EQ(1006.0f, vertexStep);
}

TEST(Keyboard, OtherKeysChangeNothing) {
    platform::fake::reset();
    sceneScale = 2000.0f;
    vertexStep = 36.0f;
    quitFlag = 0;
    for (unsigned key : {platform::vkLeft, platform::vkRight, platform::vkUp, platform::vkDown,
                         platform::vkF5, platform::vkF12, platform::vkReturn, platform::vkSpace}) {
        onKeyDown(key);
        EXPECT_EQ(2000.0f, sceneScale) << "key " << key;
        EXPECT_EQ(36.0f, vertexStep) << "key " << key;
        EXPECT_EQ(0, quitFlag) << "key " << key;
    }
    EXPECT_EQ(-1, platform::fake::find("destroyWindow"));
}

// Key events as they arrive between two reads of the arrows (once a frame),
// then what the reads give: 'U'/'u' Up pressed/released, 'D'/'d' Down, '|' a read.
TEST(Keyboard, ArrowsAreReadAsTheyAreWhateverWaitsInTheQueue) {
    namespace keys = platform::polledkeys;
    struct Row {
        const char* what;
        const char* events;
        std::vector<unsigned short> upReads, downReads;
    };
    const Row rows[] = {
        {"a hold, repeats and all", "U|U|U|", {0x8001, 0x8001, 0x8001}, {0, 0, 0}},
        {"a release behind queued repeats", "UUUUu|", {0x0001}, {0}},
        {"nothing after the release", "Uu||", {0x0001, 0}, {0, 0}},
        {"both held", "UD|", {0x8001}, {0x8001}},
        {"a tap between two reads", "|Uu|", {0, 0x0001}, {0, 0}},
        {"held from one read to the next", "U||d", {0x8001, 0x8000}, {0, 0}},
    };
    for (const Row& row : rows) {
        keys::arrived(platform::vkUp, false);
        keys::arrived(platform::vkDown, false);
        keys::read(platform::vkUp);
        keys::read(platform::vkDown);
        std::vector<unsigned short> up, down;
        for (const char* event = row.events; *event; ++event) {
            switch (*event) {
                case 'U': case 'u': keys::arrived(platform::vkUp, *event == 'U'); break;
                case 'D': case 'd': keys::arrived(platform::vkDown, *event == 'D'); break;
                default:
                    up.push_back(keys::read(platform::vkUp));
                    down.push_back(keys::read(platform::vkDown));
            }
        }
        EXPECT_EQ(row.upReads, up) << row.what << " (" << row.events << "): Up";
        EXPECT_EQ(row.downReads, down) << row.what << " (" << row.events << "): Down";
    }
}

TEST(Keyboard, KeyChangesLastUntilTheNextScene) {
    seedRandom(7);
    sceneIndex = 7;
    phraseIndex = 0;
    chooseScene();
    const SceneParams& first = SceneCatalogue[sceneIndex];
    onKeyDown(platform::vkF1);
    onKeyDown(platform::vkF3);
    EXPECT_EQ(first.scale + 10.0f, sceneScale);
    EXPECT_EQ(first.step - 10.0f, vertexStep);

    chooseScene();
    EXPECT_EQ(SceneCatalogue[sceneIndex].scale, sceneScale);
    EXPECT_EQ(SceneCatalogue[sceneIndex].step, vertexStep);
}
