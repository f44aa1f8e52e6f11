#include "progress.h"

#include <chrono>
#include <cstdio>

#include "options.h"
#include "report.h"

bool progressShown = false;

std::string progressText(const std::string& text, int64_t position, int64_t size) {
  std::string shown = text;
  if (size != 0) {
    double percent = static_cast<double>(position) * 100.0 / static_cast<double>(size);
    shown += " (" + std::to_string(static_cast<int64_t>(percent)) + "%)";
  }
  return fitToWidth(shown, progressWidth, ' ');
}

void printProgress(const std::string& text, int64_t position, int64_t size) {
  if (!runOptions.showProgress) {
    return;
  }
  std::string line = progressText(text, position, size);
  line.push_back('\r');
  // Whatever went to standard output before must reach it first.
  flushReport();
  fflush(stdout);
  fwrite(line.data(), 1, line.size(), stderr);
  fflush(stderr);
  progressShown = true;
}

void clearProgress() {
  if (!progressShown) {
    return;
  }
  printProgress("", 0, 0);
  progressShown = false;
}

uint32_t progressClock() {
  auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}

bool progressDue(uint32_t& lastTick) {
  uint32_t now = progressClock();
  if (now - lastTick <= 1000) {
    return false;
  }
  lastTick = now;
  return true;
}

std::string fitToWidth(const std::string& text, size_t width, char fill) {
  if (text.size() > width) {
    return text.substr(text.size() - width);
  }
  return text + std::string(width - text.size(), fill);
}
