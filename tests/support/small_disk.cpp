// small_disk.cpp -- a small tmpfs for the writers' tests, through the mount command
#include "support/small_disk.h"

#include <filesystem>

#include "support/process.h"

namespace support {

namespace {

std::string shell_word(const std::string& text) { return "'" + text + "'"; }

}  // namespace

SmallDisk::~SmallDisk() {
  if (mounted_) shell("umount " + shell_word(folder_) + " 2>/dev/null");
}

bool SmallDisk::mount(const std::string& folder, int kib) {
  if (shell_line("id -u") != "0") {
    why_ = "mounting a small disk needs root";
    return false;
  }
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  int status = -1;
  const std::string said = shell_output("mount -t tmpfs -o size=" + std::to_string(kib) + "k tmpfs " + shell_word(folder) +
                                            " 2>&1",
                                        &status);
  if (status != 0) {
    why_ = "this system refuses to mount a tmpfs: " + said;
    return false;
  }
  folder_ = folder;
  mounted_ = true;
  return true;
}

bool SmallDisk::fill() {
  // dd stops with an error when the disk is full; what it wrote stays.
  shell("dd if=/dev/zero of=" + shell_word(folder_ + "/filler") + " bs=4k 2>/dev/null");
  return shell("dd if=/dev/zero of=" + shell_word(folder_ + "/probe") + " bs=1 count=1 2>/dev/null") != 0 &&
         shell("rm -f " + shell_word(folder_ + "/probe")) == 0;
}

void SmallDisk::empty_filler() { shell("rm -f " + shell_word(folder_ + "/filler")); }

bool SmallDisk::resize(int kib) {
  return shell("mount -o remount,size=" + std::to_string(kib) + "k " + shell_word(folder_) + " 2>/dev/null") == 0;
}

bool SmallDisk::read_only(bool on) {
  return shell("mount -o remount," + std::string(on ? "ro" : "rw") + " " + shell_word(folder_) + " 2>/dev/null") == 0;
}

}  // namespace support
