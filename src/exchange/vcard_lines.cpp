#include "exchange/vcard_lines.h"

#include <algorithm>

#include "base/gbk.h"
#include "exchange/contact_draft.h"

namespace pim::vcard {

namespace {

// Splits at `by` outside double quotes.
std::vector<std::string_view> SplitOutsideQuotes(std::string_view s, char by) {
  std::vector<std::string_view> parts;
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '"') quoted = !quoted;
    if (s[i] == by && !quoted) {
      parts.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(s.substr(start));
  return parts;
}

std::string_view Unquote(std::string_view v) {
  while (!v.empty() && (v.front() == ' ' || v.front() == '"')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '"')) v.remove_suffix(1);
  return v;
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsCardBoundary(std::string_view line) {
  line = TrimText(line);
  return EqualsNoCase(line, "BEGIN:VCARD") || EqualsNoCase(line, "END:VCARD");
}

}  // namespace

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return u;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 32) : a[i];
    const char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 32) : b[i];
    if (x != y) return false;
  }
  return true;
}

std::string Printable(std::string_view s) {
  std::string out;
  for (char c : s) out.push_back(c > 0x20 && c < 0x7F ? c : '?');
  return out;
}

bool IsMedia(std::string_view name) {
  return name == "PHOTO" || name == "LOGO" || name == "SOUND" || name == "X-MS-CARDPICTURE" ||
         name == "KEY";
}

size_t HeaderEnd(std::string_view line) {
  // Most lines of a picture have no colon at all.
  if (line.find(':') == std::string_view::npos) return std::string_view::npos;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ':' && !quoted) return i;
  }
  return std::string_view::npos;
}

Property ParseHeader(std::string_view header) {
  Property p;
  const std::vector<std::string_view> pieces = SplitOutsideQuotes(header, ';');
  std::string_view name = pieces[0];
  if (const size_t dot = name.rfind('.'); dot != std::string_view::npos) {
    p.group = Upper(name.substr(0, dot));
    name.remove_prefix(dot + 1);
  }
  p.name = Upper(Unquote(name));
  for (size_t i = 1; i < pieces.size(); ++i) {
    const size_t eq = pieces[i].find('=');
    const std::string key = Upper(Unquote(pieces[i].substr(0, eq)));
    if (eq == std::string_view::npos) {
      // Version 2.1 names types and encodings bare.
      if (key == "QUOTED-PRINTABLE" || key == "BASE64" || key == "B")
        p.encoding = key;
      else if (key == "PREF")
        p.pref = 1;
      else
        p.types.push_back(key);
      continue;
    }
    const std::string_view value = pieces[i].substr(eq + 1);
    if (key == "CHARSET") {
      p.charset = Unquote(value);
    } else if (key == "ENCODING") {
      p.encoding = Upper(Unquote(value));
    } else if (key == "VALUE") {
      p.valueType = Upper(Unquote(value));
    } else if (key == "X-APPLE-OMIT-YEAR") {
      p.omitYear = Unquote(value);
      p.hasOmitYear = true;
    } else if (key == "X-SERVICE-TYPE" || key == "SERVICE-TYPE") {
      p.serviceType = Printable(Upper(Unquote(value)));
    } else if (key == "PREF") {
      int pref = 0;
      for (char c : Unquote(value))
        if (c >= '0' && c <= '9' && pref < 1000) pref = pref * 10 + (c - '0');
      p.pref = pref > 0 ? pref : 1;
    } else if (key == "TYPE") {
      for (std::string_view t : SplitOutsideQuotes(Unquote(value), ',')) {
        const std::string type = Upper(Unquote(t));
        if (type == "PREF")
          p.pref = std::min(p.pref, 1);
        else if (!type.empty())
          p.types.push_back(type);
      }
    }
  }
  return p;
}

bool IsQuotedPrintable(const Property& p) { return p.encoding == "QUOTED-PRINTABLE"; }

bool IsBase64(const Property& p) { return p.encoding == "BASE64" || p.encoding == "B"; }

std::string DecodeQuotedPrintable(std::string_view s) {
  std::string out(s.size(), '\0');
  char* p = out.data();
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '=' && i + 2 < s.size() && Hex(s[i + 1]) >= 0 && Hex(s[i + 2]) >= 0) {
      *p++ = static_cast<char>(Hex(s[i + 1]) * 16 + Hex(s[i + 2]));
      i += 2;
    } else if (s[i] == '=' && i + 1 == s.size()) {
      break;  // a soft break that ended the value
    } else {
      *p++ = s[i];
    }
  }
  out.resize(static_cast<size_t>(p - out.data()));
  return out;
}

