#include "tools/assetgen/ants.h"

#include "tools/assetgen/ant_animations.h"
#include "tools/assetgen/ant_mesh.h"
#include "tools/assetgen/ant_textures.h"

namespace assetgen {

namespace {

AntStyle soldier() {
    AntStyle style;
    style.texture = "ant.png";
    style.fragmentShader = "ant.frag";
    style.seed = 3;
    return style;
}

AntStyle fireAnt() {
    AntStyle style;
    style.texture = "fireant.png";
    style.fragmentShader = "fireant.frag";
    style.headScale = 1.08;
    style.mandibleScale = 1.15;
    style.seed = 5;
    return style;
}

AntStyle zombie() {
    AntStyle style;
    style.texture = "zombieant.png";
    style.fragmentShader = "zombieant.frag";
    style.gasterScale = 1.07;
    style.lumpiness = 0.03;
    style.brokenAntenna = true;
    style.seed = 7;
    return style;
}

} // namespace

void writeAnts(Output& out) {
    out.mesh("ant.kst", buildAntMesh(soldier()));
    out.mesh("fireant.kst", buildAntMesh(fireAnt()));
    out.mesh("zombieant.kst", buildAntMesh(zombie()));
    out.image("ant.png", paintAntTexture(soldierPalette()));
    out.image("fireant.png", paintAntTexture(firePalette()));
    out.image("zombieant.png", paintAntTexture(zombiePalette()));
    for (const TextFile& animation : antAnimations())
        out.text(animation);
}

} // namespace assetgen
