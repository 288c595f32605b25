#pragma once
// Damaged copies of a valid file, made in memory and reproducible: every
// reader must answer each of them with an error or a repaired scene.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace vex3d::test {

struct BrokenInput {
  std::string what;
  std::string bytes;
};

inline std::vector<BrokenInput> brokenInputs(const std::string& valid, unsigned seed = 7) {
  std::vector<BrokenInput> out;
  out.push_back({"empty", {}});
  // Cut at the start, inside the header and at many places in the body.
  for (std::size_t cut : {std::size_t{1}, std::size_t{5}, std::size_t{40}, std::size_t{83},
                          std::size_t{84}, valid.size() / 3, valid.size() / 2, valid.size() - 1}) {
    if (cut < valid.size()) out.push_back({"cut at " + std::to_string(cut), valid.substr(0, cut)});
  }
  std::mt19937 random(seed);
  for (int round = 0; round < 24; ++round) {
    std::string flipped = valid;
    const int flips = 1 + round % 6;
    for (int i = 0; i < flips && !flipped.empty(); ++i) {
      flipped[random() % flipped.size()] = static_cast<char>(random() & 0xFF);
    }
    out.push_back({"flipped round " + std::to_string(round), flipped});
  }
  std::string noise(4096, '\0');
  for (char& c : noise) c = static_cast<char>(random() & 0xFF);
  out.push_back({"random bytes", noise});
  out.push_back({"huge line", std::string(1 << 20, '9')});
  out.push_back({"nul bytes", std::string(300, '\0')});
  return out;
}

}  // namespace vex3d::test
