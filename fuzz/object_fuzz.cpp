// Loads mesh objects of every kind from arbitrary bytes. An object that
// loads must have every face corner inside its point list and every channel
// corner inside its channel's points, and must store again; a refused one
// raises CArchiveException.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "hostlib/core/archive.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"

namespace {

void checkCorners(const CFaceList* faces, int points) {
  if (faces == nullptr) return;
  for (int i = 0; i < faces->GetSize(); ++i) {
    const CFace* f = faces->ElementAt(i);
    for (std::uint32_t k = 0; k < f->GetSize(); ++k) {
      if ((*f)[k] < 0 || (*f)[k] >= points) std::abort();
    }
  }
}

void check(C3DBaseObject& object) {
  checkCorners(object.GetFaceList(), object.GetPointNbr());
  CDependentChannels& channels = *object.GetChannels();
  for (int i = 0; i < channels.GetSize(); ++i) {
    const CChannel* c = channels.GetChannelByIndex(i);
    checkCorners(c->GetFaceList(), c->GetPointList() ? c->GetPointList()->GetSize() : 0);
  }
  // The algorithms a viewer runs first on an opened object.
  C3DPoint min;
  C3DPoint max;
  object.GetBoundingBox(min, max, 1);
  object.GetPointNormalChannel();
  std::vector<std::uint8_t> again;
  CArchive out(again, CArchive::store);
  object.Serialize(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CArchive ar(std::span<const std::uint8_t>(data, size));
  try {
    std::unique_ptr<CObject> read(ar.ReadOwnedObject(RUNTIME_CLASS(C3DBaseObject)));
    if (auto* object = dynamic_cast<C3DBaseObject*>(read.get())) check(*object);
  } catch (const CArchiveException&) {
  }
  return 0;
}
