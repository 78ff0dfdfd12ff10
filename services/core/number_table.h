// number_table.h -- the one table of numbered objects: files, directory scans, windows, sprites, 3D
// sprites, fonts, menus and fields, on every platform
//
// A program either chooses a number (0 up to kMaxExplicit - 1) or passes -1 and is given the lowest
// free number from 1 up, so the same calls give the same numbers on every platform. The free numbers
// below the highest stored are bits in a bitmap, with a second bitmap marking its words that hold any:
// a world rebuilt in place frees hundreds of thousands of objects and makes as many again, in any
// order, and each free, take and lowest-free question costs a few word operations.
#pragma once
#include <algorithm>
#include <cstdint>
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
    const int low = lowest_free();
    const int n = low > 0 ? low : high_;
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
        for (int gap = std::max(high_, 1); gap < n; gap++) set_free(gap);  // never used, now below the mark
        high_ = n + 1;
      } else {
        take_free(n);
      }
    }
    flags_[n] = kUsed;
    slots_[n] = std::move(record);
    return slots_[n];
  }

  // Stores a record under the lowest free number, as pick(-1) and store() would: that number, or -1
  // when none is left. One pass instead of two: a world build adds hundreds of thousands of records.
  int add(T record) {
    const int low = lowest_free();
    if (low == 0) {
      if (high_ >= kMaxNumber) return -1;
      const int n = high_;
      store(n, std::move(record));
      return n;
    }
    take_free(low);  // a free number lies below the mark, inside the table, and holds no record
    live_++;
    flags_[low] = kUsed;
    slots_[low] = std::move(record);
    return low;
  }

  // Frees the number and drops its record.
  void release(int n) {
    if (!has(n)) return;
    flags_[n] = 0;
    slots_[n] = T{};
    live_--;
    if (live_ == 0)
      start_over();
    else if (n >= 1)
      set_free(n);
  }

  void clear() {
    slots_.clear();
    flags_.clear();
    bits_.clear();
    words_.clear();
    lowWord_ = 0;
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
  // Bit n % 64 of bits_[n / 64]: number n (1 <= n < high_) is free. Bit w % 64 of words_[w / 64]:
  // bits_[w] is not zero. No word of words_ below lowWord_ is non-zero.
  std::vector<uint64_t> bits_;
  std::vector<uint64_t> words_;
  size_t lowWord_ = 0;

  // The last object is gone, so every number is free: the table says so as an empty one does, and
  // keeps its memory. A world emptied and built again then numbers its hundreds of thousands of
  // objects from the mark up, without a look at the bitmap for each.
  void start_over() {
    std::fill(bits_.begin(), bits_.end(), uint64_t{0});
    std::fill(words_.begin(), words_.end(), uint64_t{0});
    lowWord_ = words_.size();
    high_ = 1;
  }

  void set_free(int n) {
    const size_t w = static_cast<size_t>(n) >> 6;
    if (w >= bits_.size()) {
      bits_.resize(std::max(w + 1, bits_.size() + bits_.size() / 2), 0);
      words_.resize((bits_.size() + 63) >> 6, 0);
    }
    bits_[w] |= uint64_t{1} << (n & 63);
    words_[w >> 6] |= uint64_t{1} << (w & 63);
    lowWord_ = std::min(lowWord_, w >> 6);
  }

  void take_free(int n) {
    const size_t w = static_cast<size_t>(n) >> 6;
    if (w >= bits_.size()) return;
    bits_[w] &= ~(uint64_t{1} << (n & 63));
    if (bits_[w] == 0) words_[w >> 6] &= ~(uint64_t{1} << (w & 63));
  }

  // The lowest free number below the mark; 0 when there is none.
  int lowest_free() {
    while (lowWord_ < words_.size() && words_[lowWord_] == 0) lowWord_++;
    if (lowWord_ == words_.size()) return 0;
    const size_t w = (lowWord_ << 6) + static_cast<size_t>(__builtin_ctzll(words_[lowWord_]));
    return static_cast<int>((w << 6) + static_cast<size_t>(__builtin_ctzll(bits_[w])));
  }
};

// What an operation that creates a numbered object answers: the number chosen for -1, else 1.
inline int created(int requested, int number) { return requested == -1 ? number : 1; }

}  // namespace svc::detail
