#include "math/matrix4x4.h"

#include <cmath>

#include "hostlib/core/archive.h"
#include "math/quaternion.h"

namespace {

// The pitch the angle readers report at the poles.
constexpr float kHalfPi = 1.5707964f;
// Relative size under which an affine determinant counts as zero.
constexpr double kInversePrecision = 1e-15;

template <class T>
void loadValues(float (&m)[4][4], const T* values, int columnMajor) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      m[r][c] = static_cast<float>(columnMajor ? values[4 * c + r] : values[4 * r + c]);
}

// Divisors that bring each column to unit length; a zero column is kept.
C3DVector unitColumnFactors(const C4x4Matrix& mat) {
  C3DVector s;
  mat.GetScale(s);
  return {s.x != 0.0f ? 1.0f / s.x : 1.0f, s.y != 0.0f ? 1.0f / s.y : 1.0f,
          s.z != 0.0f ? 1.0f / s.z : 1.0f};
}

}  // namespace

C4x4Matrix::C4x4Matrix(const float* values, int columnMajor) { loadValues(m, values, columnMajor); }

C4x4Matrix::C4x4Matrix(const double* values, int columnMajor) {
  loadValues(m, values, columnMajor);
}

C4x4Matrix::C4x4Matrix(const CQuaternion& q) { *this = q; }

void C4x4Matrix::Serialize(CArchive& ar) {
  float* v = &m[0][0];
  if (ar.IsStoring()) {
    for (int i = 0; i < 16; ++i) ar << v[i];
  } else {
    // Read into a copy so a truncated archive leaves the matrix as it was.
    float in[16];
    for (float& f : in) ar >> f;
    for (int i = 0; i < 16; ++i) v[i] = in[i];
  }
}

C4x4Matrix& C4x4Matrix::operator=(const CQuaternion& q) {
  const double x = q.x, y = q.y, z = q.z, w = q.w;
  const double xx = x * x, yy = y * y, zz = z * z, ww = w * w;
  m[0][0] = static_cast<float>(xx - yy - zz + ww);
  m[1][1] = static_cast<float>(yy - zz - xx + ww);
  m[2][2] = static_cast<float>(zz - yy - xx + ww);
  m[0][1] = static_cast<float>(2.0 * (x * y + z * w));
  m[1][0] = static_cast<float>(2.0 * (x * y - z * w));
  m[0][2] = static_cast<float>(2.0 * (x * z - y * w));
  m[2][0] = static_cast<float>(2.0 * (x * z + y * w));
  m[1][2] = static_cast<float>(2.0 * (y * z + x * w));
  m[2][1] = static_cast<float>(2.0 * (y * z - x * w));
  m[0][3] = m[1][3] = m[2][3] = 0.0f;
  m[3][0] = m[3][1] = m[3][2] = 0.0f;
  m[3][3] = 1.0f;
  return *this;
}

void C4x4Matrix::LoadMatrix(const float* values) { loadValues(m, values, 0); }

void C4x4Matrix::LoadMatrix(const double* values) { loadValues(m, values, 0); }

void C4x4Matrix::SaveMatrix(float* values) const {
  for (int i = 0; i < 16; ++i) values[i] = m[i / 4][i % 4];
}

void C4x4Matrix::SaveMatrix(double* values) const {
  for (int i = 0; i < 16; ++i) values[i] = m[i / 4][i % 4];
}

bool C4x4Matrix::IsIdentity() const {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      const float v = m[r][c];
      const bool near = r == c ? (v >= 0.995f && v <= 1.005f) : (v >= -0.005f && v <= 0.005f);
      if (!near) return false;
    }
  }
  return true;
}

bool C4x4Matrix::operator==(const C4x4Matrix& o) const {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (!(m[r][c] == o.m[r][c])) return false;
  return true;
}

void C4x4Matrix::Transpose() {
  for (int r = 0; r < 4; ++r) {
    for (int c = r + 1; c < 4; ++c) {
      const float t = m[r][c];
      m[r][c] = m[c][r];
      m[c][r] = t;
    }
  }
}

void C4x4Matrix::Transpose(C4x4Matrix& out) const {
  if (&out == this) {
    out.Transpose();
    return;
  }
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) out.m[r][c] = m[c][r];
}

C4x4Matrix& C4x4Matrix::operator+=(const C4x4Matrix& o) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) m[r][c] += o.m[r][c];
  return *this;
}

C4x4Matrix& C4x4Matrix::operator-=(const C4x4Matrix& o) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) m[r][c] -= o.m[r][c];
  return *this;
}

C4x4Matrix& C4x4Matrix::operator*=(float f) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) m[r][c] *= f;
  return *this;
}

C4x4Matrix& C4x4Matrix::operator*=(const C4x4Matrix& o) {
  // Through a copy: `o` may be this matrix.
  float res[4][4];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      res[r][c] =
          m[r][0] * o.m[0][c] + m[r][1] * o.m[1][c] + m[r][2] * o.m[2][c] + m[r][3] * o.m[3][c];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) m[r][c] = res[r][c];
  return *this;
}

void C4x4Matrix::Scale(float x, float y, float z) {
  for (int r = 0; r < 4; ++r) {
    m[r][0] *= x;
    m[r][1] *= y;
    m[r][2] *= z;
  }
}

void C4x4Matrix::GetScale(C3DVector& s) const {
  auto columnLength = [this](int c) {
    return std::sqrt(m[0][c] * m[0][c] + m[1][c] * m[1][c] + m[2][c] * m[2][c]);
  };
  s.Init(columnLength(0), columnLength(1), columnLength(2));
}

