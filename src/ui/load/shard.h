// Shards: one load run spread over several processes or machines. Shard I
// of N (I from 1) runs a contiguous range of the run's terminal numbers, so
// {n}, simulator IDs and source addresses stay unique across machines, and
// ramps at its share of the run's rate; `--start-at` makes them all start
// together.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace marl {

struct Shard {
  int64_t index = 1;  // from 1
  int64_t count = 1;
  bool given() const { return count > 1 || index > 1; }
};

// "I/N", 1 <= I <= N <= 65000. False with `error` set otherwise.
bool ParseShard(std::string_view text, Shard* out, std::string* error);

// The terminal numbers shard `s` runs of `terminals`: first to last,
// inclusive; the shards' sizes differ by one at most. Empty (last < first)
// when there are more shards than terminals.
void ShardRange(const Shard& s, int64_t terminals, int64_t* first, int64_t* last);

// Seconds since 1970 (decimals allowed) or an ISO 8601 UTC time
// (2026-12-06T17:00:00Z, fractions of a second allowed, Z optional). False
// with `error` set otherwise.
bool ParseStartAt(std::string_view text, double* seconds, std::string* error);

}  // namespace marl
