// large_blocks.h -- memory for big arrays of records, in large pages where the system offers them
//
// The world's grid and its longest lists hold tens of megabytes that a frame reads across: along a
// row of the grid each next cell lies a column's length further on, on a page of its own. In small
// pages nearly every such read first walks the page tables; in 2 MiB pages the whole grid is a few
// dozen pages. Blocks from kLargeBlockBytes on are asked for in large pages (their last large page
// is the most they cost beyond their size); smaller ones are ordinary heap memory. Under
// AddressSanitizer every block is ordinary: its quarantine of freed blocks would hold whole large
// pages.
#pragma once
#include <cstddef>
#include <new>

namespace svc {

constexpr size_t kLargeBlockBytes = size_t{1} << 20;

// A block of `bytes`, not cleared, in large pages from `large_from` bytes on; null when the memory
// cannot be had. Give it back with free_block and the same size.
void* allocate_block(size_t bytes, size_t large_from = kLargeBlockBytes);
void free_block(void* block, size_t bytes, size_t large_from = kLargeBlockBytes);
bool large_pages_possible();  // False in builds whose blocks are all ordinary (AddressSanitizer)

// A standard allocator over those blocks, for a vector that grows large; it throws std::bad_alloc
// when the memory cannot be had, as the default allocator does.
template <class T>
struct LargeBlockAllocator {
  using value_type = T;
  LargeBlockAllocator() = default;
  template <class U>
  LargeBlockAllocator(const LargeBlockAllocator<U>&) {}
  static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__, "blocks are aligned as plain operator new's");
  T* allocate(size_t n) {
    if (n > static_cast<size_t>(-1) / sizeof(T)) throw std::bad_alloc();
    void* block = allocate_block(n * sizeof(T));
    if (!block) throw std::bad_alloc();
    return static_cast<T*>(block);
  }
  void deallocate(T* p, size_t n) { free_block(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const LargeBlockAllocator<U>&) const {
    return true;
  }
  template <class U>
  bool operator!=(const LargeBlockAllocator<U>&) const {
    return false;
  }
};

}  // namespace svc
