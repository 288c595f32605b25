// The options users of other 3D command lines look for: formats named on
// the command line, standard streams, JSON, camera angles and animation
// times.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli_run.h"

namespace {

namespace fs = std::filesystem;
using cli_run::contains;
using cli_run::readAll;
using cli_run::sample;
using cli_run::vex3d;

TEST(CliOptionsTest, FormatOverridesTheExtensionAndDashIsAStandardStream) {
  const fs::path dir = cli_run::testDir();
  fs::copy_file(sample("cube.obj"), dir / "cube.txt");
  const std::string txt = (dir / "cube.txt").string();
  EXPECT_EQ(vex3d("info " + txt).status, 1);
  const cli_run::Run named = vex3d("info -f obj " + txt);
  EXPECT_EQ(named.status, 0) << named.err;
  EXPECT_TRUE(contains(named.out, "8 points, 6 faces")) << named.out;
  EXPECT_TRUE(contains(vex3d("info --format=.OBJ " + txt).out, "8 points, 6 faces"));
  EXPECT_TRUE(contains(vex3d("info -f nosuch " + txt).err, "unknown format: see `vex3d formats`"));

  // --from names the input's format, -f the output's.
  const fs::path ply = dir / "cube.data";
  ASSERT_EQ(vex3d("convert -q --from obj -f ply " + txt + " " + ply.string()).status, 0);
  EXPECT_EQ(readAll(ply).rfind("ply\n", 0), 0u);

  // Standard input to standard output: a binary STL of the 12 triangles.
  const cli_run::Run piped =
      vex3d("convert -q --from obj -f stl - - < " + sample("cube.obj") + " | wc -c");
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(std::stoi(piped.out), 84 + 12 * 50) << piped.err;
  const cli_run::Run described = vex3d("info -f obj - < " + sample("cube.obj"));
  EXPECT_TRUE(contains(described.out, "-\n  Cube [mesh, 8 points, 6 faces")) << described.out;
  EXPECT_TRUE(contains(vex3d("info - < " + txt).err, "want --format"));
  const cli_run::Run nothing = vex3d("info -f obj - < /dev/null");
  EXPECT_EQ(nothing.status, 0);
  EXPECT_TRUE(contains(nothing.err, "warning: no geometry in -")) << nothing.err;
  // An OBJ writes its material library beside it: no place for it in a pipe.
  const cli_run::Run obj = vex3d("convert -q " + sample("textured_cube.v3d") + " - -f obj");
  EXPECT_EQ(obj.status, 1);
  EXPECT_TRUE(contains(obj.err,
                       "cannot be read from standard input or written to standard "
                       "output"))
      << obj.err;
  EXPECT_TRUE(obj.out.empty());
}

TEST(CliOptionsTest, VerboseSaysWhatIsReadAndWritten) {
  const fs::path dir = cli_run::testDir();
  const cli_run::Run run =
      vex3d("convert -v " + sample("textured_cube.v3d") + " " + (dir / "c.ply").string());
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(contains(run.err, "reading " + sample("textured_cube.v3d") + "\n")) << run.err;
  EXPECT_TRUE(contains(run.err, "read " + sample("textured_cube.v3d") + " in ")) << run.err;
  EXPECT_TRUE(contains(run.err, "wrote " + (dir / "c.ply").string() + " in ")) << run.err;
}

// Balanced brackets outside strings: enough to catch a missing comma's
// neighbours, a list left open or text printed into the JSON.
bool bracketsBalance(const std::string& json) {
  int depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < json.size(); ++i) {
    const char c = json[i];
    if (inString) {
      if (c == '\\') ++i;
      if (c == '"') inString = false;
      continue;
    }
    if (c == '"') inString = true;
    if (c == '{' || c == '[') ++depth;
    if (c == '}' || c == ']') --depth;
    if (depth < 0) return false;
  }
  return depth == 0 && !inString;
}

TEST(CliOptionsTest, FormatsAndConversionsAnswerInJson) {
  const fs::path dir = cli_run::testDir();
  const cli_run::Run formats = vex3d("formats --json");
  EXPECT_EQ(formats.status, 0);
  EXPECT_TRUE(bracketsBalance(formats.out)) << formats.out;
  EXPECT_TRUE(contains(formats.out,
                       "{\"class\": \"OBJ \", \"description\": \"Wavefront OBJ\", "
                       "\"extensions\": [\"obj\"], \"mime_types\": [\"model/obj\"], "
                       "\"read\": true, \"write\": true}"))
      << formats.out;
  EXPECT_TRUE(contains(formats.out, "\"extensions\": [\"off\"]"));
  EXPECT_TRUE(contains(formats.out, "\"read\": true, \"write\": false}"));

  const cli_run::Run converted =
      vex3d("convert --json --triangulate " + sample("textured_cube.v3d") + " " +
            (dir / "t.v3d").string());
  EXPECT_EQ(converted.status, 0) << converted.err;
  EXPECT_TRUE(bracketsBalance(converted.out)) << converted.out;
  EXPECT_TRUE(contains(converted.out, "\"written\": true")) << converted.out;
  EXPECT_TRUE(contains(converted.out,
                       "{\"stage\": \"write\", \"level\": \"change\", \"text\": "
                       "\"Triangulating object cube\"}"))
      << converted.out;
  EXPECT_FALSE(contains(converted.out, "wrote")) << "only JSON on stdout";

  const cli_run::Run failed =
      vex3d("convert --json /nonexistent/in.v3d " + (dir / "u.v3d").string());
  EXPECT_EQ(failed.status, 1);
  EXPECT_TRUE(bracketsBalance(failed.out)) << failed.out;
  EXPECT_TRUE(contains(failed.out, "\"written\": false, \"error\": \"")) << failed.out;
}

