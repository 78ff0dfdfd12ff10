// basic_colours.cpp -- the basic AI reduction: every position becomes red, green, blue, yellow or black
#include "basic_colours.h"

#include "services/screen.h"
#include "services/text.h"

int32_t basic_colour(int red, int green, int blue) {
  // Every test sees the values read; a later test that holds replaces an earlier hit.
  int32_t colour = svc::rgb(0, 0, 0);
  if (red / 2 > green && red / 2 > blue) colour = svc::rgb(255, 0, 0);
  if (green / 2 > red && green / 2 > blue) colour = svc::rgb(0, 255, 0);
  if (blue / 2 > red && blue / 2 > green) colour = svc::rgb(0, 0, 255);
  if (red + green > red + blue && red + green > green + blue) colour = svc::rgb(255, 255, 0);
  return colour;
}

int32_t classify_pixel(int x, int y) {
  const int32_t colour = svc::point(x, y);
  const int32_t basic = basic_colour(svc::red(colour), svc::green(colour), svc::blue(colour));
  svc::plot(x, y, basic);
  return basic;
}
