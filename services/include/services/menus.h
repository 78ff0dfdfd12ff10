// menus.h -- menu bars with drop-down titles and plain items
#pragma once
#include <string>
#include "services/windows.h"

namespace svc {

int create_menu(int menu, WindowHandle window);   // An empty bar on an open window (replacing its bar); 0 on failure
void menu_title(const std::string& text);         // Appends a drop-down title; later items go under it
void menu_item(int id, const std::string& text);  // Appends an item under the last title (the bar before any)
int event_menu();                                 // After EVENT_MENU: the identifier of the chosen item

}  // namespace svc