TEST(CliOptionsTest, AzimuthAndElevationMoveTheCameraFromTheFrontView) {
  const fs::path dir = cli_run::testDir();
  // A corner of a box cut off: no view of it is a mirror of another.
  const fs::path wedge = dir / "wedge.obj";
  std::ofstream(wedge) << "v 0 0 0\nv 2 0 0\nv 0 1 0\nv 0 0 3\n"
                          "f 1 3 2\nf 1 2 4\nf 2 3 4\nf 3 1 4\n";
  auto render = [&](const std::string& name, const std::string& options) {
    const fs::path out = dir / (name + ".png");
    const cli_run::Run run =
        vex3d("render -q " + wedge.string() + " -o " + out.string() + " --size 48x48 " + options);
    EXPECT_EQ(run.status, 0) << options << ": " << run.err;
    return readAll(out);
  };
  struct Case {
    const char* view;
    const char* angles;
  };
  std::vector<std::string> views;
  for (const Case& c : {Case{"front", "--azimuth 0 --elevation 0"}, Case{"right", "--azimuth 90"},
                        Case{"back", "--azimuth 180"}, Case{"left", "--azimuth -90"},
                        Case{"top", "--elevation 90"}, Case{"bottom", "--elevation -90"}}) {
    SCOPED_TRACE(c.view);
    views.push_back(render(c.view, std::string("--view ") + c.view));
    ASSERT_FALSE(views.back().empty());
    EXPECT_EQ(render(std::string(c.view) + "_angles", c.angles), views.back());
    for (std::size_t i = 0; i + 1 < views.size(); ++i) EXPECT_NE(views[i], views.back());
  }
  EXPECT_EQ(render("around", "--azimuth -270"), views[1]);
  const std::string corner = render("corner", "--azimuth 45 --elevation 30");
  for (const std::string& view : views) EXPECT_NE(corner, view);
}

TEST(CliOptionsTest, FrameShowsAnAnimatedSceneAtThatTime) {
  const fs::path dir = cli_run::testDir();
  const std::string scene = sample("animated_groups.v3d");
  auto render = [&](const std::string& command, const std::string& time) {
    const fs::path out = dir / (command + time + ".png");
    const std::string args = command == "render"
                                 ? "render -q " + scene + " -o " + out.string() + " --size 48x48"
                                 : "thumbnail " + scene + " " + out.string() + " 48";
    const cli_run::Run run = vex3d(args + " --frame " + time);
    EXPECT_EQ(run.status, 0) << run.err;
    return std::make_pair(readAll(out), run.err);
  };
  for (const std::string command : {"render", "thumbnail"}) {
    SCOPED_TRACE(command);
    const auto start = render(command, "0");
    const auto middle = render(command, "50");
    const auto end = render(command, "100");
    EXPECT_NE(start.first, middle.first);
    EXPECT_NE(middle.first, end.first);
    // Past the end the last time shows, and the user is told.
    const auto past = render(command, "400");
    EXPECT_EQ(past.first, end.first);
    EXPECT_TRUE(contains(past.second, "time 400 lies outside the scene's time range (0 to 100)"))
        << past.second;
  }
  EXPECT_EQ(vex3d("render " + scene + " -o x.png --frame soon").status, 2);
}

TEST(CliOptionsTest, ObjTexturePathsAreRelativeToTheWrittenFile) {
  const fs::path dir = cli_run::testDir();
  fs::create_directories(dir / "deep" / "er");
  const fs::path obj = dir / "deep" / "er" / "cube.obj";
  ASSERT_EQ(vex3d("convert -q " + sample("textured_cube.v3d") + " " + obj.string()).status, 0);
  const std::string mtl = readAll(dir / "deep" / "er" / "cube.mtl");
  const std::size_t at = mtl.find("map_Kd ");
  ASSERT_NE(at, std::string::npos) << mtl;
  const std::string name = mtl.substr(at + 7, mtl.find('\n', at) - at - 7);
  EXPECT_NE(name.front(), '/') << name;
  EXPECT_TRUE(fs::exists(obj.parent_path() / name)) << name;
  // Read back, the model finds its image through that relative name.
  EXPECT_TRUE(contains(vex3d("info " + obj.string()).out, "checker.png (found")) << name;
}

}  // namespace
