// safe_write_test.cpp -- where a save may write: file size limits, hard links, link loops, folders
// that refuse a rename, and files whose owner or group a save must keep
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <vector>

#include "dna_file.h"
#include "support/editor_folder.h"
#include "dnaedit/settings.h"

namespace hl = svc::headless;
namespace fs = std::filesystem;

namespace {

constexpr uid_t kOwner = 54321;  // Users and a group that exist only for these tests
constexpr uid_t kOther = 54322;
constexpr gid_t kShared = 54323;

// The exit code of `body` run in a child process, under `uid` (with `groups`) when uid is not 0;
// -signal when a signal ended the child.
int in_child(uid_t uid, std::vector<gid_t> groups, const std::function<int()>& body) {
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_DFL);
    if (uid != 0 && (setgroups(groups.size(), groups.data()) != 0 || setgid(uid) != 0 || setuid(uid) != 0)) _exit(90);
    _exit(body());
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1000;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

struct stat stat_of(const std::string& path) {
  struct stat st {};
  lstat(path.c_str(), &st);
  return st;
}

}  // namespace

class SaveRules : public EditorFolder {
 protected:
  // The editor started in the folder saves `target`: 0 when it said "Created", 1 when it said anything else.
  static int save_in_editor(const std::string& target) {
    int result = 2;
    with_editor([&] {
      save_dna_file(target);
      result = hl::messages().back().text == target + "\nCreated" ? 0 : 1;
    });
    return result;
  }

  // Another user may enter the folder and read the editor's files.
  void open_folder_to_all() { fs::permissions(dir, fs::perms(0755)); }

  static bool root() { return geteuid() == 0; }
};

TEST_F(SaveRules, FileSizeLimitIsReportedAndLeavesNoTrace) {
  write_editor_files("1", 0);
  write_file("dna.txt", lines({std::string(3000, 'k'), std::string(3000, 'v')}));
  write_file("target.txt", "old content\r\n");
  write_file("linked.txt", "old linked\r\n");
  fs::create_hard_link("linked.txt", "other link.txt");  // Written in place: room is taken first
  int code = in_child(0, {}, [] {
    rlimit small{4096, 4096};
    getrlimit(RLIMIT_FSIZE, &small);
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    int refused = 0;
    with_editor([&] {
      save_dna_file("target.txt");
      save_dna_file("linked.txt");
      for (const auto& m : hl::messages()) refused += m.text.find("Can not create file:") == 0;
    });
    return refused;
  });
  EXPECT_EQ(code, 2);  // Not ended by SIGXFSZ; both saves said "Can not create file:"
  EXPECT_EQ(read_file("target.txt"), "old content\r\n");
  EXPECT_EQ(read_file("linked.txt"), "old linked\r\n");
  for (const std::string& name : support::names_in(dir)) EXPECT_NE(name[0], '.') << name;
}

TEST_F(SaveRules, HardLinksShareTheNewTextAndLinkLoopsAreRefused) {
  write_editor_files("1", 2);
  write_file("a.txt", "old\r\n");
  fs::create_hard_link("a.txt", "b.txt");
  fs::create_symlink("loop2.txt", "loop1.txt");
  fs::create_symlink("loop1.txt", "loop2.txt");
  EXPECT_EQ(save_in_editor("a.txt"), 0);
  EXPECT_EQ(save_in_editor("loop1.txt"), 1);
  EXPECT_EQ(read_file("b.txt"), "line1\r\nline2\r\n");
  EXPECT_EQ(stat_of("a.txt").st_nlink, 2u);
  EXPECT_TRUE(fs::is_symlink("loop1.txt"));
  EXPECT_TRUE(fs::is_symlink("loop2.txt"));
}

TEST_F(SaveRules, AnotherUsersFileInAStickyFolderIsWrittenInPlace) {
  if (!root()) GTEST_SKIP() << "needs root to act as two users";
  write_editor_files("1", 2);
  open_folder_to_all();
  fs::create_directory("sticky");
  fs::permissions("sticky", fs::perms(01777));
  write_file("sticky/theirs.txt", "their old text, longer than the new one\r\n");
  ASSERT_EQ(chown("sticky/theirs.txt", kOwner, kOwner), 0);
  fs::permissions("sticky/theirs.txt", fs::perms(0666));
  EXPECT_EQ(in_child(kOther, {}, [] { return save_in_editor("sticky/theirs.txt"); }), 0);
  EXPECT_EQ(read_file("sticky/theirs.txt"), "line1\r\nline2\r\n");
  EXPECT_EQ(stat_of("sticky/theirs.txt").st_uid, kOwner);
  EXPECT_EQ(support::names_in("sticky").size(), 1u);
}

TEST_F(SaveRules, OwnerAndGroupAreKept) {
  if (!root()) GTEST_SKIP() << "needs root to act as two users";
  write_editor_files("1", 2);
  open_folder_to_all();
  fs::create_directory("shared");
  fs::permissions("shared", fs::perms(0777));
  // A group member saves the owner's file: it stays the owner's.
  write_file("shared/owners.txt", "old\r\n");
  ASSERT_EQ(chown("shared/owners.txt", kOwner, kShared), 0);
  fs::permissions("shared/owners.txt", fs::perms(0664));
  // The user's own file in a group the user belongs to keeps that group.
  write_file("shared/mine.txt", "old\r\n");
  ASSERT_EQ(chown("shared/mine.txt", kOther, kShared), 0);
  fs::permissions("shared/mine.txt", fs::perms(0640));

  EXPECT_EQ(in_child(kOther, {kShared}, [] { return save_in_editor("shared/owners.txt"); }), 0);
  EXPECT_EQ(in_child(kOther, {kShared}, [] { return save_in_editor("shared/mine.txt"); }), 0);
  for (const char* name : {"shared/owners.txt", "shared/mine.txt"}) EXPECT_EQ(read_file(name), "line1\r\nline2\r\n");
  struct stat owners = stat_of("shared/owners.txt"), mine = stat_of("shared/mine.txt");
  EXPECT_EQ(owners.st_uid, kOwner);
  EXPECT_EQ(owners.st_gid, kShared);
  EXPECT_EQ(owners.st_mode & 07777, 0664u);
  EXPECT_EQ(mine.st_uid, kOther);
  EXPECT_EQ(mine.st_gid, kShared);
  EXPECT_EQ(mine.st_mode & 07777, 0640u);
  EXPECT_EQ(support::names_in("shared").size(), 2u);
}
