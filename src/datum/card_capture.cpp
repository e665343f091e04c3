#include "datum/card_capture.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "base/gb18030.h"
#include "base/gbk.h"
#include "datum/datum_store.h"
#include "exchange/safe_names.h"

namespace pim {
namespace {

// Blanks a title does not start or end with: space, TAB and the full-width space.
std::string_view TrimBlanks(std::string_view line) {
  const std::string_view wide = "\xA1\xA1";
  while (true) {
    if (line.starts_with(' ') || line.starts_with('\t')) {
      line.remove_prefix(1);
    } else if (line.starts_with(wide)) {
      line.remove_prefix(wide.size());
    } else {
      break;
    }
  }
  while (true) {
    if (line.ends_with(' ') || line.ends_with('\t')) {
      line.remove_suffix(1);
      // A trailing A1 A1 could be the second half of another character: walk to be sure.
    } else if (line.ends_with(wide) && line.size() >= 2) {
      size_t i = 0;
      while (i + GbCharSize(line, i) < line.size()) i += GbCharSize(line, i);
      if (line.substr(i) != wide) break;
      line.remove_suffix(wide.size());
    } else {
      break;
    }
  }
  return line;
}

// A header number: digits with any leading zeros, or -1 where the format allows it.
std::optional<int64_t> HeaderNumber(std::string_view text) {
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < -1) return std::nullopt;
  return value;
}

}  // namespace

std::string CutChars(std::string_view text, size_t maxChars) {
  size_t i = 0;
  for (size_t chars = 0; i < text.size() && chars < maxChars; ++chars) i += GbCharSize(text, i);
  return std::string(text.substr(0, i));
}

std::string CapturedTitle(std::string_view text) {
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = std::min(text.find_first_of("\r\n", at), text.size());
    const std::string_view line = TrimBlanks(text.substr(at, end - at));
    if (!line.empty()) {
      std::string title = SafeName(line, kCapturedTitleChars);
      // A card's name never holds "..": "Wait... what" becomes "Wait… what".
      for (size_t dots = FindText(title, ".."); dots != std::string::npos;
           dots = FindText(title, "..", dots)) {
        const size_t after = title.find_first_not_of('.', dots);
        title.replace(dots, (after == std::string::npos ? title.size() : after) - dots, Gb("…"));
      }
      if (!title.empty() && IsSafeTitle(title)) return title;
    }
    at = end + 1;
  }
  return {};
}

std::string WindowSource(std::string_view windowTitle, std::string_view program) {
  std::string tail;
  if (!program.empty()) {
    tail.reserve(program.size() + 2);
    tail.append("(").append(program).append(")");
  }
  if (windowTitle.empty() || tail.empty())
    return CutChars(tail.empty() ? windowTitle : tail, kSourceLimit);
  size_t tailChars = 0;
  for (size_t i = 0; i < tail.size(); i += GbCharSize(tail, i)) ++tailChars;
  if (tailChars + 1 >= kSourceLimit) return CutChars(tail, kSourceLimit);
  std::string source = CutChars(windowTitle, kSourceLimit - tailChars - 1);
  source.append(" ").append(tail);
  return source;
}

std::string CrLfLines(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += "\r\n";
      ++i;
    } else if (text[i] == '\r' || text[i] == '\n') {
      out += "\r\n";
    } else {
      out += text[i];
    }
  }
  return out;
}

std::optional<std::string> HtmlSourceUrl(std::string_view clip) {
  // The header: "Name:value" lines up to the first line that opens markup.
  std::optional<int64_t> startHtml, endHtml, startFragment, endFragment;
  std::optional<std::string_view> url;
  bool version = false;
  size_t at = 0;
  while (at < clip.size() && clip[at] != '<') {
    const size_t end = clip.find_first_of("\r\n", at);
    if (end == std::string_view::npos) return std::nullopt;  // cut inside the header
    const std::string_view line = clip.substr(at, end - at);
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view name = line.substr(0, colon), value = line.substr(colon + 1);
    if (name == "Version") version = true;
    if (name == "StartHTML") startHtml = HeaderNumber(value);
    if (name == "EndHTML") endHtml = HeaderNumber(value);
    if (name == "StartFragment") startFragment = HeaderNumber(value);
    if (name == "EndFragment") endFragment = HeaderNumber(value);
    if (name == "SourceURL") url = value;
    at = end + 1;
    if (clip[end] == '\r' && at < clip.size() && clip[at] == '\n') ++at;
  }
  const auto size = static_cast<int64_t>(clip.size());
  const auto headerEnd = static_cast<int64_t>(at);
  // The offsets must hold together, or the header cannot be trusted with the address either.
  if (!version || !startHtml || !endHtml || !startFragment || !endFragment) return std::nullopt;
  if (*startFragment < headerEnd || *startFragment > *endFragment || *endFragment > size)
    return std::nullopt;
  if ((*startHtml == -1) != (*endHtml == -1)) return std::nullopt;
  if (*startHtml != -1 && (*startHtml < headerEnd || *startHtml > *startFragment ||
                           *endHtml < *endFragment || *endHtml > size))
    return std::nullopt;
  if (!url) return std::nullopt;
  std::string_view address = *url;  // UTF-8: only ASCII blanks are trimmed
  while (address.starts_with(' ') || address.starts_with('\t')) address.remove_prefix(1);
  while (address.ends_with(' ') || address.ends_with('\t')) address.remove_suffix(1);
  if (address.empty()) return std::nullopt;
  for (char c : address)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::nullopt;
  std::string text;
  if (!Utf8ToGbStrict(address, text)) return std::nullopt;
  return CutChars(text, kSourceLimit);
}

}  // namespace pim
