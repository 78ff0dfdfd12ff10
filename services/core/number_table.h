// number_table.h -- the one table of numbered objects: files, directory scans, windows, sprites, 3D
// sprites, fonts, menus and fields, on every platform
//
// A program either chooses a number (0 up to kMaxExplicit - 1) or passes -1 and is given the lowest
// free number from 1 up, so the same calls give the same numbers on every platform. The table keeps
// the lowest number that may be free: freeing lowers it, choosing looks up from it. A world rebuilt in
// place frees hundreds of thousands of objects and makes as many again; each costs O(1) then. It also
// counts the free numbers below the highest ever stored: when a freed number is taken again and no
// other is free below that mark, the next choice is the mark itself, found without a search (a
// program that frees one low number and makes one object, over and over, stays linear).
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
    // Numbers handed out one after another keep lowest_free_ on a free number: no search.
    if (lowest_free_ < static_cast<int>(flags_.size()) && flags_[lowest_free_] != 0) {
      if (holes_ == 0)
        lowest_free_ = high_;
      else
        lowest_free_ = static_cast<int>(std::find(flags_.begin() + lowest_free_, flags_.end(), 0) - flags_.begin());
    }
    return lowest_free_ < kMaxNumber ? lowest_free_ : -1;
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
        holes_ += n - high_;  // the never-used numbers between the old mark and n
        high_ = n + 1;
      } else if (n >= 1) {
        holes_--;
      }
    }
    flags_[n] = kUsed;
    if (n == lowest_free_) lowest_free_++;  // every number below it is still in use
    slots_[n] = std::move(record);
    return slots_[n];
  }

  // Frees the number and drops its record.
  void release(int n) {
    if (!has(n)) return;
    flags_[n] = 0;
    slots_[n] = T{};
    live_--;
    if (n >= 1) holes_++;
    if (n >= 1 && n < lowest_free_) lowest_free_ = n;
  }

  void clear() {
    slots_.clear();
    flags_.clear();
    lowest_free_ = 1;
    live_ = 0;
    high_ = 1;
    holes_ = 0;
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
  int lowest_free_ = 1;         // Every number from 1 below this one is in use
  int live_ = 0;
  int high_ = 1;   // One past the highest number stored since the last clear (at least 1)
  int holes_ = 0;  // Free numbers from 1 below high_
};

// What an operation that creates a numbered object answers: the number chosen for -1, else 1.
inline int created(int requested, int number) { return requested == -1 ? number : 1; }

}  // namespace svc::detail
