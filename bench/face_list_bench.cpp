// Face lists of imported meshes reach millions of faces: building, growing
// records, cleaning and the archive round trip must stay linear, and a
// triangle must cost at most 72 bytes.
//
// Counters: s_per_Mface is processor seconds per million faces (read "m" as
// milliseconds); list_B_per_face is the lists' own accounting (face array
// capacity x element size + index store buffer + 4-byte offsets);
// peak_B_per_face is the rise of the process peak (VmHWM) while a child
// process builds the list, from a peak reset just before.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "hostlib/core/archive.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_lists.h"
#include "peak_memory.h"

namespace {

constexpr int kQuads = 1'000'000;
constexpr int kTriangles = 2'000'000;

void buildQuads(C3DFaceList& list, int n) {
  list.SetSize(n, 4);
  for (int i = 0; i < n; ++i) list[i]->SetQuadrangle(i, i + 1, i + 2, i + 3);
}

void buildTriangles(C3DFaceList& list, int n) {
  list.SetSize(n, 3);
  for (int i = 0; i < n; ++i) list[i]->SetTriangle(i, i + 1, i + 2);
}

double listBytes(const C3DFaceList& list) {
  const vex3d::IndexStore& store = list.GetIndexStore();
  return static_cast<double>(list.GetAllocatedSize()) * static_cast<double>(list.GetElementSize()) +
         store.GetBufferBytes() + 4.0 * store.GetRecordNbr();
}

void perFaceCounters(benchmark::State& state, std::int64_t faces) {
  state.SetItemsProcessed(state.iterations() * faces);
  state.SetComplexityN(faces);
  state.counters["s_per_Mface"] = benchmark::Counter(
      static_cast<double>(faces) / 1e6,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// First in this file, so that nothing else has run yet either way.
void BM_PeakMemoryQuads(benchmark::State& state) {
  std::uint64_t rise = 0;
  for (auto _ : state) {
    rise = vex3d::bench::peakRiseInChild([] {
      C3DFaceList list;
      buildQuads(list, kQuads);
      benchmark::DoNotOptimize(list.GetSize());
    });
  }
  if (rise == 0) state.SkipWithError("no peak measured");
  state.counters["peak_B_per_face"] = static_cast<double>(rise) / kQuads;
}
BENCHMARK(BM_PeakMemoryQuads)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_PeakMemoryTriangles(benchmark::State& state) {
  std::uint64_t rise = 0;
  for (auto _ : state) {
    rise = vex3d::bench::peakRiseInChild([] {
      C3DFaceList list;
      buildTriangles(list, kTriangles);
      benchmark::DoNotOptimize(list.GetSize());
    });
  }
  if (rise == 0) state.SkipWithError("no peak measured");
  state.counters["peak_B_per_face"] = static_cast<double>(rise) / kTriangles;
}
BENCHMARK(BM_PeakMemoryTriangles)->Iterations(1)->Unit(benchmark::kMillisecond);

// The peak of a store and reload of 1M triangles: list, archive bytes and
// the loaded copy together.
void BM_PeakMemoryStoreReload(benchmark::State& state) {
  constexpr int kFaces = 1'000'000;
  std::uint64_t rise = 0;
  for (auto _ : state) {
    rise = vex3d::bench::peakRiseInChild([] {
      C3DFaceList list;
      buildTriangles(list, kFaces);
      std::vector<std::uint8_t> bytes;
      {
        CArchive ar(bytes, CArchive::store);
        list.Serialize(ar);
      }
      C3DFaceList back;
      CArchive in(bytes, CArchive::load);
      back.Serialize(in);
      benchmark::DoNotOptimize(back.GetSize());
    });
  }
  if (rise == 0) state.SkipWithError("no peak measured");
  state.counters["peak_B_per_face"] = static_cast<double>(rise) / kFaces;
}
BENCHMARK(BM_PeakMemoryStoreReload)->Iterations(1)->Unit(benchmark::kMillisecond);

// Builds lists of n faces with `build`, reporting the lists' own bytes.
void runBuild(benchmark::State& state, void (*build)(C3DFaceList&, int)) {
  const auto n = static_cast<int>(state.range(0));
  double bytes = 0;
  for (auto _ : state) {
    auto list = std::make_unique<C3DFaceList>();
    build(*list, n);
    state.PauseTiming();
    bytes = listBytes(*list);
    list.reset();
    state.ResumeTiming();
  }
  perFaceCounters(state, n);
  state.counters["list_B_per_face"] = bytes / n;
}

void BM_BuildQuads(benchmark::State& state) { runBuild(state, buildQuads); }
BENCHMARK(BM_BuildQuads)
    ->Arg(kQuads / 4)
    ->Arg(kQuads / 2)
    ->Arg(kQuads)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

void BM_BuildTriangles(benchmark::State& state) { runBuild(state, buildTriangles); }
BENCHMARK(BM_BuildTriangles)
    ->Arg(kTriangles / 4)
    ->Arg(kTriangles / 2)
    ->Arg(kTriangles)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// Every 10th triangle grows to 5 indices: past its capacity of 3, so its
// record moves to the end of the index store.
void BM_GrowTenPercentOfRecords(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  double bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto list = std::make_unique<C3DFaceList>();
    buildTriangles(*list, n);
    state.ResumeTiming();
    for (int i = 0; i < n; i += 10) list->ElementAt(i)->SetSize(5);
    state.PauseTiming();
    bytes = listBytes(*list);
    list.reset();
    state.ResumeTiming();
  }
  perFaceCounters(state, n);
  state.counters["list_B_per_face"] = bytes / n;
}
BENCHMARK(BM_GrowTenPercentOfRecords)
    ->Arg(kTriangles / 4)
    ->Arg(kTriangles / 2)
    ->Arg(kTriangles)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// n triangles over `used` points in a strip, every 10th face invalid, and
// one unused point for every nine used ones. Each point lies on three
// consecutive faces, so the invalid faces leave no used point behind.
struct CleanInput {
  C3DFaceList faces;
  C3DPointList points;
};

std::unique_ptr<CleanInput> makeCleanInput(int n) {
  auto input = std::make_unique<CleanInput>();
  const int used = n / 2;
  const int pointCount = used + used / 9;
  input->points.SetSize(pointCount);
  C3DPoint* p = input->points.GetData();
  for (int i = 0; i < pointCount; ++i) p[i].Init(static_cast<float>(i), 0.0f, 0.0f);
  input->faces.SetSize(n, 3);
  for (int i = 0; i < n; ++i) {
    C3DFace* f = input->faces[i];
    f->SetTriangle(i % used, (i + 1) % used, (i + 2) % used);
    if (i % 10 == 9) f->SetFlag(FACE_INVALID, 1);
  }
  return input;
}

void BM_CleanTenPercentInvalid(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<CleanInput> input = makeCleanInput(n);
    const int pointsBefore = input->points.GetSize();
    state.ResumeTiming();
    CGeomInfo geom(&input->faces, &input->points);
    const int both = input->faces.Clean(&geom);
    state.PauseTiming();
    if (!both || input->faces.GetSize() != n - n / 10 ||
        input->points.GetSize() != pointsBefore - (n / 2) / 9) {
      state.SkipWithError("cleaning removed the wrong faces or points");
    }
    input.reset();
    state.ResumeTiming();
  }
  perFaceCounters(state, n);
}
BENCHMARK(BM_CleanTenPercentInvalid)
    ->Arg(kTriangles / 4)
    ->Arg(kTriangles / 2)
    ->Arg(kTriangles)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// Store into a memory archive and load into a new list: the time of saving
// a mesh and opening it again, without the disk.
void BM_StoreAndReloadTriangles(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  C3DFaceList list;
  buildTriangles(list, n);
  double bytes = 0;
  double archiveBytes = 0;
  for (auto _ : state) {
    std::vector<std::uint8_t> stored;
    {
      CArchive ar(stored, CArchive::store);
      list.Serialize(ar);
    }
    auto back = std::make_unique<C3DFaceList>();
    CArchive in(stored, CArchive::load);
    back->Serialize(in);
    state.PauseTiming();
    if (back->GetSize() != n) state.SkipWithError("reload lost faces");
    bytes = listBytes(*back);
    archiveBytes = static_cast<double>(stored.size());
    back.reset();
    state.ResumeTiming();
  }
  perFaceCounters(state, n);
  state.counters["list_B_per_face"] = bytes / n;
  state.counters["archive_B_per_face"] = archiveBytes / n;
}
BENCHMARK(BM_StoreAndReloadTriangles)
    ->Arg(kTriangles / 4)
    ->Arg(kTriangles / 2)
    ->Arg(kTriangles)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

}  // namespace
