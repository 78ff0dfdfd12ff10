// worldimport.cpp -- a world from a Tiled map: ground pictures, object definitions and colour codes per cell
//
//   worldimport [--screen WxH] [--force] [--quiet] MAP.tmx FOLDER
//
// Draws the map's layers bottom to top as Tiled's renderer does (premultiplied source-over with its
// rounding, in 16-bit channels under a layer opacity below one; offsets, flips), one band of cell
// rows at a time. A tile of the cell's
// size that lies on a cell of an upper layer at full opacity becomes a placed object instead (an
// object definition the user can give collision); when something drawn later covers such a cell,
// its objects are drawn into the ground first, so the order stays Tiled's. Each distinct cell
// (ground picture and objects) gets a colour code: the map's hidden code layer's where it has one
// (a map worldexport wrote), otherwise its mean colour, made unique. A map worldexport wrote whose
// objects are still the world's own random placement gets its codes and definitions back instead.
// Everything is read and drawn before the first file is written, and written into a folder inside
// the world before it takes the old files' places, the settings last.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <system_error>
#include <unordered_map>
#include <vector>

#include <zlib.h>

#include "exported_placement.h"
#include "first_screen.h"
#include "made_world.h"
#include "formats/map_format.h"
#include "formats/tmx.h"
#include "os.h"
#include "services/command_line.h"
#include "services/paths.h"
#include "services/files.h"
#include "services/pictures.h"
#include "services/text.h"
#include "tool_common.h"

