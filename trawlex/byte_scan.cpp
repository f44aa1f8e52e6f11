#include "byte_scan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

inline unsigned char foldByte(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

inline bool isLetter(unsigned char byte) {
  return foldByte(byte) >= 'a' && foldByte(byte) <= 'z';
}

bool sameBytes(const char* a, const char* b, size_t size, bool ignoreCase) {
  for (size_t i = 0; i < size; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x != y && (!ignoreCase || foldByte(x) != foldByte(y))) {
      return false;
    }
  }
  return true;
}

#if defined(__SSE2__)

// The bytes of `block` that equal `byte`, or, for a letter under ignoreCase,
// either case of it: setting bit 5 maps exactly the two cases of a letter onto
// its lower-case form.
inline __m128i matchByte(__m128i block, unsigned char byte, bool ignoreCase) {
  if (ignoreCase && isLetter(byte)) {
    __m128i lowered = _mm_or_si128(block, _mm_set1_epi8(0x20));
    return _mm_cmpeq_epi8(lowered, _mm_set1_epi8(static_cast<char>(foldByte(byte))));
  }
  return _mm_cmpeq_epi8(block, _mm_set1_epi8(static_cast<char>(byte)));
}

// The candidates among the 16 positions from `p`: where both the first and
// the last byte of the needle agree; only those are compared in full.
inline unsigned candidatesAt(const char* data, size_t p, const char* needle, size_t needleSize,
                             bool ignoreCase) {
  unsigned char first = static_cast<unsigned char>(needle[0]);
  unsigned char last = static_cast<unsigned char>(needle[needleSize - 1]);
  __m128i heads = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p));
  __m128i tails = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p + needleSize - 1));
  return static_cast<unsigned>(_mm_movemask_epi8(
      _mm_and_si128(matchByte(heads, first, ignoreCase), matchByte(tails, last, ignoreCase))));
}

// The first candidate in `mask` (positions from `p`) that is an occurrence,
// or notFound.
inline size_t firstOccurrence(unsigned mask, const char* data, size_t p, const char* needle,
                              size_t needleSize, bool ignoreCase) {
  for (; mask != 0; mask &= mask - 1) {
    size_t candidate = p + static_cast<size_t>(__builtin_ctz(mask));
    if (needleSize <= 2 ||
        sameBytes(data + candidate + 1, needle + 1, needleSize - 2, ignoreCase)) {
      return candidate;
    }
  }
  return static_cast<size_t>(-1);
}

// 16 positions at a time; the last block overlaps the one before it, with
// the positions already tried masked off. Ranges too short for one block go
// byte by byte.
size_t findNeedleVector(const char* data, size_t size, size_t start, const char* needle,
                        size_t needleSize, bool ignoreCase) {
  if (size - start < needleSize - 1 + 16) {
    return findNeedleScalar(data, size, start, needle, needleSize, ignoreCase);
  }
  const size_t lastBlock = size - (needleSize - 1) - 16;
  for (size_t p = start; p < lastBlock; p += 16) {
    unsigned mask = candidatesAt(data, p, needle, needleSize, ignoreCase);
    size_t found = firstOccurrence(mask, data, p, needle, needleSize, ignoreCase);
    if (found != static_cast<size_t>(-1)) {
      return found;
    }
  }
  // Positions before `tried` were covered by the loop's blocks.
  size_t tried = start + (lastBlock - start + 15) / 16 * 16;
  unsigned mask = candidatesAt(data, lastBlock, needle, needleSize, ignoreCase) &
                  (0xFFFFu << (tried - lastBlock));
  size_t found = firstOccurrence(mask, data, lastBlock, needle, needleSize, ignoreCase);
  return found != static_cast<size_t>(-1) ? found : size;
}

#endif

}  // namespace

size_t findNeedleScalar(const char* data, size_t size, size_t start, const char* needle,
                        size_t needleSize, bool ignoreCase) {
  if (start >= size || size - start < needleSize) {
    return size;
  }
  for (size_t p = start; p <= size - needleSize; ++p) {
    if (sameBytes(data + p, needle, 1, ignoreCase) &&
        sameBytes(data + p + 1, needle + 1, needleSize - 1, ignoreCase)) {
      return p;
    }
  }
  return size;
}

size_t findNeedle(const char* data, size_t size, size_t start, const char* needle,
                  size_t needleSize, bool ignoreCase) {
#if defined(__SSE2__)
  if (start >= size || size - start < needleSize) {
    return size;
  }
  return findNeedleVector(data, size, start, needle, needleSize, ignoreCase);
#else
  return findNeedleScalar(data, size, start, needle, needleSize, ignoreCase);
#endif
}

size_t findLineBreak(const char* data, size_t size, size_t start) {
  size_t p = start;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; p + 16 <= size; p += 16) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p));
    unsigned mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf))));
    if (mask != 0) {
      return p + static_cast<size_t>(__builtin_ctz(mask));
    }
  }
#endif
  for (; p < size; ++p) {
    if (data[p] == '\r' || data[p] == '\n') {
      return p;
    }
  }
  return size;
}

size_t findLineStart(const char* data, size_t floor, size_t end) {
  size_t p = end;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; p >= floor + 16; p -= 16) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p - 16));
    unsigned mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf))));
    if (mask != 0) {
      return p - 16 + static_cast<size_t>(32 - __builtin_clz(mask));
    }
  }
#endif
  for (; p > floor; --p) {
    if (data[p - 1] == '\r' || data[p - 1] == '\n') {
      return p;
    }
  }
  return floor;
}

size_t findControlByte(const char* data, size_t size, size_t start) {
  size_t p = start;
#if defined(__SSE2__)
  for (; p + 16 <= size; p += 16) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p));
    __m128i found =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_setzero_si128()),
                                  _mm_cmpeq_epi8(block, _mm_set1_epi8('\a'))),
                     _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\t')),
                                               _mm_cmpeq_epi8(block, _mm_set1_epi8('\n'))),
                                  _mm_cmpeq_epi8(block, _mm_set1_epi8('\r'))));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(found));
    if (mask != 0) {
      return p + static_cast<size_t>(__builtin_ctz(mask));
    }
  }
#endif
  for (; p < size; ++p) {
    char c = data[p];
    if (c == 0 || c == '\a' || c == '\t' || c == '\n' || c == '\r') {
      return p;
    }
  }
  return size;
}

size_t countLineEnds(const char* data, size_t size) {
  size_t count = 0;
  size_t p = 0;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  // Each byte lane counts up to 255 line ends before the lanes are summed.
  while (p + 17 <= size) {
    __m128i lanes = _mm_setzero_si128();
    for (int round = 0; round < 255 && p + 17 <= size; ++round, p += 16) {
      __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p));
      __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p + 1));
      __m128i loneCr = _mm_andnot_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(block, cr));
      lanes = _mm_sub_epi8(lanes, _mm_or_si128(_mm_cmpeq_epi8(block, lf), loneCr));
    }
    __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
    count += static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
  }
#endif
  for (; p < size; ++p) {
    if (data[p] == '\n' || (data[p] == '\r' && (p + 1 == size || data[p + 1] != '\n'))) {
      ++count;
    }
  }
  return count;
}
