#include "base/line_reader.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pim {

bool LineReader::Fill() {
  if (drained_) return false;
  pos_ = 0;
  end_ = source_.Read(buffer_, kSize);
  std::memset(buffer_ + end_, 0, kSlack);  // what the search may read past the end is known
  if (end_ == 0) drained_ = true;
  return end_ > 0;
}

const char* LineReader::FindLineEnd(const char* p) const {
  const char* const end = buffer_ + end_;
#if defined(__SSE2__)
  // Sixteen bytes a step; a block may run past end_ into the slack, never past the array.
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8(rules_ == Rules::Xml ? '\r' : '\n');
  for (; p < end; p += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const unsigned hits = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, lf), _mm_cmpeq_epi8(block, cr))));
    if (hits) return std::min(p + __builtin_ctz(hits), end);
  }
  return end;
#else
  for (; p < end; ++p)
    if (*p == '\n' || (*p == '\r' && rules_ == Rules::Xml)) return p;
  return end;
#endif
}

int LineReader::NextByte() {
  if (pos_ == end_ && !Fill()) return -1;
  return static_cast<unsigned char>(buffer_[pos_++]);
}

bool LineReader::ReadLine(std::string& line) {
  std::string_view view;
  const bool any = ReadLine(view);
  if (view.data() == spill_.data())
    line.swap(spill_);  // a long line is not copied twice
  else
    line.assign(view);
  return any;
}

bool LineReader::ReadLine(std::string_view& line) {
  // Most lines lie whole in the buffer and are handed out in place; the rest gather in spill_.
  bool spilled = false;
  for (;;) {
    if (pos_ == end_ && !Fill()) {
      line = spilled ? std::string_view(spill_) : std::string_view();
      return spilled;
    }
    const char* start = buffer_ + pos_;
    const size_t run = static_cast<size_t>(FindLineEnd(start) - start);
    pos_ += run;
    if (pos_ == end_) {  // no line end in the buffer: keep the run and read on
      if (!spilled) spill_.clear();
      spill_.append(start, run);
      spilled = true;
      continue;
    }
    char terminator = buffer_[pos_++];
    if (terminator == '\r' && pos_ < end_ && buffer_[pos_] == '\n') {
      ++pos_;  // CR LF, the usual end, seen whole in the buffer
      terminator = '\n';
    }
    size_t length = run;
    if (terminator == '\n' && rules_ == Rules::Config) {  // drop a CR right before the LF
      if (length > 0 && start[length - 1] == '\r')
        --length;
      else if (length == 0 && spilled && spill_.back() == '\r')
        spill_.pop_back();
    }
    if (terminator == '\n' && !spilled) {
      line = std::string_view(start, length);
      return true;
    }
    if (!spilled) spill_.clear();
    spill_.append(start, length);
    if (terminator != '\n') {
      // A CR under the document rules: the byte after it is part of the line end only if it
      // is LF; anything else becomes the line's last character.
      const int next = NextByte();
      if (next >= 0 && next != '\n') spill_.push_back(static_cast<char>(next));
    }
    line = spill_;
    return true;
  }
}

}  // namespace pim
