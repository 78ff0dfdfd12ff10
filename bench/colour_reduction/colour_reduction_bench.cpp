// colour_reduction_bench.cpp -- reducing a photograph to N colours, beside ImageMagick's `+dither -colors N`
//
// Makes a 1920 x 1080 photograph-like picture (ImageMagick's plasma fractal with a fixed seed,
// blurred, through JPEG and back to PNG so both sides read the same pixels), or takes a picture
// named on the command line. For N = 16, 256 and 4096 it times choosing the palette and mapping
// every pixel, and ImageMagick's `convert photo.png +dither -colors N null:` less its plain
// `convert photo.png null:`, and prints both mean CIELAB errors (CIE 1976 delta E). Goals: an
// error no larger than ImageMagick's, and less time. Ends after at most ten minutes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "mapconvert/colour_reduction.h"
#include "os.h"
#include "os_programs.h"
#include "services/pictures.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace {

constexpr int kTimeLimitSeconds = 600;
const char* kConvert = "/usr/bin/convert";

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

std::vector<int32_t> colours_of(const svc::Picture& p) {
  std::vector<int32_t> colours(size_t(p.width) * p.height);
  for (size_t i = 0; i < colours.size(); ++i)
    colours[i] = p.rgba[i * 4] + p.rgba[i * 4 + 1] * 256 + p.rgba[i * 4 + 2] * 65536;
  return colours;
}

size_t distinct(std::vector<int32_t> colours) {
  std::sort(colours.begin(), colours.end());
  return size_t(std::unique(colours.begin(), colours.end()) - colours.begin());
}

double mean_error(const std::vector<int32_t>& original, const std::vector<int32_t>& reduced) {
  double sum = 0;
  for (size_t i = 0; i < original.size(); ++i) sum += delta_e(original[i], reduced[i]);
  return sum / double(original.size());
}

// Wall-clock seconds of a shell command; negative when it fails.
double timed_shell(const std::string& command) {
  const double start = now();
  if (support::shell(command) != 0) return -1;
  return now() - start;
}

}  // namespace

int main(int argc, char** argv) {
  os::end_after(kTimeLimitSeconds, "colour_reduction_bench: MISSED: over the time limit of 600 s\n");
  if (!os::may_access(kConvert, false)) {
    std::fprintf(stderr, "colour_reduction_bench: ImageMagick's %s is missing\n", kConvert);
    return 1;
  }
  struct Work {
    std::string dir = support::make_temp_folder("colour_reduction_bench_");
    ~Work() {
      if (!dir.empty()) support::remove_folder(dir);
    }
  } work;
  if (work.dir.empty()) return 1;
  const std::string photo = work.dir + "photo.png";
  if (argc > 1) {
    if (support::shell(std::string(kConvert) + " '" + argv[1] + "' -alpha off '" + photo + "'") != 0) return 1;
  } else if (support::shell(std::string(kConvert) + " -seed 61 -size 1920x1080 plasma:fractal -blur 0x2 -quality 92 '" +
                            work.dir + "photo.jpg' && " + kConvert + " '" + work.dir + "photo.jpg' '" + photo + "'") !=
             0) {
    std::fprintf(stderr, "colour_reduction_bench: could not make the photograph\n");
    return 1;
  }

  svc::register_image_decoders();
  svc::Picture picture;
  if (!svc::decode_picture(photo, picture)) return 1;
  const std::vector<int32_t> original = colours_of(picture);
  std::printf("photograph: %d x %d, %zu distinct colours\n", picture.width, picture.height, distinct(original));

  // ImageMagick's start and decode alone, subtracted from its quantizing runs (which write nothing).
  double plain = 1e9;
  for (int run = 0; run < 2; ++run)
    plain = std::min(plain, timed_shell(std::string(kConvert) + " '" + photo + "' null:"));

  bool all_met = true;
  for (int n : {16, 256, 4096}) {
    double ours = 1e9;
    std::vector<int32_t> reduced(original.size());
    for (int run = 0; run < 3; ++run) {
      const double start = now();
      const ColourReduction r = reduce_colours(original, n);
      for (size_t i = 0; i < original.size(); ++i) reduced[i] = reduced_colour(r, original[i]);
      ours = std::min(ours, now() - start);
    }
    const size_t codes = distinct(reduced);
    const double our_error = mean_error(original, reduced);

    const std::string im_command = std::string(kConvert) + " '" + photo + "' +dither -colors " + std::to_string(n);
    const std::string out = work.dir + "im" + std::to_string(n) + ".png";
    const double im = timed_shell(im_command + " null:");
    svc::Picture theirs;
    if (im < 0 || support::shell(im_command + " '" + out + "'") != 0 || !svc::decode_picture(out, theirs) ||
        theirs.width != picture.width || theirs.height != picture.height) {
      std::fprintf(stderr, "colour_reduction_bench: ImageMagick failed for %d colours\n", n);
      return 1;
    }
    const std::vector<int32_t> their_colours = colours_of(theirs);
    const double their_error = mean_error(original, their_colours);
    const double im_quantize = std::max(0.001, im - plain);

    const bool error_met = our_error <= their_error, time_met = ours < im_quantize && codes <= size_t(n);
    all_met = all_met && error_met && time_met;
    std::printf(
        "N = %4d: ours %4zu colours, mean dE %.3f, %.3f s | ImageMagick %4zu colours, mean dE %.3f, %.3f s "
        "(%.3f s with its start and decode)\n",
        n, codes, our_error, ours, distinct(their_colours), their_error, im_quantize, im);
    std::printf("          goal: dE no worse than ImageMagick's: %.2fx %s; faster: %.1fx %s\n",
                their_error > 0 ? our_error / their_error : 0.0, error_met ? "met" : "MISSED", im_quantize / ours,
                time_met ? "met" : "MISSED");
  }
  return all_met ? 0 : 1;
}
