// made_world.cpp -- the settings and line files of a made world
#include "made_world.h"

#include "services/files.h"
#include "services/text.h"

namespace tools {

std::vector<std::string> world_settings(const std::string& app_name, const std::string& name, int cell,
                                        int cursor_speed, int32_t world_random) {
  return {"APPNAME",      app_name,
          "RESOLUTION",   svc::int_to_string(cell),
          "USESPRITE3D",  "1",
          "MULTITASK",    "5",
          "CURSORSPEED",  svc::int_to_string(cursor_speed),
          "WORLDRANDOM",  svc::int_to_string(world_random),
          "APPENTRY",     "maps\\",
          "APPSTART",     name,
          "TOPOGFX",      "gfx\\topo\\",
          "WORLDGFX",     "gfx\\objects\\",
          "GFXCODEC",     ".png",
          "RGBCODEPATH",  "codes\\",
          "WORLDREFRESH", "60"};
}

bool write_pairs(const std::string& path, const std::vector<std::string>& lines) {
  const int file = svc::create_replacement(-1, path);
  if (!file) return false;
  for (const std::string& line : lines) svc::write_line(file, line);
  return svc::close_file(file) != 0;
}

}  // namespace tools
