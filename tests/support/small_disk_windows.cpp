// small_disk_windows.cpp -- Windows has no small disk to mount for a test (the Linux one is a tmpfs),
// so the tests that need one skip there, saying so
#include "support/small_disk.h"

namespace support {

SmallDisk::~SmallDisk() = default;

bool SmallDisk::mount(const std::string&, int) {
  why_ = "a small disk is a tmpfs mount, which Windows does not have";
  return false;
}

bool SmallDisk::fill() { return false; }

void SmallDisk::empty_filler() {}

bool SmallDisk::resize(int) { return false; }

bool SmallDisk::read_only(bool) { return false; }

}  // namespace support
