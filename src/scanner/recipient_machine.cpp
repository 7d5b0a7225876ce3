#include "scanner/recipient_machine.h"

#include <cstring>

// RECIPSCAN_NO_SIMD builds the portable search alone, as on other processors.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && \
    !defined(RECIPSCAN_NO_SIMD)
#define RECIPSCAN_X86_64 1
#include <immintrin.h>
#endif

namespace recipscan {
namespace {

// Most input bytes are examined only while looking for the name tag, so the
// speed of the whole scan is the speed of that search. A finder returns the
// first 0x13 in [p, end) that may begin a candidate, or end; it may pass over
// a tag only if that tag's name length is in the block and refused.

// PortableFinder leans on the C library, which vectorises memchr itself.
struct PortableFinder {
  static const std::uint8_t* find(const std::uint8_t* p,
                                  const std::uint8_t* end) {
    const void* hit = std::memchr(p, RecipientMachine::name_tag,
                                  static_cast<std::size_t>(end - p));
    return hit != nullptr ? static_cast<const std::uint8_t*>(hit) : end;
  }
};

#ifdef RECIPSCAN_X86_64
// The vector finders compare 64 bytes per step and test one combined mask, so
// a hit costs a bit scan rather than a library call. They pass over a tag
// whose name length is refused: the refusal consumes the length byte too, and
// that byte cannot be a tag itself, since 0x13 is an accepted length. On
// random bytes that spares the steps seven tags in ten.
//
// They also ask for the bytes a page ahead: the hardware's own prefetch stops
// at page boundaries, and the scan is otherwise bound by memory latency. A
// prefetch never faults, even past the end of the input.
constexpr std::size_t prefetch_distance = 4096;

// Adding this to a name length maps the accepted lengths 1 to 79, and only
// those, below length_limit as signed bytes.
constexpr char length_bias = 0x7F;
constexpr char length_limit = -49;

// find_tail is the plain search, for the few bytes a vector does not cover.
const std::uint8_t* find_tail(const std::uint8_t* p, const std::uint8_t* end) {
  while (p < end && *p != RecipientMachine::name_tag) ++p;
  return p;
}

struct Sse2Finder {
  // Bit i is set where p[i] is a tag and p[i + 1] an accepted length.
  static std::uint64_t hits16(const std::uint8_t* p) {
    __m128i tags = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i lengths = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
    __m128i hit = _mm_and_si128(
        _mm_cmpeq_epi8(tags, _mm_set1_epi8(RecipientMachine::name_tag)),
        _mm_cmpgt_epi8(_mm_set1_epi8(length_limit),
                       _mm_add_epi8(lengths, _mm_set1_epi8(length_bias))));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(hit));
  }

  static const std::uint8_t* find(const std::uint8_t* p,
                                  const std::uint8_t* end) {
    // Tags often come close together (runs of 0x13 are the worst case), so
    // the first byte is tested on its own before a vector is loaded.
    if (p == end || *p == RecipientMachine::name_tag) return p;
    while (end - p > 64) {  // the last tag's length is in the block too
      _mm_prefetch(reinterpret_cast<const char*>(p) + prefetch_distance,
                   _MM_HINT_T0);
      std::uint64_t mask = hits16(p) | hits16(p + 16) << 16 |
                           hits16(p + 32) << 32 | hits16(p + 48) << 48;
      if (mask != 0) return p + __builtin_ctzll(mask);
      p += 64;
    }
    while (end - p > 16) {
      std::uint64_t mask = hits16(p);
      if (mask != 0) return p + __builtin_ctzll(mask);
      p += 16;
    }
    return find_tail(p, end);
  }
};

struct Avx2Finder {
  __attribute__((target("avx2"))) static std::uint64_t hits32(
      const std::uint8_t* p) {
    __m256i tags = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    __m256i lengths =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1));
    __m256i hit = _mm256_and_si256(
        _mm256_cmpeq_epi8(tags, _mm256_set1_epi8(RecipientMachine::name_tag)),
        _mm256_cmpgt_epi8(
            _mm256_set1_epi8(length_limit),
            _mm256_add_epi8(lengths, _mm256_set1_epi8(length_bias))));
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(hit));
  }

  __attribute__((target("avx2"))) static const std::uint8_t* find(
      const std::uint8_t* p, const std::uint8_t* end) {
    if (p == end || *p == RecipientMachine::name_tag) return p;
    while (end - p > 64) {
      _mm_prefetch(reinterpret_cast<const char*>(p) + prefetch_distance,
                   _MM_HINT_T0);
      std::uint64_t mask = hits32(p) | hits32(p + 32) << 32;
      if (mask != 0) return p + __builtin_ctzll(mask);
      p += 64;
    }
    return Sse2Finder::find(p, end);
  }
};
#endif

bool printable(std::uint8_t c) { return c >= 0x20 && c <= 0x7E; }

// accepted reports whether |length| is a length of 1 to |longest|.
bool accepted(std::uint8_t length, std::size_t longest) {
  return length != 0 && length <= longest;
}

// The bytes a candidate can take after its name tag: the name length, the
// longest name, the serial tag, the serial length and the longest serial.
constexpr std::size_t longest_candidate =
    1 + RecipientMachine::max_name + 1 + 1 + RecipientMachine::max_serial;

