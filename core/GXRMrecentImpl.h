// The few entries lately met in one place, newest first.
//
// A parser hands out names from a few buffers of its own, over and over: a
// name asked for again from where it lately came is found among these by a
// comparison or two, before any measuring or hashing. Each user picks the
// place (a set of these) by what it knows: an address, a depth.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>

namespace gxrm::dom::detail {

template <typename Entry, size_t kWays = 4>
class Recent {
 public:
  // The newest entry `match` accepts; null when none does (or none is kept yet).
  template <typename Match>
  const Entry* Find(const Match& match) const {
    const auto hit = std::find_if(entries_.begin(), entries_.begin() + count_, match);
    return hit == entries_.begin() + count_ ? nullptr : &*hit;
  }

  // Keeps `entry` as the newest; the oldest is forgotten when all are taken.
  void Push(const Entry& entry) {
    std::move_backward(entries_.begin(), entries_.end() - 1, entries_.end());
    entries_[0] = entry;
    count_ = std::min(count_ + 1, kWays);
  }

 private:
  std::array<Entry, kWays> entries_{};
  size_t count_ = 0;
};

}  // namespace gxrm::dom::detail
