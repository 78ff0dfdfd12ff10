// small_disk.h -- a small disk for the tests of writers: a tmpfs of a few hundred KB mounted on a
// folder, filled up or made read-only, and unmounted again when the test ends
#pragma once
#include <string>

namespace support {

// Mounting needs root (the suite runs as root in CI) and a system that allows it; a test that cannot
// have its disk skips with `why` as the reason.
class SmallDisk {
 public:
  SmallDisk() = default;
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  ~SmallDisk();

  // Mounts a tmpfs of `kib` KiB on `folder` (made when missing). False, with why(), when it cannot.
  bool mount(const std::string& folder, int kib);
  // Fills the disk to its last byte with the file "filler" (a write of any more bytes then fails).
  bool fill();
  // Removes the filler: the disk has room again.
  void empty_filler();
  // Gives the mounted disk another size, keeping what it holds.
  bool resize(int kib);
  // Makes the mounted disk read-only (even root cannot write to it then), or writable again.
  bool read_only(bool on);
  const std::string& why() const { return why_; }
  const std::string& folder() const { return folder_; }

 private:
  std::string folder_, why_;
  bool mounted_ = false;
};

}  // namespace support
