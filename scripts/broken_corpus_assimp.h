#pragma once
// Damaged COLLADA, 3DS, OFF and FBX files, and a handful of files for the
// other classes the library reads, named by extension.
#include <limits>
#include <string>

#include "broken_corpus_writer.h"

namespace vex3d::corpus {

inline std::string daeFile(const std::string& nodes) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
         "<COLLADA xmlns=\"http://www.collada.org/2005/11/COLLADASchema\" version=\"1.4.1\">\n"
         "<asset><unit meter=\"1\"/><up_axis>Y_UP</up_axis></asset>\n"
         "<library_geometries><geometry id=\"tri\" name=\"tri\"><mesh>\n"
         "<source id=\"pos\"><float_array id=\"pos-a\" count=\"9\">0 0 0 1 0 0 0 1 "
         "0</float_array>\n"
         "<technique_common><accessor source=\"#pos-a\" count=\"3\" stride=\"3\">"
         "<param name=\"X\" type=\"float\"/><param name=\"Y\" type=\"float\"/>"
         "<param name=\"Z\" type=\"float\"/></accessor></technique_common></source>\n"
         "<vertices id=\"verts\"><input semantic=\"POSITION\" source=\"#pos\"/></vertices>\n"
         "<triangles count=\"1\"><input semantic=\"VERTEX\" source=\"#verts\" offset=\"0\"/>"
         "<p>0 1 2</p></triangles>\n"
         "</mesh></geometry></library_geometries>\n"
         "<library_visual_scenes><visual_scene id=\"scene\">" +
         nodes +
         "</visual_scene></library_visual_scenes>\n"
         "<scene><instance_visual_scene url=\"#scene\"/></scene>\n"
         "</COLLADA>\n";
}

inline const char* const kDaeNode =
    "<node id=\"n\" name=\"n\"><instance_geometry url=\"#tri\"/></node>";

inline std::string daeNested(int depth) {
  std::string open, close;
  for (int i = 0; i < depth; ++i) {
    open += "<node id=\"n" + std::to_string(i) + "\">";
    close += "</node>";
  }
  return open + "<instance_geometry url=\"#tri\"/>" + close;
}

inline void daeFiles(Corpus& c) {
  const Bytes seed = daeFile(kDaeNode);
  c.file("dae-seed.dae", seed);
  c.file("dae-empty.dae", "");
  c.spreadCuts("dae", ".dae", seed);
  c.flips("dae", ".dae", seed, 2);
  c.file("dae-random-bytes.dae", c.noise(1024));
  auto variant = [&](const std::string& what, const std::string& from, const std::string& to) {
    c.file("dae-" + what + ".dae", replaced(seed, from, to));
  };
  variant("float-array-count-2pow31", "count=\"9\"", "count=\"2147483648\"");
  variant("accessor-count-2pow31", "count=\"3\" stride", "count=\"2147483648\" stride");
  variant("accessor-stride-zero", "stride=\"3\"", "stride=\"0\"");
  // Not here, as they crash inside the library's COLLADA reader whatever a
  // caller checks short of parsing the XML itself: an accessor stride of
  // 2^31 (an out-of-bounds read) and a node instancing itself through
  // <instance_node> (endless recursion).
  variant("triangles-count-2pow31", "<triangles count=\"1\"", "<triangles count=\"2147483648\"");
  variant("index-2pow31", "<p>0 1 2</p>", "<p>0 1 2147483648</p>");
  variant("index-negative", "<p>0 1 2</p>", "<p>0 1 -1</p>");
  variant("index-past-end", "<p>0 1 2</p>", "<p>0 1 3</p>");
  variant("index-short", "<p>0 1 2</p>", "<p>0</p>");
  variant("input-offset-99", "offset=\"0\"", "offset=\"99\"");
  variant("nan-positions", ">0 0 0 1 0 0 0 1 0<", ">nan inf -inf 1e999 0 0 0 1 0<");
  variant("geometry-url-missing", "url=\"#tri\"", "url=\"#nothing\"");
  variant("scene-url-missing", "url=\"#scene\"", "url=\"#nothing\"");
  variant("unclosed-element", "</mesh>", "");
  variant("missing-texture", "<library_geometries>",
          "<library_images><image id=\"img\"><init_from>no-such-texture.png</init_from></image>"
          "</library_images><library_geometries>");
  c.file("dae-nodes-nested-3000.dae", daeFile(daeNested(3000)));
  c.file("dae-xml-nested-20000.dae",
         replaced(seed, "<asset>",
                  "<extra>" + replaced(Bytes(20000, '('), "(", "<a>") +
                      replaced(Bytes(20000, ')'), ")", "</a>") + "</extra><asset>"));
  c.file("dae-utf16le-bom.dae", utf16(replaced(seed, "utf-8", "utf-16"), false));
  c.file("dae-utf16be-bom.dae", utf16(replaced(seed, "utf-8", "utf-16"), true));
  c.file("dae-crlf.dae", withLineEnds(seed, "\r\n"));
  c.file("dae-cr-only.dae", withLineEnds(seed, "\r"));
}

