// The vex3d command driven as a user drives it, its images checked by
// their pixels.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "hostlib/images/bitmap.h"
#include "hostlib/images/image_io.h"
#include "hostlib/images/layer_bitmap.h"
#include "plugins/gltf_file.h"
#include "process_limits.h"
#include "scene/object_kinds.h"
#include "scene/scene.h"
#include "scene/scene_file.h"
#include "scene/scene_node.h"

namespace {

namespace fs = std::filesystem;

struct CliRun {
  int status = -1;
  std::string out;
};

// Runs vex3d with `args`; stdout (and stderr with `withErrors`) captured.
CliRun vex3d(const std::string& args, bool withErrors = false) {
  const std::string command =
      std::string(VEX3D_CLI) + " " + args + (withErrors ? " 2>&1" : " 2>/dev/null");
  CliRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 4096> buffer{};
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    run.out.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string sample(const char* name) {
  return std::string(VEX3D_TEST_DATA_DIR) + "/samples/" + name;
}

fs::path outDir() {
  const auto* test = testing::UnitTest::GetInstance()->current_test_info();
  const fs::path dir = fs::path(VEX3D_TEST_BINARY_DIR) / "cli-test" / test->name();
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::unique_ptr<CLayerBitmap> readImage(const fs::path& path) {
  C2DIo io(path.string(), 0, nullptr);
  return std::unique_ptr<CLayerBitmap>(io.Read(0));
}

TEST(CliTest, InfoDescribesTheSceneAsTextAndJson) {
  const CliRun text = vex3d("info " + sample("textured_cube.v3d"));
  EXPECT_EQ(text.status, 0);
  EXPECT_NE(text.out.find("cube [mesh, 8 points, 6 faces, uv]"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("checker.png (found)"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("bounding box: (0, 0, 0) to (1, 1, 1)"), std::string::npos);

  const CliRun json = vex3d("info --json " + sample("animated_groups.v3d"));
  EXPECT_EQ(json.status, 0);
  EXPECT_NE(json.out.find("\"name\": \"hand\", \"depth\": 3, \"kind\": \"mesh\""),
            std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find("\"time\": [0, 100]"), std::string::npos);

  const CliRun missing = vex3d("info /nonexistent/file.v3d", true);
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.out.find("/nonexistent/file.v3d"), std::string::npos);
}

TEST(CliTest, ConvertWritesThroughExportPreparationAndLogs) {
  const fs::path dir = outDir();
  const CliRun run = vex3d("convert " + sample("textured_cube.v3d") + " " +
                               (dir / "tri.v3d").string() + " --triangulate",
                           true);
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("change: Triangulating object cube"), std::string::npos) << run.out;
  const CliRun info = vex3d("info " + (dir / "tri.v3d").string());
  EXPECT_NE(info.out.find("12 faces"), std::string::npos) << info.out;
  // Written away from the sample, the texture is still found from there.
  EXPECT_NE(info.out.find("checker.png (found, outside the model's folder)"), std::string::npos)
      << info.out;
  fs::create_directories(dir / "sub");
  const CliRun obj = vex3d("convert " + sample("textured_cube.v3d") + " " +
                           (dir / "sub" / "cube.obj").string() + " --quiet");
  ASSERT_EQ(obj.status, 0);
  EXPECT_NE(vex3d("info " + (dir / "sub" / "cube.obj").string()).out.find("(found"),
            std::string::npos);

  EXPECT_EQ(vex3d("convert " + sample("textured_cube.v3d") + " " + (dir / "x.unknownext").string())
                .status,
            1);
  EXPECT_EQ(vex3d("convert onlyone").status, 2);
  EXPECT_EQ(vex3d("convert a b --frobnicate").status, 2);
  // An output that cannot be written fails before the input is read.
  const CliRun blocked =
      vex3d("convert /nonexistent/in.v3d " + (dir / "none" / "out.obj").string(), true);
  EXPECT_EQ(blocked.status, 1);
  EXPECT_NE(blocked.out.find("does not exist"), std::string::npos) << blocked.out;
  EXPECT_EQ(blocked.out.find("in.v3d"), std::string::npos) << blocked.out;
}

TEST(CliTest, WeldingWorksTheSameFromEveryFormat) {
  // Two triangles of a square whose shared corners are written twice.
  const fs::path dir = outDir();
  std::ofstream(dir / "square.obj") << "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                                       "f 1 2 3\nf 4 5 6\n";
  const std::string unwelded = (dir / "square.v3d").string();
  ASSERT_EQ(vex3d("convert " + (dir / "square.obj").string() + " " + unwelded + " -q").status, 0);
  EXPECT_NE(vex3d("info " + unwelded).out.find("6 points"), std::string::npos);
  for (const char* ext : {"obj", "v3d"}) {
    const std::string out = (dir / (std::string("welded_") + ext + ".v3d")).string();
    const std::string in = (dir / (std::string("square.") + ext)).string();
    ASSERT_EQ(vex3d("convert " + in + " " + out + " --weld -q").status, 0) << ext;
    const CliRun info = vex3d("info " + out);
    EXPECT_NE(info.out.find("4 points, 2 faces"), std::string::npos) << ext << ": " << info.out;
  }
}

TEST(CliTest, EveryCommandParsesItsOptionsAlike) {
  const fs::path dir = outDir();
  const std::string cube = sample("textured_cube.v3d");
  // One value form is as good as another.
  for (const std::string size : {"--size 32", "--size=32", "-s 32"}) {
    const fs::path out = dir / "thumb.png";
    ASSERT_EQ(vex3d("thumbnail " + cube + " " + out.string() + " " + size).status, 0) << size;
    const auto image = readImage(out);
    ASSERT_TRUE(image) << size;
    EXPECT_EQ(image->GetLayer(0)->GetWidth(), 32) << size;
  }
  const CliRun help = vex3d("render --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--turntable N"), std::string::npos) << help.out;
  struct Case {
    const char* args;
    const char* message;
  };
  for (const Case& c :
       {Case{"render in.v3d", "missing -o OUT"}, Case{"render in.v3d -o", "-o wants OUT"},
        Case{"render in.v3d -o x.png --mode chalk", "--mode chalk: wants one of"},
        Case{"thumbnail in.v3d out.png 0", "SIZE 0"},
        Case{"info --json=yes", "--json takes no value"},
        Case{"convert a b c", "unexpected argument c"},
        Case{"convert --up w a b", "--up w: wants x, y or z"},
        Case{"formats extra", "unexpected argument extra"}}) {
    const CliRun run = vex3d(c.args, true);
    EXPECT_EQ(run.status, 2) << c.args;
    EXPECT_NE(run.out.find(c.message), std::string::npos) << c.args << ": " << run.out;
  }
}

TEST(CliTest, RenderModesShowInThePixels) {
  const fs::path dir = outDir();
  for (const char* mode : {"smooth", "flat", "wireframe", "smooth-wireframe"}) {
    const fs::path png = dir / (std::string(mode) + ".png");
    const CliRun run = vex3d("render " + sample("textured_cube.v3d") + " -o " + png.string() +
                                 " --size 64x48 --background 102030 --mode " + mode,
                             true);
    ASSERT_EQ(run.status, 0) << run.out;
    const std::unique_ptr<CLayerBitmap> image = readImage(png);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetWidth(), 64);
    EXPECT_EQ(image->GetHeight(), 48);
    const Bitmap* colour = image->GetLayer(0);
    const std::uint8_t* corner = colour->GetLine(0);
    EXPECT_EQ(corner[0], 0x10) << mode << ": the background fills the corner";
    EXPECT_EQ(corner[1], 0x20);
    EXPECT_EQ(corner[2], 0x30);
    // The middle of the front face: the checker, or the background seen
    // through a wireframe.
    const std::uint8_t* centre = colour->GetLine(24) + 32 * colour->GetBytesPerPixel();
    const bool background = centre[0] == 0x10 && centre[1] == 0x20 && centre[2] == 0x30;
    EXPECT_EQ(background, std::string(mode) == "wireframe") << mode;
  }
  EXPECT_EQ(vex3d("render " + sample("textured_cube.v3d") + " -o " + (dir / "x.png").string() +
                  " --mode cubist")
                .status,
            2);
}

TEST(CliTest, ATurntableIsANumberedSeriesThatTurns) {
  const fs::path dir = outDir();
  const fs::path png = dir / "turn.png";
  const CliRun run = vex3d("render " + sample("animated_groups.v3d") + " -o " + png.string() +
                               " --size 40x30 --antialias --turntable 4 --amplitude 180 --quiet",
                           true);
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_FALSE(fs::exists(png));
  EXPECT_FALSE(fs::exists(dir / "turn_0005.png"));
  std::vector<std::vector<std::uint8_t>> pixels;
  for (int i = 1; i <= 4; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "turn_%04d.png", i);
    const std::unique_ptr<CLayerBitmap> image = readImage(dir / name);
    ASSERT_TRUE(image) << name;
    EXPECT_EQ(image->GetWidth(), 40);
    EXPECT_EQ(image->GetHeight(), 30);
    const Bitmap* colour = image->GetLayer(0);
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < 30; ++y)
      bytes.insert(bytes.end(), colour->GetLine(y), colour->GetLine(y) + 40 * 3);
    pixels.push_back(bytes);
  }
  // 45 degrees between images: every one differs from the one before.
  for (int i = 1; i < 4; ++i) EXPECT_NE(pixels[i], pixels[i - 1]) << i;
  EXPECT_EQ(vex3d("render " + sample("animated_groups.v3d") + " -o " + png.string() +
                  " --turntable 4 --direction sideways")
                .status,
            2);
}