std::string DecodeBase64(std::string_view s) {
  std::string out;
  unsigned bits = 0;
  int count = 0;
  for (char c : s) {
    int v = c >= 'A' && c <= 'Z'   ? c - 'A'
            : c >= 'a' && c <= 'z' ? c - 'a' + 26
            : c >= '0' && c <= '9' ? c - '0' + 52
            : c == '+'             ? 62
            : c == '/'             ? 63
                                   : -1;
    if (c == '=') break;
    if (v < 0) continue;
    bits = (bits << 6) | static_cast<unsigned>(v);
    if ((count += 6) >= 8) {
      count -= 8;
      out.push_back(static_cast<char>((bits >> count) & 0xFF));
    }
  }
  return out;
}

std::vector<std::string> SplitEscaped(std::string_view text, char by) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < text.size();) {
    const size_t size = GbCharSize(text, i);
    if (size == 1 && text[i] == '\\' && i + 1 < text.size()) {
      const size_t next = GbCharSize(text, i + 1);
      parts.back().append(text.substr(i, 1 + next));
      i += 1 + next;
      continue;
    }
    if (size == 1 && text[i] == by)
      parts.emplace_back();
    else
      parts.back().append(text.substr(i, size));
    i += size;
  }
  return parts;
}

std::string Unescape(std::string_view text, bool v21) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t size = GbCharSize(text, i);
    if (size == 1 && text[i] == '\\' && i + 1 < text.size() && GbCharSize(text, i + 1) == 1) {
      const char c = text[i + 1];
      const bool separator = c == ';' || c == ',' || c == '\\';
      if (!v21 && (c == 'n' || c == 'N')) {
        out += "\r\n";
        i += 2;
        continue;
      }
      if (separator || (!v21 && (c == ':' || c == '"'))) {
        out.push_back(c);
        i += 2;
        continue;
      }
    }
    out.append(text.substr(i, size));
    i += size;
  }
  return out;
}

void ForEachContentLine(std::string_view bytes, const std::function<void(std::string_view)>& take) {
  std::string line;
  bool active = false, headerDone = false, qp = false, base64 = false, media = false;
  const auto append = [&](std::string_view piece) {
    if (media) return;
    line.append(piece);
    if (headerDone) return;
    const size_t colon = HeaderEnd(line);
    if (colon == std::string::npos) return;
    headerDone = true;
    const Property p = ParseHeader(std::string_view(line).substr(0, colon));
    qp = IsQuotedPrintable(p);
    base64 = IsBase64(p);
    if (IsMedia(p.name)) {
      // A picture is only counted: its megabytes are never gathered.
      line.resize(colon + 1);
      media = true;
    }
  };
  const auto finish = [&] {
    if (active) take(std::string_view(line));
    line.clear();
    active = headerDone = qp = base64 = media = false;
  };
  size_t nextLf = std::min(bytes.find('\n'), bytes.size());
  for (size_t start = 0; start < bytes.size();) {
    // The next LF is kept, and a CR looked for only before it, so each byte is searched once
    // even in a file of CRs alone.
    if (nextLf < start) {
      nextLf = bytes.find('\n', start);
      if (nextLf == std::string_view::npos) nextLf = bytes.size();
    }
    size_t end = bytes.substr(start, nextLf - start).find('\r');
    end = end == std::string_view::npos ? nextLf : start + end;
    const std::string_view physical = bytes.substr(start, end - start);
    start = end;
    if (start < bytes.size() && bytes[start] == '\r') ++start;
    if (start < bytes.size() && bytes[start] == '\n' && (start == end || bytes[end] == '\r'))
      ++start;

    if (active) {
      const bool blank = !physical.empty() && (physical[0] == ' ' || physical[0] == '\t');
      if (qp && !media && !line.empty() && line.back() == '=' && !IsCardBoundary(physical)) {
        line.pop_back();  // a soft break: the value goes on
        append(blank ? physical.substr(1) : physical);
        continue;
      }
      if (blank) {
        append(physical.substr(1));
        continue;
      }
      if ((base64 || media) && !physical.empty() && HeaderEnd(physical) == std::string::npos) {
        append(physical);  // version 2.1's base64 goes on until a blank line
        continue;
      }
      finish();
    }
    if (physical.empty()) continue;
    active = true;
    append(physical);
  }
  finish();
}

}  // namespace pim::vcard
