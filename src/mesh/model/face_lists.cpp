#include "mesh/model/face_lists.h"

IMPLEMENT_SERIAL(C3DFaceList, CFaceList, 1)
IMPLEMENT_SERIAL(CUVWFaceList, CFaceList, 1)
IMPLEMENT_SERIAL(CVCFaceList, CFaceList, 1)
IMPLEMENT_SERIAL(CNormalFaceList, CFaceList, 1)
