// world_dump.cpp -- writes the world that start-up built as plain text, for comparing builds
#include "core/world_dump.h"

#include <cstdio>

#include "base/state.h"
#include "base/notices.h"
#include "core/engine.h"
#include "services/text.h"
#include "world/world.h"

namespace {

void append_number(std::string& out, int64_t n) { out += svc::int_to_string(n); }

}  // namespace

std::string world_dump_text() {
  std::string out;
  append_number(out, engine.mapMaxX);
  out += ' ';
  append_number(out, engine.mapMaxY);
  out += '\n';

  const Cursor* cursor = worldState.cursorList.head ? &worldState.cursorList.head->value : nullptr;
  out += "cursor ";
  append_number(out, cursor ? svc::round_nearest(cursor->x) : 0);
  out += ' ';
  append_number(out, cursor ? svc::round_nearest(cursor->y) : 0);
  out += '\n';

  for (int x = 0; x <= engine.mapMaxX; x++) {
    for (int y = 0; y <= engine.mapMaxY; y++) {
      const WorldCell* c = svc::cell(worldState.world, x, y);
      if (!c) continue;  // beyond the grid: there is no cell to show
      append_number(out, x);
      out += '\t';
      append_number(out, y);
      out += '\t';
      out += c->code;
      out += '\t';
      append_number(out, c->loaded);
      out += '\t';
      append_number(out, c->groundAlpha);
      out += '\t';
      out += c->pictureName;
      out += '\t';
      append_number(out, c->lastChildSlot);
      out += '\t';
      bool first = true;
      for (int k = 0; k <= c->lastChildSlot && k < 8; k++) {
        if (c->childInstance[k] == -1) continue;
        if (!first) out += ',';
        out += c->childName[k];
        first = false;
      }
      out += '\n';
    }
  }
  return out;
}

int run_world_dump(bool setVariant, int variant) {
  set_fatal_exit_code(1);
  engine_startup(false);
  if (setVariant) {
    build_variant(variant);
  }
  std::string text = world_dump_text();
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  engine_shutdown();
  return 0;
}
