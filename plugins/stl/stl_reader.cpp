#include "stl_reader.h"

#include <bit>
#include <cstring>
#include <string_view>
#include <vector>

#include "hostlib/text/strings.h"
#include "mesh_format_kit/mesh_build.h"
#include "mesh_format_kit/point_welder.h"
#include "mesh_format_kit/read_progress.h"
#include "mesh_format_kit/text_scan.h"
#include "scene/scene.h"
#include "scene/scene_node.h"

namespace vex3d::stl {

namespace {

constexpr std::size_t kHeaderSize = 84;
constexpr std::size_t kFacetSize = 50;
// How far ahead the welder is told of the points to come: enough facets to
// cover a memory access, few enough that their slots are still cached.
constexpr std::uint64_t kPrefetchFacets = 8;

using native::MeshArrays;

void addNode(C3DScene& scene, MeshArrays& mesh, const std::string& name) {
  if (mesh.corners.empty()) {
    mesh.clear();
    return;
  }
  auto node = std::make_unique<C3DSceneNode>();
  node->SetName(name);
  node->SetObject(native::buildObject(mesh, vex3d::kNoChannelId).release());
  scene.AddNode(nullptr, node.release());
  mesh.clear();
}

std::uint32_t readU32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

ReadResult readBinary(std::span<const unsigned char> bytes, native::ReadProgress* progress) {
  ReadResult result;
  const std::uint64_t count = readU32(bytes.data() + 80);
  const std::uint64_t room = (bytes.size() - kHeaderSize) / kFacetSize;
  if (count > room) {
    result.error = FormatString(kStrStlHeaderTooLarge, static_cast<unsigned long long>(count),
                                static_cast<unsigned long long>(room));
    return result;
  }
  MeshArrays mesh;
  mesh.corners.resize(count * 3);
  // A closed surface has about half as many points as facets: room for
  // them spares the position array its copies as it grows.
  mesh.positions.reserve((count / 2 + 64) * 3);
  // The welder's table is gone before the object is built: the lists take
  // its memory.
  auto weld = [&]() -> bool {
    native::PointWelder welder(static_cast<std::size_t>(count) * 3, mesh.positions);
    const unsigned char* p = bytes.data() + kHeaderSize;
    int* corner = mesh.corners.data();
    // The hashes of the corners looked ahead at, by facet modulo the
    // distance: each corner is hashed once, kPrefetchFacets facets early.
    std::size_t ahead[kPrefetchFacets][3];
    auto point = [](const unsigned char* v, float xyz[3]) {
      for (int c = 0; c < 3; ++c) xyz[c] = std::bit_cast<float>(readU32(v + 4 * c));
    };
    auto look = [&](std::uint64_t facet) {
      const unsigned char* f = bytes.data() + kHeaderSize + facet * kFacetSize;
      for (int k = 0; k < 3; ++k) {
        float xyz[3];
        point(f + 12 + 12 * k, xyz);
        ahead[facet % kPrefetchFacets][k] = welder.prefetchHashed(xyz);
      }
    };
    for (std::uint64_t i = 0; i < kPrefetchFacets && i < count; ++i) look(i);
    for (std::uint64_t i = 0; i < count; ++i, p += kFacetSize) {
      if (native::cancelled(progress, p)) return false;
      std::size_t hashes[3];
      std::memcpy(hashes, ahead[i % kPrefetchFacets], sizeof hashes);
      if (i + kPrefetchFacets < count) look(i + kPrefetchFacets);
      for (int k = 0; k < 3; ++k) {
        float xyz[3];
        point(p + 12 + 12 * k, xyz);
        *corner++ = welder.addHashed(xyz, hashes[k]);
      }
    }
    return true;
  };
  if (!weld()) {
    result.error = native::readingCancelledText();
    return result;
  }
  native::parsed(progress);
  result.scene = std::make_unique<C3DScene>();
  addNode(*result.scene, mesh, {});
  return result;
}

ReadResult readText(std::span<const unsigned char> bytes, native::ReadProgress* progress) {
  ReadResult result;
  const char* p = reinterpret_cast<const char*>(bytes.data());
  const char* end = p + bytes.size();
  p = native::skipBom(p, end);
  auto scene = std::make_unique<C3DScene>();
  MeshArrays mesh;
  // A size guess only: the text is at least ~20 bytes per coordinate line.
  native::PointWelder welder(bytes.size() / 64 + 16, mesh.positions);
  std::string solidName;
  std::vector<int> facet;
  // Vertices past the longest face a face list holds are counted for the
  // message but neither kept nor welded, so that a runaway facet costs no
  // memory.
  std::uint64_t facetVertices = 0;
  std::uint64_t facetNumber = 0;
  int facetLine = 0;
  int line = 0;
  bool inSolid = false;
  auto fail = [&](int at, const std::string& what) {
    result.error = FormatString(kStrStlLineError, at, what.c_str());
    return std::move(result);
  };
  auto tooLong = [&]() { return facetVertices > native::kMaxFaceCorners; };
  auto tooLongError = [&]() {
    return fail(
        facetLine,
        FormatString(kStrStlTooManyVertices, static_cast<unsigned long long>(facetNumber),
                     static_cast<unsigned long long>(facetVertices), native::kMaxFaceCorners));
  };
  auto startFacet = [&]() {
    facet.clear();
    facetVertices = 0;
    facetLine = 0;
  };
  while (p < end) {
    ++line;
    if (native::cancelled(progress, p)) {
      result.error = native::readingCancelledText();
      return result;
    }
    const char* eol = native::lineEnd(p, end);
    const char* q = p;
    const std::string_view word = native::token(q, eol);
    if (word.empty()) {
    } else if (native::sameWord(word, "vertex")) {
      float xyz[3];
      if (!native::scanFloat(q, eol, xyz[0]) || !native::scanFloat(q, eol, xyz[1]) ||
          !native::scanFloat(q, eol, xyz[2])) {
        return fail(line, LoadStringW(kStrStlVertexNeedsNumbers));
      }
      if (facetVertices++ == 0) {
        ++facetNumber;
        if (facetLine == 0) facetLine = line;
      }
      if (!tooLong()) facet.push_back(welder.add(xyz));
    } else if (native::sameWord(word, "endfacet") || native::sameWord(word, "endloop")) {
      if (tooLong()) return tooLongError();
      if (facet.size() >= 3) {
        // Sizes are only kept once a facet is not a triangle.
        const bool polygon = facet.size() != 3;
        if (polygon && mesh.faceSizes.empty()) mesh.faceSizes.assign(mesh.corners.size() / 3, 3u);
        if (polygon || !mesh.faceSizes.empty()) {
          mesh.faceSizes.push_back(static_cast<std::uint32_t>(facet.size()));
        }
        mesh.corners.insert(mesh.corners.end(), facet.begin(), facet.end());
      }
      startFacet();
    } else if (native::sameWord(word, "solid")) {
      // A new solid without the end of the previous one still starts a new object.
      if (inSolid) {
        if (tooLong()) return tooLongError();
        addNode(*scene, mesh, solidName);
        welder.reset();
        // An unfinished facet's points went with its solid.
        startFacet();
      }
      solidName = std::string(native::trimmed(q, eol));
      inSolid = true;
    } else if (native::sameWord(word, "endsolid")) {
      if (tooLong()) return tooLongError();
      addNode(*scene, mesh, solidName);
      welder.reset();
      startFacet();
      inSolid = false;
    } else if (native::sameWord(word, "facet") || native::sameWord(word, "outer")) {
      if (native::sameWord(word, "facet")) {
        if (tooLong()) return tooLongError();
        startFacet();
        facetLine = line;
      }
    } else {
      return fail(line, FormatString(kStrStlUnexpected, std::string(word.substr(0, 40)).c_str()));
    }
    p = eol < end ? eol + 1 : end;
  }
  if (tooLong()) return tooLongError();
  native::parsed(progress);
  addNode(*scene, mesh, solidName);
  if (scene->GetNodeNbr(1) == 0) {
    result.error = LoadStringW(kStrStlNoFacet);
    return result;
  }
  result.scene = std::move(scene);
  return result;
}

}  // namespace

bool isBinaryStl(std::span<const unsigned char> bytes) {
  if (bytes.size() < kHeaderSize) return false;
  const std::uint64_t count = readU32(bytes.data() + 80);
  if (kHeaderSize + count * kFacetSize == bytes.size()) return true;
  const char* p = reinterpret_cast<const char*>(bytes.data());
  const char* end = p + bytes.size();
  const char* q = native::skipBom(p, end);
  q = native::skipBlanks(q, end);
  while (q < end && (*q == '\n')) q = native::skipBlanks(q + 1, end);
  const char* after = q;
  return !native::sameWord(native::token(after, end), "solid");
}

ReadResult readStl(std::span<const unsigned char> bytes, native::ReadProgress* progress) {
  if (isBinaryStl(bytes)) return readBinary(bytes, progress);
  return readText(bytes, progress);
}

}  // namespace vex3d::stl
