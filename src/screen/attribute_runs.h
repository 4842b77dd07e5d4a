// The attribute runs of the last form text: where the display attribute
// changes, at most kMaxAttributeRuns of them. Most forms have a handful, so
// the first few are kept in place and the rest in a block that grows only
// as far as a text's runs reach: a terminal pays for the runs its forms
// use, not for all 3000, which matters when one process runs thousands.
#pragma once

#include <cstdint>
#include <vector>

namespace marl {

struct AttributeRun {
  uint8_t attribute = 0;
  int32_t start = 0;
};

constexpr int32_t kMaxAttributeRuns = 3000;

class AttributeRuns {
 public:
  // Run k; one never written since the last Clear reads as {0, 0}, and so
  // does any k outside 0 to kMaxAttributeRuns - 1.
  const AttributeRun& operator[](int32_t k) const;
  // Run k for writing, its storage taken when first needed. A k outside
  // 0 to kMaxAttributeRuns - 1 gets a spare run that nothing reads.
  AttributeRun& operator[](int32_t k);
  // Every run back to {0, 0}; the block is kept for the next form.
  void Clear();

 private:
  static constexpr int32_t kInPlace = 16;
  AttributeRun in_place_[kInPlace] = {};
  std::vector<AttributeRun> more_;  // runs kInPlace and on, as far as written
  AttributeRun spare_;
};

}  // namespace marl
