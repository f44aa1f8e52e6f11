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

// One byte of the needle as a comparison: the bytes of a block that, with
// `fold` set in them, equal `target`. Under ignoreCase a letter's fold is bit
// 5, which maps exactly its two cases onto the lower-case one; any other byte
// is compared as it is.
struct ByteTest {
  __m128i fold;
  __m128i target;
};

ByteTest byteTest(unsigned char byte, bool ignoreCase) {
  bool folded = ignoreCase && isLetter(byte);
  return {_mm_set1_epi8(folded ? 0x20 : 0),
          _mm_set1_epi8(static_cast<char>(folded ? foldByte(byte) : byte))};
}

inline __m128i passes(const ByteTest& test, const char* at) {
  __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  return _mm_cmpeq_epi8(_mm_or_si128(block, test.fold), test.target);
}

// The candidates among the 16 positions from `p`: where both the first and
// the last byte of the needle agree; only those are compared in full.
struct NeedleTest {
  ByteTest first;
  ByteTest last;
  size_t lastOffset;
};

inline unsigned candidatesAt(const NeedleTest& test, const char* data, size_t p) {
  return static_cast<unsigned>(_mm_movemask_epi8(
      _mm_and_si128(passes(test.first, data + p), passes(test.last, data + p + test.lastOffset))));
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

// 16 positions at a time, two blocks to a round while there is room; the
// last block overlaps the one before it, with the positions already tried
// masked off. Ranges too short for one block go byte by byte.
size_t findNeedleVector(const char* data, size_t size, size_t start, const char* needle,
                        size_t needleSize, bool ignoreCase) {
  if (size - start < needleSize - 1 + 16) {
    return findNeedleScalar(data, size, start, needle, needleSize, ignoreCase);
  }
  const NeedleTest test{byteTest(static_cast<unsigned char>(needle[0]), ignoreCase),
                        byteTest(static_cast<unsigned char>(needle[needleSize - 1]), ignoreCase),
                        needleSize - 1};
  const size_t lastBlock = size - (needleSize - 1) - 16;
  size_t p = start;
  for (; p + 16 < lastBlock; p += 32) {
    unsigned mask = candidatesAt(test, data, p) | candidatesAt(test, data, p + 16) << 16;
    size_t found = firstOccurrence(mask, data, p, needle, needleSize, ignoreCase);
    if (found != static_cast<size_t>(-1)) {
      return found;
    }
  }
  for (; p < lastBlock; p += 16) {
    unsigned mask = candidatesAt(test, data, p);
    size_t found = firstOccurrence(mask, data, p, needle, needleSize, ignoreCase);
    if (found != static_cast<size_t>(-1)) {
      return found;
    }
  }
  // Positions before `p` were covered by the blocks above.
  unsigned mask = candidatesAt(test, data, lastBlock) & (0xFFFFu << (p - lastBlock));
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

#if defined(__SSE2__)
namespace {

// Copies the 16 bytes at `from` to `to`, control bytes dotted; false, with
// nothing written, when one of them is NUL.
inline bool copyDottedBlock(char* to, const char* from) {
  __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
  if (_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_setzero_si128())) != 0) {
    return false;
  }
  __m128i control = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\a')),
                                              _mm_cmpeq_epi8(block, _mm_set1_epi8('\t'))),
                                 _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\n')),
                                              _mm_cmpeq_epi8(block, _mm_set1_epi8('\r'))));
  block =
      _mm_or_si128(_mm_andnot_si128(control, block), _mm_and_si128(control, _mm_set1_epi8('.')));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to), block);
  return true;
}

}  // namespace
#endif

size_t copyDotted(char* to, const char* from, size_t size) {
  size_t p = 0;
#if defined(__SSE2__)
  while (p + 16 <= size && copyDottedBlock(to + p, from + p)) {
    p += 16;
  }
  // The last block may overlap the others: it writes the same bytes again.
  if (p < size && size >= 16 && p + 16 > size &&
      copyDottedBlock(to + size - 16, from + size - 16)) {
    return size;
  }
#endif
  for (; p < size; ++p) {
    char c = from[p];
    if (c == 0) {
      return p;
    }
    to[p] = c == '\a' || c == '\t' || c == '\n' || c == '\r' ? '.' : c;
  }
  return size;
}

#if defined(__SSE2__)
namespace {

// The lanes of the 16 bytes at `at` that end a line (0xFF); at[16] is read.
inline __m128i lineEndsAt(const char* at, __m128i cr, __m128i lf) {
  __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1));
  __m128i loneCr = _mm_andnot_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(block, cr));
  return _mm_or_si128(_mm_cmpeq_epi8(block, lf), loneCr);
}

}  // namespace
#endif

size_t countLineEnds(const char* data, size_t size) {
  size_t count = 0;
  size_t p = 0;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  // Each byte lane counts up to 254 line ends, two blocks to a round, before
  // the lanes are summed.
  while (p + 17 <= size) {
    __m128i lanes = _mm_setzero_si128();
    int round = 0;
    for (; round < 127 && p + 33 <= size; ++round, p += 32) {
      lanes = _mm_sub_epi8(lanes, lineEndsAt(data + p, cr, lf));
      lanes = _mm_sub_epi8(lanes, lineEndsAt(data + p + 16, cr, lf));
    }
    if (round < 127 && p + 17 <= size) {
      lanes = _mm_sub_epi8(lanes, lineEndsAt(data + p, cr, lf));
      p += 16;
    }
    __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
    count += static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
  }
  if (p < size && size >= 16) {
    // The last 16 bytes, those already counted masked off; the byte after
    // the last is no line feed.
    static const char lanesFrom16[32] = {0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
                                         0,  0,  0,  0,  0,  -1, -1, -1, -1, -1, -1,
                                         -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + size - 16));
    __m128i next = _mm_srli_si128(block, 1);
    __m128i loneCr = _mm_andnot_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(block, cr));
    __m128i ends =
        _mm_and_si128(_mm_or_si128(_mm_cmpeq_epi8(block, lf), loneCr),
                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanesFrom16 + (size - p))));
    __m128i sums = _mm_sad_epu8(_mm_sub_epi8(_mm_setzero_si128(), ends), _mm_setzero_si128());
    return count + static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
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
