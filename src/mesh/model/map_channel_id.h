#pragma once
// CMapChannelID: which texture channel a material's map reads, recorded
// while per-material channels are merged into one. Keyed by the material:
// a material names one channel.
#include <cstdint>

struct CMapChannelID {
  std::uint32_t materialId = 0;
  std::uint32_t channelId = 0;
  std::uint32_t HashKey() const { return materialId; }
  friend bool operator==(const CMapChannelID& a, const CMapChannelID& b) {
    return a.materialId == b.materialId;
  }
};
