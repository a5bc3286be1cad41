#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "camera/camera.h"
#include "show/camera_path.h"
#include "show/random.h"
#include "show/scene_director.h"

namespace {

// The angle table's share of the generator at start-up.
constexpr int angleTableDraws = 419;

// The C library generator written out independently of show/random.cpp.
struct ReferenceGenerator {
    std::uint32_t state;
    int next() {
        state = static_cast<std::uint32_t>((std::uint64_t{state} * 214013u + 2531011u) % (1ull << 32));
        return static_cast<int>((state / 65536u) % 32768u);
    }
};

// The director's state as the program loads it, then start-up's draws up to
// the first scene.
void startShow(unsigned seed) {
    sceneIndex = 7;
    phraseIndex = 0;
    sceneFrame = 3;
    seedRandom(seed);
    for (int i = 0; i < angleTableDraws; ++i) randomDraw();
    initPathNodes();
    chooseScene();
}

void loadControlPoints(const SceneParams& row) {
    for (int j = 0; j < controlPointCount; ++j) {
        controlX[j] = row.controlX[j];
        controlZ[j] = row.controlZ[j];
    }
}

// Swapped P1 and P3 is the only other layout a scene may fly.
bool controlPointsAreRowOrSwapped(const SceneParams& row, bool& swapped) {
    const std::array<int, 5> same = {0, 1, 2, 3, 4};
    const std::array<int, 5> exchanged = {0, 3, 2, 1, 4};
    auto matches = [&](const std::array<int, 5>& order) {
        for (int j = 0; j < controlPointCount; ++j)
            if (controlX[j] != row.controlX[order[j]] || controlZ[j] != row.controlZ[order[j]])
                return false;
        return true;
    };
    swapped = !matches(same);
    return !swapped || matches(exchanged);
}

}  // namespace

TEST(Random, SeedOneGivesTheClassicSequence) {
    seedRandom(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169};
    for (int e : expected) EXPECT_EQ(e, randomDraw());
}

TEST(Random, MatchesTheGeneratorFormulaOverManyDraws) {
    for (unsigned seed : {0u, 1u, 12345u, 0xFFFFFFFFu}) {
        seedRandom(seed);
        ReferenceGenerator reference{seed};
        for (int i = 0; i < 100000; ++i) {
            const int draw = randomDraw();
            ASSERT_EQ(reference.next(), draw) << "seed " << seed << " draw " << i;
            ASSERT_LE(draw, randomMax);
        }
    }
}

// With a known seed the whole start is known: the angle table's draws, then
// the first scene, phrase and swap (worked out by hand from the formula).
TEST(SceneDirector, KnownSeedGivesAKnownStart) {
    seedRandom(1);
    const int anglePrefix[] = {41, 107, 214, 220, 89, 244, 318, 198};
    for (int angle : anglePrefix) EXPECT_EQ(angle, randomDraw() % 360);

    startShow(1);  // draws 14181, 31003, 27432 after the table
    EXPECT_EQ(5, sceneIndex);
    EXPECT_EQ(3, phraseIndex);
    EXPECT_EQ(1300.0f, sceneScale);
    EXPECT_EQ(60.0f, vertexStep);
    EXPECT_EQ(700.0f, camera.position.y);
    EXPECT_EQ(2500.0f, controlX[1]);  // 27432 % 6 == 0: P1 and P3 swapped
    EXPECT_EQ(-2500.0f, controlZ[1]);
    EXPECT_EQ(-2000.0f, controlX[3]);
    EXPECT_EQ(2000.0f, controlZ[3]);

    startShow(12345);  // draws 12658, 18561, 20434
    EXPECT_EQ(2, sceneIndex);
    EXPECT_EQ(1, phraseIndex);
    EXPECT_EQ(1000.0f, camera.position.y);
    EXPECT_EQ(-2000.0f, controlX[1]);  // 20434 % 6 == 4: not swapped
    EXPECT_EQ(2000.0f, controlZ[1]);

    // Draws 19655, 6344, 29575, 24698, 13757: the scene is drawn again twice
    // (7 is the previous one), after the phrase's first draw.
    startShow(79);
    EXPECT_EQ(2, sceneIndex);
    EXPECT_EQ(4, phraseIndex);
    EXPECT_EQ(-2000.0f, controlX[1]);  // 13757 % 6 == 5: not swapped
}

TEST(SceneDirector, FirstChoiceNeverRepeatsTheLoadValues) {
    std::set<int> scenes, phrases;
    for (unsigned seed = 0; seed < 3000; ++seed) {
        startShow(seed);
        ASSERT_NE(7, sceneIndex) << "seed " << seed;
        ASSERT_NE(0, phraseIndex) << "seed " << seed;
        scenes.insert(sceneIndex);
        phrases.insert(phraseIndex);
    }
    EXPECT_EQ(7u, scenes.size());
    EXPECT_EQ(9u, phrases.size());
}

