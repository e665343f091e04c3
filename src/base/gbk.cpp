#include "base/gbk.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>

namespace pim {

size_t FindText(std::string_view text, std::string_view needle, size_t from) {
  if (needle.empty()) return from <= text.size() ? from : std::string_view::npos;
  const size_t n = text.size();
  size_t i = 0;
  // Walk from the start: only the character boundaries tell where a match may begin.
  while (i < n) {
    if (i >= from && n - i >= needle.size() && text[i] == needle[0] &&
        std::memcmp(text.data() + i, needle.data(), needle.size()) == 0)
      return i;
    i += GbCharSize(text, i);
  }
  return std::string_view::npos;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t start = 0;
  // One walk over the character boundaries, the ones FindText takes: linear in the text.
  for (size_t i = 0, n = text.size(); i < n;) {
    if (i >= start && text.substr(i).starts_with(from)) {
      out.append(text.substr(start, i - start));
      out.append(to);
      start = i + from.size();
    }
    i += GbCharSize(text, i);
  }
  out.append(text.substr(start));
  return out;
}

bool ScanInt(std::string_view text, int32_t& value) {
  size_t i = 0;
  auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
  int64_t magnitude = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  int64_t result = negative ? -magnitude : magnitude;
  if (result > std::numeric_limits<int32_t>::max()) result = std::numeric_limits<int32_t>::max();
  value = static_cast<int32_t>(result);
  return true;
}

std::string Format(const char* format, ...) {
  // Grow until the text fits; some C runtimes answer -1 instead of the size needed.
  std::string out(128, '\0');
  for (;;) {
    va_list args;
    va_start(args, format);
    const int size = std::vsnprintf(out.data(), out.size(), format, args);
    va_end(args);
    if (size >= 0 && static_cast<size_t>(size) < out.size()) {
      out.resize(static_cast<size_t>(size));
      return out;
    }
    if (out.size() > (size_t{1} << 26)) return {};  // a broken format, not a long text
    out.resize(size >= 0 ? static_cast<size_t>(size) + 1 : out.size() * 2);
  }
}

}  // namespace pim
