// The scan kernel's throughput on the host: the first 64 MiB of a file are
// searched for a needle that is not in them (every byte examined), with and
// without ignoring case, and their line ends are counted. Built once as is
// and once without SSE2 (as the 32-bit program was), it shows what the vector
// path gains. Prints "find|find-i|lines SECONDS" (median of 7 passes).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "byte_scan.h"

namespace {

template <typename Work>
double medianSeconds(Work work) {
  std::vector<double> times;
  for (int pass = 0; pass < 7; ++pass) {
    auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  FILE* file = argc > 1 ? fopen(argv[1], "rb") : nullptr;
  if (file == nullptr) {
    fprintf(stderr, "usage: trawlex_scan_kernel FILE\n");
    return 1;
  }
  std::string data(size_t{64} << 20, '\0');
  data.resize(fread(&data[0], 1, data.size(), file));
  fclose(file);
  const std::string needle = "zephyrq";
  volatile size_t sink = 0;
  for (bool ignoreCase : {false, true}) {
    double seconds = medianSeconds([&] {
      sink =
          sink + findNeedle(data.data(), data.size(), 0, needle.data(), needle.size(), ignoreCase);
    });
    printf("%s %.5f\n", ignoreCase ? "find-i" : "find", seconds);
  }
  printf("lines %.5f\n",
         medianSeconds([&] { sink = sink + countLineEnds(data.data(), data.size()); }));
  return 0;
}