TEST(SceneDirector, ScenesAndPhrasesNeverRepeatBackToBackAndAllOccur) {
    std::array<int, sceneCount> sceneSeen{};
    std::array<int, phraseCount> phraseSeen{};
    int changes = 0, swaps = 0;
    for (unsigned seed : {1u, 2u, 1000u, 20260101u}) {
        startShow(seed);
        for (int n = 0; n < 5000; ++n) {
            const int previousScene = sceneIndex;
            const int previousPhrase = phraseIndex;
            chooseScene();
            ASSERT_NE(previousScene, sceneIndex) << "seed " << seed << " change " << n;
            ASSERT_NE(previousPhrase, phraseIndex) << "seed " << seed << " change " << n;
            ASSERT_GE(sceneIndex, 0);
            ASSERT_LT(sceneIndex, sceneCount);
            ASSERT_GE(phraseIndex, 0);
            ASSERT_LT(phraseIndex, phraseCount);

            const SceneParams& row = SceneCatalogue[sceneIndex];
            ASSERT_EQ(row.scale, sceneScale);
            ASSERT_EQ(row.step, vertexStep);
            ASSERT_EQ(row.cameraHeight, camera.position.y);
            bool swapped = false;
            ASSERT_TRUE(controlPointsAreRowOrSwapped(row, swapped)) << "scene " << sceneIndex;
            ++sceneSeen[sceneIndex];
            ++phraseSeen[phraseIndex];
            swaps += swapped;
            ++changes;
        }
    }
    for (int s = 0; s < sceneCount; ++s) EXPECT_GT(sceneSeen[s], 0) << "scene " << s;
    for (int p = 0; p < phraseCount; ++p) EXPECT_GT(phraseSeen[p], 0) << "phrase " << p;
    // Two draws out of six swap the points.
    EXPECT_NEAR(1.0 / 3.0, static_cast<double>(swaps) / changes, 0.02);
}

TEST(SceneDirector, SceneZeroWithTheSwapExchangesP1AndP3Only) {
    int found = 0;
    for (unsigned seed = 0; seed < 400 && found < 3; ++seed) {
        startShow(seed);
        bool swapped = false;
        if (sceneIndex != 0 || !controlPointsAreRowOrSwapped(SceneCatalogue[0], swapped) || !swapped)
            continue;
        ++found;
        const float x[] = {-5000, 1500, 1100, -3000, 0};
        const float z[] = {-5000, -1500, 1100, 3000, 0};
        for (int j = 0; j < controlPointCount; ++j) {
            EXPECT_EQ(x[j], controlX[j]) << "P" << j << " seed " << seed;
            EXPECT_EQ(z[j], controlZ[j]) << "P" << j << " seed " << seed;
        }
    }
    EXPECT_EQ(3, found) << "seeds giving scene 0 with the swap";
}

