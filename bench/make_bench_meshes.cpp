// make_bench_meshes OUTDIR TRIANGLES...: for each count, a torus of about
// that many triangles as mesh_<N>.obj (positions, texture coordinates and
// normals), mesh_<N>_bare.obj (positions), mesh_<N>.stl (binary),
// mesh_<N>.ply (binary little endian, normals and texture coordinates) and
// mesh_<N>_colors.ply (positions and vertex colours),
// so that whole-process benchmarks read the same geometry in every format.
// Numbers are formatted by hand: a 4M-triangle OBJ must take seconds.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Vertex {
  float x, y, z, nx, ny, nz, u, v;
};

struct Grid {
  std::int64_t rows = 0;     // around the ring
  std::int64_t columns = 0;  // around the tube
  std::int64_t Triangles() const { return 2 * rows * columns; }
};

// Rows x columns close to square with 2 * rows * columns == triangles
// when the count allows it; otherwise the nearest count above.
Grid gridFor(std::int64_t triangles) {
  const std::int64_t quads = std::max<std::int64_t>(9, (triangles + 1) / 2);
  const auto side = static_cast<std::int64_t>(std::sqrt(static_cast<double>(quads)));
  for (std::int64_t c = side; c >= std::max<std::int64_t>(3, side / 4); --c) {
    if (quads % c == 0) return {quads / c, c};
  }
  const std::int64_t c = std::max<std::int64_t>(3, side);
  return {(quads + c - 1) / c, c};
}

std::vector<Vertex> torusVertices(const Grid& g) {
  constexpr double kTwoPi = 6.283185307179586;
  constexpr double kRing = 1.0;
  constexpr double kTube = 0.3;
  std::vector<Vertex> out(static_cast<std::size_t>(g.rows * g.columns));
  std::size_t k = 0;
  for (std::int64_t i = 0; i < g.rows; ++i) {
    const double a = kTwoPi * static_cast<double>(i) / static_cast<double>(g.rows);
    const double ca = std::cos(a), sa = std::sin(a);
    for (std::int64_t j = 0; j < g.columns; ++j) {
      const double b = kTwoPi * static_cast<double>(j) / static_cast<double>(g.columns);
      const double cb = std::cos(b), sb = std::sin(b);
      const double r = kRing + kTube * cb;
      out[k++] = {static_cast<float>(r * ca),
                  static_cast<float>(r * sa),
                  static_cast<float>(kTube * sb),
                  static_cast<float>(cb * ca),
                  static_cast<float>(cb * sa),
                  static_cast<float>(sb),
                  static_cast<float>(static_cast<double>(i) / static_cast<double>(g.rows)),
                  static_cast<float>(static_cast<double>(j) / static_cast<double>(g.columns))};
    }
  }
  return out;
}

// Calls emit(a, b, c) with zero-based vertex indices of every triangle.
template <class Emit>
void forEachTriangle(const Grid& g, Emit&& emit) {
  for (std::int64_t i = 0; i < g.rows; ++i) {
    const std::int64_t next = (i + 1) % g.rows;
    for (std::int64_t j = 0; j < g.columns; ++j) {
      const std::int64_t jn = (j + 1) % g.columns;
      const std::int64_t a = i * g.columns + j, b = next * g.columns + j;
      const std::int64_t c = next * g.columns + jn, d = i * g.columns + jn;
      emit(a, b, c);
      emit(a, c, d);
    }
  }
}

