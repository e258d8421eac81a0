#include "tools/assetgen/scenery.h"

#include "tools/assetgen/ground_textures.h"
#include "tools/assetgen/sky.h"
#include "tools/assetgen/stones.h"
#include "tools/assetgen/terrain_border.h"
#include "tools/assetgen/vegetation.h"

namespace assetgen {

void writeScenery(Output& out) {
    out.mesh("terrainborder.kst", buildTerrainBorder());
    out.image("terrainborder.png", paintTerrainBorderTexture());
    out.mesh("skybox.kst", buildSkybox());
    out.image("sky.png", paintSkyTexture());
    out.mesh("rocks.kst", buildBoulders());
    out.mesh("rock.kst", buildRock());
    out.image("stone.png", paintStoneTexture());
    out.mesh("tombstone.kst", buildTombstones());
    out.image("tombstone.png", paintTombstoneTexture());
    out.mesh("tree.kst", buildTrees());
    out.image("tree.png", paintTreeTexture());
    out.mesh("grass.kst", buildGrass());
    out.image("grass.png", paintGrassTexture());
    out.image("centerterrain.png", paintCenterTerrain());
    out.image("particle.png", paintParticles());
}

} // namespace assetgen