// whole_candidate runs the steps after a name tag over |p|, which must have
// longest_candidate bytes readable, writes the record if there is one, and
// returns the first byte not examined.
inline const std::uint8_t* whole_candidate(const std::uint8_t* p,
                                           ReportBuffer& out) {
  std::uint8_t name_length = *p++;
  if (!accepted(name_length, RecipientMachine::max_name)) return p;
  const std::uint8_t* name = p;
  for (std::size_t i = 0; i < name_length; ++i) {
    if (!printable(name[i])) return name + i + 1;
  }
  p += name_length;
  if (*p++ != RecipientMachine::serial_tag) return p;
  std::uint8_t serial_length = *p++;
  if (!accepted(serial_length, RecipientMachine::max_serial)) return p;
  out.record(name, name_length, p, serial_length);
  return p + serial_length;
}

}  // namespace

// One pass of the pattern steps over a block. Each case consumes the bytes its
// step reads and leaves |p| on the first byte not yet examined.
template <class Finder>
void feed_with(RecipientMachine& m, const std::uint8_t* data, std::size_t size,
               ReportBuffer& out) {
  using Step = RecipientMachine::Step;
  const std::uint8_t* p = data;
  const std::uint8_t* const end = data + size;
  while (p < end) {
    switch (m.step_) {
      case Step::tag:
        // Far enough from the block's end for the longest candidate, the
        // steps run straight through, reading the name in place.
        for (;;) {
          p = Finder::find(p, end);
          if (p == end) return;
          if (static_cast<std::size_t>(end - p) <= longest_candidate) break;
          p = whole_candidate(p + 1, out);
        }
        ++p;
        m.step_ = Step::name_length;
        break;
      case Step::name_length: {
        std::uint8_t length = *p++;
        if (!accepted(length, RecipientMachine::max_name)) {
          m.step_ = Step::tag;
        } else {
          m.name_length_ = length;
          m.stored_ = 0;
          m.step_ = Step::name;
        }
        break;
      }
      case Step::name: {
        auto avail = static_cast<std::size_t>(end - p);
        std::size_t want = m.name_length_ - m.stored_;
        std::size_t n = want < avail ? want : avail;
        std::uint8_t* name = m.name_ + m.stored_;
        std::size_t i = 0;
        while (i < n && printable(p[i])) {
          name[i] = p[i];
          ++i;
        }
        if (i < n) {  // p[i] breaks the name and is consumed with it
          p += i + 1;
          m.step_ = Step::tag;
          break;
        }
        p += n;
        m.stored_ = static_cast<std::uint8_t>(m.stored_ + n);
        if (m.stored_ == m.name_length_) m.step_ = Step::serial_tag;
        break;
      }
      case Step::serial_tag:
        m.step_ = *p++ == RecipientMachine::serial_tag ? Step::serial_length
                                                       : Step::tag;
        break;
      case Step::serial_length: {
        std::uint8_t length = *p++;
        if (!accepted(length, RecipientMachine::max_serial)) {
          m.step_ = Step::tag;
        } else {
          out.head(m.name_, m.name_length_);
          m.serial_left_ = length;
          m.step_ = Step::serial;
        }
        break;
      }
      case Step::serial: {
        auto avail = static_cast<std::size_t>(end - p);
        std::size_t n = m.serial_left_ < avail ? m.serial_left_ : avail;
        out.serial(p, n);
        p += n;
        m.serial_left_ = static_cast<std::uint8_t>(m.serial_left_ - n);
        if (m.serial_left_ == 0) {
          out.end();
          m.step_ = Step::tag;
        }
        break;
      }
    }
  }
}

namespace {

#ifdef RECIPSCAN_X86_64
// flatten pulls the whole step loop into the AVX2 function, so the finder is
// inlined where the target allows it.
__attribute__((target("avx2"), flatten)) void feed_avx2(
    RecipientMachine& m, const std::uint8_t* data, std::size_t size,
    ReportBuffer& out) {
  feed_with<Avx2Finder>(m, data, size, out);
}

bool has_avx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}
#endif

}  // namespace

bool RecipientMachine::available(Search search) {
#ifdef RECIPSCAN_X86_64
  if (search == Search::avx2) {
    static const bool avx2 = has_avx2();
    return avx2;
  }
  return true;  // SSE2 is part of x86-64
#else
  return search == Search::best || search == Search::portable;
#endif
}

RecipientMachine::RecipientMachine(Search search)
    : feed_(feed_with<PortableFinder>) {
#ifdef RECIPSCAN_X86_64
  if (search == Search::best) {
    search = available(Search::avx2) ? Search::avx2 : Search::sse2;
  }
  if (search == Search::sse2) feed_ = feed_with<Sse2Finder>;
  if (search == Search::avx2) feed_ = feed_avx2;
#else
  (void)search;
#endif
}

void RecipientMachine::feed(const std::uint8_t* data, std::size_t size,
                            ReportBuffer& out) {
  feed_(*this, data, size, out);
}

void RecipientMachine::finish(ReportBuffer& out) {
  if (step_ == Step::serial) out.end();
  step_ = Step::tag;
}

}  // namespace recipscan
