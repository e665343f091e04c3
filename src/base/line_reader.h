// Reads text line by line through a 4096-byte buffer, with no look-ahead and no way back.
#pragma once

#include <string>

#include "base/file.h"

namespace pim {

class LineReader {
 public:
  enum class Rules {
    // Documents: a line ends at LF, at CR LF, or at a CR; after a lone CR the next byte is
    // still taken and becomes the last character of the line just ended.
    Xml,
    // Settings files: a line ends at LF; a CR right before the LF belongs to the line end,
    // any other CR is text.
    Config,
  };

  explicit LineReader(ByteSource& source, Rules rules = Rules::Xml)
      : source_(source), rules_(rules) {}
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line without its terminator. A last line without one is still returned.
  // When no byte is left, `line` is empty and the result is false.
  bool ReadLine(std::string& line);

 private:
  int NextByte();  // -1 at the end
  bool Fill();

  ByteSource& source_;
  Rules rules_;
  char buffer_[4096];
  size_t pos_ = 0;
  size_t end_ = 0;
  bool drained_ = false;
};

}  // namespace pim
