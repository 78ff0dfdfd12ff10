// fit_picture.h -- scaling a picture down to fit a size limit, by area averaging
#pragma once

#include "services/pictures.h"

namespace tools {

// The size a width x height picture takes to fit within limit x limit with its proportions kept
// (rounded, at least 1 pixel a side); the picture's own size when it fits already.
void fitted_size(int width, int height, int limit, int& fitted_width, int& fitted_height);

// `picture` scaled down to width x height (each at most the picture's own): every new pixel is the
// average of the part of the picture it covers, each old pixel weighted by how much of it lies
// inside, for each channel (alpha too). Integer arithmetic only, so every system gives the same bytes.
svc::Picture area_average(const svc::Picture& picture, int width, int height);

}  // namespace tools
