#include "screen/attribute_runs.h"

#include <cstddef>

namespace marl {

namespace {

const AttributeRun kNoRun;

}  // namespace

const AttributeRun& AttributeRuns::operator[](int32_t k) const {
  if (k >= 0 && k < kInPlace) return in_place_[k];
  if (k >= kInPlace && size_t(k - kInPlace) < more_.size()) return more_[size_t(k - kInPlace)];
  return kNoRun;
}

AttributeRun& AttributeRuns::operator[](int32_t k) {
  if (k >= 0 && k < kInPlace) return in_place_[k];
  if (k < kInPlace || k >= kMaxAttributeRuns) {
    spare_ = {};
    return spare_;
  }
  const size_t index = size_t(k - kInPlace);
  if (index >= more_.size()) more_.resize(index + 1);
  return more_[index];
}

void AttributeRuns::Clear() {
  for (AttributeRun& run : in_place_) run = {};
  more_.clear();
}

}  // namespace marl
