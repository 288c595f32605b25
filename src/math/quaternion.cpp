#include "math/quaternion.h"

#include <algorithm>
#include <cmath>

#include "math/matrix4x4.h"
#include "math/point3d.h"

namespace {

constexpr float kHalfPi = 1.5707964f;

}  // namespace

CQuaternion::CQuaternion(float h, float p, float b) {
  const C3DVector yAxis(0.0f, 1.0f, 0.0f);
  const C3DVector xAxis(1.0f, 0.0f, 0.0f);
  const C3DVector zAxis(0.0f, 0.0f, 1.0f);
  *this = CQuaternion(zAxis, b) * CQuaternion(xAxis, p) * CQuaternion(yAxis, h);
}

CQuaternion& CQuaternion::operator=(const C3DVector& v) {
  x = v.x;
  y = v.y;
  z = v.z;
  w = 0.0f;
  return *this;
}

CQuaternion& CQuaternion::operator=(const C4x4Matrix& mat) {
  const auto& m = mat.m;
  const double trace = double(m[0][0]) + double(m[1][1]) + double(m[2][2]);
  if (trace > 0.0) {
    const double r = std::sqrt(trace + 1.0);
    const double f = 0.5 / r;
    w = static_cast<float>(r / 2.0);
    x = static_cast<float>((double(m[1][2]) - m[2][1]) * f);
    y = static_cast<float>((double(m[2][0]) - m[0][2]) * f);
    z = static_cast<float>((double(m[0][1]) - m[1][0]) * f);
    return *this;
  }
  int i = 0;
  if (m[1][1] > m[0][0]) i = 1;
  if (m[2][2] > m[i][i]) i = 2;
  constexpr int kNext[3] = {1, 2, 0};
  const int j = kNext[i];
  const int k = kNext[j];
  const double r = std::sqrt(double(m[i][i]) - (double(m[j][j]) + double(m[k][k])) + 1.0);
  const double f = r != 0.0 ? 0.5 / r : 0.0;
  float q[3];
  q[i] = static_cast<float>(r / 2.0);
  q[j] = static_cast<float>((double(m[i][j]) + m[j][i]) * f);
  q[k] = static_cast<float>((double(m[i][k]) + m[k][i]) * f);
  x = q[0];
  y = q[1];
  z = q[2];
  w = static_cast<float>((double(m[j][k]) - m[k][j]) * f);
  return *this;
}

void CQuaternion::SetAxisAngle(const C3DVector& axis, float angle) {
  const double half = angle / 2.0;
  const double s = std::sin(half);
  x = static_cast<float>(axis.x * s);
  y = static_cast<float>(axis.y * s);
  z = static_cast<float>(axis.z * s);
  w = static_cast<float>(std::cos(half));
}

int CQuaternion::GetAxisAngle(C3DVector& axis, float& angle) const {
  // A slightly denormalised w must not turn the angle into a NaN.
  const float a = std::acos(std::clamp(w, -1.0f, 1.0f));
  const float s = std::sin(a);
  if (s == 0.0f) {
    axis.Init(1.0f, 0.0f, 0.0f);
    angle = a;
    return 0;
  }
  axis.Init(x / s, y / s, z / s);
  angle = 2.0f * a;
  return axis.IsNull() ? 0 : 1;
}

int CQuaternion::IsValid() const {
  C3DVector axis;
  float angle = 0.0f;
  return GetAxisAngle(axis, angle);
}

void CQuaternion::GetHPBAngles(float& h, float& p, float& b) const {
  const double qx = x, qy = y, qz = z, qw = w;
  const double xx = qx * qx, yy = qy * qy, zz = qz * qz, ww = qw * qw;
  const double n = xx + yy + zz + ww;
  const double test = qy * qz + qx * qw;
  if (test > 0.499 * n) {
    h = static_cast<float>(2.0 * std::atan2(qz, qw));
    p = kHalfPi;
    b = 0.0f;
  } else if (test < -0.499 * n) {
    h = static_cast<float>(-2.0 * std::atan2(qz, qw));
    p = -kHalfPi;
    b = 0.0f;
  } else {
    h = static_cast<float>(std::atan2(2.0 * qy * qw - 2.0 * qz * qx, zz - yy - xx + ww));
    p = static_cast<float>(std::asin(2.0 * test / n));
    b = static_cast<float>(std::atan2(2.0 * qz * qw - 2.0 * qy * qx, yy - zz - xx + ww));
  }
}

CQuaternion CQuaternion::operator*(const CQuaternion& q) const {
  const double x1 = x, y1 = y, z1 = z, w1 = w;
  const double x2 = q.x, y2 = q.y, z2 = q.z, w2 = q.w;
  return {static_cast<float>(w1 * x2 + x1 * w2 + y1 * z2 - z1 * y2),
          static_cast<float>(w1 * y2 - x1 * z2 + y1 * w2 + z1 * x2),
          static_cast<float>(w1 * z2 + x1 * y2 - y1 * x2 + z1 * w2),
          static_cast<float>(w1 * w2 - x1 * x2 - y1 * y2 - z1 * z2)};
}

CQuaternion CQuaternion::Slerp(const CQuaternion& q1, const CQuaternion& q2, float t) {
  const double c =
      double(q1.x) * q2.x + double(q1.y) * q2.y + double(q1.z) * q2.z + double(q1.w) * q2.w;
  const double ac = std::fabs(c);
  double k1, k2;
  if (1.0 - ac > 1e-6) {
    const double omega = std::acos(ac);
    const double so = std::sin(omega);
    k1 = std::sin((1.0 - t) * omega) / so;
    k2 = std::sin(t * omega) / so;
  } else {
    k1 = 1.0 - t;
    k2 = t;
  }
  if (c < 0.0) k2 = -k2;
  return {static_cast<float>(k1 * q1.x + k2 * q2.x), static_cast<float>(k1 * q1.y + k2 * q2.y),
          static_cast<float>(k1 * q1.z + k2 * q2.z), static_cast<float>(k1 * q1.w + k2 * q2.w)};
}
