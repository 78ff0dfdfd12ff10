// large_blocks.cpp -- blocks in large pages from a size on, ordinary heap memory below it
#include "services/large_blocks.h"

#include <cstdlib>

#include "os.h"

namespace svc {

bool large_pages_possible() {
#if defined(__SANITIZE_ADDRESS__)
  return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return false;
#else
  return true;
#endif
#else
  return true;
#endif
}

namespace {
bool in_large_pages(size_t bytes, size_t large_from) { return large_pages_possible() && bytes >= large_from; }
}  // namespace

void* allocate_block(size_t bytes, size_t large_from) {
  if (in_large_pages(bytes, large_from)) return os::allocate_block(bytes, true);
  return std::malloc(bytes ? bytes : 1);
}

void free_block(void* block, size_t bytes, size_t large_from) {
  if (in_large_pages(bytes, large_from))
    os::free_block(block);
  else
    std::free(block);
}

}  // namespace svc
