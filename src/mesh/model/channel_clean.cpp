#include "mesh/model/channel.h"

int CChannel::Clean(CGeomInfo*, CIntMap*, CIntMap*) { return 1; }
