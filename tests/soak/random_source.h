// A small seeded generator (SplitMix64): the same seed gives the same runs
// on every machine and compiler, which std::uniform_int_distribution does
// not promise.
#pragma once

#include <cstdint>
#include <vector>

namespace soak {

class RandomSource {
 public:
  explicit RandomSource(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next() {
    state_ += 0x9E3779B97F4A7C15ULL;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  // A number in [low, high]; both ends included.
  std::uint32_t Between(std::uint32_t low, std::uint32_t high) {
    const std::uint64_t span = static_cast<std::uint64_t>(high) - low + 1;
    return low + static_cast<std::uint32_t>(Next() % span);
  }

  bool Percent(std::uint32_t chance) { return Between(1, 100) <= chance; }

  template <typename T>
  const T& Pick(const std::vector<T>& choices) {
    return choices[Between(0, static_cast<std::uint32_t>(choices.size() - 1))];
  }

 private:
  std::uint64_t state_;
};

// The seed of one run of a soak: the soak's seed and the run's number, mixed
// so that neighbouring runs do not share a stream.
inline std::uint64_t RunSeed(std::uint64_t soakSeed, std::uint32_t run) {
  RandomSource mixer(soakSeed ^ (static_cast<std::uint64_t>(run) * 0xD1B54A32D192ED03ULL));
  return mixer.Next();
}

}  // namespace soak
