#pragma once
// Damaged PLY files in the three encodings, and damaged scene files made
// from the bundled samples.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "broken_corpus_writer.h"

namespace vex3d::corpus {

enum class PlyEncoding { ascii, binLe, binBe };

struct PlyParts {
  std::string vertexCount = "4";
  std::string faceCount = "4";
  std::string faceList = "property list uchar int vertex_indices";
  std::string extraHeader;
  std::uint32_t listLength = 3;  // the corner count the first face claims
  std::uint32_t badIndex = 0;    // replaces the last corner of the last face when non-zero
  float coordinate = 1.0f;       // the far coordinate of the tetrahedron
};

// A coloured tetrahedron; `parts` changes one aspect of it.
inline Bytes plyFile(PlyEncoding encoding, const PlyParts& parts = {}) {
  const char* format = encoding == PlyEncoding::ascii   ? "ascii"
                       : encoding == PlyEncoding::binLe ? "binary_little_endian"
                                                        : "binary_big_endian";
  Bytes b = std::string("ply\nformat ") + format + " 1.0\ncomment made by make_broken_corpus\n" +
            "element vertex " + parts.vertexCount +
            "\nproperty float x\nproperty float y\nproperty float z\n"
            "property uchar red\nproperty uchar green\nproperty uchar blue\n"
            "element face " +
            parts.faceCount + "\n" + parts.faceList + "\n" + parts.extraHeader + "end_header\n";
  const float v = parts.coordinate;
  const float points[4][3] = {{0, 0, 0}, {v, 0, 0}, {0, v, 0}, {0, 0, v}};
  const std::uint32_t faces[4][3] = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
  auto putFloat = [&](float f) {
    if (encoding == PlyEncoding::binLe) putF32(b, f);
    if (encoding == PlyEncoding::binBe) putF32Big(b, f);
  };
  auto putInt = [&](std::uint32_t i) {
    if (encoding == PlyEncoding::binLe) putU32(b, i);
    if (encoding == PlyEncoding::binBe) putU32Big(b, i);
  };
  for (int i = 0; i < 4; ++i) {
    if (encoding == PlyEncoding::ascii) {
      char line[128];
      std::snprintf(line, sizeof line, "%g %g %g 200 100 %d\n", static_cast<double>(points[i][0]),
                    static_cast<double>(points[i][1]), static_cast<double>(points[i][2]), i * 60);
      b += line;
    } else {
      for (float f : points[i]) putFloat(f);
      b += static_cast<char>(200);
      b += static_cast<char>(100);
      b += static_cast<char>(i * 60);
    }
  }
  for (int f = 0; f < 4; ++f) {
    const std::uint32_t length = f == 0 ? parts.listLength : 3;
    const std::uint32_t last = f == 3 && parts.badIndex != 0 ? parts.badIndex : faces[f][2];
    if (encoding == PlyEncoding::ascii) {
      b += std::to_string(length) + " " + std::to_string(faces[f][0]) + " " +
           std::to_string(faces[f][1]) + " " + std::to_string(last) + "\n";
    } else {
      b += static_cast<char>(length & 0xFF);
      putInt(faces[f][0]);
      putInt(faces[f][1]);
      putInt(last);
    }
  }
  return b;
}

inline void plyFiles(Corpus& c) {
  const struct {
    PlyEncoding encoding;
    const char* stem;
  } kinds[] = {{PlyEncoding::ascii, "ply-ascii"},
               {PlyEncoding::binLe, "ply-binle"},
               {PlyEncoding::binBe, "ply-binbe"}};
  for (const auto& kind : kinds) {
    const std::string stem = kind.stem;
    const Bytes seed = plyFile(kind.encoding);
    c.file(stem + "-seed.ply", seed);
    c.spreadCuts(stem, ".ply", seed);
    if (kind.encoding != PlyEncoding::binBe) c.flips(stem, ".ply", seed, 2);
    // Big-endian files share the little-endian ones' code but for the byte
    // order: they get the variants that read numbers.
    const bool allVariants = kind.encoding != PlyEncoding::binBe;
    auto variant = [&](const std::string& what, auto change) {
      PlyParts parts;
      change(parts);
      c.file(stem + "-" + what + ".ply", plyFile(kind.encoding, parts));
    };
    auto unlessBigEndian = [&](const std::string& what, auto change) {
      if (allVariants) variant(what, change);
    };
    // The header is text in every encoding.
    auto headerOnly = [&](const std::string& what, auto change) {
      if (kind.encoding == PlyEncoding::ascii) variant(what, change);
    };
    variant("vertex-count-2pow31", [](PlyParts& p) { p.vertexCount = "2147483648"; });
    unlessBigEndian("vertex-count-2pow32", [](PlyParts& p) { p.vertexCount = "4294967296"; });
    headerOnly("vertex-count-2pow64", [](PlyParts& p) { p.vertexCount = "18446744073709551616"; });
    headerOnly("vertex-count-negative", [](PlyParts& p) { p.vertexCount = "-1"; });
    unlessBigEndian("vertex-count-zero", [](PlyParts& p) { p.vertexCount = "0"; });
    variant("face-count-2pow31", [](PlyParts& p) { p.faceCount = "2147483648"; });
    unlessBigEndian("face-count-one-too-many", [](PlyParts& p) { p.faceCount = "5"; });
    variant("face-list-length-255", [](PlyParts& p) { p.listLength = 255; });
    unlessBigEndian("face-list-length-zero", [](PlyParts& p) { p.listLength = 0; });
    variant("face-index-2pow31", [](PlyParts& p) { p.badIndex = k2Pow31; });
    unlessBigEndian("face-index-minus-one", [](PlyParts& p) { p.badIndex = 0xFFFFFFFFu; });
    unlessBigEndian("face-index-past-end", [](PlyParts& p) { p.badIndex = 4; });
    // Counts read from bytes written as a one-byte count and indices.
    unlessBigEndian("face-list-int-count",
                    [](PlyParts& p) { p.faceList = "property list int int vertex_indices"; });
    headerOnly("face-list-float-count",
               [](PlyParts& p) { p.faceList = "property list float int vertex_indices"; });
    unlessBigEndian("face-list-uint-indices", [](PlyParts& p) {
      p.faceList = "property list uchar uint vertex_indices";
      p.badIndex = 0xFFFFFFF0u;
    });
    headerOnly("unknown-property-type", [](PlyParts& p) { p.faceList = "property quaternion q"; });
    variant("nan-coordinates",
            [](PlyParts& p) { p.coordinate = std::numeric_limits<float>::quiet_NaN(); });
    unlessBigEndian("extra-element-count-2pow31", [](PlyParts& p) {
      p.extraHeader = "element edge 2147483648\nproperty int vertex1\nproperty int vertex2\n";
    });
    headerOnly("extra-element-no-properties",
               [](PlyParts& p) { p.extraHeader = "element nothing 1000000\n"; });
    headerOnly("thousands-of-properties", [](PlyParts& p) {
      for (int i = 0; i < 5000; ++i)
        p.extraHeader += "property double p" + std::to_string(i) + "\n";
    });
    if (!allVariants) continue;
    c.file(stem + "-no-end-header.ply", replaced(seed, "end_header\n", ""));
    const std::size_t body = seed.find("end_header\n") + 11;
    c.file(stem + "-crlf-header.ply",
           withLineEnds(seed.substr(0, body), "\r\n") + seed.substr(body));
  }
  const Bytes ascii = plyFile(PlyEncoding::ascii);
  c.file("ply-empty.ply", "");
  c.file("ply-header-only.ply", "ply\n");
  c.file("ply-random-after-header.ply",
         "ply\nformat binary_little_endian 1.0\nelement vertex 3\n"
         "property float x\nproperty float y\nproperty float z\n"
         "element face 1\nproperty list uchar int vertex_indices\n"
         "end_header\n" +
             c.noise(1000));
  c.file("ply-format-middle-endian.ply", replaced(ascii, "ascii", "binary_middle_endian"));
  c.file("ply-no-format-line.ply", replaced(ascii, "format ascii 1.0\n", ""));
  c.file("ply-property-before-element.ply",
         "ply\nformat ascii 1.0\nproperty float x\nend_header\n");
  c.file("ply-ascii-cr-only.ply", withLineEnds(ascii, "\r"));
  c.file("ply-ascii-crlf.ply", withLineEnds(ascii, "\r\n"));
  c.file("ply-ascii-utf16le-bom.ply", utf16(ascii, false));
  c.file("ply-ascii-utf16be-bom.ply", utf16(ascii, true));
  c.file("ply-ascii-huge-comment-line.ply",
         replaced(ascii, "comment made", "comment " + Bytes(1 << 20, 'x')));
  c.file("ply-ascii-numbers-garbage.ply", replaced(ascii, "200 100", "2e999 -nan"));
}

inline Bytes readWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The samples damaged: cuts, flips and, at the places that hold small
// numbers (counts, lengths, indices), absurd values.
inline void v3dFiles(Corpus& c, const fs::path& samples) {
  c.file("v3d-empty.v3d", "");
  c.file("v3d-random-bytes.v3d", c.noise(2048));
  c.file("v3d-magic-then-random.v3d", "V3DS" + c.noise(2048));
  c.file("v3d-magic-only.v3d", "V3DS");
  for (const char* name : {"textured_cube", "animated_groups", "colored_quads"}) {
    const Bytes seed = readWhole(samples / (std::string(name) + ".v3d"));
    if (seed.size() < 64) {
      std::fprintf(stderr, "make_broken_corpus: sample %s missing\n", name);
      continue;
    }
    const std::string stem = std::string("v3d-") + name;
    c.spreadCuts(stem, ".v3d", seed);
    c.flips(stem, ".v3d", seed, 2);
    Bytes version = seed;
    setU32(version, 4, 99);
    c.file(stem + "-version-99.v3d", version);
    // Offsets of small little-endian numbers past the magic and version,
    // thinned to about five: 0xFFFF alone, and 0xFFFF followed by a 32-bit
    // 2^31 - 1 (a count too large for 16 bits takes that form).
    std::vector<std::size_t> counts;
    for (std::size_t at = 8; at + 2 <= seed.size(); ++at) {
      const unsigned v = static_cast<unsigned char>(seed[at]) |
                         static_cast<unsigned>(static_cast<unsigned char>(seed[at + 1])) << 8;
      if (v >= 1 && v <= 64 && (at + 2 == seed.size() || seed[at + 2] == 0)) counts.push_back(at);
    }
    const std::size_t step = counts.size() / 5 + 1;
    for (std::size_t i = 0; i < counts.size(); i += step) {
      Bytes damaged = seed;
      const std::size_t at = counts[i];
      damaged[at] = static_cast<char>(0xFF);
      damaged[at + 1] = static_cast<char>(0xFF);
      const bool wide = (i / step) % 2 == 0;
      if (wide) setU32(damaged, at + 2, 0x7FFFFFFFu);
      char label[48];
      std::snprintf(label, sizeof label, "-count-at-%zx-%s.v3d", at,
                    wide ? "ffff-7fffffff" : "ffff");
      c.file(stem + label, damaged);
    }
  }
}

}  // namespace vex3d::corpus
