// commands.cpp -- the converter's menu commands: open a picture, the map scans, about, quit
#include "commands.h"

#include "formats/map_format.h"
#include "scan.h"
#include "shown_frame.h"
#include "services/menus.h"
#include "services/messages.h"
#include "services/files.h"
#include "services/requesters.h"
#include "services/pictures.h"
#include "services/sprites.h"
#include "services/windows.h"

namespace {

// The open requester's filters: the pictures the converter reads (both letter cases, since the
// chooser compares names exactly), each kind alone, and every file.
const char* const kPictureFilter =
    "PNG, JPEG, TIFF and BMP pictures|*.{png,PNG,jpg,JPG,jpeg,JPEG,tif,TIF,tiff,TIFF,bmp,BMP}|"
    "PNG|*.{png,PNG}|JPEG|*.{jpg,JPG,jpeg,JPEG}|TIFF|*.{tif,TIF,tiff,TIFF}|BMP|*.{bmp,BMP}|All files|*.*";

// Save requester for a map; its result (also "" after a cancel) becomes the last map path.
bool ask_map_path(ConverterState& state, const std::string& title, const std::string& pattern) {
  state.last_map_path = svc::save_file_requester(title, state.last_map_path, pattern, 0);
  return !state.last_map_path.empty();
}

void save_colour_map(ConverterState& state, MapKind kind, const std::string& title, const std::string& pattern) {
  if (ask_map_path(state, title, pattern))
    scan_colour_map(state, kind, state.picture_width, state.picture_height, state.last_map_path);
}

// Warning, map name, destination folder, then the AI scan. The full map's folder requester starts
// at the last destination folder, the basic map's at the map path just chosen.
void make_ai_map(ConverterState& state, bool basic) {
  const int answer =
      basic
          ? svc::message_requester("Info:", " This Will Create Basic RGB QZ61 MAP.\nContinue?", svc::MESSAGE_YES_NO)
          : svc::message_requester("Attention:", " This Can Cause Millions Of Files.\nContinue?", svc::MESSAGE_YES_NO);
  if (answer != svc::ANSWER_YES) {
    svc::message_requester("Info:", "Scan Apported. By User.", svc::MESSAGE_OK);
    return;
  }
  if (!ask_map_path(state, "SAVE AI MAP AS:", "*.qz61")) return;
  state.destination_folder =
      svc::path_requester("PLEASE QZ61 DESTINATION:", basic ? state.last_map_path : state.destination_folder);
  if (state.destination_folder.empty()) return;
  scan_ai_map(state, basic, state.picture_width, state.picture_height, state.last_map_path);
}

}  // namespace

int create_converter_menu() {
  if (!svc::create_menu(CONVERTER_MENU, svc::window_handle(0))) return 0;
  svc::menu_title("PROJECT");
  svc::menu_item(CMD_OPEN_PICTURE, "OPEN_PICTURE");
  svc::menu_item(CMD_QUIT, "QUIT");
  svc::menu_title("RGB SCANMAP:");
  svc::menu_item(CMD_SAVE_RGB_MAP, "SAVE_RGB_MAP");
  svc::menu_item(CMD_SAVE_RED_MAP, "SAVE_RED_MAP");
  svc::menu_item(CMD_SAVE_BLUE_MAP, "SAVE_BLUE_MAP");
  svc::menu_item(CMD_SAVE_GREEN_MAP, "SAVE_GREEN_MAP");
  svc::menu_item(CMD_MAKE_AI_MAP, "MAKE_AI_MAP");
  svc::menu_item(CMD_MAKE_AI_DITHER_MAP, "MAKE_AI_DITHER_MAP");
  svc::menu_title("INFO");
  svc::menu_item(CMD_ABOUT, "ABOUT");
  return 1;
}

// Why a chosen file gives no picture, for the notice.
std::string unreadable_picture_reason(const std::string& path) {
  switch (svc::file_size(path)) {
    case -1: return "The file does not exist or cannot be read.";
    case -2: return "It is a folder, not a picture.";
    case 0: return "The file is empty.";
    default:  // The decoder's own reason: "The JPEG picture declares 16000 x 16000 pixels, but ..."
      return svc::picture_error().empty() ? "It is not a PNG, JPEG, TIFF or BMP picture, or it is damaged."
                                          : "The " + svc::picture_error() + ".";
  }
}

void load_picture(ConverterState& state, const std::string& path) {
  // The picture is decoded once; a file that does not decode leaves the old picture in place and
  // says why (a cancelled requester's empty path says nothing).
  const int sprite = svc::load_sprite(-1, path, svc::SPRITE_TEXTURE);
  if (!sprite) {
    if (!path.empty())
      svc::message_requester("Error:", "Could not open the picture\r" + path + "\r" + unreadable_picture_reason(path),
                             svc::MESSAGE_OK);
    return;
  }
  adopt_picture(state, sprite, path);
}

void run_menu_command(ConverterState& state, int command) {
  switch (command) {
    case CMD_OPEN_PICTURE:
      // The choice becomes the source path at once, also when it is empty or not a picture.
      state.source_path = svc::open_file_requester("OPEN SOURCE PIC TO CONVERT", state.source_path, kPictureFilter, 0);
      load_picture(state, state.source_path);
      break;
    case CMD_QUIT: state.mode = MODE_QUIT; break;
    case CMD_ABOUT:
      svc::message_requester("Info:",
                             "VARDO BY ORVANEL.\rTurns a picture into red, green, blue, RGB and AI maps\r"
                             "and the colour-code files of the engine's cells.",
                             svc::MESSAGE_OK);
      break;
    case CMD_SAVE_RGB_MAP: save_colour_map(state, MAP_RGB, "SAVE RGB MAP AS...:", "*.rgb"); break;
    case CMD_SAVE_RED_MAP: save_colour_map(state, MAP_RED, "SAVE RED MAP AS...:", "*.red"); break;
    case CMD_SAVE_GREEN_MAP: save_colour_map(state, MAP_GREEN, "SAVE GREEN MAP AS...:", "*.green"); break;
    case CMD_SAVE_BLUE_MAP: save_colour_map(state, MAP_BLUE, "SAVE BLUE MAP AS...:", "*.blue"); break;
    case CMD_MAKE_AI_MAP: make_ai_map(state, false); break;
    case CMD_MAKE_AI_DITHER_MAP: make_ai_map(state, true); break;
    default: break;
  }
}