inline Bytes chunk(std::uint16_t id, const Bytes& payload, std::uint32_t length = 0) {
  Bytes b;
  putU16(b, id);
  putU32(b, length != 0 ? length : static_cast<std::uint32_t>(6 + payload.size()));
  return b + payload;
}

struct ThreeDsParts {
  std::uint16_t vertexCount = 3;
  std::uint16_t faceCount = 1;
  std::uint16_t lastIndex = 2;
  std::uint32_t meshLength = 0;  // the trimesh chunk's length when non-zero
  std::uint32_t mainLength = 0;
  float far = 1.0f;
  std::string material;
};

inline Bytes threeDsFile(const ThreeDsParts& p = {}) {
  Bytes vertices;
  putU16(vertices, p.vertexCount);
  const float xyz[9] = {0, 0, 0, p.far, 0, 0, 0, p.far, 0};
  for (float f : xyz) putF32(vertices, f);
  Bytes faces;
  putU16(faces, p.faceCount);
  for (std::uint16_t v : {std::uint16_t{0}, std::uint16_t{1}, p.lastIndex, std::uint16_t{0}})
    putU16(faces, v);
  Bytes version;
  putU32(version, 3);
  const Bytes mesh = chunk(0x4100, chunk(0x4110, vertices) + chunk(0x4120, faces), p.meshLength);
  Bytes material;
  if (!p.material.empty()) {
    material =
        chunk(0xAFFF, chunk(0xA000, "mat\0") + chunk(0xA200, chunk(0xA300, p.material + '\0')));
  }
  const Bytes editor =
      chunk(0x3D3D, chunk(0x3D3E, version) + material + chunk(0x4000, Bytes("tri\0", 4) + mesh));
  return chunk(0x4D4D, chunk(0x0002, version) + editor, p.mainLength);
}

inline void threeDsFiles(Corpus& c) {
  const Bytes seed = threeDsFile();
  c.file("3ds-seed.3ds", seed);
  c.file("3ds-empty.3ds", "");
  c.spreadCuts("3ds", ".3ds", seed);
  c.flips("3ds", ".3ds", seed, 2);
  c.file("3ds-random-bytes.3ds", c.noise(1024));
  auto variant = [&](const std::string& what, auto change) {
    ThreeDsParts parts;
    change(parts);
    c.file("3ds-" + what + ".3ds", threeDsFile(parts));
  };
  variant("vertex-count-65535", [](ThreeDsParts& p) { p.vertexCount = 65535; });
  variant("face-count-65535", [](ThreeDsParts& p) { p.faceCount = 65535; });
  variant("vertex-count-zero", [](ThreeDsParts& p) { p.vertexCount = 0; });
  variant("face-index-65535", [](ThreeDsParts& p) { p.lastIndex = 65535; });
  variant("face-index-past-end", [](ThreeDsParts& p) { p.lastIndex = 3; });
  variant("chunk-length-ffffffff", [](ThreeDsParts& p) { p.meshLength = 0xFFFFFFFFu; });
  variant("chunk-length-2pow31", [](ThreeDsParts& p) { p.meshLength = k2Pow31; });
  variant("chunk-length-below-header", [](ThreeDsParts& p) { p.meshLength = 3; });
  variant("main-length-ffffffff", [](ThreeDsParts& p) { p.mainLength = 0xFFFFFFFFu; });
  variant("nan-positions",
          [](ThreeDsParts& p) { p.far = std::numeric_limits<float>::quiet_NaN(); });
  variant("missing-texture", [](ThreeDsParts& p) { p.material = "NOSUCH.TGA"; });
  variant("texture-name-unterminated", [](ThreeDsParts& p) { p.material = Bytes(300, 'T'); });
}