TEST(CliTest, ThumbnailsAreSquareWithATransparentBackground) {
  const fs::path dir = outDir();
  const fs::path png = dir / "thumb.png";
  ASSERT_EQ(vex3d("thumbnail " + sample("textured_cube.v3d") + " " + png.string() + " 96").status,
            0);
  const std::unique_ptr<CLayerBitmap> image = readImage(png);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->GetWidth(), 96);
  EXPECT_EQ(image->GetHeight(), 96);
  const int alpha = image->FindLayer(5);
  ASSERT_GE(alpha, 0);
  const Bitmap* a = image->GetLayer(alpha);
  EXPECT_EQ(a->GetLine(0)[0], 0) << "corner transparent";
  EXPECT_EQ(a->GetLine(48)[48], 255) << "object opaque";

  EXPECT_EQ(vex3d("thumbnail " + sample("textured_cube.v3d") + " " + (dir / "big.png").string() +
                  " --max-size 0.000001")
                .status,
            1);
  EXPECT_FALSE(fs::exists(dir / "big.png"));
}

TEST(CliTest, ThumbnailsWriteNothingButTheirOutput) {
  const fs::path dir = outDir();
  const std::string env = "XDG_CONFIG_HOME=" + (dir / "config").string() +
                          " XDG_CACHE_HOME=" + (dir / "cache").string() +
                          " HOME=" + (dir / "home").string() + " VEX3D_CONFIG_DIR= ";
  const std::string command = "env " + env + VEX3D_CLI + " thumbnail " +
                              sample("textured_cube.v3d") + " " + (dir / "t.png").string() + " 32";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::vector<std::string> written;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    written.push_back(fs::relative(entry.path(), dir).string());
  }
  EXPECT_EQ(written, (std::vector<std::string>{"t.png"}));
}

