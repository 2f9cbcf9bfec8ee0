#include "scenario_shard.h"

#include <charconv>
#include <system_error>

#include "utf8_path.h"

namespace cabkit::sim {
namespace {

// Plain digits only: no sign, space or "0x".
std::optional<int32_t> shardNumber(std::string_view digits) {
    int32_t value = 0;
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

// 64-bit FNV-1a, the same on every machine and platform, then mixed so that
// the low bits (which a remainder by a small N reads) depend on every byte:
// FNV-1a's lowest bit alone is the parity of the bytes' lowest bits.
uint64_t nameHash(std::string_view name) {
    uint64_t hash = 14695981039346656037ULL;
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    hash ^= hash >> 33U;
    hash *= 0xff51afd7ed558ccdULL;
    hash ^= hash >> 33U;
    hash *= 0xc4ceb9fe1a85ec53ULL;
    hash ^= hash >> 33U;
    return hash;
}

}  // namespace

std::optional<Shard> parseShard(std::string_view text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const auto index = shardNumber(text.substr(0, slash));
    const auto total = shardNumber(text.substr(slash + 1));
    if (!index || !total || *index < 1 || *index > *total || *total > kMostShards) return std::nullopt;
    return Shard{*index, *total};
}

int32_t shareOf(const std::string& file, int32_t count) {
    // The name alone: machines that check the suite out in different
    // folders, or name it differently on the command line, agree.
    const std::string name = utf8Text(pathFromUtf8(file).filename());
    return static_cast<int32_t>(nameHash(name) % static_cast<uint64_t>(count)) + 1;
}

std::vector<std::string> filesOfShard(const std::vector<std::string>& files, const Shard& shard) {
    std::vector<std::string> mine;
    for (const std::string& file : files) {
        if (shareOf(file, shard.count) == shard.index) mine.push_back(file);
    }
    return mine;
}

}  // namespace cabkit::sim
