// run_mapconvert_maps.cpp -- the real mapconvert under Xvfb: open a picture through the menu and the
// file requester, write a red map and an AI map, and compare them with mapscan's for the same screen
//
// The program is driven with xdotool as a person would: clicks on the menu bar, paths typed into
// the requesters, Return on the notices. Without a window manager every window opens at (0, 0).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string kConverter = std::string(SUITE_BINARY_DIR) + "/mapconvert/mapconvert";
const std::string kMapscan = std::string(SUITE_BINARY_DIR) + "/tools/mapscan";

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Runs a shell command and returns its standard output.
std::string capture(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

int run(const std::string& command) { return std::system(command.c_str()); }

// The id of the first window whose name is exactly `title`, or "" after waiting `ms`.
std::string find_window(const std::string& title, int ms = 8000) {
  for (int waited = 0; waited <= ms; waited += 100) {
    std::string id = capture("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null | head -1");
    while (!id.empty() && (id.back() == '\n' || id.back() == '\r')) id.pop_back();
    if (!id.empty()) return id;
    pause_ms(100);
  }
  return "";
}

bool window_gone(const std::string& title, int ms = 8000) {
  for (int waited = 0; waited <= ms; waited += 100) {
    if (capture("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null").empty()) return true;
    pause_ms(100);
  }
  return false;
}

struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;
};

Geometry geometry(const std::string& id) {
  Geometry g;
  const std::string out = capture("xdotool getwindowgeometry --shell " + id);
  std::sscanf(out.c_str(), "WINDOW=%*d X=%d Y=%d WIDTH=%d HEIGHT=%d", &g.x, &g.y, &g.width, &g.height);
  return g;
}

void click(int x, int y) { run("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1"); }

// Picks an item of the menu bar: the title at title_x, then the item_index-th item under it.
// Tries again when the window that the item opens does not come.
bool pick(const Geometry& main, int title_x, int item_index, const std::string& expected_window) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    click(main.x + title_x, main.y + 12);
    pause_ms(800);
    run("xdotool mousemove " + std::to_string(main.x + title_x) + " " + std::to_string(main.y + 36 + 21 * item_index));
    pause_ms(300);
    run("xdotool click 1");
    if (!find_window(expected_window, 6000).empty()) return true;
    run("xdotool key Escape");
  }
  return false;
}

// Answers a file or folder requester by typing the path into its name or location field. The
// save requester has its name field at the top; the open and folder requesters show a location
// field below their top row after ctrl+L, and there the first "/" typed only opens the field (so
// it is typed twice; "//" would still name the same file).
bool choose(const std::string& title, const std::string& path, bool save) {
  const std::string id = find_window(title);
  if (id.empty()) return false;
  pause_ms(500);
  const Geometry g = geometry(id);
  if (save) {
    click(g.x + g.width / 2, g.y + 24);
  } else {
    click(g.x + g.width / 2, g.y + g.height / 2);  // focus the dialog (its file list)
    pause_ms(300);
    run("xdotool key ctrl+l");
    pause_ms(500);
    click(g.x + g.width / 2, g.y + 69);
  }
  pause_ms(300);
  run("xdotool key ctrl+a BackSpace");
  pause_ms(200);
  run("xdotool type --delay 20 '" + (save ? path : "/" + path) + "'");
  pause_ms(400);
  run("xdotool key Return");
  if (window_gone(title)) return true;
  run("import -window root /tmp/mapconvert_gui_failure.png 2>/dev/null");  // what the screen showed
  return false;
}