inline const char* const kOff =
    "OFF\n4 4 6\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 2 1\n3 0 1 3\n3 0 3 2\n3 1 2 3\n";

inline void offFiles(Corpus& c) {
  const Bytes seed = kOff;
  c.file("off-seed.off", seed);
  c.file("off-empty.off", "");
  c.spreadCuts("off", ".off", seed);
  c.flips("off", ".off", seed, 2);
  c.file("off-random-bytes.off", c.noise(1024));
  auto variant = [&](const std::string& what, const std::string& from, const std::string& to) {
    c.file("off-" + what + ".off", replaced(seed, from, to));
  };
  variant("vertex-count-2pow31", "4 4 6", "2147483648 4 6");
  variant("vertex-count-negative", "4 4 6", "-4 4 6");
  variant("face-count-2pow31", "4 4 6", "4 2147483648 6");
  variant("face-count-too-many", "4 4 6", "4 40 6");
  variant("corner-count-2pow31", "3 0 2 1", "2147483647 0 2 1");
  variant("corner-count-zero", "3 0 2 1", "0");
  variant("index-2pow31", "3 1 2 3", "3 1 2 2147483648");
  variant("index-negative", "3 1 2 3", "3 1 2 -1");
  variant("index-past-end", "3 1 2 3", "3 1 2 4");
  variant("nan-coordinates", "1 0 0\n", "nan inf -inf\n");
  variant("counts-on-header-line", "OFF\n4 4 6", "OFF 4 4 6");
  variant("coff-without-colours", "OFF", "COFF");
  variant("noff-without-normals", "OFF", "NOFF");
  c.file("off-utf16le-bom.off", utf16(seed, false));
  c.file("off-crlf.off", withLineEnds(seed, "\r\n"));
  c.file("off-cr-only.off", withLineEnds(seed, "\r"));
}

inline std::string fbxText(const std::string& vertices, const std::string& indices,
                           const std::string& connections =
                               "\tC: \"OO\",1000,2000\n"
                               "\tC: \"OO\",2000,0\n") {
  return "; FBX 7.4.0 project file\n"
         "FBXHeaderExtension:  {\n\tFBXHeaderVersion: 1003\n\tFBXVersion: 7400\n}\n"
         "GlobalSettings:  {\n\tVersion: 1000\n}\n"
         "Objects:  {\n"
         "\tGeometry: 1000, \"Geometry::tri\", \"Mesh\" {\n"
         "\t\tVertices: " +
         vertices + "\n\t\tPolygonVertexIndex: " + indices +
         "\n\t\tGeometryVersion: 124\n\t}\n"
         "\tModel: 2000, \"Model::tri\", \"Mesh\" {\n\t\tVersion: 232\n\t}\n"
         "}\n"
         "Connections:  {\n" +
         connections + "}\n";
}

inline Bytes fbxBinary(std::uint32_t endOffset, std::uint32_t properties,
                       std::uint32_t listLength) {
  Bytes b("Kaydara FBX Binary  \0\x1a\0", 23);
  putU32(b, 7400);
  putU32(b, endOffset);
  putU32(b, properties);
  putU32(b, listLength);
  b += static_cast<char>(7);
  b += "Objects";
  b += 'I';
  putU32(b, 42);
  b += Bytes(13, '\0');
  return b;
}

