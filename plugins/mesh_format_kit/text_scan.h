#pragma once
// Number and token scanning over a byte range, for the text formats. Every
// function stops at `end`, so a file cut anywhere is read safely.
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace vex3d::native {

inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

inline const char* skipBlanks(const char* p, const char* end) {
  while (p < end && isBlank(*p)) ++p;
  return p;
}

// The start of the next line (past '\n'), or `end`.
inline const char* nextLine(const char* p, const char* end) {
  if (p >= end) return end;
  const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
  return nl != nullptr ? static_cast<const char*>(nl) + 1 : end;
}

// The '\n' ending the current line, or `end`.
inline const char* lineEnd(const char* p, const char* end) {
  if (p >= end) return end;
  const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
  return nl != nullptr ? static_cast<const char*>(nl) : end;
}

inline std::string_view trimmed(const char* begin, const char* end) {
  while (begin < end && isBlank(*begin)) ++begin;
  while (end > begin && (isBlank(end[-1]) || end[-1] == '\0')) --end;
  return {begin, static_cast<std::size_t>(end - begin)};
}

// A blank-separated token, `p` moved past it.
inline std::string_view token(const char*& p, const char* end) {
  p = skipBlanks(p, end);
  const char* start = p;
  while (p < end && !isBlank(*p) && *p != '\n') ++p;
  return {start, static_cast<std::size_t>(p - start)};
}

// A float after optional blanks; false (p unchanged) when none is there.
// A leading '+' is accepted, as many writers put one.
inline bool scanFloat(const char*& p, const char* end, float& out) {
  const char* q = skipBlanks(p, end);
  if (q < end && *q == '+') ++q;
  const auto [ptr, ec] = std::from_chars(q, end, out);
  if (ec == std::errc::result_out_of_range) {
    // Denormals and overflows still consumed their digits: keep going with
    // what the text meant approximately rather than failing the file.
    if (ptr == q) return false;
    out = 0.0f;
    p = ptr;
    return true;
  }
  if (ec != std::errc()) return false;
  p = ptr;
  return true;
}

inline bool scanDouble(const char*& p, const char* end, double& out) {
  const char* q = skipBlanks(p, end);
  if (q < end && *q == '+') ++q;
  const auto [ptr, ec] = std::from_chars(q, end, out);
  if (ec != std::errc() && !(ec == std::errc::result_out_of_range && ptr != q)) return false;
  if (ec != std::errc()) out = 0.0;
  p = ptr;
  return true;
}

// A signed integer within 64 bits after optional blanks.
inline bool scanInt(const char*& p, const char* end, std::int64_t& out) {
  const char* q = skipBlanks(p, end);
  if (q < end && *q == '+') ++q;
  // Indices take most of a large mesh's text: up to 18 digits cannot
  // overflow and skip the general conversion's checks per digit.
  const char* s = q;
  const bool negative = s < end && *s == '-';
  if (negative) ++s;
  const char* digits = s;
  std::uint64_t value = 0;
  while (s < end && s - digits < 18 && static_cast<unsigned char>(*s - '0') < 10) {
    value = value * 10 + static_cast<unsigned char>(*s - '0');
    ++s;
  }
  if (s == digits) return false;
  if (s == end || static_cast<unsigned char>(*s - '0') >= 10) {
    out = negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
    p = s;
    return true;
  }
  const auto [ptr, ec] = std::from_chars(q, end, out);
  if (ec != std::errc()) return false;
  p = ptr;
  return true;
}

// Case-insensitive equality of ASCII words.
inline bool sameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// A UTF-8 byte order mark is skipped.
inline const char* skipBom(const char* p, const char* end) {
  if (end - p >= 3 && static_cast<unsigned char>(p[0]) == 0xEF &&
      static_cast<unsigned char>(p[1]) == 0xBB && static_cast<unsigned char>(p[2]) == 0xBF)
    return p + 3;
  return p;
}

}  // namespace vex3d::native
