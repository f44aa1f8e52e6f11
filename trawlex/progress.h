// The progress line on standard error: which file is being read and, for a
// long file, how far the reading has got.
#ifndef TRAWLEX_PROGRESS_H_
#define TRAWLEX_PROGRESS_H_

#include <cstdint>
#include <string>

/// True while a progress line stands on standard error.
extern bool progressShown;

/// The width of the progress line, in characters.
constexpr size_t progressWidth = 75;

/// `text`, with " (P%)" appended when `size` is not 0 (P = position * 100 /
/// size, truncated), fitted to progressWidth characters.
std::string progressText(const std::string& text, int64_t position, int64_t size);

/// Writes progressText(text, position, size) followed by a carriage return to
/// standard error, after flushing standard output, and sets progressShown;
/// does nothing while `showProgress` is clear.
void printProgress(const std::string& text, int64_t position, int64_t size);

/// Blanks the progress line if one is shown (75 blanks and a carriage
/// return) and clears progressShown; never writes otherwise.
void clearProgress();

/// Milliseconds on a steady clock, wrapping at 2^32: the time base of the
/// progress line's updates.
uint32_t progressClock();

/// True when more than 1000 milliseconds of progressClock have passed since
/// `lastTick` (an unsigned 32-bit difference), and then sets `lastTick` to
/// the current reading; false otherwise, leaving it as it was.
bool progressDue(uint32_t& lastTick);

/// `text` made exactly `width` characters wide: characters dropped from its
/// front, or `fill` appended.
std::string fitToWidth(const std::string& text, size_t width, char fill);

#endif  // TRAWLEX_PROGRESS_H_
