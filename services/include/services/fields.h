// fields.h -- single-line edit fields, static labels and fonts inside a window
#pragma once
#include <cstdint>
#include <string>
#include "services/windows.h"

namespace svc {

enum FieldColourKind { FIELD_TEXT_COLOUR = 1, FIELD_BACK_COLOUR = 2 };
enum FieldFlags { FIELD_CENTRED = 1 };
using FontHandle = std::intptr_t;

int use_field_list(WindowHandle window);  // Fields created next are children of this window
// Both need a window chosen by use_field_list and a size of 0 or more; 0 on failure.
int create_edit_field(int field, int x, int y, int width, int height, const std::string& text, int flags);
int create_label(int field, int x, int y, int width, int height, const std::string& text);
void set_field_text(int field, const std::string& text);
std::string get_field_text(int field);                      // The field's text in its file encoding; "" for no field
void set_field_color(int field, int kind, int32_t colour);  // Kind 1 text, kind 2 background
void set_field_font(int field, FontHandle font);            // -1 as field: the default for fields created afterwards
int field_exists(int field);
int event_field();                                             // After EVENT_FIELD: the field concerned
int load_font(int font, const std::string& face, int points);  // A named face of 1 to 1000 points; 0 otherwise
FontHandle font_handle(int font);
int window_inner_height(int window);  // Client height, plus the menu bar's height when it has one

}  // namespace svc
