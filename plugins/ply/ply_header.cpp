#include "ply_header.h"

#include "hostlib/text/strings.h"
#include "mesh_format_kit/text_scan.h"

namespace vex3d::ply {

namespace {

bool parseType(std::string_view word, Type& type) {
  static const struct {
    std::string_view name;
    Type type;
  } kNames[] = {{"char", Type::int8},      {"int8", Type::int8},       {"uchar", Type::uint8},
                {"uint8", Type::uint8},    {"short", Type::int16},     {"int16", Type::int16},
                {"ushort", Type::uint16},  {"uint16", Type::uint16},   {"int", Type::int32},
                {"int32", Type::int32},    {"uint", Type::uint32},     {"uint32", Type::uint32},
                {"float", Type::float32},  {"float32", Type::float32}, {"double", Type::float64},
                {"float64", Type::float64}};
  for (const auto& entry : kNames) {
    if (entry.name == word) {
      type = entry.type;
      return true;
    }
  }
  return false;
}

// Header text quoted in a message: bytes outside printable ASCII show as '?'.
std::string printable(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c < 0x20 || c > 0x7E) c = '?';
  }
  return out;
}

}  // namespace

std::size_t typeSize(Type type) {
  switch (type) {
    case Type::int8:
    case Type::uint8:
      return 1;
    case Type::int16:
    case Type::uint16:
      return 2;
    case Type::int32:
    case Type::uint32:
    case Type::float32:
      return 4;
    case Type::float64:
      return 8;
  }
  return 1;
}

bool parseHeader(std::string_view bytes, Header& header, std::string& error) {
  const char* begin = bytes.data();
  const char* end = begin + bytes.size();
  const char* p = native::skipBom(begin, end);
  int line = 0;
  bool sawFormat = false;
  int skipped = 0;
  int firstSkipped = 0;
  std::string skippedText;
  auto fail = [&](const std::string& what) {
    error = FormatString(kStrPlyHeaderLine, line, what.c_str());
    return false;
  };
  while (p < end) {
    ++line;
    const char* eol = native::lineEnd(p, end);
    const char* start = p;
    const char* q = p;
    const std::string_view word = native::token(q, eol);
    p = eol < end ? eol + 1 : end;
    if (line == 1) {
      if (word != "ply") return fail(LoadStringW(kStrPlyNotPly));
      continue;
    }
    if (word.empty() || word == "comment" || word == "obj_info") continue;
    if (word == "format") {
      const std::string_view kind = native::token(q, eol);
      if (kind == "ascii") {
        header.format = Format::text;
      } else if (kind == "binary_little_endian") {
        header.format = Format::binaryLittle;
      } else if (kind == "binary_big_endian") {
        header.format = Format::binaryBig;
      } else {
        return fail(FormatString(kStrPlyUnknownFormat, std::string(kind.substr(0, 40)).c_str()));
      }
      sawFormat = true;
    } else if (word == "element") {
      Element element;
      element.name = std::string(native::token(q, eol));
      std::int64_t count = 0;
      if (element.name.empty() || !native::scanInt(q, eol, count) || count < 0) {
        return fail(LoadStringW(kStrPlyElementNeedsNameCount));
      }
      element.count = static_cast<std::uint64_t>(count);
      header.elements.push_back(std::move(element));
    } else if (word == "property") {
      if (header.elements.empty()) return fail(LoadStringW(kStrPlyPropertyBeforeElement));
      Property property;
      std::string_view type = native::token(q, eol);
      if (type == "list") {
        property.isList = true;
        if (!parseType(native::token(q, eol), property.countType) ||
            property.countType == Type::float32 || property.countType == Type::float64) {
          return fail(LoadStringW(kStrPlyBadListCountType));
        }
        type = native::token(q, eol);
      }
      if (!parseType(type, property.type)) {
        return fail(
            FormatString(kStrPlyUnknownPropertyType, std::string(type.substr(0, 40)).c_str()));
      }
      property.name = std::string(native::token(q, eol));
      header.elements.back().properties.push_back(std::move(property));
    } else if (word == "end_header") {
      if (!sawFormat) return fail(LoadStringW(kStrPlyNoFormatLine));
      header.size = static_cast<std::size_t>(p - begin);
      if (skipped > 0) {
        std::string warning = FormatString(kStrPlySkippedLine, firstSkipped, skippedText.c_str());
        if (skipped > 1) warning += FormatString(kStrPlySkippedMore, skipped - 1);
        header.warnings.push_back(std::move(warning));
      }
      return true;
    } else if (++skipped == 1) {
      firstSkipped = line;
      skippedText = printable(native::trimmed(start, eol).substr(0, 60));
    }
  }
  error = LoadStringW(kStrPlyNoEndHeader);
  return false;
}

}  // namespace vex3d::ply