// Connections made to a display server listening where X clients look for
// display `number`; each is closed at once, so a client gives up.
class DisplayServerWatch {
 public:
  explicit DisplayServerWatch(int number) {
    m_socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string name = "/tmp/.X11-unix/X" + std::to_string(number);
    // Abstract: a leading zero byte, then the name.
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    m_listening = m_socket >= 0 &&
                  ::bind(m_socket, reinterpret_cast<const sockaddr*>(&address), length) == 0 &&
                  ::listen(m_socket, 8) == 0;
    if (m_listening) {
      m_thread = std::thread([this] {
        for (;;) {
          const int client = ::accept(m_socket, nullptr, nullptr);
          if (client < 0) return;
          if (m_stopping) {
            ::close(client);
            return;
          }
          ++m_connections;
          ::close(client);
        }
      });
    }
  }
  ~DisplayServerWatch() {
    if (m_listening) {
      m_stopping = true;
      ::shutdown(m_socket, SHUT_RDWR);
      m_thread.join();
    }
    if (m_socket >= 0) ::close(m_socket);
  }
  bool listening() const { return m_listening; }
  int connections() const { return m_connections; }

 private:
  int m_socket = -1;
  bool m_listening = false;
  std::atomic<bool> m_stopping{false};
  std::atomic<int> m_connections{0};
  std::thread m_thread;
};

