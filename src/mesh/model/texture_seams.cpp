#include "mesh/model/edge.h"
#include "mesh/model/texture_channels.h"

void CUVWChannel::InitShareUVFlag(CGeomInfo*, float, int) {}
int CUVWChannel::IsUVFrontier(CGeomInfo*, float, const C3DEdge&, int, int) const { return 0; }
void CVCChannel::InitVCFrontierFlag(CGeomInfo*, int, int) {}
int CVCChannel::IsVCFrontier(CGeomInfo*, int, const C3DEdge&, int, int) const { return 0; }