void C4x4Matrix::NoScale() {
  C3DVector s;
  GetScale(s);
  constexpr float kTolerance = 1e-6f;
  if (std::fabs(s.x - 1.0f) < kTolerance && std::fabs(s.y - 1.0f) < kTolerance &&
      std::fabs(s.z - 1.0f) < kTolerance)
    return;
  Scale(unitColumnFactors(*this));
}

void C4x4Matrix::InitRotation(float angle, float x, float y, float z) {
  Init();
  if (x == 0.0f && y == 0.0f && z == 0.0f) return;
  C3DVector axis(x, y, z);
  axis.Normalize();
  const double ax = axis.x, ay = axis.y, az = axis.z;
  const double c = std::cos(static_cast<double>(angle));
  const double s = std::sin(static_cast<double>(angle));
  const double t = 1.0 - c;
  m[0][0] = static_cast<float>((1.0 - ax * ax) * c + ax * ax);
  m[0][1] = static_cast<float>(ax * ay * t + az * s);
  m[0][2] = static_cast<float>(ax * az * t - ay * s);
  m[1][0] = static_cast<float>(ax * ay * t - az * s);
  m[1][1] = static_cast<float>((1.0 - ay * ay) * c + ay * ay);
  m[1][2] = static_cast<float>(ay * az * t + ax * s);
  m[2][0] = static_cast<float>(ax * az * t + ay * s);
  m[2][1] = static_cast<float>(ay * az * t - ax * s);
  m[2][2] = static_cast<float>((1.0 - az * az) * c + az * az);
}

void C4x4Matrix::Rotate(float angle, float x, float y, float z) {
  C4x4Matrix rot;
  rot.InitRotation(angle, x, y, z);
  *this *= rot;
}

void C4x4Matrix::SetHPBAngles(float h, float p, float b) {
  Rotate(h, 0.0f, 1.0f, 0.0f);
  Rotate(p, 1.0f, 0.0f, 0.0f);
  Rotate(b, 0.0f, 0.0f, 1.0f);
}

void C4x4Matrix::GetHPBAngles(float& h, float& p, float& b) const {
  C4x4Matrix r(*this);
  r.Scale(unitColumnFactors(*this));
  if (r.m[1][2] > 0.998f) {
    h = std::atan2(r.m[2][0], r.m[0][0]);
    p = kHalfPi;
    b = 0.0f;
  } else if (r.m[1][2] < -0.998f) {
    h = std::atan2(r.m[2][0], r.m[0][0]);
    p = -kHalfPi;
    b = 0.0f;
  } else {
    h = std::atan2(-r.m[0][2], r.m[2][2]);
    b = std::atan2(-r.m[1][0], r.m[1][1]);
    p = std::asin(r.m[1][2]);
  }
}

void C4x4Matrix::InitSwap(unsigned int flags) {
  Init();
  switch (flags & 0x38u) {
    case 0x00u:
      break;
    case 0x08u:
      m[0][0] = -1.0f;
      break;
    case 0x10u:
      m[1][1] = -1.0f;
      break;
    case 0x20u:
      m[2][2] = -1.0f;
      break;
    default:
      return;
  }
  int a = -1, b = -1;
  switch (flags & 0x07u) {
    case 1u:
      a = 0;
      b = 1;
      break;
    case 2u:
      a = 0;
      b = 2;
      break;
    case 4u:
      a = 1;
      b = 2;
      break;
    default:
      return;
  }
  // Multiplying by a permutation on the right exchanges two columns.
  for (int r = 0; r < 4; ++r) {
    const float t = m[r][a];
    m[r][a] = m[r][b];
    m[r][b] = t;
  }
}

int C4x4Matrix::Inverse(C4x4Matrix& out) const {
  double a[3][3];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) a[r][c] = m[r][c];

  // The six triple products, summed by sign so that cancellation can be
  // measured against their size.
  const double terms[6] = {a[0][0] * a[1][1] * a[2][2],  a[1][0] * a[2][1] * a[0][2],
                           a[2][0] * a[0][1] * a[1][2],  -a[2][0] * a[1][1] * a[0][2],
                           -a[1][0] * a[0][1] * a[2][2], -a[0][0] * a[2][1] * a[1][2]};
  double pos = 0.0, neg = 0.0;
  for (double t : terms) {
    if (t >= 0.0)
      pos += t;
    else
      neg += t;
  }
  const double det = pos + neg;
  if (det == 0.0 || std::fabs(det / (pos - neg)) < kInversePrecision) return 0;

  const double k = 1.0 / det;
  double inv[3][3];
  inv[0][0] = (a[1][1] * a[2][2] - a[1][2] * a[2][1]) * k;
  inv[0][1] = -(a[0][1] * a[2][2] - a[0][2] * a[2][1]) * k;
  inv[0][2] = (a[0][1] * a[1][2] - a[0][2] * a[1][1]) * k;
  inv[1][0] = -(a[1][0] * a[2][2] - a[1][2] * a[2][0]) * k;
  inv[1][1] = (a[0][0] * a[2][2] - a[0][2] * a[2][0]) * k;
  inv[1][2] = -(a[0][0] * a[1][2] - a[0][2] * a[1][0]) * k;
  inv[2][0] = (a[1][0] * a[2][1] - a[1][1] * a[2][0]) * k;
  inv[2][1] = -(a[0][0] * a[2][1] - a[0][1] * a[2][0]) * k;
  inv[2][2] = (a[0][0] * a[1][1] - a[0][1] * a[1][0]) * k;

  const double t[3] = {m[0][3], m[1][3], m[2][3]};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) out.m[r][c] = static_cast<float>(inv[r][c]);
    out.m[r][3] = static_cast<float>(-(inv[r][0] * t[0] + inv[r][1] * t[1] + inv[r][2] * t[2]));
  }
  out.m[3][0] = out.m[3][1] = out.m[3][2] = 0.0f;
  out.m[3][3] = 1.0f;
  return 1;
}
