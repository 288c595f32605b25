// Loads a face list and a point list from arbitrary bytes. A list that loads
// must have exactly one index record per face, each within the store's used
// bytes; CArchiveException is the only accepted way to refuse the input.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "hostlib/core/archive.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"

namespace {

void checkFaces(C3DFaceList& faces) {
  const vex3d::IndexStore& records = faces.GetIndexStore();
  if (records.GetRecordNbr() != static_cast<std::uint32_t>(faces.GetSize())) std::abort();
  for (int i = 0; i < faces.GetSize(); ++i) {
    const C3DFace* face = faces[i];
    const std::uint64_t end = records.GetRecordOffset(static_cast<std::uint32_t>(i)) +
                              vex3d::IndexStore::RecordBytes(records.GetRecordCapacity(i));
    if (face->GetSize() > records.GetRecordCapacity(i) || end > records.GetUsedBytes()) {
      std::abort();
    }
    std::uint64_t sum = 0;
    for (std::uint32_t k = 0; k < face->GetSize(); ++k) sum += face->GetPointIndex(k);
    (void)sum;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CArchive ar(std::span<const std::uint8_t>(data, size));
  C3DFaceList faces;
  try {
    faces.Serialize(ar);
    checkFaces(faces);
    // Growing a loaded face must keep every other record intact.
    if (faces.GetSize() > 0 && faces[0]->GetSize() < vex3d::IndexStore::kMaxRecordSize) {
      faces[0]->AddIndex(1);
      checkFaces(faces);
    }
  } catch (const CArchiveException&) {
    if (faces.GetSize() != 0 || faces.GetIndexStore().GetRecordNbr() != 0) std::abort();
  }
  C3DPointList points;
  try {
    points.Serialize(ar);
  } catch (const CArchiveException&) {
  }
  return 0;
}