inline void fbxFiles(Corpus& c) {
  const std::string vertices = "*9 {\n\t\t\ta: 0,0,0,1,0,0,0,1,0\n\t\t}";
  const std::string indices = "*3 {\n\t\t\ta: 0,1,-3\n\t\t}";
  const Bytes seed = fbxText(vertices, indices);
  c.file("fbx-seed.fbx", seed);
  c.file("fbx-empty.fbx", "");
  c.spreadCuts("fbx", ".fbx", seed);
  c.flips("fbx", ".fbx", seed, 2);
  c.file("fbx-random-bytes.fbx", c.noise(1024));
  c.file("fbx-vertex-count-2pow31.fbx", fbxText(replaced(vertices, "*9", "*2147483648"), indices));
  c.file("fbx-index-count-2pow31.fbx", fbxText(vertices, replaced(indices, "*3", "*2147483648")));
  c.file("fbx-index-2pow31.fbx", fbxText(vertices, replaced(indices, "0,1,-3", "0,1,-2147483648")));
  c.file("fbx-index-past-end.fbx", fbxText(vertices, replaced(indices, "0,1,-3", "0,1,-100")));
  c.file("fbx-index-open-polygon.fbx", fbxText(vertices, replaced(indices, "0,1,-3", "0,1,2")));
  c.file("fbx-vertices-not-triples.fbx",
         fbxText(replaced(replaced(vertices, "*9", "*7"), ",0,1,0", ",0"), indices));
  c.file("fbx-nan-vertices.fbx",
         fbxText(replaced(vertices, "0,0,0,1", "nan,inf,-inf,1e999"), indices));
  c.file("fbx-connection-cycle.fbx",
         fbxText(vertices, indices, "\tC: \"OO\",2000,2000\n\tC: \"OO\",1000,1000\n"));
  c.file("fbx-connection-unknown-ids.fbx",
         fbxText(vertices, indices, "\tC: \"OO\",1000,77\n\tC: \"OO\",88,0\n"));
  c.file("fbx-unclosed-braces.fbx", replaced(seed, "}", ""));
  c.file("fbx-utf16le-bom.fbx", utf16(seed, false));
  c.file("fbx-crlf.fbx", withLineEnds(seed, "\r\n"));
  c.file("fbx-binary-end-offset-ffffffff.fbx", fbxBinary(0xFFFFFFFFu, 1, 5));
  c.file("fbx-binary-properties-2pow31.fbx", fbxBinary(60, k2Pow31, 5));
  c.file("fbx-binary-list-length-2pow31.fbx", fbxBinary(60, 1, k2Pow31));
  c.file("fbx-binary-end-offset-backwards.fbx", fbxBinary(3, 1, 5));
  c.file("fbx-binary-header-only.fbx", Bytes("Kaydara FBX Binary  \0\x1a\0", 23));
}

// The library's other classes: their signature followed by random bytes, so
// that each reader gets past its first check.
inline void otherFiles(Corpus& c) {
  const struct {
    const char* ext;
    Bytes magic;
  } kinds[] = {
      {"x3d", "<?xml version=\"1.0\"?><X3D><Scene><Shape><IndexedFaceSet coordIndex=\"0 1 9 -1\">"},
      {"3mf", Bytes("PK\3\4", 4)},
      {"lwo", "FORM\xff\xff\xff\xffLWO2"},
      {"ac", "AC3Db\nOBJECT world\nkids 2147483647\n"},
      {"ase", "*3DSMAX_ASCIIEXPORT 200\n*GEOMOBJECT {\n*MESH {\n*MESH_NUMVERTEX 2147483647\n"},
      {"ms3d", "MS3D000000\x04\0\0\0"},
      {"md2", "IDP2\x08\0\0\0"},
      {"md3", "IDP3\x0f\0\0\0"},
      {"mdl", "IDPO\x06\0\0\0"},
      {"b3d", "BB3D\xff\xff\xff\x7f"},
      {"bvh", "HIERARCHY\nROOT r\n{\nOFFSET 0 0 0\nCHANNELS 2147483647\n"},
      {"iqm", Bytes("INTERQUAKEMODEL\0\2\0\0\0", 20)},
      {"blend", "BLENDER-v279"},
      {"irrmesh",
       "<?xml version=\"1.0\"?><mesh><buffer><vertices type=\"standard\" "
       "vertexCount=\"2147483647\">"},
  };
  for (const auto& kind : kinds) {
    const std::string ext = std::string(".") + kind.ext;
    c.file(std::string("other-signature-then-random") + ext, kind.magic + c.noise(512));
  }
}

}  // namespace vex3d::corpus
