// Reads text line by line through a 4096-byte buffer, with no look-ahead and no way back.
#pragma once

#include <string>
#include <string_view>

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
  // When no byte is left, `line` is empty and the result is false. A failed read ends the
  // lines as the end of the bytes does; failed() then tells them apart.
  bool ReadLine(std::string& line);
  // The same without a copy: `line` stays valid until the next read.
  bool ReadLine(std::string_view& line);
  // Whether the lines ended at a failed read rather than at the end of the bytes.
  bool failed() const { return source_.Failed(); }

 private:
  int NextByte();  // -1 at the end
  bool Fill();

  // The first line end in [p, end_), or end_: CR or LF under the document rules, LF else.
  const char* FindLineEnd(const char* p) const;

  static constexpr size_t kSize = 4096;
  static constexpr size_t kSlack = 16;  // lets the search read whole 16-byte blocks

  ByteSource& source_;
  Rules rules_;
  char buffer_[kSize + kSlack];
  size_t pos_ = 0;
  size_t end_ = 0;
  bool drained_ = false;
  std::string spill_;  // a line that crosses the buffer's end, or takes the byte after a CR
};

}  // namespace pim
