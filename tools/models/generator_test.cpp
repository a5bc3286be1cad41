// The generator's building blocks: exact counts, closed meshes, the walk's
// slot arithmetic and the order that puts chosen corners on the walk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <utility>

#include "tools/models/assemble.h"
#include "tools/models/objects.h"
#include "tools/models/walk_order.h"

namespace models {
namespace {

// Edges by corner index, counted over all triangles.
std::map<std::pair<int, int>, int> edgeUse(const Mesh& m) {
    std::map<std::pair<int, int>, int> use;
    for (const auto& t : m.triangles)
        for (int k = 0; k < 3; ++k) use[{std::min(t[k], t[(k + 1) % 3]), std::max(t[k], t[(k + 1) % 3])}]++;
    return use;
}

TEST(GeneratorMath, OwnSineAgreesWithTheLibrary) {
    for (double x = -20; x <= 20; x += 0.137) {
        EXPECT_NEAR(fsin(x), std::sin(x), 1e-13) << "x = " << x;
        EXPECT_NEAR(fcos(x), std::cos(x), 1e-13) << "x = " << x;
    }
}

TEST(GeneratorShapes, SphereAndTorusGridsAreClosedWithTwoTrianglesPerCell) {
    for (const Shape& s : {ellipsoid({0, 0, 0}, {1, 0.5, 0.7}), torus(1, 0.3, 0.2)}) {
        Mesh m = meshOf(s, 7, 11);
        EXPECT_EQ(m.triangles.size(), 2u * 7 * 11);
        EXPECT_EQ(m.points.size(), s.torus ? 77u : 79u);
        for (const auto& [edge, uses] : edgeUse(m)) EXPECT_EQ(uses, 2) << edge.first << "-" << edge.second;
    }
}

TEST(GeneratorShapes, PartsReachTheExactTriangleCount) {
    for (int triangles : {8376, 8296, 4788, 1234}) {
        std::vector<Mesh> meshes = meshParts(pitcher(), triangles);
        std::size_t sum = 0;
        for (const Mesh& m : meshes) sum += m.triangles.size();
        EXPECT_EQ(sum, std::size_t(triangles));
    }
}

TEST(GeneratorShapes, FitPutsTheBoundsOnTheTargetFloorAndCentre) {
    std::vector<Mesh> meshes{meshOf(ellipsoid({3, 4, 5}, {1, 1, 1}), 8, 8)};
    Box target{{-1, 0.5, -1}, {1, 2.5, 1}};
    transformAll(meshes, fitInto(meshes, target));
    Box b = boundsOf(meshes);
    EXPECT_NEAR(b.min.y, 0.5, 1e-9);
    EXPECT_NEAR(b.min.x + b.max.x, 0, 1e-9);
    EXPECT_NEAR(b.min.z + b.max.z, 0, 1e-9);
}

TEST(GeneratorWalk, SlotsFollowTheCanWalk) {
    // A whole array walked by 36: every 12th triangle from the first.
    WalkSlots whole = walkSlotsFor(25128, 0, 25128, 36);
    EXPECT_EQ(whole.start, 0);
    EXPECT_EQ(whole.stride, 12);
    EXPECT_EQ(whole.count, 698);
    // The own part of a longer array walked by 60: vertex 25140 comes first.
    WalkSlots tail = walkSlotsFor(37692, 25128, 12564, 60);
    EXPECT_EQ(tail.start, 4);
    EXPECT_EQ(tail.stride, 20);
    EXPECT_EQ(tail.count, 210);
}

TEST(GeneratorWalk, OrderKeepsEveryTriangleAndSpreadsTheWalkedCorners) {
    std::vector<Mesh> parts{meshOf(ellipsoid({0, 0, 0}, {1, 1, 1}), 20, 30)};
    const Mesh& m = parts[0];
    auto order = orderForWalks(parts, {{0, 12, 100}});
    ASSERT_EQ(order.size(), m.triangles.size());
    // Same triangles, as sets of corners (a turn keeps a triangle).
    auto key = [](std::array<Vec3, 3> t) {
        std::array<std::tuple<double, double, double>, 3> k;
        for (int i = 0; i < 3; ++i) k[i] = {t[i].x, t[i].y, t[i].z};
        std::rotate(k.begin(), std::min_element(k.begin(), k.end()), k.end());
        return k;
    };
    std::multiset<std::array<std::tuple<double, double, double>, 3>> before, after;
    for (const auto& t : m.triangles) before.insert(key({m.points[t[0]], m.points[t[1]], m.points[t[2]]}));
    for (const auto& t : order) after.insert(key(t));
    EXPECT_TRUE(before == after);
    // The walked corners cover the sphere: none is close to another.
    double closest = 1e9;
    for (int i = 0; i < 100; ++i)
        for (int j = i + 1; j < 100; ++j) closest = std::min(closest, length(order[12 * i][0] - order[12 * j][0]));
    EXPECT_GT(closest, 0.2) << "walked corners bunch together";
}

}  // namespace
}  // namespace models
