#pragma once
// A capsule (a cylinder closed by two half spheres) as a new node of a
// scene, for file formats that describe such primitives instead of their
// faces.
#include "mesh/model/point_lists.h"
#include "vex3d_export.h"

class C3DScene;
class C3DSceneNode;

// `height` is the whole length along `axis`, caps included; `segments`
// points go around each ring, each cap has `capRings` rings and the
// cylinder `bodySections` bands. `flag` asks for texture coordinates. The
// node, named "Capsule", hangs under the scene's root. Null, with nothing
// added, without a scene, for a height of 0, or for fewer than 3 segments,
// 1 ring or 1 section.
VEX3D_EXPORT C3DSceneNode* CreateCapsule(C3DScene* scene, const C3DPoint& centre, float radius,
                                         float height, unsigned segments, unsigned capRings,
                                         unsigned bodySections, _AXIS_INFO axis, int flag);