// A file manager runs its thumbnailer inside the desktop session. The image
// is drawn off screen: the display server is no help, and connecting to it
// took a small file's thumbnail nearly half its time.
TEST(CliTest, ThumbnailsLeaveTheDisplayServerAlone) {
  const fs::path dir = outDir();
  const int number = 4000 + static_cast<int>(::getpid() % 2000);
  DisplayServerWatch server(number);
  ASSERT_TRUE(server.listening());
  const std::string run = "env -u WAYLAND_DISPLAY DISPLAY=:" + std::to_string(number) +
                          " XAUTHORITY=/nonexistent " + VEX3D_CLI + " ";
  const std::string thumbnail =
      run + "thumbnail " + sample("cube.obj") + " " + (dir / "t.png").string() + " 32";
  EXPECT_EQ(std::system(thumbnail.c_str()), 0);
  EXPECT_EQ(server.connections(), 0);
  // Other drawing goes through the server, whose driver may be a GPU's:
  // this one shows the watch sees clients.
  const std::string render =
      run + "render " + sample("cube.obj") + " -o " + (dir / "r.png").string() + " --size 32x32";
  EXPECT_EQ(std::system(render.c_str()), 0);
  EXPECT_GT(server.connections(), 0);
}

// Opaque pixels of a written thumbnail and the columns and rows they span.
struct Opaque {
  int count = 0;
  int minX = 1 << 30;
  int maxX = -1;
  int minY = 1 << 30;
  int maxY = -1;
};

Opaque opaqueOf(const CLayerBitmap& image) {
  Opaque o;
  const int alpha = image.FindLayer(5);
  if (alpha < 0) return o;
  const Bitmap* a = image.GetLayer(alpha);
  for (int y = 0; y < a->GetHeight(); ++y) {
    for (int x = 0; x < a->GetWidth(); ++x) {
      if (a->GetLine(y)[x] == 0) continue;
      ++o.count;
      o.minX = std::min(o.minX, x);
      o.maxX = std::max(o.maxX, x);
      o.minY = std::min(o.minY, y);
      o.maxY = std::max(o.maxY, y);
    }
  }
  return o;
}

// Reported from the browser's importer corpus: each of these read "well"
// into an empty scene and was described, converted and thumbnailed as if
// something were there.
TEST(CliTest, FilesThatHoldNothingAreSaidToHoldNothing) {
  const fs::path dir = outDir();
  // Binary noise in lines, none of which starts with a keyword of the
  // format (such a line would be an error of the file instead).
  std::string noise(256 * 1024, '\0');
  std::uint32_t state = 12345;
  for (std::size_t i = 0; i < noise.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    noise[i] = i % 80 == 79 ? '\n' : static_cast<char>(0x80 | (state >> 24));
  }
  std::ofstream(dir / "noise.obj", std::ios::binary) << noise;
  std::ofstream(dir / "empty.obj", std::ios::binary).flush();
  // A triangle in UTF-16: every other byte is a zero the reader stops at.
  std::string wide = "\xFF\xFE";
  for (const char c : std::string("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n")) {
    wide += c;
    wide += '\0';
  }
  std::ofstream(dir / "wide.obj", std::ios::binary) << wide;
  for (const char* name : {"noise.obj", "empty.obj", "wide.obj"}) {
    SCOPED_TRACE(name);
    const std::string in = (dir / name).string();
    const CliRun info = vex3d("info " + in, true);
    EXPECT_EQ(info.status, 0) << "described, with a warning";
    EXPECT_NE(info.out.find("warning: no geometry in " + in), std::string::npos) << info.out;
    const fs::path png = dir / "thumb.png";
    const CliRun thumb = vex3d("thumbnail " + in + " " + png.string(), true);
    EXPECT_EQ(thumb.status, 1);
    EXPECT_NE(thumb.out.find("no geometry in " + in), std::string::npos) << thumb.out;
    EXPECT_FALSE(fs::exists(png));
    const fs::path copy = dir / "copy.v3d";
    const CliRun convert = vex3d("convert " + in + " " + copy.string(), true);
    EXPECT_EQ(convert.status, 1);
    EXPECT_NE(convert.out.find("no geometry in " + in), std::string::npos) << convert.out;
    EXPECT_FALSE(fs::exists(copy));
  }
}

