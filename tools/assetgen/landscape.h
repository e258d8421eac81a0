// The landscape around the playing field in world coordinates (field 0..16,
// ground grid -2..18 with its rim at height 0.5). Scenery meshes are placed by
// the game with scale (20, 16, 20) at (8, 0.5, 8): they are modelled in world
// units and converted with toMesh. Also fixes where boulders, trees and
// tombstones stand, so that grass keeps out of their way.
#pragma once

#include "tools/assetgen/geometry.h"

#include <vector>

namespace assetgen {

Vec3 toMesh(const Vec3& world);

// Distance from (x, z) to the ground's grid square; 0 on and inside it.
double distanceOutsideGrid(double x, double z);

// Height of the terrain outside the grid: 0.5 at the grid's edge, a bank
// around the field, then meadows that rise into distant hills.
double landscapeHeight(double x, double z);

struct Prop {
    Vec3 base;     // on the ground
    double radius; // footprint
    double height;
    double turn; // heading in degrees
    double size; // scale factor of the model
};

const std::vector<Prop>& boulderPlaces();
const std::vector<Prop>& treePlaces();
const std::vector<Prop>& tombstonePlaces();

// Whether a grass tuft at (x, z) would be drawn over something solid: grass
// is drawn last without depth test, so it must not stand behind scenery as
// the game's camera (south of the field, looking north) sees it.
bool grassAllowed(double x, double z);

} // namespace assetgen