namespace {


const char* const kUsage =
    "usage: worldimport MAP.tmx FOLDER [options]\n"
    "       worldimport --help | --version\n"
    "\n"
    "Makes a world that simengine opens at once from an orthogonal Tiled map (.tmx, or .tmx.gz) of\n"
    "square tiles, at most 512 x 512 of them: one cell per tile, at the tile's size. The lowest\n"
    "layer and everything the engine cannot draw as one of its objects become each cell's ground\n"
    "picture; a tile of the cell's size on an upper layer, at full opacity and on its cell, becomes\n"
    "a placed object with its own definition, so you can give it collision. Each distinct cell gets\n"
    "a colour code: from the map's hidden layer \"codes\" when worldexport wrote the map, otherwise\n"
    "from the cell's mean colour, made unique. Shape and text objects are counted, not drawn.\n"
    "A map worldexport wrote whose objects are still as the world placed them gives that world\n"
    "back: its codes, definitions and WORLDRANDOM, the engine placing the objects again.\n"
    "\n"
    "FOLDER gets DATA/ini.txt, the colour-code map and the red map in maps/NAME.qz61 and .red, the\n"
    "definitions in codes/NAME/, the ground pictures in gfx/topo/ and the object pictures and their\n"
    "definitions in gfx/objects/. NAME is the map's file name without its extension, in letters,\n"
    "digits, - and _. simengine's first screen shows the whole world as worldmake's does.\n"
    "\n"
    "options:\n"
    "  --screen WxH   the desktop simengine runs on (default 1920x1080)\n"
    "  --force        make the world again in a folder that already holds one; definition files\n"
    "                 that exist are kept, so what you edited stays in use; a run that fails\n"
    "                 leaves the world that was there as it was\n"
    "  --quiet        no summary line on success\n"
    "  --help         print this text and exit\n"
    "  --version      print the suite's version and exit\n"
    "\n"
    "Exit status: 0 on success, 1 when the map cannot be used or a file cannot be written, 2 on a\n"
    "usage error.\n";

constexpr int64_t kLargestFile = int64_t(256) << 20;  // A map, tileset or template
constexpr int kBandPixels = 1 << 22;                  // Pixels of one band of the drawing (16 MB)

struct Options {
  std::string map, folder;
  int screen_width = 1920, screen_height = 1080;
  bool force = false, quiet = false;
};

int usage_error(const std::string& problem) { return svc::usage_error("worldimport", problem, kUsage); }
int fail(const std::string& file, const std::string& reason) { return tools::fail("worldimport", file, reason); }

// ---- Files

bool read_whole(const std::string& path, std::string& bytes) {
  const os::Handle file = os::open_file(svc::system_path(path), os::Open::READ);
  if (file == os::kNoHandle) return false;
  bytes.clear();
  char buffer[1 << 16];
  for (;;) {
    const int64_t got = os::read_some(file, buffer, sizeof buffer);
    if (got < 0 || int64_t(bytes.size()) + got > kLargestFile) {
      os::close_file(file);
      return false;
    }
    if (got == 0) break;
    bytes.append(buffer, size_t(got));
  }
  os::close_file(file);
  return true;
}

bool gunzip(const std::string& in, std::string& out, std::string& problem);

// A file the map names; where it is missing, the same name with .gz (as Debian ships Tiled's examples).
bool load_for_reader(const std::string& path, std::string& bytes, void*) {
  if (read_whole(path, bytes)) return true;
  std::string packed, problem;
  if (svc::file_size(path) != -1 || !read_whole(path + ".gz", packed)) return false;
  bytes.clear();
  return gunzip(packed, bytes, problem);
}

bool picture_size(const std::string& path, int& width, int& height, void*) {
  svc::Picture picture;
  if (!svc::decode_picture(path, picture)) return false;
  width = picture.width;
  height = picture.height;
  return true;
}

// A gzip'd map (.tmx.gz), inflated; false with a reason when it is damaged or too large.
bool gunzip(const std::string& in, std::string& out, std::string& problem) {
  z_stream z{};
  if (inflateInit2(&z, 15 + 16) != Z_OK) return problem = "zlib cannot start", false;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = uInt(in.size());
  char buffer[1 << 16];
  int status = Z_OK;
  while (status == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    status = inflate(&z, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - z.avail_out);
    if (int64_t(out.size()) > kLargestFile) {
      inflateEnd(&z);
      return problem = "inflates past 256 MB", false;
    }
    if (status == Z_BUF_ERROR && z.avail_in == 0) break;
  }
  inflateEnd(&z);
  if (status != Z_STREAM_END) return problem = "the gzip data is damaged or cut short; unpack it with gunzip to see", false;
  return true;
}

// ---- Pictures, premultiplied as Tiled's renderer holds them

struct Source {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;  // Premultiplied
};

uint8_t byte_mul(int x, int a) {
  const int t = x * a;
  return uint8_t((t + (t >> 8) + 0x80) >> 8);
}

struct Pictures {
  std::map<std::string, Source> loaded;
  std::string error_file, error;
  // The picture, premultiplied, with `transparent` ("rrggbb") made clear; nullptr with the error set.
  const Source* get(const std::string& path, const std::string& transparent) {
    const std::string key = path + "|" + transparent;
    auto found = loaded.find(key);
    if (found != loaded.end()) return &found->second;
    svc::Picture picture;
    if (svc::file_size(path) < 0) {
      error_file = path;
      error = "the picture the map names is missing; put it there or fix the map in Tiled";
      return nullptr;
    }
    if (!svc::decode_picture(path, picture)) {
      error_file = path;
      error = "not a picture that can be decoded (" + svc::picture_error() + "); PNG, JPEG, TIFF or BMP";
      return nullptr;
    }
    if (transparent.size() == 6 && transparent.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos)
    {
      const unsigned long value = std::strtoul(transparent.c_str(), nullptr, 16);
      svc::apply_transparent_colour(picture, svc::rgb(int(value >> 16) & 255, int(value >> 8) & 255, int(value) & 255));
    }
    Source s;
    s.width = picture.width;
    s.height = picture.height;
    s.rgba.resize(picture.rgba.size());
    for (size_t i = 0; i < picture.rgba.size(); i += 4) {
      const int a = picture.rgba[i + 3];
      s.rgba[i] = byte_mul(picture.rgba[i], a);
      s.rgba[i + 1] = byte_mul(picture.rgba[i + 1], a);
      s.rgba[i + 2] = byte_mul(picture.rgba[i + 2], a);
      s.rgba[i + 3] = uint8_t(a);
    }
    return &loaded.emplace(key, std::move(s)).first->second;
  }
};

// One thing to draw: a rectangle of a picture, placed at (x, y) at width x height pixels, flipped.
struct Piece {
  const Source* source = nullptr;
  int sx = 0, sy = 0, sw = 0, sh = 0;
  int x = 0, y = 0, width = 0, height = 0;
  uint32_t flips = 0;
  int opacity = 256;     // Tiled's painter opacity, 0 to 256
  double rotation = 0;   // Degrees clockwise about the bottom-left corner (tile objects)
};

// x * a / 65535 rounded to the nearest, for 16-bit channels.
uint32_t mul_16(uint32_t x, uint32_t a) { return (x * a + 32767) / 65535; }

// Source-over of a premultiplied pixel at a painter opacity below one (`ca`, 0 to 254), as Qt's
// raster engine draws it: in 16-bit channels (8-bit values times 257), each product rounded, the
// result rounded back to 8 bits. The destination pixel is held as Qt holds it in the straight
// ARGB32 picture Tiled's renderer draws into, premultiplied again in 16 bits.
void blend_at_opacity(uint8_t* d, const uint8_t* s, int ca) {
  const uint32_t opacity = uint32_t(ca) * 257;
  uint32_t source[4], dest[4];
  for (int c = 0; c < 4; ++c) source[c] = mul_16(s[c] * 257u, opacity);
  if (source[3] == 0 && source[0] == 0 && source[1] == 0 && source[2] == 0) return;
  const uint32_t alpha = d[3] * 257u;
  for (int c = 0; c < 3; ++c) {
    const uint32_t straight = d[3] == 255 ? d[c] : d[3] ? std::min(255u, (d[c] * 255u + d[3] / 2u) / d[3]) : 0;
    dest[c] = mul_16(straight * 257u, alpha);
  }
  dest[3] = alpha;
  for (int c = 0; c < 4; ++c) d[c] = uint8_t((std::min(65535u, source[c] + mul_16(dest[c], 65535 - source[3])) * 255u + 32767) / 65535);
}

// A rotated piece: each pixel of its bounding box samples the unrotated piece at the point its
// centre turns back to. Quarter turns are exact.
void draw_rotated_piece(std::vector<uint8_t>& band, int band_width, int top, int rows, const Piece& p);

// Source-over of the piece onto the band (premultiplied, `top` its first pixel row in the map).
void draw_piece(std::vector<uint8_t>& band, int band_width, int top, int rows, const Piece& p) {
  if (p.rotation != 0) return draw_rotated_piece(band, band_width, top, rows, p);
  const int y0 = std::max(p.y, top), y1 = std::min(p.y + p.height, top + rows);
  const int x0 = std::max(p.x, 0), x1 = std::min(p.x + p.width, band_width);
  const int ca = p.opacity >= 256 ? 255 : (p.opacity * 255) >> 8;
  if (ca <= 0) return;
  const bool diagonal = p.flips & tmx::kFlipDiagonal;
  for (int y = y0; y < y1; ++y) {
    uint8_t* d = &band[(size_t(y - top) * band_width + x0) * 4];
    for (int x = x0; x < x1; ++x, d += 4) {
      int u = x - p.x, v = y - p.y;
      if (p.flips & tmx::kFlipHorizontal) u = p.width - 1 - u;
      if (p.flips & tmx::kFlipVertical) v = p.height - 1 - v;
      int w = p.width, h = p.height;
      if (diagonal) {
        std::swap(u, v);
        std::swap(w, h);
      }
      // Nearest sample at the pixel's centre, as an unsmoothed scale does.
      const int su = p.sx + int((int64_t(u) * 2 + 1) * p.sw / (int64_t(w) * 2));
      const int sv = p.sy + int((int64_t(v) * 2 + 1) * p.sh / (int64_t(h) * 2));
      if (su < 0 || sv < 0 || su >= p.source->width || sv >= p.source->height) continue;
      const uint8_t* s = &p.source->rgba[(size_t(sv) * p.source->width + su) * 4];
      uint8_t sr = s[0], sg = s[1], sb = s[2], sa = s[3];
      if (ca != 255) {
        blend_at_opacity(d, s, ca);
        continue;
      }
      if (sa == 255) {
        d[0] = sr, d[1] = sg, d[2] = sb, d[3] = 255;
      } else if (sa || sr || sg || sb) {
        const int inverse = 255 - sa;
        d[0] = uint8_t(sr + byte_mul(d[0], inverse));
        d[1] = uint8_t(sg + byte_mul(d[1], inverse));
        d[2] = uint8_t(sb + byte_mul(d[2], inverse));
        d[3] = uint8_t(sa + byte_mul(d[3], inverse));
      }
    }
  }
}

void draw_rotated_piece(std::vector<uint8_t>& band, int band_width, int top, int rows, const Piece& p) {
  double turn = std::fmod(p.rotation, 360.0);
  if (turn < 0) turn += 360.0;
  constexpr double kPi = 3.14159265358979323846;
  double c = std::cos(turn * kPi / 180.0), s = std::sin(turn * kPi / 180.0);
  if (std::fmod(turn, 90.0) == 0) {
    const int quarter = int(turn / 90.0);
    c = quarter == 0 ? 1 : quarter == 2 ? -1 : 0;
    s = quarter == 1 ? 1 : quarter == 3 ? -1 : 0;
  }
  const double ox = p.x, oy = p.y + p.height;  // The corner it turns about
  double corners[4][2] = {{0, 0}, {double(p.width), 0}, {0, -double(p.height)}, {double(p.width), -double(p.height)}};
  double x0 = 1e18, y0 = 1e18, x1 = -1e18, y1 = -1e18;
  for (auto& k : corners) {
    const double x = ox + k[0] * c - k[1] * s, y = oy + k[0] * s + k[1] * c;
    x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
  }
  Piece flat = p;
  flat.rotation = 0;
  const int ya = std::max(int(std::floor(y0)), top), yb = std::min(int(std::ceil(y1)), top + rows);
  const int xa = std::max(int(std::floor(x0)), 0), xb = std::min(int(std::ceil(x1)), band_width);
  // One pixel at a time: the unrotated point, drawn as a 1 x 1 piece of the flat one.
  std::vector<uint8_t> one(4);
  for (int y = ya; y < yb; ++y)
    for (int x = xa; x < xb; ++x) {
      const double dx = x + 0.5 - ox, dy = y + 0.5 - oy;
      const double ux = dx * c + dy * s, uy = -dx * s + dy * c;  // Turned back
      const double fx = flat.x + ux, fy = oy + uy;
      if (fx < flat.x || fy < flat.y || fx >= flat.x + flat.width || fy >= flat.y + flat.height) continue;
      Piece pixel = flat;
      // The flat piece's pixel at (fx, fy) lands on (x, y): shift the flat piece so it does.
      pixel.x = flat.x + (x - int(std::floor(fx)));
      pixel.y = flat.y + (y - int(std::floor(fy)));
      const int keep_x0 = x, keep_y = y;
      // Draw only that pixel: a band of one row and the column clipped by a one-pixel window.
      std::vector<uint8_t>::iterator at = band.begin() + (long(keep_y - top) * band_width + keep_x0) * 4;
      std::copy(at, at + 4, one.begin());
      Piece shifted = pixel;
      shifted.x -= keep_x0;
      draw_piece(one, 1, keep_y, 1, shifted);
      std::copy(one.begin(), one.end(), at);
    }
}

// ---- The world being made

struct ObjectPicture {
  svc::Picture picture;  // Straight RGBA at the cell size, flips applied
  std::string name;      // Its definition's name (DGFXNAME) and file stem
};

struct Import {
  const tmx::ReadMap* map = nullptr;
  Pictures pictures;
  int cell = 0;
  std::vector<std::vector<int>> pending;  // Per cell: the object pictures on it, bottom first
  std::vector<ObjectPicture> objects;
  std::map<std::string, int> object_ids;  // Source picture, rectangle and flips -> object picture
  std::vector<Piece> object_pieces;       // How each object picture is drawn at a cell's origin
};

// An object's picture: the piece drawn at its size at the origin, in straight colour.
svc::Picture object_picture(const Piece& at_origin) {
  std::vector<uint8_t> canvas(size_t(at_origin.width) * at_origin.height * 4, 0);
  draw_piece(canvas, at_origin.width, 0, at_origin.height, at_origin);
  svc::Picture picture;
  picture.width = at_origin.width;
  picture.height = at_origin.height;
  picture.rgba.resize(canvas.size());
  for (size_t i = 0; i < canvas.size(); i += 4) {
    const int a = canvas[i + 3];
    for (int c = 0; c < 3; ++c)
      picture.rgba[i + c] = a ? uint8_t(std::min(255, (canvas[i + c] * 255 + a / 2) / a)) : 0;
    picture.rgba[i + 3] = uint8_t(a);
    // Magenta is the engine's transparent colour: an opaque magenta pixel stays visible one green step off.
    if (a && picture.rgba[i] == 255 && picture.rgba[i + 1] == 0 && picture.rgba[i + 2] == 255) picture.rgba[i + 1] = 1;
  }
  return picture;
}

// The object picture of a piece of the cell's size (made once per picture, rectangle and flips).
int object_of(Import& im, const Piece& piece, const std::string& path) {
  const std::string key = path + "|" + std::to_string(piece.sx) + "," + std::to_string(piece.sy) + "," +
                          std::to_string(piece.flips);
  auto found = im.object_ids.find(key);
  if (found != im.object_ids.end()) return found->second;
  Piece at_origin = piece;
  at_origin.x = at_origin.y = 0;
  ObjectPicture o;
  o.picture = object_picture(at_origin);
  o.name = "tile" + std::to_string(im.objects.size() + 1);
  im.objects.push_back(std::move(o));
  im.object_pieces.push_back(at_origin);
  return im.object_ids.emplace(key, int(im.objects.size()) - 1).first->second;
}

// The piece a gid draws, before its place is set; false with the error for a gid of no tileset.
bool piece_of(Import& im, uint32_t gid, Piece& piece, std::string& path, const tmx::ReadTileset** set,
              std::string& error) {
  const tmx::ReadTile* tile = tmx::find_tile(*im.map, gid, set);
  if (!tile) {
    error = "tile number " + std::to_string(gid & tmx::kGidMask) +
            " lies past every tileset the map names; a tileset is missing or shorter than when the map was drawn";
    return false;
  }
  const tmx::ReadTileset& ts = **set;
  const Source* source = im.pictures.get(tile->image, ts.collection ? "" : ts.transparent);
  if (!source) return false;
  piece.source = source;
  piece.sx = tile->x;
  piece.sy = tile->y;
  piece.sw = tile->width > 0 ? tile->width : source->width;
  piece.sh = tile->height > 0 ? tile->height : source->height;
  piece.flips = gid & (tmx::kFlipHorizontal | tmx::kFlipVertical | tmx::kFlipDiagonal);
  path = tile->image;
  return true;
}

int painter_opacity(double opacity) { return int(std::lround(std::clamp(opacity, 0.0, 1.0) * 256)); }

// Draws every pending object of the cells the rectangle covers into the band: something drawn
// later lies over them.
void flush_objects(Import& im, std::vector<uint8_t>& band, int top, int rows, int x, int y, int width, int height) {
  const int T = im.cell;
  const int c0 = std::max(0, x / T - (x < 0 ? 1 : 0)), c1 = std::min(im.map->width - 1, (x + width - 1) / T);
  const int r0 = std::max(top / T, y / T - (y < 0 ? 1 : 0)), r1 = std::min((top + rows) / T - 1, (y + height - 1) / T);
  for (int r = std::max(0, r0); r <= r1; ++r)
    for (int c = c0; c <= c1; ++c) {
      std::vector<int>& list = im.pending[size_t(r) * im.map->width + c];
      for (int id : list) {
        Piece p = im.object_pieces[size_t(id)];
        p.x = c * T;
        p.y = r * T;
        draw_piece(band, im.map->width * T, top, rows, p);
      }
      list.clear();
    }
}

// Draws or places one piece: `object_cell` >= 0 when it may become an object there.
void put(Import& im, std::vector<uint8_t>& band, int top, int rows, const Piece& piece, const std::string& path,
         int object_cell) {
  if (object_cell >= 0) {
    std::vector<int>& list = im.pending[size_t(object_cell)];
    if (list.size() == 8) {
      // A cell holds eight objects: the lowest goes into the ground.
      Piece p = im.object_pieces[size_t(list.front())];
      p.x = (object_cell % im.map->width) * im.cell;
      p.y = (object_cell / im.map->width) * im.cell;
      draw_piece(band, im.map->width * im.cell, top, rows, p);
      list.erase(list.begin());
    }
    list.push_back(object_of(im, piece, path));
    return;
  }
  const int reach = piece.rotation != 0 ? piece.width + piece.height : 0;
  flush_objects(im, band, top, rows, piece.x - reach, piece.y - reach, piece.width + 2 * reach,
                piece.height + 2 * reach);
  draw_piece(band, im.map->width * im.cell, top, rows, piece);
}

// Draws the rows [top, top + rows) of the map's visible layers into the band; false with the
// error of the first tile or picture that cannot be used.
bool draw_band(Import& im, std::vector<uint8_t>& band, int top, int rows, int max_tile, int lowest, std::string& error) {
  const tmx::ReadMap& map = *im.map;
  const int T = im.cell;
  std::fill(band.begin(), band.end(), 0);
  if (map.has_background) {
    const uint8_t* b = map.background;
    for (size_t i = 0; i < band.size(); i += 4) {
      band[i] = byte_mul(b[0], b[3]);
      band[i + 1] = byte_mul(b[1], b[3]);
      band[i + 2] = byte_mul(b[2], b[3]);
      band[i + 3] = b[3];
    }
  }
  const double origin_x = double(map.origin_x) * T, origin_y = double(map.origin_y) * T;
  for (size_t index = 0; index < map.layers.size(); ++index) {
    const tmx::ReadLayer& layer = map.layers[index];
    if (!layer.visible) continue;
    const int opacity = painter_opacity(layer.opacity);
    const int ox = int(std::lround(layer.offset_x)), oy = int(std::lround(layer.offset_y));
    const bool may_hold_objects = int(index) > lowest && opacity == 256 && ox == 0 && oy == 0;
    Piece piece;
    std::string path;
    const tmx::ReadTileset* set = nullptr;
    if (layer.kind == tmx::ReadLayer::TILES) {
      // Rows whose tiles may reach into the band: a tile is drawn from its cell's bottom edge up.
      const int first = std::max(0, (top - oy) / T - 1), last = std::min(layer.height - 1, (top + rows - oy + max_tile) / T + 1);
      for (int y = first; y <= last; ++y)
        for (int x = 0; x < layer.width; ++x) {
          const uint32_t gid = layer.gids[size_t(y) * layer.width + x];
          if (!(gid & tmx::kGidMask)) continue;
          if (!piece_of(im, gid, piece, path, &set, error)) return false;
          piece.width = (gid & tmx::kFlipDiagonal) ? piece.sh : piece.sw;
          piece.height = (gid & tmx::kFlipDiagonal) ? piece.sw : piece.sh;
          piece.x = x * T + ox + set->offset_x;
          piece.y = (y + 1) * T - piece.height + oy + set->offset_y;
          piece.opacity = opacity;
          if (piece.y >= top + rows || piece.y + piece.height <= top) continue;
          const bool object = may_hold_objects && piece.width == T && piece.height == T && set->offset_x == 0 &&
                              set->offset_y == 0 && y >= top / T && y < (top + rows) / T;
          put(im, band, top, rows, piece, path, object ? y * map.width + x : -1);
        }
    } else if (layer.kind == tmx::ReadLayer::OBJECTS) {
      for (const tmx::ReadObject& o : layer.objects) {
        if (!o.visible || !(o.gid & tmx::kGidMask)) continue;
        if (!piece_of(im, o.gid, piece, path, &set, error)) return false;
        const double x = o.x - origin_x + layer.offset_x + set->offset_x;
        const double w = o.width > 0 ? o.width : piece.sw, h = o.height > 0 ? o.height : piece.sh;
        const double y = o.y - h - origin_y + layer.offset_y + set->offset_y;
        piece.x = int(std::lround(x));
        piece.y = int(std::lround(y));
        piece.width = int(std::lround(w));
        piece.height = int(std::lround(h));
        piece.opacity = opacity;
        piece.rotation = o.rotation;
        const int reach = o.rotation != 0 ? piece.width + piece.height : 0;  // A turned piece reaches further
        if (piece.width <= 0 || piece.height <= 0 || piece.y - reach >= top + rows || piece.y + piece.height + reach <= top)
          continue;
        const bool exact = x == piece.x && y == piece.y && w == T && h == T && piece.sw == T && piece.sh == T &&
                           piece.x % T == 0 && piece.y % T == 0 && piece.x >= 0 && piece.y >= 0 &&
                           piece.x / T < map.width && piece.y / T < map.height && piece.y >= top &&
                           piece.y < top + rows;
        const bool object = int(index) > lowest && opacity == 256 && exact && o.rotation == 0;
        put(im, band, top, rows, piece, path, object ? (piece.y / T) * map.width + piece.x / T : -1);
      }
    } else {
      const Source* source = im.pictures.get(layer.image, "");
      if (!source) {
        error = "";
        return false;
      }
      piece = Piece();
      piece.source = source;
      piece.sw = piece.width = source->width;
      piece.sh = piece.height = source->height;
      piece.x = int(std::lround(layer.offset_x - origin_x));
      piece.y = int(std::lround(layer.offset_y - origin_y));
      piece.opacity = opacity;
      put(im, band, top, rows, piece, layer.image, -1);
    }
  }
  return true;
}

// ---- Codes

struct CellKind {
  int ground = 0;            // Ground picture
  std::vector<int> objects;  // Object pictures, bottom first
  bool operator<(const CellKind& o) const { return ground != o.ground ? ground < o.ground : objects < o.objects; }
};

bool is_colour_code(const std::string& code) {
  if (code.size() != 9 || code.find_first_not_of("0123456789") != std::string::npos) return false;
  for (int i = 0; i < 9; i += 3)
    if (std::atoi(code.substr(size_t(i), 3).c_str()) > 255) return false;
  return true;
}

// The first colour code not yet taken from `wanted` on: the next colours in 24-bit order.
std::string free_code(const std::string& wanted, const std::set<std::string>& taken) {
  uint32_t colour = uint32_t(std::atoi(wanted.substr(0, 3).c_str())) << 16 |
                    uint32_t(std::atoi(wanted.substr(3, 3).c_str())) << 8 | uint32_t(std::atoi(wanted.substr(6, 3).c_str()));
  for (;;) {
    const std::string code = colour_code(int(colour >> 16) & 255, int(colour >> 8) & 255, int(colour) & 255);
    if (!taken.count(code)) return code;
    colour = (colour + 1) & 0xFFFFFF;
  }
}

// ---- Writing

std::string lower_case(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The files of a world being made, written first into a folder inside it; commit() then moves each
// to its place, an old file aside until all are in place. A failure at any point leaves the world
// that was there as it was, or no folder where there was none.
class Staging {
 public:
  Staging(std::string base, bool new_folder) : base_(std::move(base)), new_folder_(new_folder) { clear(); }

  bool picture(const std::string& relative, const svc::Picture& p) {
    if (!folder_for(kNew + relative)) return false;
    if (!svc::write_png(base_ + kNew + relative, p)) return failed(relative, kUnwritten);
    files_.push_back(relative);
    return true;
  }
  bool pairs(const std::string& relative, const std::vector<std::string>& lines) {
    if (!folder_for(kNew + relative)) return false;
    if (!tools::write_pairs(base_ + kNew + relative, lines)) return failed(relative, kUnwritten);
    files_.push_back(relative);
    return true;
  }
  // A file to write line by line; 0 when it cannot be made.
  int create(const std::string& relative) {
    if (!folder_for(kNew + relative)) return 0;
    const int file = svc::create_replacement(-1, base_ + kNew + relative);
    if (!file) failed(relative, kUnwritten);
    return file;
  }
  bool close(int file, const std::string& relative) {
    if (!svc::close_file(file)) return failed(relative, kUnwritten);
    files_.push_back(relative);
    return true;
  }

  // A folder the world needs even when no file goes into it.
  void folder(const std::string& relative) { folders_.push_back(relative); }

  // Every staged file to its place, the last written last; false (all undone) when one cannot go.
  bool commit() {
    for (const std::string& relative : folders_)
      if (!folder_for(relative + "/")) return false;
    for (const std::string& relative : files_) {
      const std::string target = base_ + relative;
      if (!folder_for(relative)) return false;
      if (tools::exists(target)) {
        if (!folder_for(kOld + relative)) return false;
        if (!os::rename_path(target, base_ + kOld + relative))
          return failed(relative, "cannot be replaced: " + os::error_text());
        moved_.push_back(relative);
      }
      if (!os::rename_path(base_ + kNew + relative, target))
        return failed(relative, "cannot be replaced: " + os::error_text());
      placed_.push_back(relative);
    }
    placed_.clear();
    moved_.clear();
    clear();
    return true;
  }

  // Undoes what commit() moved, removes what was staged (and the folder, where it is new) and
  // reports the failure; returns the exit code.
  int give_up() {
    for (auto r = placed_.rbegin(); r != placed_.rend(); ++r) os::remove_file(base_ + *r);
    for (auto r = moved_.rbegin(); r != moved_.rend(); ++r) os::rename_path(base_ + kOld + *r, base_ + *r);
    for (auto f = made_.rbegin(); f != made_.rend(); ++f) os::remove_folder(*f);  // Only if empty
    clear();
    if (new_folder_) os::remove_tree(base_);
    return fail(base_ + failed_file_, reason_);
  }

 private:
  static constexpr const char* kNew = ".worldimport-new/";
  static constexpr const char* kOld = ".worldimport-old/";
  static constexpr const char* kUnwritten = "cannot be written (no permission, or the disk is full)";

  void clear() {
    os::remove_tree(base_ + kNew);
    os::remove_tree(base_ + kOld);
  }
  bool failed(const std::string& relative, const std::string& reason) {
    failed_file_ = relative;
    reason_ = reason;
    return false;
  }
  // The folders of a file below the world's folder, noting those made here.
  bool folder_for(const std::string& relative) {
    const std::string folder = tools::parent_folder(base_ + relative);
    std::vector<std::string> missing;
    for (std::string f = folder; !f.empty() && !tools::exists(f); f = tools::parent_folder(f)) {
      missing.push_back(f);
      if (f == tools::parent_folder(f)) break;
    }
    if (missing.empty()) return true;
    if (!os::make_folder(folder))
      return failed(relative.substr(0, relative.rfind('/') + 1), "cannot be made: " + os::error_text());
    for (auto f = missing.rbegin(); f != missing.rend(); ++f) made_.push_back(*f);
    return true;
  }

  std::string base_;
  bool new_folder_;
  std::vector<std::string> files_, folders_, moved_, placed_;
  std::vector<std::string> made_;
  std::string failed_file_, reason_;
};

bool is_world_name(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') return false;
  return true;
}

std::string world_name_of(const std::string& map_path) {
  std::string stem = tools::file_name(map_path), name;
  for (const char* ending : {".tmx.gz", ".tmx", ".gz"})
    if (stem.size() > std::strlen(ending) &&
        std::equal(stem.end() - long(std::strlen(ending)), stem.end(), ending,
                   [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; })) {
      stem.resize(stem.size() - std::strlen(ending));
      break;
    }
  for (char c : stem) name += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') ? c : '_';
  return name.empty() ? "world" : name;
}

std::string existing_world_name(const std::string& settings_path) {
  std::string name;
  svc::read_pairs(settings_path, [&](const std::string& key, const std::string& value) {
    if (key == "APPSTART") name = value;
  });
  return is_world_name(name) ? name : "";
}

int run(const Options& o) {
  const int64_t size = svc::file_size(o.map);
  if (size == -1) return fail(o.map, "no such file");
  if (size == -2) return fail(o.map, "is a folder, not a Tiled map");
  const std::string base = o.folder.back() == '/' ? o.folder : o.folder + "/";
  const bool folder_existed = tools::exists(o.folder);
  if (folder_existed && !tools::is_folder(o.folder)) return fail(o.folder, "is a file, not a folder");
  const bool rerun = tools::exists(base + "DATA/ini.txt");
  if (rerun && !o.force)
    return fail(o.folder, "already holds a world (DATA/ini.txt); --force makes it again from the map, keeping every "
                          "definition file there");

  // The map, its tilesets and pictures: all read before anything is written.
  std::string text;
  if (!read_whole(o.map, text)) return fail(o.map, "cannot be read (no permission, or larger than 256 MB)");
  if (text.size() > 2 && uint8_t(text[0]) == 0x1f && uint8_t(text[1]) == 0x8b) {
    std::string inflated, problem;
    if (!gunzip(text, inflated, problem)) return fail(o.map, problem);
    text.swap(inflated);
  }
  std::string map_folder = tools::parent_folder(o.map);
  if (!map_folder.empty()) map_folder += "/";
  tmx::ReadMap map;
  std::string error;
  svc::register_image_decoders();
  if (!tmx::read_map(text, map_folder, load_for_reader, picture_size, nullptr, map, error)) return fail(o.map, error);

  Import im;
  im.map = &map;
  im.cell = map.tile_width;
  const int T = im.cell, W = map.width, H = map.height;
  im.pending.assign(size_t(W) * H, {});
  int max_tile = T;
  for (const tmx::ReadTileset& set : map.tilesets)
    for (const tmx::ReadTile& t : set.tiles) max_tile = std::max({max_tile, t.height, t.width});
  int lowest = -1;  // The lowest visible layer: the ground
  for (size_t i = 0; i < map.layers.size() && lowest < 0; ++i)
    if (map.layers[i].visible) lowest = int(i);

  // The code layer: a hidden tile layer whose tiles name codes.
  std::vector<std::string> layer_codes(size_t(W) * H);
  for (const tmx::ReadLayer& layer : map.layers) {
    if (layer.visible || layer.kind != tmx::ReadLayer::TILES) continue;
    for (size_t i = 0; i < layer.gids.size(); ++i) {
      const tmx::ReadTile* tile = tmx::find_tile(map, layer.gids[i]);
      if (!tile) continue;
      for (const tmx::Property& p : tile->properties)
        if (p.name == "code" && is_colour_code(p.value) && layer_codes[i].empty()) layer_codes[i] = p.value;
    }
  }
  // A map worldexport wrote whose objects are still the world's own placement: the world gets its
  // codes and definitions back, and the engine places the objects again; the map's object layer is
  // then not drawn into the ground.
  const tools::CarriedPlacement carried = tools::check_carried_placement(map, layer_codes);
  if (carried.used && carried.object_layer >= 0) map.layers[size_t(carried.object_layer)].visible = false;

  // The drawing, band by band; each cell's ground picture and objects.
  const int band_rows = std::max(1, std::min(H, kBandPixels / std::max(1, W * T * T)));
  std::vector<uint8_t> band(size_t(W) * T * band_rows * T * 4);
  std::unordered_map<std::string, int> ground_ids;
  std::vector<svc::Picture> grounds;
  std::map<CellKind, int> kinds;
  std::vector<int> kind_of(size_t(W) * H);
  std::vector<CellKind> kind_list;
  std::string bytes;
  for (int top_row = 0; top_row < H; top_row += band_rows) {
    const int rows = std::min(band_rows, H - top_row);
    if (!draw_band(im, band, top_row * T, rows * T, max_tile, lowest, error))
      return fail(o.map, error.empty() ? im.pictures.error_file + ": " + im.pictures.error : error);
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < W; ++c) {
        // The ground over black: the premultiplied colour, opaque.
        bytes.resize(size_t(T) * T * 4);
        for (int y = 0; y < T; ++y)
          for (int x = 0; x < T; ++x) {
            const uint8_t* s = &band[(size_t(r * T + y) * W * T + c * T + x) * 4];
            uint8_t* d = reinterpret_cast<uint8_t*>(&bytes[(size_t(y) * T + x) * 4]);
            d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
            if (d[0] == 255 && d[1] == 0 && d[2] == 255) d[1] = 1;  // Never the transparent colour
          }
        auto found = ground_ids.find(bytes);
        if (found == ground_ids.end()) {
          found = ground_ids.emplace(bytes, int(grounds.size())).first;
          svc::Picture p;
          p.width = p.height = T;
          p.rgba.assign(bytes.begin(), bytes.end());
          grounds.push_back(std::move(p));
        }
        const size_t at = size_t(top_row + r) * W + c;
        CellKind kind{found->second, im.pending[at]};
        auto k = kinds.find(kind);
        if (k == kinds.end()) {
          k = kinds.emplace(kind, int(kind_list.size())).first;
          kind_list.push_back(kind);
        }
        kind_of[at] = k->second;
      }
  }

  // What is written: one definition and ground picture per code, the object pictures with their
  // definitions, and each cell's code.
  struct CodeOut {
    std::string code;
    int ground = 0;
    std::vector<std::string> definition;
  };
  struct ObjectOut {
    std::string stem;
    svc::Picture picture;
    std::vector<std::string> definition;
  };
  std::vector<CodeOut> codes_out;
  std::vector<ObjectOut> objects_out;
  std::vector<int> code_out_of(size_t(W) * H);
  int codes_from_layer = 0;
  if (carried.used) {
    // Each code as the world had it: its cells show one ground tile, so one ground picture.
    std::map<std::string, int> index;
    for (size_t i = 0; i < layer_codes.size(); ++i) {
      auto found = index.emplace(layer_codes[i], int(codes_out.size()));
      if (found.second) {
        const tools::CarriedCode& carried_code = carried.codes.at(layer_codes[i]);
        CodeOut out{layer_codes[i], kind_list[size_t(kind_of[i])].ground, {"GFXNAME", layer_codes[i] + ".png"}};
        for (size_t k = 0; k < carried_code.slots.size(); ++k)
          out.definition.insert(out.definition.end(), {"CHILD" + std::to_string(k + 1), carried_code.slots[k]});
        out.definition.insert(out.definition.end(), {"USECOLLISION", std::to_string(carried_code.collision)});
        codes_out.push_back(std::move(out));
      }
      code_out_of[i] = found.first->second;
    }
    codes_from_layer = int(codes_out.size());
    // The object definitions in catalogue order: file names that the engine's folder scan lists in
    // that order wherever two share a name. Their pictures are the map's tiles at the size shown,
    // opacity included.
    std::set<std::string> taken;
    std::map<std::string, int> seen;
    for (const tools::CarriedDefinition& d : carried.definitions) {
      std::string stem;
      for (char c : d.placement.name) stem += std::isalnum(static_cast<unsigned char>(c)) || c == '-' ? c : '_';
      const int count = ++seen[d.placement.name];
      std::string candidate = count > 1 ? stem + "_" + std::string(4 - std::min<size_t>(4, std::to_string(count).size()), '0') + std::to_string(count) : stem;
      for (int extra = 2; taken.count(lower_case(candidate)); ++extra) candidate = stem + "_x" + std::to_string(extra);
      taken.insert(lower_case(candidate));
      ObjectOut out{candidate, {}, {}};
      if (d.gid) {
        Piece piece;
        std::string path;
        const tmx::ReadTileset* set = nullptr;
        if (!piece_of(im, d.gid, piece, path, &set, error))
          return fail(o.map, error.empty() ? im.pictures.error_file + ": " + im.pictures.error : error);
        piece.width = d.width;
        piece.height = d.height;
        out.picture = object_picture(piece);
      } else {
        out.picture.width = out.picture.height = 1;  // Never shown on the map: a clear dot
        out.picture.rgba = {0, 0, 0, 0};
      }
      out.definition = {"DGFXNAME", d.placement.name, "DDENSITY", std::to_string(d.placement.density), "DGFXSHOW",
                        d.drawn ? "1" : "0", "DGFXTRANSPARENCY", "255", "DFITTOMATRIX", std::to_string(d.fit),
                        "DHOTSPOT", d.hot_spot, "DCENTERFIELD", std::to_string(d.center), "DCOLLISION",
                        std::to_string(d.collision)};
      objects_out.push_back(std::move(out));
    }
  } else {
    // A code per kind of cell: the code layer's most frequent code for it, else its mean colour; the
    // kinds with the most cells choose first.
    std::vector<std::map<std::string, int>> wanted(kind_list.size());
    std::vector<int> cells_of(kind_list.size(), 0);
    for (size_t i = 0; i < kind_of.size(); ++i) {
      ++cells_of[size_t(kind_of[i])];
      if (!layer_codes[i].empty()) ++wanted[size_t(kind_of[i])][layer_codes[i]];
    }
    std::vector<int> order(kind_list.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = int(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return cells_of[size_t(a)] > cells_of[size_t(b)]; });
    std::vector<std::string> code_of(kind_list.size());
    std::set<std::string> taken;
    for (int k : order) {
      std::string code;
      int best = 0;
      for (const auto& w : wanted[size_t(k)])
        if (w.second > best && !taken.count(w.first)) code = w.first, best = w.second;
      if (!code.empty()) {
        ++codes_from_layer;
      } else {
        const svc::Picture& g = grounds[size_t(kind_list[size_t(k)].ground)];
        uint64_t sum[3] = {0, 0, 0};
        for (size_t i = 0; i < g.rgba.size(); i += 4)
          for (int c = 0; c < 3; ++c) sum[c] += g.rgba[i + c];
        const uint64_t n = std::max<uint64_t>(1, g.rgba.size() / 4);
        code = free_code(colour_code(int((sum[0] + n / 2) / n), int((sum[1] + n / 2) / n), int((sum[2] + n / 2) / n)), taken);
      }
      taken.insert(code);
      code_of[size_t(k)] = code;
    }
    for (size_t k = 0; k < kind_list.size(); ++k) {
      CodeOut out{code_of[k], kind_list[k].ground, {"GFXNAME", code_of[k] + ".png"}};
      const std::vector<int>& objects = kind_list[k].objects;
      for (size_t i = 0; i < objects.size(); ++i)
        out.definition.insert(out.definition.end(), {"CHILD" + std::to_string(i + 1), im.objects[size_t(objects[i])].name});
      if (objects.empty()) out.definition.insert(out.definition.end(), {"CHILD1", "#"});
      out.definition.insert(out.definition.end(), {"USECOLLISION", "0"});
      codes_out.push_back(std::move(out));
    }
    for (size_t i = 0; i < kind_of.size(); ++i) code_out_of[i] = kind_of[i];
    for (ObjectPicture& object : im.objects)
      objects_out.push_back({object.name, std::move(object.picture),
                             {"DGFXNAME", object.name, "DDENSITY", "0", "DGFXSHOW", "1", "DGFXTRANSPARENCY", "255",
                              "DFITTOMATRIX", "1", "DHOTSPOT", "", "DCOLLISION", "0"}});
  }
  // The cell size: the first screen's, unless objects are drawn at the map's own scale (not
  // filling their cells), which only the tile size keeps.
  const FirstScreen first = carried.objects_at_scale && carried.used
                                ? first_screen_at(T, W, H, o.screen_width, o.screen_height)
                                : choose_first_screen(W, H, o.screen_width, o.screen_height);

  // Writing: everything goes into a folder beside the world first; only when all of it is there
  // does it take the places of the files it replaces, the settings last.
  std::string name = rerun ? existing_world_name(base + "DATA/ini.txt") : "";
  if (name.empty()) name = world_name_of(o.map);
  const std::string codes_folder = "codes/" + name + "/";
  Staging staging(base, !folder_existed);
  for (const char* folder : {"DATA", "maps", "gfx/topo", "gfx/objects"}) staging.folder(folder);
  int kept = 0, made = 0;
  for (const CodeOut& code : codes_out) {
    if (!staging.picture("gfx/topo/" + code.code + ".png", grounds[size_t(code.ground)])) return staging.give_up();
    if (svc::file_size(base + codes_folder + code.code) > 0) {
      ++kept;
      continue;
    }
    if (!staging.pairs(codes_folder + code.code, code.definition)) return staging.give_up();
    ++made;
  }
  for (const ObjectOut& object : objects_out) {
    const std::string stem = "gfx/objects/" + object.stem;
    if (!staging.picture(stem + ".png", object.picture)) return staging.give_up();
    if (svc::file_size(base + stem + ".dll") > 0) continue;
    if (!staging.pairs(stem + ".dll", object.definition)) return staging.give_up();
  }
  // The maps: one entry per cell, column by column; every cell's ground fully opaque.
  for (const MapKind kind : {MAP_AI, MAP_RED}) {
    const std::string path = map_path("maps/" + name, kind);
    const int file = staging.create(path);
    if (!file) return staging.give_up();
    write_map_header(file, kind, W - 1, H - 1, o.map);
    for (int x = 0; x < W; ++x)
      for (int y = 0; y < H; ++y) {
        if (kind == MAP_RED) {
          write_map_entry(file, kind, 255, 0, 0);
          continue;
        }
        const std::string& code = codes_out[size_t(code_out_of[size_t(y) * W + x])].code;
        write_map_entry(file, kind, std::atoi(code.substr(0, 3).c_str()), std::atoi(code.substr(3, 3).c_str()),
                        std::atoi(code.substr(6, 3).c_str()));
      }
    if (!staging.close(file, path)) return staging.give_up();
  }
  if (!staging.pairs("DATA/ini.txt", tools::world_settings("worldimport: " + name, name, first.cell, first.cursor_speed,
                                                           carried.used ? carried.seed : 1)))
    return staging.give_up();
  if (!staging.commit()) return staging.give_up();

  if (!o.quiet) {
    std::printf("worldimport: %s: %d x %d cells of %d pixels, %zu colour codes (%d from the map's code layer), %zu "
                "object pictures\n",
                o.folder.c_str(), W, H, T, codes_out.size(), codes_from_layer, objects_out.size());
    std::printf("  definitions in %s%s: %d new, %d kept; ground pictures: %zu\n", base.c_str(), codes_folder.c_str(),
                made, kept, codes_out.size());
    if (carried.used)
      std::printf("  the world's own definitions and WORLDRANDOM %d place its %zu objects again, as they were\n",
                  carried.seed, carried.object_layer >= 0 ? map.layers[size_t(carried.object_layer)].objects.size()
                                                          : size_t(0));
    else if (!carried.why_not.empty())
      std::printf("  the map's objects are not the world's own placement (%s): cells of one code that show different "
                  "objects get codes of their own\n",
                  carried.why_not.c_str());
    if (map.annotations) std::printf("  %d shape and text objects are annotations: counted, not drawn\n", map.annotations);
    const bool whole = first.columns_shown == W && first.rows_shown == H;
    std::printf("  first screen (%d x %d): %s at %d pixels a cell; worldshot --cell %d draws it as Tiled does\n",
                o.screen_width, o.screen_height, whole ? "the whole world" : "part of the world", first.cell, T);
    std::printf("  run simengine in %s\n", o.folder.c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  os::no_size_limit_signal();  // A file size limit fails the write, which the import then undoes
  Options o;
  std::vector<svc::Argument> args;
  const std::string problem = svc::split_arguments(argc, argv, {"--screen"}, {"--force", "--quiet", "-q"}, args);
  if (!problem.empty()) return usage_error(problem);
  std::vector<std::string> positional;
  for (const svc::Argument& a : args) {
    if (a.name.empty()) {
      positional.push_back(a.value);
    } else if (a.name == "--screen") {
      if (!tools::parse_size(a.value, 64, 32768, o.screen_width, o.screen_height))
        return usage_error("--screen " + a.value + ": not a desktop size WxH (64 to 32768 each), for example 1920x1080");
    } else if (a.name == "--force") {
      o.force = true;
    } else if (a.name == "--quiet" || a.name == "-q") {
      o.quiet = true;
    } else {
      return svc::standard_option(a.name, "worldimport", kUsage);
    }
  }
  if (positional.size() != 2)
    return usage_error(positional.size() < 2 ? "MAP.tmx and FOLDER are needed" : "too many arguments: " + positional[2]);
  o.map = positional[0];
  o.folder = positional[1];
  if (o.map.empty()) return usage_error("MAP.tmx is empty");
  if (o.folder.empty()) return usage_error("FOLDER is empty");
  return run(o);
}