TEST(CliTest, ThumbnailsShowFlatModelsAndFailRatherThanShowNothing) {
  const fs::path dir = outDir();
  // OBJ stands along y: these squares lie flat on the ground, the one view
  // of them a front view cannot see. One faces up, the other down.
  std::ofstream(dir / "up.obj") << "v 0 0 0\nv 1 0 0\nv 1 0 -1\nv 0 0 -1\nf 1 2 3 4\n";
  std::ofstream(dir / "down.obj") << "v 0 0 0\nv 1 0 0\nv 1 0 -1\nv 0 0 -1\nf 4 3 2 1\n";
  for (const char* name : {"up.obj", "down.obj"}) {
    const fs::path png = dir / (std::string(name) + ".png");
    const CliRun run =
        vex3d("thumbnail " + (dir / name).string() + " " + png.string() + " 64", true);
    ASSERT_EQ(run.status, 0) << name << ": " << run.out;
    const std::unique_ptr<CLayerBitmap> image = readImage(png);
    ASSERT_TRUE(image) << name;
    EXPECT_GT(opaqueOf(*image).count, 64 * 64 / 8) << name;
  }
  // A triangle with its corners in a row has no area to draw from any
  // side: no image rather than a transparent one.
  std::ofstream(dir / "row.obj") << "v 0 0 0\nv 1 1 1\nv 2 2 2\nf 1 2 3\n";
  const fs::path png = dir / "row.png";
  const CliRun row = vex3d("thumbnail " + (dir / "row.obj").string() + " " + png.string(), true);
  EXPECT_EQ(row.status, 1);
  EXPECT_NE(row.out.find("none written"), std::string::npos) << row.out;
  EXPECT_FALSE(fs::exists(png));
}

TEST(CliTest, ThumbnailsFrameTheWholeModelWithAMargin) {
  const fs::path dir = outDir();
  // A bar 12 long and 0.4 thick and high along x.
  std::string bar;
  for (int i = 0; i < 8; ++i) {
    bar += "v " + std::string((i & 1) ? "12" : "0") + ((i & 2) ? " 0.4" : " 0") +
           ((i & 4) ? " 0.4" : " 0") + "\n";
  }
  bar += "f 1 3 4 2\nf 5 6 8 7\nf 1 2 6 5\nf 3 7 8 4\nf 1 5 7 3\nf 2 4 8 6\n";
  std::ofstream(dir / "bar.obj") << bar;
  const struct {
    std::string in;
    int size;
  } cases[] = {{(dir / "bar.obj").string(), 64}, {sample("animated_groups.v3d"), 256}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    const fs::path png = dir / "framed.png";
    ASSERT_EQ(vex3d("thumbnail " + c.in + " " + png.string() + " " + std::to_string(c.size)).status,
              0);
    const std::unique_ptr<CLayerBitmap> image = readImage(png);
    ASSERT_TRUE(image);
    const Opaque o = opaqueOf(*image);
    // Both ends inside, with room; and the model not shrunk to a dot.
    const int room = c.size / 32;
    EXPECT_GE(o.minX, room);
    EXPECT_LE(o.maxX, c.size - 1 - room);
    EXPECT_GE(o.minY, room);
    EXPECT_LE(o.maxY, c.size - 1 - room);
    EXPECT_GE(o.maxX - o.minX, c.size * 3 / 4);
  }
}

// A file of lines is a drawing: its thumbnail shows the lines. A file of
// bare points is read and described, but nothing draws points alone.
TEST(CliTest, DrawingsShowTheirLinesAndPointCloudsAreDescribed) {
  const fs::path dir = outDir();
  vex3d::test::GltfPrimitive square;
  square.positions = {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}};
  square.indices = {0, 1, 2, 3};
  square.mode = 2;  // a closed loop
  ASSERT_TRUE(vex3d::test::writeGltf(dir / "square.gltf", {square}));
  const fs::path png = dir / "square.png";
  const CliRun drawing =
      vex3d("thumbnail " + (dir / "square.gltf").string() + " " + png.string() + " 64", true);
  ASSERT_EQ(drawing.status, 0) << drawing.out;
  const std::unique_ptr<CLayerBitmap> image = readImage(png);
  ASSERT_TRUE(image);
  const Opaque lines = opaqueOf(*image);
  EXPECT_GT(lines.count, 64) << "four lines across most of the image";
  EXPECT_GE(lines.maxX - lines.minX, 40);

  square.mode = 0;
  ASSERT_TRUE(vex3d::test::writeGltf(dir / "cloud.gltf", {square}));
  const CliRun info = vex3d("info " + (dir / "cloud.gltf").string(), true);
  EXPECT_EQ(info.status, 0);
  EXPECT_NE(info.out.find("[mesh, 4 points, 0 faces]"), std::string::npos) << info.out;
  EXPECT_EQ(info.out.find("no geometry"), std::string::npos) << info.out;
  const CliRun cloud = vex3d(
      "thumbnail " + (dir / "cloud.gltf").string() + " " + (dir / "cloud.png").string(), true);
  EXPECT_EQ(cloud.status, 1);
  EXPECT_NE(cloud.out.find("none written"), std::string::npos) << cloud.out;
  EXPECT_FALSE(fs::exists(dir / "cloud.png"));
}

