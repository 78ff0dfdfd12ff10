// menus.cpp -- menu bars built from titles and items, shown with Fl_Menu_Bar at the top of a window
#include "services/menus.h"

#include <FL/Fl.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Window.H>

#include <algorithm>

#include "services/text.h"
#include "state.h"

namespace svc {

using fltk::MenuRecord;
using fltk::state;

namespace {

constexpr int kBarHeight = 25;

void item_picked(Fl_Widget*, void* data) {
  fltk::queue_event(EVENT_MENU, static_cast<int>(reinterpret_cast<std::intptr_t>(data)), 0);
}

// Lays the entries out as FLTK's flat item array: each title opens a submenu that runs until the
// next title; items before the first title sit on the bar itself. The labels are given to FLTK as
// they are, never through the "a/b" path syntax of Fl_Menu_::add, so a "/" or a repeated title
// cannot merge or split drop-downs.
void rebuild(MenuRecord& menu) {
  menu.items.clear();
  bool in_submenu = false;
  for (const fltk::MenuEntry& e : menu.entries) {
    Fl_Menu_Item item{};
    item.text = e.label.c_str();
    if (e.title) {
      if (in_submenu) menu.items.push_back(Fl_Menu_Item{});
      item.flags = FL_SUBMENU;
      in_submenu = true;
    } else {
      item.callback_ = item_picked;
      item.user_data_ = reinterpret_cast<void*>(static_cast<std::intptr_t>(e.id));
    }
    menu.items.push_back(item);
  }
  if (in_submenu) menu.items.push_back(Fl_Menu_Item{});
  menu.items.push_back(Fl_Menu_Item{});
  menu.bar->menu(menu.items.data());
  menu.bar->redraw();
}

// Makes room for the bar: the window grows by its height and what it holds moves down, so the
// client area keeps its size and its coordinates start under the bar.
void make_room_for_bar(fltk::WindowRecord& record) {
  Fl_Window* win = record.window;
  for (int i = 0; i < win->children(); ++i) {
    Fl_Widget* child = win->child(i);
    if (child == record.bar) continue;
    child->position(child->x(), child->y() + kBarHeight);
  }
  record.bar_height = kBarHeight;
  int x = win->x(), y = win->y(), w = win->w(), h = win->h() + kBarHeight;
  if (record.flags & WINDOW_CENTRED_CAPTION) {
    // Still inside the work area and centred; the bottom of the client area is cut off if needed.
    int wx, wy, ww, wh;
    Fl::screen_work_area(wx, wy, ww, wh, 0);
    h = std::min(h, wh);
    x = wx + (ww - w) / 2;
    y = wy + (wh - h) / 2;
    win->size_range(w, h, w, h);
  }
  win->resize(x, y, w, h);
}

// Takes a window's bar away. The bar lets go of its items first, so they can be freed while
// FLTK still holds the bar for its deferred deletion.
void retire_bar(fltk::WindowRecord& record) {
  record.bar->menu(nullptr);
  record.window->remove(record.bar);
  Fl::delete_widget(record.bar);
  record.bar = nullptr;
}

}  // namespace

namespace fltk {

void forget_window_menus(Fl_Window* window) {
  state.menus.for_each([window](int n, const MenuRecord& menu) {
    if (menu.window != window) return;
    if (state.current_menu == n) state.current_menu = -1;
    state.menus.release(n);  // Called once the window and its bar are deleted
  });
}

}  // namespace fltk

int create_menu(int menu, WindowHandle window) {
  fltk::WindowRecord* record = fltk::window_record(window);
  int number = state.menus.pick(menu);
  if (!record || number < 0) return 0;
  if (const MenuRecord* old = state.menus.get(number)) {  // Reusing a number replaces that bar
    fltk::WindowRecord* owner = fltk::window_record(reinterpret_cast<WindowHandle>(old->window));
    if (owner && owner->bar == old->bar) {
      retire_bar(*owner);
    }
    state.menus.release(number);
  }
  if (record->bar) {  // One bar per window: a new menu on it takes the old bar's place
    Fl_Menu_Bar* bar = record->bar;
    retire_bar(*record);
    state.menus.release(state.menus.find([bar](const MenuRecord& m) { return m.bar == bar; }));
  }

  Fl_Window* win = record->window;
  int sx, sy, sw, sh;
  Fl::screen_xywh(sx, sy, sw, sh, 0);
  Fl_Group::current(nullptr);
  // As wide as the screen, so the bar still spans the window after the user widens it.
  Fl_Menu_Bar* bar = new Fl_Menu_Bar(0, 0, std::max(win->w(), sw), kBarHeight);
  bar->box(FL_FLAT_BOX);
  record->bar = bar;
  if (record->bar_height == 0) make_room_for_bar(*record);
  win->insert(*bar, 0);

  MenuRecord& m = state.menus.store(number);
  m.window = win;
  m.bar = bar;
  rebuild(m);
  state.current_menu = number;
  win->redraw();
  Fl::check();
  return detail::created(menu, number);
}

void menu_title(const std::string& text) {
  MenuRecord* m = state.menus.get(state.current_menu);
  if (!m) return;
  m->entries.push_back({true, 0, fltk::literal_label(to_display_text(text))});
  rebuild(*m);
}

void menu_item(int id, const std::string& text) {
  MenuRecord* m = state.menus.get(state.current_menu);
  if (!m) return;
  m->entries.push_back({false, id, fltk::literal_label(to_display_text(text))});
  rebuild(*m);
}

int event_menu() { return state.event_menu; }

}  // namespace svc
