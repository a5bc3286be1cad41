#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "render/can_field.h"
#include "render/can_mesh.h"
#include "show/random.h"

namespace {

// The vertices the can walk lands on, as drawCanField visits them.
std::vector<int> walk(int count, float step) {
    std::vector<int> visited;
    for (int a = 0; a < count; a = nextCanVertex(a, step, count)) visited.push_back(a);
    return visited;
}

TEST(CanField, LevelOfDetailByDistanceWithStrictThresholds) {
    const struct {
        int distance;
        float detail;
    } cases[] = {{0, 50},    {299, 50}, {300, 35},   {799, 35},  {800, 10},  {1399, 10},
                 {1400, 5},  {2299, 5}, {2300, 3},   {3799, 3},  {3800, 2},  {4999, 2},
                 {5000, 1.5f}, {100000, 1.5f}};
    for (const auto& c : cases) EXPECT_EQ(c.detail, detailForDistance(c.distance)) << "distance " << c.distance;
}

TEST(CanField, CatalogueStepsDrawTheKnownNumberOfCansPerScene) {
    const struct {
        int count;
        float step;
        int cans;
    } scenes[] = {{25128, 36, 698}, {24888, 36, 692}, {24864, 36, 691}, {25128, 36, 698},
                  {37692, 60, 629}, {40212, 60, 671}, {37332, 90, 415}, {14364, 36, 399}};
    for (const auto& s : scenes) {
        const std::vector<int> visited = walk(s.count, s.step);
        EXPECT_EQ(s.cans, static_cast<int>(visited.size())) << "count " << s.count << " step " << s.step;
    }
    const std::vector<int> first = walk(25128, 36.0f);
    ASSERT_EQ(698u, first.size());
    EXPECT_EQ(0, first[0]);
    EXPECT_EQ(36, first[1]);
    EXPECT_EQ(25092, first.back());
}

TEST(CanField, WalkTruncatesAfterEveryStep) {
    // The fraction is lost at every step, not carried: 0, 36, 72, 108, ...
    const std::vector<int> visited = walk(150, 36.5f);
    EXPECT_EQ((std::vector<int>{0, 36, 72, 108, 144}), visited);
}

// Steps the show never uses: too large gives the one can at vertex 0, and a
// step that would not move the walk on ends it there instead of hanging.
TEST(CanField, StepsThatCannotAdvanceEndTheWalkAtVertexZero) {
    for (float step : {30000.0f, 1e30f, 0.5f, 0.0f, -10.0f, std::numeric_limits<float>::quiet_NaN()})
        EXPECT_EQ(std::vector<int>{0}, walk(25128, step)) << "step " << step;
    EXPECT_TRUE(walk(0, 36.0f).empty());
    EXPECT_EQ(3u, walk(3, 1.0f).size());
}

TEST(CanField, AngleTriplesCycleThroughTwelveStartsAndThe13thCanReusesTheFirst) {
    const int expected[] = {0, 96, 256, 384, 320, 352, 128, 32, 288, 160, 224, 192, 0};
    int angleIndex = 0;
    for (int j = 0; j < 13; ++j) {
        EXPECT_EQ(expected[j], angleIndex) << "can " << j;
        EXPECT_LE(angleIndex + 2, angleTableSize - 1);
        angleIndex = nextAngleIndex(angleIndex);
    }
}

TEST(CanField, AngleTableTakesExactlyTheFirst419DrawsAsWholeDegrees) {
    seedRandom(1234u);
    fillAngleTable();
    const int nextDraw = randomDraw();
    seedRandom(1234u);
    for (int i = 0; i < angleTableSize; ++i) {
        const int draw = randomDraw();
        EXPECT_EQ(static_cast<float>(draw % 360), AngleTable[i]) << "entry " << i;
    }
    // The scene director's draws start right after the table's.
    EXPECT_EQ(nextDraw, randomDraw());
}

TEST(CanMesh, Normalize3ScalesToUnitLengthAndLeavesZeroAlone) {
    float v[3] = {3.0f, 4.0f, 0.0f};
    normalize3(v);
    EXPECT_FLOAT_EQ(0.6f, v[0]);
    EXPECT_FLOAT_EQ(0.8f, v[1]);
    EXPECT_FLOAT_EQ(0.0f, v[2]);

    float top[3] = {0.0f, 20.0f, -100.0f};  // a side corner at the z = -100 end
    normalize3(top);
    EXPECT_NEAR(0.196116, top[1], 1e-6);
    EXPECT_NEAR(-0.980581, top[2], 1e-6);

    float zero[3] = {0.0f, 0.0f, 0.0f};
    normalize3(zero);
    for (float c : zero) EXPECT_EQ(0.0f, c);
}

}  // namespace
