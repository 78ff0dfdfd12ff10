// large_blocks_test.cpp -- blocks below and above the large-page size, and the vectors built on them
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "services/grid.h"
#include "services/large_blocks.h"

namespace {

constexpr size_t kLargePage = size_t{2} << 20;

// Blocks on both sides of the threshold, all held at once, keep every byte written to them, and
// a large one starts on a large page (where the build asks for large pages at all; Windows gives
// ordinary pages).
TEST(LargeBlocks, EverySizeHoldsItsBytes) {
  const size_t sizes[] = {0, 1, 4096, svc::kLargeBlockBytes - 1, svc::kLargeBlockBytes, kLargePage,
                          kLargePage + 1, 3 * kLargePage + 12345};
  std::vector<uint8_t*> blocks;
  for (size_t size : sizes) {
    auto* block = static_cast<uint8_t*>(svc::allocate_block(size));
    ASSERT_NE(block, nullptr) << size;
#ifndef _WIN32
    if (size >= svc::kLargeBlockBytes && svc::large_pages_possible()) {
      EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % kLargePage, 0u) << size;
    }
#endif
    std::memset(block, static_cast<int>(blocks.size() + 1), size);
    blocks.push_back(block);
  }
  for (size_t i = 0; i < blocks.size(); i++) {
    const size_t size = sizes[i];
    for (size_t at : {size_t{0}, size / 2, size - 1}) {
      if (size > 0) {
        EXPECT_EQ(blocks[i][at], i + 1) << "block of " << size << " at " << at;
      }
    }
    svc::free_block(blocks[i], size);
  }
}

// A vector that grows from a few bytes past the threshold and shrinks back moves its elements
// between ordinary and large blocks, each given back as it was taken.
TEST(LargeBlocks, VectorGrowsAcrossTheThresholdAndBack) {
  std::vector<int, svc::LargeBlockAllocator<int>> values;
  const int count = static_cast<int>(3 * kLargePage / sizeof(int));
  for (int i = 0; i < count; i++) values.push_back(i);
  EXPECT_EQ(values[count - 1], count - 1);
  EXPECT_EQ(values[12345], 12345);
  values.resize(10);
  values.shrink_to_fit();
  EXPECT_LT(values.capacity() * sizeof(int), svc::kLargeBlockBytes);
  EXPECT_EQ(values[9], 9);
  std::vector<int, svc::LargeBlockAllocator<int>> copy(values);
  copy.resize(count, 7);
  EXPECT_EQ(copy[9], 9);
  EXPECT_EQ(copy[count - 1], 7);
}

TEST(LargeBlocks, ImpossibleSizesThrowInsteadOfReturningNothing) {
  svc::LargeBlockAllocator<uint64_t> allocator;
  EXPECT_THROW(allocator.allocate(SIZE_MAX / 4), std::bad_alloc);  // the byte count would overflow
  // A size no system gives (the sanitizer builds would stop the program at the request instead).
  if (svc::large_pages_possible()) {
    EXPECT_THROW(allocator.allocate(size_t{1} << 58), std::bad_alloc);
  }
}

struct Cell {
  int value;
  std::string text;
};

// A grid of tens of megabytes (in large pages): every (x, y) its own record, and dimensioned again at
// its size (keeping its memory) zero-filled again throughout.
TEST(LargeBlocks, LargeGridKeepsCellsApartAndStartsOverZeroed) {
  svc::Grid<Cell> grid;
  ASSERT_TRUE(svc::dim_array(grid, 999, 799));
  for (int x = 0; x < 1000; x++)
    for (int y = 0; y < 800; y++) svc::cell(grid, x, y)->value = x * 1000 + y;
  svc::cell(grid, 999, 799)->text = "last";
  bool apart = true;
  for (int x = 0; x < 1000; x++)
    for (int y = 0; y < 800; y++) apart = apart && svc::cell(grid, x, y)->value == x * 1000 + y;
  EXPECT_TRUE(apart);
  const Cell* before = svc::cell(grid, 0, 0);
  ASSERT_TRUE(svc::dim_array(grid, 799, 999));
  EXPECT_EQ(svc::cell(grid, 0, 0), before);  // the same memory
  bool zeroed = true;
  for (const Cell& c : grid.cells) zeroed = zeroed && c.value == 0 && c.text.empty();
  EXPECT_TRUE(zeroed);
}

}  // namespace
