// A format plug-in for "points and triangles" text files (.ptri):
//
//   # a comment; blank lines are ignored too
//   p 0 0 0          a point: x y z
//   p 1 0 0
//   p 0 1 0
//   t 0 1 2          a triangle: three point numbers, counted from 0
//
// The plug-in reads such a file into a scene of one object, and writes any
// scene as one: the host prepares the scene before Save (triangles only,
// transforms applied, objects merged), so the writer only walks points and
// faces.
#include <cstdint>
#include <fstream>
#include <iomanip>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "hostlib/io/file_io_frame.h"
#include "hostlib/io/io_options.h"
#include "hostlib/io/plugin_api.h"
#include "io/parser.h"
#include "mesh/model/base_object.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"
#include "scene/scene_node.h"

namespace {

struct Triangle {
  int a, b, c;
};

// What the file says, checked: every triangle names existing points.
struct PtriData {
  std::vector<float> xyz;
  std::vector<Triangle> triangles;
};

// Fills `data`, or says what is wrong and on which line.
bool parsePtri(std::istream& in, PtriData& data, std::string& error) {
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::istringstream fields(line);
    std::string tag;
    if (!(fields >> tag) || tag[0] == '#') continue;
    std::string rest;
    if (tag == "p") {
      float x, y, z;
      if (fields >> x >> y >> z && !(fields >> rest)) {
        data.xyz.insert(data.xyz.end(), {x, y, z});
        continue;
      }
      error = "line " + std::to_string(number) + ": a point wants three numbers";
      return false;
    }
    if (tag == "t") {
      long long a, b, c;
      if (!(fields >> a >> b >> c) || fields >> rest) {
        error = "line " + std::to_string(number) + ": a triangle wants three point numbers";
        return false;
      }
      const long long points = static_cast<long long>(data.xyz.size() / 3);
      for (long long index : {a, b, c}) {
        if (index < 0 || index >= points) {
          error = "line " + std::to_string(number) + ": no point " + std::to_string(index) +
                  " (points so far: " + std::to_string(points) + ")";
          return false;
        }
      }
      data.triangles.push_back({static_cast<int>(a), static_cast<int>(b), static_cast<int>(c)});
      continue;
    }
    error = "line " + std::to_string(number) + ": unknown record \"" + tag + "\"";
    return false;
  }
  // The scene's lists count with int.
  if (data.xyz.size() / 3 > static_cast<std::size_t>(std::numeric_limits<int>::max()) ||
      data.triangles.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    error = "too many points or triangles";
    return false;
  }
  return true;
}

std::unique_ptr<C3DObject> buildObject(const PtriData& data) {
  const int pointCount = static_cast<int>(data.xyz.size() / 3);
  const int faceCount = static_cast<int>(data.triangles.size());
  auto object = std::make_unique<C3DObject>();
  object->Init(pointCount, faceCount, 3, 0, 0);
  C3DPointList& points = *object->GetPointList();
  for (int i = 0; i < pointCount; ++i) {
    points[i].Init(data.xyz[3 * i], data.xyz[3 * i + 1], data.xyz[3 * i + 2]);
  }
  C3DFaceList& faces = *object->GetFaceList();
  for (int i = 0; i < faceCount; ++i) {
    const Triangle& t = data.triangles[i];
    faces.ElementAt(i)->SetTriangle(t.a, t.b, t.c);
  }
  return object;
}

class CPtriParser : public C3DParser {
 public:
  using C3DParser::C3DParser;

  // Nothing to ask the user, either way.
  IoShowDialog MustShowDialog() override { return IO_DIALOG_NO; }

  C3DScene* Read(const std::string& fileName, CSceneImportOptions& options) override {
    // Like most modelling tools, the format stands along y.
    options.m_fileUpAxis = UP_AXIS_Y;
    std::ifstream in(fileName);
    if (!in) {
      SetIoError(IO_ERROR_FILE_MISSING, CIoOptions::logError, "cannot open " + fileName);
      return nullptr;
    }
    PtriData data;
    std::string error;
    if (!parsePtri(in, data, error)) {
      SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, error);
      return nullptr;
    }
    auto scene = std::make_unique<C3DScene>();
    if (!data.triangles.empty()) {
      auto node = std::make_unique<C3DSceneNode>();
      node->SetName("ptri");
      node->SetObject(buildObject(data).release());
      scene->AddNode(nullptr, node.release());
    }
    return scene.release();
  }

  // What the host does to a scene before Save: the format keeps bare
  // triangles, in world space, as one object, along y.
  void SaveDefaultOptions(CSceneExportOptions& options) override {
    options.m_forcedFlags = EXPORT_TRIANGULATE | EXPORT_WORLD_COORDINATES | EXPORT_CONCATENATE |
                            EXPORT_REMOVE_UVW | EXPORT_REMOVE_VC | EXPORT_REMOVE_SPEC_NORMALS;
    options.m_swap = vex3d::swapFromZUp(UP_AXIS_Y);
  }

  int Save(const std::string& fileName, C3DScene* scene, CSceneExportOptions&) override {
    std::ofstream out(fileName);
    if (!out || scene == nullptr) {
      SetIoError(IO_ERROR_CANNOT_WRITE, CIoOptions::logError, "cannot write " + fileName);
      return 0;
    }
    // Enough digits for every float to read back as itself.
    out << std::setprecision(std::numeric_limits<float>::max_digits10);
    out << "# points and triangles\n";
    int firstPoint = 0;
    C3DBaseObject* base = nullptr;
    CSceneIterator it = scene->Begin();
    while (scene->GetNextNode(base, it) != nullptr) {
      if (base == nullptr || base->GetKindOf() != OBJECT_POLYGONAL) continue;
      const C3DPointList* points = base->GetPointList();
      const C3DFaceList* faces = base->GetFaceList();
      if (points == nullptr || faces == nullptr) continue;
      for (int i = 0; i < points->GetSize(); ++i) {
        const C3DPoint& p = (*points)[i];
        out << "p " << p.x << ' ' << p.y << ' ' << p.z << '\n';
      }
      for (int i = 0; i < faces->GetSize(); ++i) {
        const CFace& face = *faces->ElementAt(i);
        if (face.GetSize() != 3 || face.IsOneFlagSet(FACE_INVALID)) continue;
        out << "t " << firstPoint + face[0] << ' ' << firstPoint + face[1] << ' '
            << firstPoint + face[2] << '\n';
      }
      firstPoint += points->GetSize();
    }
    out.flush();
    if (!out) {
      SetIoError(IO_ERROR_CANNOT_WRITE, CIoOptions::logError, "cannot write " + fileName);
      return 0;
    }
    return 1;
  }
};

// One file class: its four-character code must be unique among the
// plug-ins, and so must its extension.
const VexPluginFileClass kClasses[] = {
    {VEX3D_FOURCC('P', 'T', 'R', 'I'), 0x4000, "ptri", "Points and triangles", "model/x-ptri",
     VEX_PLUGIN_CAN_READ | VEX_PLUGIN_CAN_WRITE},
};

}  // namespace

VEX3D_DECLARE_PLUGIN("Points and triangles", "1.0", kClasses, vex3d::makePluginParser<CPtriParser>)
