#include <cstring>

#include "base/gbk.h"
#include "xmldoc/xml.h"

namespace pim {

namespace xmlfield {

namespace {

// Whether a match at `at` is where FindText's walk from the start would stand: right after an
// even run of lead bytes, as the byte before such a run always ends a character.
bool AtBoundary(std::string_view text, size_t at) {
  size_t leads = 0;
  while (leads < at && IsGbkLeadByte(static_cast<unsigned char>(text[at - 1 - leads]))) ++leads;
  return leads % 2 == 0;
}

// Tags are a few bytes long: a plain loop beats a memcmp call.
bool MatchesAt(std::string_view text, size_t at, std::string_view needle) {
  if (text.size() - at < needle.size()) return false;
  for (size_t i = 0; i < needle.size(); ++i)
    if (text[at + i] != needle[i]) return false;
  return true;
}

}  // namespace

size_t FindAtBoundary(std::string_view text, std::string_view needle) {
  // Tags start with "<", never a lead byte, so the runs counted never overlap: linear.
  for (size_t at = text.find(needle); at != std::string_view::npos; at = text.find(needle, at + 1))
    if (AtBoundary(text, at)) return at;
  return std::string_view::npos;
}

bool Extract(std::string_view line, std::string_view open, std::string_view close,
             std::string& value) {
  size_t start = std::string_view::npos, end = std::string_view::npos;
  const size_t first = line.find('<');
  if (first != std::string_view::npos && !open.empty() && !close.empty() && open[0] == '<' &&
      close[0] == '<' && MatchesAt(line, first, open) && !MatchesAt(line, first, close) &&
      AtBoundary(line, first)) {
    // The usual line: the opening tag is its first "<" and the closing tag its next one.
    const size_t next = line.find('<', first + 1);
    if (next >= first + open.size() && next != std::string_view::npos &&
        MatchesAt(line, next, close) && AtBoundary(line, next)) {
      const size_t from = first + open.size();
      value.assign(line.data() + from, next - from);
      return true;
    }
  }
  // An empty line holds no tag; its view may point nowhere, which memchr must not see.
  if (!line.empty() && !open.empty() && !close.empty() && open[0] == '<' && close[0] == '<') {
    // Both tags in one pass over the line's "<"s: the read loops of every list spend most
    // of their time here.
    const char* const data = line.data();
    for (const char* p = data; (p = static_cast<const char*>(std::memchr(
                                    p, '<', static_cast<size_t>(data + line.size() - p))));
         ++p) {
      const size_t at = static_cast<size_t>(p - data);
      const bool isOpen = start == std::string_view::npos && MatchesAt(line, at, open);
      const bool isClose = end == std::string_view::npos && MatchesAt(line, at, close);
      if (!(isOpen || isClose) || !AtBoundary(line, at)) continue;
      if (isOpen) start = at;
      if (isClose) end = at;
      if (start != std::string_view::npos && end != std::string_view::npos) break;
    }
  } else {
    start = FindAtBoundary(line, open);
    end = FindAtBoundary(line, close);
  }
  if (start == std::string_view::npos || end == std::string_view::npos) return false;
  const size_t from = start + open.size();
  if (end > from)
    value.assign(line.data() + from, end - from);  // keeps the value's buffer
  else
    value.clear();
  return true;
}

bool SkipTo(LineReader& reader, std::string_view tag, std::string& line) {
  while (reader.ReadLine(line))
    if (FindAtBoundary(line, tag) != std::string_view::npos) return true;
  return false;
}

bool SkipTo(LineReader& reader, std::string_view tag, std::string_view& line) {
  while (reader.ReadLine(line))
    if (FindAtBoundary(line, tag) != std::string_view::npos) return true;
  return false;
}

std::string ReadMultiLine(LineReader& reader, const std::string& line, std::string_view open,
                          std::string_view close) {
  std::string value;
  if (Extract(line, open, close, value)) return value;
  const size_t start = FindAtBoundary(line, open);
  value.assign(line, start == std::string::npos ? line.size() : start + open.size());
  value += "\r\n";
  std::string_view next;  // in place: a long text is copied once, into the value
  while (reader.ReadLine(next)) {
    const size_t end = FindAtBoundary(next, close);
    if (end != std::string_view::npos) {
      value.append(next.substr(0, end));
      return value;
    }
    value += next;
    value += "\r\n";
  }
  return value;  // the file ended before the closing tag: keep what was there
}

}  // namespace xmlfield

void XML::ReportMissing(const char* text) { prompter_.ShowMessage(text, "XML ERROR"); }

}  // namespace pim
