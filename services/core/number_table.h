// number_table.h -- the one table of numbered objects: files, directory scans, windows, sprites, 3D
// sprites, fonts, menus and fields, on every platform
//
// A program either chooses a number (0 up to kMaxExplicit - 1) or passes -1 and is given the lowest
// free number from 1 up, so the same calls give the same numbers on every platform. The table keeps
// the free numbers below the highest it has stored in a min-heap, and hands out that mark when the
// heap is empty: a world rebuilt in place frees hundreds of thousands of objects and makes as many
// again, in any order, at O(log n) each.
#pragma once
#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

namespace svc::detail {

template <class T>
class NumberTable {
 public:
  static constexpr int kMaxExplicit = 1 << 20;  // Larger chosen numbers are refused, not allocated
  static constexpr int kMaxNumber = 1 << 24;    // Room for 8 objects on each of 513 x 513 cells

  bool has(int n) const { return n >= 0 && n < static_cast<int>(flags_.size()) && (flags_[n] & kUsed); }
  T* get(int n) { return has(n) ? &slots_[n] : nullptr; }
  const T* get(int n) const { return has(n) ? &slots_[n] : nullptr; }
  int size() const { return live_; }  // Numbers in use

  // The number a request stands for: the lowest free number >= 1 for -1, the number itself when it
  // may be chosen; -1 when refused. Takes nothing: the number stays free until store().
  int pick(int requested) {
    if (requested != -1) return requested >= 0 && requested < kMaxExplicit ? requested : -1;
    // Numbers stored again since they were freed are dropped from the heap here, lazily.
    while (!free_.empty() && has(free_.front())) pop_free();
    const int n = free_.empty() ? high_ : free_.front();
    return n < kMaxNumber ? n : -1;
  }

  // Puts a record under n (a number from pick), replacing the one there.
  T& store(int n, T record = T{}) {
    if (n >= static_cast<int>(flags_.size())) {
      // Grown by half again at least: a world making hundreds of thousands of objects one after
      // another grows the table a few dozen times, not once per object.
      const size_t size = std::max<size_t>(n + 1, flags_.size() + flags_.size() / 2);
      slots_.resize(size);
      flags_.resize(size, 0);
    }
    if (!(flags_[n] & kUsed)) {
      live_++;
      if (n >= high_) {
        for (int gap = std::max(high_, 1); gap < n; gap++) push_free(gap);  // never used, now below the mark
        high_ = n + 1;
      }
    }
    flags_[n] = kUsed;
    if (!free_.empty() && free_.front() == n) pop_free();
    slots_[n] = std::move(record);
    return slots_[n];
  }

  // Frees the number and drops its record.
  void release(int n) {
    if (!has(n)) return;
    flags_[n] = 0;
    slots_[n] = T{};
    live_--;
    if (n >= 1) push_free(n);
    // Numbers freed and then chosen again explicitly leave stale entries; a program that does so
    // for hours must not grow the heap without end, so it is rebuilt from the flags now and then.
    if (free_.size() > 2 * static_cast<size_t>(high_) + 64) {
      free_.clear();
      for (int m = 1; m < high_; m++)
        if (!has(m)) push_free(m);
    }
  }

  void clear() {
    slots_.clear();
    flags_.clear();
    free_.clear();
    live_ = 0;
    high_ = 1;
  }

  // Calls f(number, record) for every number in use, lowest first. f may release the number it is
  // given, but must not store new ones.
  template <class F>
  void for_each(F f) {
    for (int n = 0; n < static_cast<int>(flags_.size()); n++)
      if (flags_[n] & kUsed) f(n, slots_[n]);
  }

  // The lowest number in use whose record satisfies the test; -1 when none does.
  template <class Test>
  int find(Test test) const {
    for (int n = 0; n < static_cast<int>(flags_.size()); n++)
      if ((flags_[n] & kUsed) && test(slots_[n])) return n;
    return -1;
  }

 private:
  static constexpr uint8_t kUsed = 1;  // The number holds a record

  std::vector<T> slots_;
  std::vector<uint8_t> flags_;  // kUsed or 0
  int live_ = 0;
  int high_ = 1;  // One past the highest number stored since the last clear (at least 1)
  // Every free number from 1 below high_, as a heap with the lowest in front; may also hold numbers
  // stored since they were freed.
  std::vector<int> free_;

  void push_free(int n) {
    free_.push_back(n);
    std::push_heap(free_.begin(), free_.end(), std::greater<int>());
  }
  void pop_free() {
    std::pop_heap(free_.begin(), free_.end(), std::greater<int>());
    free_.pop_back();
  }
};

// What an operation that creates a numbered object answers: the number chosen for -1, else 1.
inline int created(int requested, int number) { return requested == -1 ? number : 1; }

}  // namespace svc::detail
