// picture_probe.cpp -- decodes one picture file and prints its size, or why it was refused (exit 1)
#include <cstdio>

#include "services/pictures.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: picture_probe PICTURE\n", stderr);
    return 2;
  }
  svc::register_image_decoders();
  svc::Picture picture;
  if (!svc::decode_picture(argv[1], picture)) {
    std::printf("refused: %s\n", svc::picture_error().c_str());
    return 1;
  }
  std::printf("%d x %d\n", picture.width, picture.height);
  return 0;
}
