#pragma once
// The PLY header: elements, their counts and property layouts.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vex3d::ply {

enum class Format { text, binaryLittle, binaryBig };

enum class Type : std::uint8_t { int8, uint8, int16, uint16, int32, uint32, float32, float64 };

struct Property {
  std::string name;
  Type type = Type::float32;
  bool isList = false;
  Type countType = Type::uint8;
};

struct Element {
  std::string name;
  std::uint64_t count = 0;
  std::vector<Property> properties;
};

struct Header {
  Format format = Format::text;
  std::vector<Element> elements;
  std::size_t size = 0;               // bytes up to and including the end_header line
  std::vector<std::string> warnings;  // lines skipped
};

// False with `error` set (naming the header line) on anything malformed.
// Lines that begin with no keyword of the format are skipped with a
// warning: some writers leave a signature line among the comments.
bool parseHeader(std::string_view bytes, Header& header, std::string& error);

std::size_t typeSize(Type type);

}  // namespace vex3d::ply
