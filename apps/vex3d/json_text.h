#pragma once
// The little JSON the commands write: strings escaped, lists joined.
#include <string>
#include <vector>

namespace vex3d::cli {

// `text` as a JSON string literal, quotes included. Bytes are passed as they
// are (the texts are UTF-8); control characters are escaped.
std::string jsonString(const std::string& text);
// ["a", "b"]
std::string jsonStringList(const std::vector<std::string>& items);

}  // namespace vex3d::cli