TEST(CameraPath, NodesAndTheFirstBasisValues) {
    initPathNodes();
    const float nodes[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
    for (int j = 0; j < pathNodeCount; ++j) EXPECT_EQ(nodes[j], pathNodes[j]);

    double basis[pathNodeCount];
    pathBasis(1, basis);
    const double expected[] = {0.95870979, 0.07866337, -0.05839857, 0.02586738, -0.00484197};
    for (int j = 0; j < pathNodeCount; ++j) EXPECT_NEAR(expected[j], basis[j], 5e-9) << "L" << j;

    // At index 0 the curve sits exactly on P0.
    pathBasis(0, basis);
    for (int j = 0; j < pathNodeCount; ++j) EXPECT_EQ(j == 0 ? 1.0 : 0.0, basis[j]) << "L" << j;
}

TEST(CameraPath, SceneOneEyeAtTheFirstAndLastIndex) {
    initPathNodes();
    seedRandom(3);
    loadControlPoints(SceneCatalogue[1]);
    camera.position.y = 700.0f;

    sceneFrame = 2;
    updateCameraPath();
    EXPECT_NEAR(-3019.0125f, camera.position.x, 1e-3f);
    EXPECT_NEAR(-2781.9609f, camera.position.z, 1e-3f);
    EXPECT_EQ(3, sceneFrame);
    EXPECT_EQ(700.0f, camera.position.y) << "the path never changes the height";

    sceneIndex = 1;
    sceneFrame = 200;
    updateCameraPath();  // index 199, then the scene changes
    EXPECT_EQ(-1000.0f, camera.position.x);
    EXPECT_EQ(-1000.0f, camera.position.z);
}

// t at index 199 is a hair above 1, so a path ending at the origin leaves the
// eye just off the axis it looks at.
TEST(CameraPath, SceneZeroEndsNearButNotOnTheAxis) {
    initPathNodes();
    struct Case {
        bool swap;
        double x, z;
    };
    for (const Case c : {Case{false, 5.8e-13, 4.7e-11}, Case{true, 1.39e-10, -9.18e-11}}) {
        loadControlPoints(SceneCatalogue[0]);
        if (c.swap) {
            std::swap(controlX[1], controlX[3]);
            std::swap(controlZ[1], controlZ[3]);
        }
        seedRandom(3);
        sceneIndex = 0;
        sceneFrame = 200;
        updateCameraPath();
        EXPECT_NEAR(c.x, camera.position.x, 0.05 * std::abs(c.x)) << "swap " << c.swap;
        EXPECT_NEAR(c.z, camera.position.z, 0.05 * std::abs(c.z)) << "swap " << c.swap;
        EXPECT_NE(0.0f, camera.position.x);
        EXPECT_NE(0.0f, camera.position.z);
    }
}

// By the frame drawn: black at 2 and 200, ramps of 0.1 in between, and
// (0.99, 1, 1) from 12 to 190. The frame drawn at 2 uses the colour set when
// the counter reached 201, just before the scene change.
TEST(CameraPath, ClearColourOfEverySceneFrame) {
    auto colourForDrawnFrame = [](int drawn, float rgb[3]) {
        sceneClearColor(drawn == firstSceneFrame ? lastSceneFrame + 1 : drawn, rgb);
    };
    for (int drawn = 2; drawn <= 200; ++drawn) {
        float rgb[3];
        colourForDrawnFrame(drawn, rgb);
        const int fromEdge = std::min(drawn - 2, 200 - drawn);  // 0 at 2 and 200
        if (fromEdge < 10) {
            for (int c = 0; c < 3; ++c)
                EXPECT_FLOAT_EQ(fromEdge / 10.0f, rgb[c]) << "frame " << drawn << " channel " << c;
        } else {
            EXPECT_FLOAT_EQ(0.99f, rgb[0]) << "frame " << drawn;
            EXPECT_EQ(1.0f, rgb[1]) << "frame " << drawn;
            EXPECT_EQ(1.0f, rgb[2]) << "frame " << drawn;
        }
    }
    float rgb[3];
    sceneClearColor(201, rgb);
    EXPECT_EQ(0.0f, rgb[0]) << "the ramp's -0.1 is held as black";
    sceneClearColor(12, rgb);
    EXPECT_FLOAT_EQ(0.99f, rgb[0]);
    sceneClearColor(11, rgb);
    EXPECT_FLOAT_EQ(0.9f, rgb[0]);
    sceneClearColor(191, rgb);
    EXPECT_FLOAT_EQ(0.9f, rgb[0]);
}

// The update inside start-up computes index 2 and leaves 4; the first scene
// then runs 197 frames and every later one 199, changing only at the reset.
TEST(CameraPath, SceneLengthsAndTheStartUpUpdate) {
    startShow(42);
    double basis[pathNodeCount];
    pathBasis(2, basis);
    double x = 0.0, z = 0.0;
    for (int j = 0; j < pathNodeCount; ++j) {
        x += controlX[j] * basis[j];
        z += controlZ[j] * basis[j];
    }
    updateCameraPath();
    EXPECT_EQ(4, sceneFrame);
    EXPECT_EQ(static_cast<float>(x), camera.position.x);
    EXPECT_EQ(static_cast<float>(z), camera.position.z);

    std::vector<int> lengths;
    int frames = 0;
    int scene = sceneIndex, phrase = phraseIndex;
    while (lengths.size() < 6) {
        updateCameraPath();
        ++frames;
        const bool changed = sceneIndex != scene || phraseIndex != phrase;
        ASSERT_EQ(changed, sceneFrame == firstSceneFrame) << "after frame " << frames;
        if (changed) {
            lengths.push_back(frames);
            frames = 0;
            scene = sceneIndex;
            phrase = phraseIndex;
        }
    }
    const std::vector<int> expected = {197, 199, 199, 199, 199, 199};
    EXPECT_EQ(expected, lengths);
}

TEST(CameraPath, TheHeightChangesOnlyWithTheScene) {
    startShow(9);
    camera.position.y = 1400.0f;  // what the camera setup leaves for the first scene
    sceneFrame = 4;
    while (sceneFrame != firstSceneFrame) {
        updateCameraPath();
        if (sceneFrame != firstSceneFrame) {
            ASSERT_EQ(1400.0f, camera.position.y) << "at scene frame " << sceneFrame;
        }
    }
    EXPECT_EQ(SceneCatalogue[sceneIndex].cameraHeight, camera.position.y);
}