// Export preparation keeps only the points that faces use: a point cloud
// converted would be an empty file.
TEST(CliTest, AConversionThatWouldWriteNoGeometryFails) {
  const fs::path dir = outDir();
  const std::string cloud = (dir / "cloud.ply").string();
  std::ofstream(cloud) << "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\n"
                          "property float y\nproperty float z\nend_header\n0 0 0\n1 0 0\n0 1 0\n";
  ASSERT_NE(vex3d("info " + cloud).out.find("3 points, 0 faces"), std::string::npos);
  for (const char* name : {"cloud.obj", "cloud.v3d"}) {
    const fs::path out = dir / name;
    const CliRun run = vex3d("convert -q " + cloud + " " + out.string(), true);
    EXPECT_EQ(run.status, 1) << name;
    EXPECT_NE(run.out.find("nothing of the geometry of " + cloud + " was left to write"),
              std::string::npos)
        << run.out;
    EXPECT_FALSE(fs::exists(out)) << name;
  }
}

TEST(CliTest, InfoSaysWhenNoPointIsFinite) {
  const fs::path dir = outDir();
  // Along z as written, so that no turn of the axes mixes the infinities
  // into NaN that the check-out zeroes.
  const std::string none = (dir / "none.obj").string();
  std::ofstream(none) << "v inf inf inf\nv inf 0 0\nv 0 -inf 0\nf 1 2 3\n";
  const std::string some = (dir / "some.obj").string();
  std::ofstream(some) << "v 0 0 0\nv 1 0 0\nv 0 2 0\nv inf 0 0\nf 1 2 3\nf 2 3 4\n";
  // The output without the file names, which could hold anything.
  auto described = [&](const std::string& options) {
    CliRun run = vex3d("info " + options + " --up z " + none + " " + some);
    for (const std::string& name : {none, some}) {
      for (std::size_t at = run.out.find(name); at != std::string::npos; at = run.out.find(name))
        run.out.erase(at, name.size());
    }
    return run;
  };
  const CliRun text = described("");
  EXPECT_EQ(text.status, 0);
  EXPECT_NE(text.out.find("bounding box: no finite points"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("bounding box: (0, 0, 0) to (1, 2, 0), leaving out 1 point not finite"),
            std::string::npos)
      << text.out;
  EXPECT_EQ(text.out.find("nan"), std::string::npos) << text.out;
  const CliRun json = described("--json");
  EXPECT_EQ(json.status, 0);
  EXPECT_NE(json.out.find("\"box\": null, \"non_finite_points\": 3"), std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find("\"box\": [[0, 0, 0], [1, 2, 0]], \"non_finite_points\": 1"),
            std::string::npos)
      << json.out;
  // JSON has no literal for either.
  EXPECT_EQ(json.out.find("nan"), std::string::npos) << json.out;
  EXPECT_EQ(json.out.find("inf"), std::string::npos) << json.out;
}

}  // namespace

namespace {

TEST(CliTest, UpOverridesTheAxisTheFormatStandsAlong) {
  // OBJ files stand along y by convention; this one was written z-up.
  const fs::path dir = outDir();
  const std::string tower = (dir / "tower.obj").string();
  std::ofstream(tower) << "v 0 0 0\nv 1 0 0\nv 0 0 5\nf 1 2 3\n";
  const CliRun asY = vex3d("info " + tower);
  EXPECT_NE(asY.out.find("bounding box: (0, -5, 0) to (1, 0, 0)"), std::string::npos) << asY.out;
  const CliRun asZ = vex3d("info --up z " + tower);
  EXPECT_NE(asZ.out.find("bounding box: (0, 0, 0) to (1, 0, 5)"), std::string::npos) << asZ.out;
  // Converted with the override, the file is written back y-up.
  const std::string upright = (dir / "upright.obj").string();
  ASSERT_EQ(vex3d("convert --up=z -q " + tower + " " + upright).status, 0);
  const CliRun back = vex3d("info " + upright);
  EXPECT_NE(back.out.find("bounding box: (0, 0, 0) to (1, 0, 5)"), std::string::npos) << back.out;
}

}  // namespace