// Buffered binary writer; the first failure sticks and is reported at Close.
class Output {
 public:
  explicit Output(const std::string& path) : m_path(path), m_file(std::fopen(path.c_str(), "wb")) {
    m_buffer.reserve(kFlushAt + 4096);
  }
  ~Output() {
    if (m_file) std::fclose(m_file);
  }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  void Put(const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    m_buffer.insert(m_buffer.end(), bytes, bytes + size);
    if (m_buffer.size() >= kFlushAt) Flush();
  }
  void Put(const std::string& text) { Put(text.data(), text.size()); }
  void Char(char c) {
    m_buffer.push_back(c);
    if (m_buffer.size() >= kFlushAt) Flush();
  }
  // Decimal integer, no sign needed by the callers.
  void Unsigned(std::uint64_t value) {
    char digits[24];
    int n = 0;
    do {
      digits[n++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    while (n > 0) m_buffer.push_back(digits[--n]);
  }
  // Six fixed decimals, trailing zeros dropped: as precise as the floats
  // the peers will parse, without printf's cost.
  void Fixed(float value) {
    auto scaled = static_cast<std::int64_t>(std::llround(static_cast<double>(value) * 1e6));
    if (scaled < 0) {
      m_buffer.push_back('-');
      scaled = -scaled;
    }
    Unsigned(static_cast<std::uint64_t>(scaled / 1000000));
    auto fraction = static_cast<int>(scaled % 1000000);
    if (fraction == 0) return;
    m_buffer.push_back('.');
    int width = 6;
    while (fraction % 10 == 0) {
      fraction /= 10;
      --width;
    }
    char digits[6];
    for (int k = width - 1; k >= 0; --k) {
      digits[k] = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    m_buffer.insert(m_buffer.end(), digits, digits + width);
  }
  bool Close() {
    Flush();
    const bool ok = m_file && m_ok && std::fclose(m_file) == 0;
    m_file = nullptr;
    if (!ok) std::fprintf(stderr, "make_bench_meshes: cannot write %s\n", m_path.c_str());
    return ok;
  }

 private:
  static constexpr std::size_t kFlushAt = std::size_t{1} << 20;
  void Flush() {
    if (m_file && !m_buffer.empty() &&
        std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) != m_buffer.size()) {
      m_ok = false;
    }
    m_buffer.clear();
  }
  std::string m_path;
  std::FILE* m_file;
  std::vector<char> m_buffer;
  bool m_ok = true;
};

// `bare`: positions and faces alone, as scanners and CAD exports write.
bool writeObj(const std::string& path, const Grid& g, const std::vector<Vertex>& vertices,
              bool bare) {
  Output out(path);
  out.Put("# torus, " + std::to_string(g.Triangles()) + " triangles\n");
  // One "tag x y [z]" line per vertex.
  auto lines = [&out, &vertices](const std::string& tag, auto... field) {
    for (const Vertex& p : vertices) {
      out.Put(tag);
      ((out.Char(' '), out.Fixed(p.*field)), ...);
      out.Char('\n');
    }
  };
  lines("v", &Vertex::x, &Vertex::y, &Vertex::z);
  if (!bare) {
    lines("vt", &Vertex::u, &Vertex::v);
    lines("vn", &Vertex::nx, &Vertex::ny, &Vertex::nz);
  }
  auto corner = [&out, bare](std::int64_t index) {
    const auto one = static_cast<std::uint64_t>(index + 1);
    out.Char(' ');
    out.Unsigned(one);
    if (bare) return;
    out.Char('/');
    out.Unsigned(one);
    out.Char('/');
    out.Unsigned(one);
  };
  forEachTriangle(g, [&](std::int64_t a, std::int64_t b, std::int64_t c) {
    out.Char('f');
    corner(a);
    corner(b);
    corner(c);
    out.Char('\n');
  });
  return out.Close();
}

bool writeStl(const std::string& path, const Grid& g, const std::vector<Vertex>& vertices) {
  Output out(path);
  char header[80] = {};
  std::snprintf(header, sizeof header, "torus, %lld triangles",
                static_cast<long long>(g.Triangles()));
  out.Put(header, sizeof header);
  const auto count = static_cast<std::uint32_t>(g.Triangles());
  out.Put(&count, sizeof count);
  forEachTriangle(g, [&](std::int64_t a, std::int64_t b, std::int64_t c) {
    const Vertex& p = vertices[static_cast<std::size_t>(a)];
    const Vertex& q = vertices[static_cast<std::size_t>(b)];
    const Vertex& r = vertices[static_cast<std::size_t>(c)];
    const float e1[3] = {q.x - p.x, q.y - p.y, q.z - p.z};
    const float e2[3] = {r.x - p.x, r.y - p.y, r.z - p.z};
    float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                  e1[0] * e2[1] - e1[1] * e2[0]};
    const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (length > 0.0f) {
      for (float& component : n) component /= length;
    }
    float record[12] = {n[0], n[1], n[2], p.x, p.y, p.z, q.x, q.y, q.z, r.x, r.y, r.z};
    out.Put(record, sizeof record);
    const std::uint16_t attributes = 0;
    out.Put(&attributes, sizeof attributes);
  });
  return out.Close();
}

// `colors`: positions and a colour per vertex, as scanners write, instead of
// normals and texture coordinates.
bool writePly(const std::string& path, const Grid& g, const std::vector<Vertex>& vertices,
              bool colors) {
  Output out(path);
  out.Put("ply\nformat binary_little_endian 1.0\ncomment torus\nelement vertex " +
          std::to_string(vertices.size()) +
          "\nproperty float x\nproperty float y\nproperty float z" +
          (colors ? "\nproperty uchar red\nproperty uchar green\nproperty uchar blue"
                  : "\nproperty float nx\nproperty float ny\nproperty float nz"
                    "\nproperty float u\nproperty float v") +
          "\nelement face " + std::to_string(g.Triangles()) +
          "\nproperty list uchar int vertex_indices\nend_header\n");
  static_assert(sizeof(Vertex) == 8 * sizeof(float));
  if (colors) {
    for (const Vertex& p : vertices) {
      const float xyz[3] = {p.x, p.y, p.z};
      out.Put(xyz, sizeof xyz);
      const unsigned char rgb[3] = {static_cast<unsigned char>(p.u * 255.0f),
                                    static_cast<unsigned char>(p.v * 255.0f),
                                    static_cast<unsigned char>(128.0f + p.nz * 127.0f)};
      out.Put(rgb, sizeof rgb);
    }
  } else {
    out.Put(vertices.data(), vertices.size() * sizeof(Vertex));
  }
  forEachTriangle(g, [&](std::int64_t a, std::int64_t b, std::int64_t c) {
    unsigned char record[13];
    record[0] = 3;
    const std::int32_t indices[3] = {static_cast<std::int32_t>(a), static_cast<std::int32_t>(b),
                                     static_cast<std::int32_t>(c)};
    std::memcpy(record + 1, indices, sizeof indices);
    out.Put(record, sizeof record);
  });
  return out.Close();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: make_bench_meshes OUTDIR TRIANGLES...\n");
    return 2;
  }
  const std::string dir = argv[1];
  for (int k = 2; k < argc; ++k) {
    char* end = nullptr;
    const long long wanted = std::strtoll(argv[k], &end, 10);
    // Binary STL counts triangles in 32 bits and PLY indices are int.
    if (end == argv[k] || *end != '\0' || wanted <= 0 || wanted > 1'000'000'000LL) {
      std::fprintf(stderr, "make_bench_meshes: bad triangle count '%s'\n", argv[k]);
      return 2;
    }
    const Grid grid = gridFor(wanted);
    const std::vector<Vertex> vertices = torusVertices(grid);
    const std::string stem = dir + "/mesh_" + argv[k];
    if (!writeObj(stem + ".obj", grid, vertices, false) ||
        !writeObj(stem + "_bare.obj", grid, vertices, true) ||
        !writeStl(stem + ".stl", grid, vertices) ||
        !writePly(stem + ".ply", grid, vertices, false) ||
        !writePly(stem + "_colors.ply", grid, vertices, true)) {
      return 1;
    }
    std::printf("%s: %lld triangles, %zu vertices\n", stem.c_str(),
                static_cast<long long>(grid.Triangles()), vertices.size());
  }
  return 0;
}
