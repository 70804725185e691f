// zeq-tiles: the grid a mesh is cut along, tile targets, and the weld.
#include <gtest/gtest.h>

#include <cmath>

#include "tiles/grid.h"
#include "tiles/manifest.h"
#include "tiles/merge.h"

namespace zeq::tiles {
namespace {

TEST(TilesGrid, CellCountsFollowTheExtents) {
    const double lo[3] = {0, 0, 0}, hi[3] = {4, 2, 1};
    const Grid g = chooseGrid(lo, hi, 8000, 1000);  // 8 cells: 4 × 2 × 1
    EXPECT_EQ(g.n[0], 4);
    EXPECT_EQ(g.n[1], 2);
    EXPECT_EQ(g.n[2], 1);
}

TEST(TilesGrid, FlatAndThinAxesGetOneCell) {
    const double lo[3] = {0, 0, 0}, hi[3] = {10, 10, 0};
    Grid g = chooseGrid(lo, hi, 100, 1);
    EXPECT_EQ(g.n[0], 10);
    EXPECT_EQ(g.n[1], 10);
    EXPECT_EQ(g.n[2], 1);
    const double thin[3] = {10, 10, 1e-9};
    g = chooseGrid(lo, thin, 100, 1);
    EXPECT_EQ(g.n[0] * g.n[1], 100);
    EXPECT_EQ(g.n[2], 1);
}

TEST(TilesGrid, FewFacesGiveOneCell) {
    const double lo[3] = {0, 0, 0}, hi[3] = {1, 2, 3};
    const Grid g = chooseGrid(lo, hi, 10, 1000000);
    EXPECT_EQ(g.cellCount(), 1);
    const double point[3] = {5, 5, 5};
    EXPECT_EQ(chooseGrid(point, point, 10, 1).cellCount(), 1);
}

TEST(TilesGrid, UpperFacesBelongToTheUpperCellExceptAtTheMax) {
    const double lo[3] = {0, 0, 0}, hi[3] = {4, 1, 1};
    const Grid g = chooseGrid(lo, hi, 4, 1);
    ASSERT_EQ(g.n[0], 4);
    EXPECT_EQ(g.slab(0, 0.0), 0);
    EXPECT_EQ(g.slab(0, 0.999), 0);
    EXPECT_EQ(g.slab(0, 1.0), 1);
    EXPECT_EQ(g.slab(0, 3.0), 3);
    EXPECT_EQ(g.slab(0, 4.0), 3);
    EXPECT_EQ(g.cellOf(2.5, 1.0, 1.0), 2);
}

TEST(TilesGrid, CellsAreNumberedXFastest) {
    const double lo[3] = {0, 0, 0}, hi[3] = {2, 2, 2};
    const Grid g = chooseGrid(lo, hi, 8, 1);
    ASSERT_EQ(g.cellCount(), 8);
    EXPECT_EQ(g.cellOf(1.5, 0.5, 0.5), 1);
    EXPECT_EQ(g.cellOf(0.5, 1.5, 0.5), 2);
    EXPECT_EQ(g.cellOf(0.5, 0.5, 1.5), 4);
}

TEST(TilesManifest, TargetsAreRoundedSharesAndAQuarterOfAtLeastOne) {
    EXPECT_EQ(tileTarget(1000, 472, 3674), 161);  // 160.59
    EXPECT_EQ(tileTarget(10, 1, 1000), 1);
    EXPECT_EQ(tileTarget(2, 1, 5), 1);            // 0.5 rounds up
    EXPECT_EQ(tileTarget(4, 1, 10), 1);           // 0.5 rounds up
    EXPECT_EQ(tileTarget(6, 1, 5), 2);            // 1.5 rounds up
    EXPECT_EQ(tileTarget(2147483647, 2000000000, 2000000000), 2684354559);
}

TEST(TilesManifest, WrittenTextParsesBack) {
    Manifest m;
    m.input = "in put.ply";
    m.format = MeshFormat::Ply;
    m.flavour.encoding = FileFlavour::Encoding::BinaryBigEndian;
    m.flavour.doubleCoordinates = false;
    m.vertices = 10;
    m.faces = 12;
    m.grid[0] = 2;
    m.facesPerTile = 6;
    m.count = 6;
    m.tiles = {{"tile-00000.ply", 7, 6, 4}, {"tile-00001.ply", 5, 5, 3}};
    const std::string text = manifestText(m, "my dir");
    EXPECT_NE(text.find("zeq --origins 'my dir/simplified/tile-00000.ply.origins' -N 4 'my dir/tile-00000.ply' "
                        "'my dir/simplified/tile-00000.ply'"),
              std::string::npos);
    Manifest back;
    std::string why;
    ASSERT_TRUE(parseManifest(text, back, why)) << why;
    EXPECT_EQ(back.input, "in put.ply");
    EXPECT_EQ(back.flavour.encoding, FileFlavour::Encoding::BinaryBigEndian);
    EXPECT_FALSE(back.flavour.doubleCoordinates);
    ASSERT_EQ(back.tiles.size(), 2u);
    EXPECT_EQ(back.tiles[1].target, 3);
    EXPECT_FALSE(parseManifest("zeq-tiles manifest 2\n", back, why));
    std::string broken = text;
    broken.replace(broken.find("tiles 2"), 7, "tiles 3");
    EXPECT_FALSE(parseManifest(broken, back, why));
    // The bounds go into the manifest exactly, and half of each into the tiles' commands.
    m.maxAngle = 30;
    m.maxError = 0.1;
    m.tiles[0].maxAngle = 15;
    m.tiles[0].maxError = 0.07;
    const std::string bounded = manifestText(m, "d");
    EXPECT_NE(bounded.find("max-angle 30\nmax-error 0.10000000000000001\n"), std::string::npos);
    EXPECT_NE(bounded.find("zeq --origins d/simplified/tile-00000.ply.origins --max-angle 15 --max-error "
                           "0.070000000000000007 -N 4 d/tile-00000.ply"),
              std::string::npos);
    ASSERT_TRUE(parseManifest(bounded, back, why)) << why;
    EXPECT_EQ(back.maxAngle, 30.0);
    EXPECT_EQ(back.maxError, 0.1);
    // Merge keeps a number per tile vertex: no tile may claim more than the input has.
    broken = text;
    broken.replace(broken.find("tile-00001.ply 5 5"), 18, "tile-00001.ply 5 11");
    EXPECT_FALSE(parseManifest(broken, back, why));
    EXPECT_EQ(why, "tile line 2 has more vertices than the input");
}

TEST(TilesMerge, SharedVerticesJoinByInputNumberAndNothingElseJoins) {
    VertexMerger merger;
    bool added = false;
    // Tile 0: vertices 0..3; its vertices 1 and 3 are input vertices 7 and 9,
    // which tile 1 uses too.
    const std::unordered_map<std::uint32_t, std::uint32_t> first{{1, 7}, {3, 9}};
    merger.startTile(4, first);
    EXPECT_EQ(merger.vertexOf(2, added), 0u);
    EXPECT_TRUE(added);
    EXPECT_EQ(merger.vertexOf(1, added), 1u);
    EXPECT_EQ(merger.vertexOf(2, added), 0u);  // a record written twice: one vertex
    EXPECT_FALSE(added);
    EXPECT_EQ(merger.vertexOf(3, added), 2u);
    // Tile 1: its vertex 0 is input vertex 9, its vertex 1 input vertex 7;
    // its vertex 2 is its own, even if it lay where tile 0's vertex 2 lies.
    const std::unordered_map<std::uint32_t, std::uint32_t> second{{0, 9}, {1, 7}};
    merger.startTile(3, second);
    EXPECT_EQ(merger.vertexOf(2, added), 3u);
    EXPECT_TRUE(added);
    EXPECT_EQ(merger.vertexOf(0, added), 2u);
    EXPECT_FALSE(added);
    EXPECT_EQ(merger.vertexOf(1, added), 1u);
    EXPECT_EQ(merger.count(), 4u);
}

}  // namespace
}  // namespace zeq::tiles