namespace {

std::vector<std::string> folderEntries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(CliTest, AConversionNeverCostsTheUserTheFileTheyHad) {
  const fs::path dir = outDir();
  const std::string cube = (dir / "cube.v3d").string();
  fs::copy_file(sample("textured_cube.v3d"), cube);
  const auto original = fs::file_size(cube);
  // Onto itself: refused unless asked for.
  EXPECT_EQ(vex3d("convert " + cube + " " + (dir / "." / "cube.v3d").string()).status, 2);
  EXPECT_EQ(vex3d("convert " + cube + " " + cube + " --force --triangulate -q").status, 0);
  EXPECT_NE(vex3d("info " + cube).out.find("12 faces"), std::string::npos);

  // A disk that fills up halfway: the old file stays whole and nothing is
  // left beside it, whether the writer is told (write error) or killed
  // (SIGXFSZ).
  const std::string stl = (dir / "kept.stl").string();
  ASSERT_EQ(vex3d("convert " + sample("textured_cube.v3d") + " " + stl + " -q").status, 0);
  const auto kept = fs::file_size(stl);
  const std::string big = (dir / "big.obj").string();
  {
    std::ofstream out(big);
    for (int i = 0; i < 20000; ++i)
      out << "v " << i << " 0 0\nv " << i << " 1 0\nv " << i << " 0 1\n";
    for (int i = 0; i < 20000; ++i)
      out << "f " << 3 * i + 1 << " " << 3 * i + 2 << " " << 3 * i + 3 << "\n";
  }
  const auto before = folderEntries(dir);
  for (const char* trap : {"trap '' XFSZ;", ""}) {
    const std::string command = std::string("bash -c \"") + trap + " ulimit -f 8; exec " +
                                VEX3D_CLI + " convert " + big + " " + stl + " -q\"";
    EXPECT_NE(std::system(command.c_str()), 0) << trap;
    EXPECT_EQ(fs::file_size(stl), kept) << trap;
    EXPECT_EQ(folderEntries(dir), before) << trap;
  }
  EXPECT_GT(original, 0u);
}

}  // namespace

