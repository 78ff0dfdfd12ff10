// bench_world.h -- the 512 x 512 benchmark world: 16 codes, each naming a ground picture and two of
// 8 objects of density 3; shared by the world-load and live-reload benchmarks
#pragma once
#include <string>

namespace bench {

void write_text(const std::string& path, const std::string& text);   // Parents are created
void write_small(const std::string& path, const std::string& text);  // Plain system calls (the folder exists)
void write_pictures(const std::string& dir);       // topo/g0..g15.bmp, objects/o0..o7.bmp with their ".dll"
std::string definition_text(int k);                // Ground picture k % 16 and two object names
void write_world(const std::string& dir);          // The pictures, codes/land/ and maps/land.qz61 and .red

}  // namespace bench