// Answers a notice or question with its default button.
bool confirm(const std::string& title) {
  const std::string id = find_window(title, 60000);  // a scan runs before its closing notice
  if (id.empty()) return false;
  pause_ms(300);
  run("xdotool windowfocus --sync " + id + " key Return");
  return window_gone(title);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> names_in(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A 24-bit BMP of four coloured quarters with a red ramp, so the AI map has a few dozen codes.
std::string test_picture(int width, int height) {
  const int row = (width * 3 + 3) / 4 * 4;
  std::string b(54 + size_t(row) * height, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 255);
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, uint32_t(b.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(width));
  put32(22, uint32_t(height));
  b[26] = 1;
  b[28] = 24;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const size_t at = 54 + size_t(height - 1 - y) * row + size_t(x) * 3;
      const bool right = x >= width / 2, low = y >= height / 2;
      b[at] = char(low ? 200 : 10);                 // blue
      b[at + 1] = char(right ? 180 : 30);           // green
      b[at + 2] = char((x / 4) * 20 % 256);         // red ramp
    }
  return b;
}

class MapconvertWindow : public ::testing::Test {
 protected:
  std::string dir;
  pid_t child = -1;

  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    if (run("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool missing";
    ASSERT_TRUE(std::filesystem::exists(kConverter));
    std::string pattern = (std::filesystem::temp_directory_path() / "mapconvert_gui_XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    ASSERT_NE(mkdtemp(buf.data()), nullptr);
    dir = std::string(buf.data()) + "/";
  }

  void TearDown() override {
    if (child > 0) {
      int status = 0;
      if (waitpid(child, &status, WNOHANG) == 0) {
        kill(child, SIGTERM);
        waitpid(child, &status, 0);
      }
    }
    std::error_code ec;
    if (!dir.empty()) std::filesystem::remove_all(dir, ec);
  }

  void write(const std::string& name, const std::string& bytes) {
    std::ofstream out(dir + name, std::ios::binary);
    out << bytes;
  }

  // Starts the converter in the test folder.
  void start() {
    child = fork();
    if (child == 0) {
      if (chdir(dir.c_str()) != 0) _exit(127);
      const std::string log = dir + "converter.log";
      if (!std::freopen(log.c_str(), "w", stderr)) _exit(127);
      execl(kConverter.c_str(), kConverter.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }

  // Waits for the converter to end; its exit code, or -1 when it is still running.
  int wait_end(int ms) {
    for (int waited = 0; waited <= ms; waited += 100) {
      int status = 0;
      if (waitpid(child, &status, WNOHANG) == child) {
        child = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
      }
      pause_ms(100);
    }
    return -1;
  }
};

TEST_F(MapconvertWindow, MenuCommandsWriteTheMapsThatMapscanWrites) {
  write("ini.ini", "settings of the test\r\nsettings.txt\r\n");
  write("settings.txt", "TITLE\r\nGUI\r\nCODEC\r\n.cell\r\n");
  write("pic.bmp", test_picture(48, 30));
  std::filesystem::create_directory(dir + "codes");
  std::filesystem::create_directory(dir + "ref");
  std::filesystem::create_directory(dir + "ref/codes");
  start();

  const std::string main_id = find_window("VARDO BY ORVANEL. GUI", 15000);
  ASSERT_FALSE(main_id.empty()) << read_file(dir + "converter.log");
  pause_ms(500);
  const Geometry main = geometry(main_id);
  const int project_x = 39, scanmap_x = 140;

  // PROJECT / OPEN_PICTURE, then the picture's path in the open requester.
  ASSERT_TRUE(pick(main, project_x, 0, "OPEN SOURCE PIC TO CONVERT"));
  ASSERT_TRUE(choose("OPEN SOURCE PIC TO CONVERT", dir + "pic.bmp", false));
  pause_ms(500);

  // RGB SCANMAP: / SAVE_RED_MAP as "land".
  ASSERT_TRUE(pick(main, scanmap_x, 1, "SAVE RED MAP AS...:"));
  ASSERT_TRUE(choose("SAVE RED MAP AS...:", dir + "land", true));
  ASSERT_TRUE(confirm("Info:"));

  // RGB SCANMAP: / MAKE_AI_MAP: warning, map name, destination folder.
  ASSERT_TRUE(pick(main, scanmap_x, 4, "Attention:"));
  ASSERT_TRUE(confirm("Attention:"));
  ASSERT_TRUE(choose("SAVE AI MAP AS:", dir + "land", true));
  ASSERT_TRUE(choose("PLEASE QZ61 DESTINATION:", dir + "codes", false));
  ASSERT_TRUE(confirm("Info:"));

  // PROJECT / QUIT ends the program.
  click(main.x + project_x, main.y + 12);
  pause_ms(800);
  click(main.x + project_x, main.y + 36 + 21);
  EXPECT_EQ(wait_end(10000), 0);

  // mapscan on a screen of the desktop's size writes the same bytes and the same files.
  std::string size = capture("xdotool getdisplaygeometry");
  const size_t blank = size.find(' ');
  ASSERT_NE(blank, std::string::npos);
  const std::string screen = size.substr(0, blank) + "x" + std::to_string(std::atoi(size.c_str() + blank + 1));
  // The picture as the open requester gave it (line 4 of the map).
  const std::string red = read_file(dir + "land.red");
  const size_t tag = red.find("SourceImage:"), end = red.find("\r\n", tag);
  ASSERT_NE(end, std::string::npos);
  const std::string picture = red.substr(tag + 12, end - tag - 12);
  EXPECT_EQ(std::filesystem::path(picture).lexically_normal().string(), dir + "pic.bmp");
  ASSERT_EQ(run("cd '" + dir + "ref' && '" + kMapscan + "' red '" + picture + "' land --screen " + screen), 0);
  ASSERT_EQ(run("cd '" + dir + "ref' && '" + kMapscan + "' ai '" + picture + "' land --screen " + screen +
                " --dest codes --codec .cell"),
            0);

  EXPECT_EQ(red.substr(0, red.find("RED-DATA")), read_file(dir + "ref/land.red").substr(0, red.find("RED-DATA")));
  EXPECT_TRUE(red == read_file(dir + "ref/land.red"));
  EXPECT_TRUE(read_file(dir + "land.qz61") == read_file(dir + "ref/land.qz61"));
  const auto codes = names_in(dir + "codes");
  EXPECT_GT(codes.size(), 5u);
  EXPECT_EQ(codes, names_in(dir + "ref/codes"));
  EXPECT_EQ(codes.front(), "000000000.cell");
}

}  // namespace
