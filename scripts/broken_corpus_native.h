#pragma once
// Damaged OBJ, STL and PLY files: the formats with readers of our own.
#include <limits>
#include <string>

#include "broken_corpus_writer.h"

namespace vex3d::corpus {

inline const char* const kObjCube =
    "# cube\n"
    "mtllib obj-seed.mtl\n"
    "o Cube\n"
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
    "vn 0 0 -1\nvn 0 0 1\n"
    "g sides\n"
    "usemtl Painted\n"
    "f 1/1/1 4/4/1 3/3/1 2/2/1\n"
    "f 5/1/2 6/2/2 7/3/2 8/4/2\n"
    "f 1/1 2/2 6/3 5/4\n"
    "f 2/1 3/2 7/3 6/4\n"
    "f -6 -5 -1\n"
    "f 3 4 8 7\n"
    "f 4 1 5 8\n";

inline const char* const kMtl =
    "newmtl Painted\nKa 0.1 0.1 0.1\nKd 0.8 0.4 0.1\nKs 0.7 0.7 0.7\nNs 32\n";

// A tetrahedron's four corners followed by `face`.
inline Bytes objWithFace(const std::string& face) {
  return "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nvt 0 0\nvn 0 0 1\n" + face + "\n";
}

inline void objFiles(Corpus& c) {
  const Bytes seed = kObjCube;
  c.file("obj-seed.obj", seed);
  c.file("obj-seed.mtl", kMtl);
  c.file("obj-empty.obj", "");
  c.spreadCuts("obj", ".obj", seed);
  c.flips("obj", ".obj", seed, 2);
  c.file("obj-random-bytes.obj", c.noise(4096));
  c.file("obj-nul-bytes.obj", Bytes(512, '\0'));

  c.file("obj-face-index-2pow31.obj", objWithFace("f 1 2 2147483648"));
  c.file("obj-face-index-2pow32.obj", objWithFace("f 4294967297 1 2"));
  c.file("obj-face-index-2pow63.obj", objWithFace("f 1 2 9223372036854775808"));
  c.file("obj-face-index-neg-2pow31.obj", objWithFace("f -2147483648 1 2"));
  c.file("obj-face-index-neg-2pow63.obj", objWithFace("f 1 2 -9223372036854775808"));
  c.file("obj-face-index-zero.obj", objWithFace("f 0 1 2"));
  c.file("obj-face-index-neg-before-start.obj", objWithFace("f -5 -1 -2"));
  c.file("obj-face-index-past-end.obj", objWithFace("f 1 2 5"));
  c.file("obj-face-before-vertices.obj", "f 1 2 3\nv 0 0 0\nv 1 0 0\nv 0 1 0\n");
  c.file("obj-uv-index-2pow31.obj", objWithFace("f 1/2147483648 2/1 3/1"));
  c.file("obj-uv-index-zero.obj", objWithFace("f 1/0 2/1 3/1"));
  c.file("obj-normal-index-neg-beyond.obj", objWithFace("f 1//-2 2//1 3//1"));
  c.file("obj-face-corner-garbage.obj", objWithFace("f 1/x/ 2//// 3/-/-"));
  c.file("obj-face-two-corners.obj", objWithFace("f 1 2"));
  c.file("obj-face-all-same-corner.obj", objWithFace("f 1 1 1 1 1"));
  c.file("obj-nan-inf-coordinates.obj",
         "v nan nan nan\nv inf -inf 0\nv 0 1e39 -1e39\n"
         "vt nan inf\nvn -nan 0 0\nf 1/1/1 2/1/1 3/1/1\n");
  c.file("obj-all-nan.obj", "v nan nan nan\nv nan nan nan\nv nan nan nan\nf 1 2 3\n");
  c.file("obj-huge-coordinates.obj",
         "v -3.4e38 -3.4e38 -3.4e38\nv 3.4e38 3.4e38 3.4e38\nv 3.4e38 -3.4e38 0\nf 1 2 3\n");
  c.file("obj-vertex-short.obj", "v 1 2\nv 1\nf 1 2 3\n");
  c.file("obj-mtl-missing.obj", replaced(seed, "obj-seed.mtl", "obj-no-such-library.mtl"));
  c.file("obj-mtl-is-directory.obj", replaced(seed, "obj-seed.mtl", "obj-mtl-directory.mtl"));
  c.directory("obj-mtl-directory.mtl");
  c.file("obj-mtl-names-missing-textures.obj",
         replaced(seed, "obj-seed.mtl", "obj-mtl-names-missing-textures.mtl"));
  c.file("obj-mtl-names-missing-textures.mtl",
         Bytes(kMtl) +
             "map_Kd no-such-texture.png\nmap_Bump -bm 2 missing/bump.tga\n"
             "map_Ks ../../../../../no/such/dir/shine.jpg\nmap_d \nmap_Ka " +
             Bytes(5000, 'x') + ".png\n");
  c.file("obj-mtl-garbage.obj", replaced(seed, "obj-seed.mtl", "obj-mtl-garbage.mtl"));
  c.file("obj-mtl-garbage.mtl",
         "newmtl\nKd nan inf\nNs -1e39\nd\nillum 99999999999999999999\n" + c.noise(600));
  c.file("obj-mtl-self-reference.obj", "mtllib obj-mtl-self-reference.obj\n" + seed);
  c.file("obj-usemtl-undefined.obj", replaced(seed, "Painted", "Nowhere"));
  c.file("obj-utf16le-bom.obj", utf16(seed, false));
  c.file("obj-utf16be-bom.obj", utf16(seed, true));
  c.file("obj-crlf.obj", withLineEnds(seed, "\r\n"));
  c.file("obj-cr-only.obj", withLineEnds(seed, "\r"));
  // A single line of several MB: one comment, and one face of 300000 corners.
  c.file("obj-huge-comment-line.obj", seed + "#" + Bytes(3 << 20, 'c') + "\n");
  Bytes longFace = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf";
  for (int i = 0; i < 300000; ++i) longFace += i % 3 == 0 ? " 1" : i % 3 == 1 ? " 2" : " 3";
  c.file("obj-huge-face-line.obj", longFace + "\n");
  c.file("obj-many-objects-no-faces.obj", [] {
    Bytes b;
    for (int i = 0; i < 2000; ++i) b += "o empty" + std::to_string(i) + "\n";
    return b;
  }());
}

inline Bytes stlText() {
  Bytes b = "solid tetra\n";
  const char* tris[4] = {"0 0 0 1 0 0 0 1 0", "0 0 0 0 0 1 1 0 0", "0 0 0 0 1 0 0 0 1",
                         "1 0 0 0 0 1 0 1 0"};
  for (const char* t : tris) {
    b += " facet normal 0 0 0\n  outer loop\n";
    std::string s(t);
    for (int k = 0; k < 3; ++k) {
      const std::size_t at = s.find(' ', s.find(' ', s.find(' ') + 1) + 1);
      b += "   vertex " + s.substr(0, at) + "\n";
      s = at == std::string::npos ? "" : s.substr(at + 1);
    }
    b += "  endloop\n endfacet\n";
  }
  return b + "endsolid tetra\n";
}

inline Bytes stlBinary(std::uint32_t announced, int triangles, float value = 1.0f) {
  Bytes b = "binary stl written by make_broken_corpus";
  b.resize(80, ' ');
  putU32(b, announced);
  for (int t = 0; t < triangles; ++t) {
    for (int i = 0; i < 3; ++i) putF32(b, 0.0f);
    const float corners[9] = {0, 0, 0, value, 0, 0, 0, value, static_cast<float>(t)};
    for (float f : corners) putF32(b, f);
    putU16(b, 0);
  }
  return b;
}

inline void stlFiles(Corpus& c) {
  const Bytes text = stlText();
  const Bytes binary = stlBinary(12, 12);
  c.file("stl-ascii-seed.stl", text);
  c.file("stl-bin-seed.stl", binary);
  c.file("stl-empty.stl", "");
  c.spreadCuts("stl-ascii", ".stl", text);
  c.cuts("stl-bin", ".stl", binary, {1, 80, 84, 85, 134, binary.size() - 1});
  c.flips("stl-ascii", ".stl", text, 2);
  c.flips("stl-bin", ".stl", binary, 2);
  c.file("stl-random-bytes.stl", c.noise(1024));
  c.file("stl-bin-count-2pow31.stl", stlBinary(k2Pow31, 18));
  c.file("stl-bin-count-ffffffff.stl", stlBinary(0xFFFFFFFFu, 18));
  c.file("stl-bin-count-one-too-many.stl", stlBinary(13, 12));
  c.file("stl-bin-count-zero.stl", stlBinary(0, 0));
  c.file("stl-bin-count-zero-with-data.stl", stlBinary(0, 12));
  c.file("stl-bin-nan.stl", stlBinary(4, 4, std::numeric_limits<float>::quiet_NaN()));
  c.file("stl-bin-inf.stl", stlBinary(4, 4, std::numeric_limits<float>::infinity()));
  Bytes solidHeader = stlBinary(12, 12);
  solidHeader.replace(0, 6, "solid ");
  c.file("stl-bin-header-says-solid.stl", solidHeader);
  c.file("stl-ascii-nan.stl", replaced(text, "vertex 1 0 0", "vertex nan inf -inf"));
  c.file("stl-ascii-four-vertices.stl", replaced(text, "  endloop", "   vertex 9 9 9\n  endloop"));
  c.file("stl-ascii-two-vertices.stl", replaced(text, "   vertex 0 1 0\n", ""));
  c.file("stl-ascii-no-endsolid.stl", replaced(text, "endsolid tetra\n", ""));
  c.file("stl-ascii-nested-solid.stl", replaced(text, " facet", "solid inner\n facet"));
  c.file("stl-ascii-vertex-outside-loop.stl", "solid x\n vertex 1 2 3\nendsolid x\n");
  c.file("stl-ascii-crlf.stl", withLineEnds(text, "\r\n"));
  c.file("stl-ascii-cr-only.stl", withLineEnds(text, "\r"));
  c.file("stl-ascii-utf16le-bom.stl", utf16(text, false));
  c.file("stl-ascii-utf16be-bom.stl", utf16(text, true));
  c.file("stl-ascii-huge-name-line.stl", "solid " + Bytes(1 << 20, 'n') + "\n" + text);
}

}  // namespace vex3d::corpus
