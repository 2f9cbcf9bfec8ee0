// `check --shard K/N`: a suite spread over N machines, each replaying its
// own share. A scenario's share follows from its file name alone (a hash of
// it, not its place on the command line), so adding a file never moves the
// others, and the N shares together hold every scenario exactly once.
#ifndef CABKIT_SIM_SCENARIO_SHARD_H
#define CABKIT_SIM_SCENARIO_SHARD_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cabkit::sim {

struct Shard {
    int32_t index = 1;  // K, from 1
    int32_t count = 1;  // N
};

inline constexpr int32_t kMostShards = 10'000;

// "K/N" with 1 <= K <= N <= kMostShards, in plain digits; nullopt otherwise.
std::optional<Shard> parseShard(std::string_view text);

// The share (1..count) the file falls to, from its name without the folder.
int32_t shareOf(const std::string& file, int32_t count);

// The files of the shard, in their order.
std::vector<std::string> filesOfShard(const std::vector<std::string>& files, const Shard& shard);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_SCENARIO_SHARD_H