namespace {

TEST(CliTest, AThumbnailStaysWithinItsBudgetAndItsFolder) {
  const fs::path dir = outDir();
  // Too little memory even to start drawing: a clean failure, no image.
  if (vex3d::cli::addressSpaceCanBeCapped()) {
    const fs::path starved = dir / "starved.png";
    const CliRun run =
        vex3d("thumbnail --memory-limit 60 " + sample("textured_cube.v3d") + " " + starved.string(),
              true);
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_FALSE(fs::exists(starved));
  }

  // A model whose material library lies outside its folder: a command the
  // user asked for reads it; the thumbnailer skips it and says so.
  fs::create_directories(dir / "model");
  std::ofstream(dir / "secret.mtl") << "newmtl red\nKd 1 0 0\n";
  std::ofstream(dir / "model" / "tri.obj")
      << "mtllib ../secret.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl red\nf 1 2 3\n";
  const std::string model = (dir / "model" / "tri.obj").string();
  const CliRun info = vex3d("info " + model, true);
  EXPECT_EQ(info.out.find("outside"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("red"), std::string::npos) << info.out;
  const CliRun thumb = vex3d("thumbnail " + model + " " + (dir / "t.png").string(), true);
  EXPECT_NE(thumb.out.find("secret.mtl lies outside the model's folder"), std::string::npos)
      << thumb.out;
}

TEST(CliTest, WhatCannotBeReadSaysWhatItIs) {
  const fs::path dir = outDir();
  const fs::path folder = dir / "looks_like.obj";
  fs::create_directories(folder);
  const fs::path fifo = dir / "pipe.obj";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const CliRun asFolder = vex3d("info " + folder.string(), true);
  EXPECT_EQ(asFolder.status, 1);
  EXPECT_NE(asFolder.out.find("is a directory"), std::string::npos) << asFolder.out;
  const CliRun asFifo = vex3d("info " + fifo.string(), true);
  EXPECT_EQ(asFifo.status, 1);
  EXPECT_NE(asFifo.out.find("is not a regular file"), std::string::npos) << asFifo.out;
  // A material library that is a FIFO is skipped, not waited on.
  const fs::path fifoLibrary = dir / "lib.mtl";
  ASSERT_EQ(::mkfifo(fifoLibrary.c_str(), 0600), 0);
  std::ofstream(dir / "tri.obj") << "mtllib lib.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
  const CliRun waiting = vex3d("info " + (dir / "tri.obj").string(), true);
  EXPECT_EQ(waiting.status, 0);
  EXPECT_NE(waiting.out.find("lib.mtl: is not a regular file"), std::string::npos) << waiting.out;
  // Writing into a folder that does not exist fails alike for every format.
  for (const char* ext : {"v3d", "obj", "glb", "png"}) {
    const std::string out = (dir / "absent" / (std::string("x.") + ext)).string();
    const std::string command = std::string(ext) == std::string("png")
                                    ? "render " + sample("textured_cube.v3d") + " -o " + out
                                    : "convert " + sample("textured_cube.v3d") + " " + out;
    const CliRun run = vex3d(command, true);
    EXPECT_EQ(run.status, 1) << ext << ": " << run.out;
    EXPECT_NE(run.out.find("does not exist"), std::string::npos) << ext << ": " << run.out;
  }
  EXPECT_FALSE(fs::exists(dir / "absent"));
}

}  // namespace

namespace {

TEST(CliTest, InfoOnADeepChainStaysLinear) {
  // A damaged file may nest its nodes thousands deep: the listing must grow
  // with the node count, not with the square of the depth.
  const fs::path dir = outDir();
  C3DScene scene;
  C3DSceneNode* parent = nullptr;
  constexpr int kDepth = 5000;
  for (int i = 0; i < kDepth; ++i) {
    auto* node = new C3DSceneNode;
    node->SetName("n" + std::to_string(i));
    node->SetObject(new C3DGroup);
    scene.AddNode(parent, node);
    parent = node;
  }
  const std::string path = (dir / "deep.v3d").string();
  std::string error;
  ASSERT_TRUE(vex3d::saveSceneFile(scene, path, error)) << error;
  const CliRun text = vex3d("info " + path);
  EXPECT_EQ(text.status, 0);
  EXPECT_LT(text.out.size(), std::size_t{kDepth} * 120) << "indentation grew with depth";
  EXPECT_NE(text.out.find("(depth 5000) n4999"), std::string::npos);
  const CliRun json = vex3d("info --json " + path);
  EXPECT_NE(json.out.find("\"name\": \"n4999\", \"depth\": 5000"), std::string::npos);
}

}  // namespace

namespace {

TEST(CliTest, RenderAskedNotToWritesNothingButItsImage) {
  const fs::path dir = outDir();
  const fs::path cache = dir / "cache";
  const std::string command = "env XDG_CACHE_HOME=" + cache.string() + " " + VEX3D_CLI +
                              " render " + sample("textured_cube.v3d") + " -o " +
                              (dir / "shot.png").string() + " --no-cache -q";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_TRUE(fs::exists(dir / "shot.png"));
  EXPECT_FALSE(fs::exists(cache)) << "the shader cache was written";
}

}  // namespace

namespace {

TEST(CliTest, InfoSaysWhichTexturesLieOutsideTheModelsFolder) {
  const fs::path dir = outDir();
  fs::create_directories(dir / "model" / "maps");
  std::ofstream(dir / "shared.ppm") << "P3\n1 1\n255\n255 0 0\n";
  std::ofstream(dir / "model" / "maps" / "own.ppm") << "P3\n1 1\n255\n0 255 0\n";
  std::ofstream(dir / "model" / "a.mtl")
      << "newmtl outer\nmap_Kd ../shared.ppm\nnewmtl inner\nmap_Kd maps/own.ppm\n";
  std::ofstream(dir / "model" / "a.obj") << "mtllib a.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
                                            "usemtl outer\nf 1 2 3\nusemtl inner\nf 2 4 3\n";
  const CliRun info = vex3d("info " + (dir / "model" / "a.obj").string());
  EXPECT_NE(info.out.find("../shared.ppm (found, outside the model's folder)"), std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find("maps/own.ppm (found)"), std::string::npos) << info.out;
}

}  // namespace
