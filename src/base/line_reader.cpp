#include "base/line_reader.h"

#include <cstring>

namespace pim {

bool LineReader::Fill() {
  if (drained_) return false;
  pos_ = 0;
  end_ = source_.Read(buffer_, sizeof buffer_);
  if (end_ == 0) drained_ = true;
  return end_ > 0;
}

int LineReader::NextByte() {
  if (pos_ == end_ && !Fill()) return -1;
  return static_cast<unsigned char>(buffer_[pos_++]);
}

bool LineReader::ReadLine(std::string& line) {
  line.clear();
  bool any = false;
  for (;;) {
    if (pos_ == end_ && !Fill()) return any;
    any = true;
    // Copy the run of plain bytes up to the next line end in one go.
    const char* start = buffer_ + pos_;
    const size_t avail = end_ - pos_;
    const void* lf = std::memchr(start, '\n', avail);
    size_t run = lf ? static_cast<size_t>(static_cast<const char*>(lf) - start) : avail;
    if (rules_ == Rules::Xml) {
      const void* cr = std::memchr(start, '\r', run);
      if (cr) run = static_cast<size_t>(static_cast<const char*>(cr) - start);
    }
    line.append(start, run);
    pos_ += run;
    if (pos_ == end_) continue;
    const char terminator = buffer_[pos_++];
    if (terminator == '\n') {
      if (rules_ == Rules::Config && !line.empty() && line.back() == '\r') line.pop_back();
      return true;
    }
    // A CR under the document rules: the byte after it is part of the line end only if it
    // is LF; anything else becomes the line's last character.
    const int next = NextByte();
    if (next >= 0 && next != '\n') line.push_back(static_cast<char>(next));
    return true;
  }
}

}  // namespace pim
