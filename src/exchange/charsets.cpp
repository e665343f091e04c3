#include "exchange/charsets.h"

#include <array>
#include <cstdint>
#include <utility>

#include "base/gb18030.h"
#include "base/gbk.h"

namespace pim {

namespace {

#include "big5_table.inc"

constexpr uint32_t kBig5TrailSpan = 191;
constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 where it differs from ISO-8859-1; 0 for its five unassigned codes.
constexpr std::array<char16_t, 32> kWindows1252 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// The name without case, "-", "_" and blanks, so "gb_2312" and "GB-2312" meet.
std::string Key(std::string_view name) {
  std::string key;
  for (char c : name)
    if (c != '-' && c != '_' && c != ' ' && c != '"') key.push_back(Lower(c));
  return key;
}

// Appends one character; "?" (counted) for what the program's text cannot take.
void Put(std::string& out, char32_t c, size_t& replaced) {
  if (c == 0 || !AppendGbChar(out, c)) {
    out.push_back('?');
    ++replaced;
  }
}

size_t DecodeUtf8Into(std::string& out, std::string_view bytes) {
  size_t replaced = 0;
  for (size_t i = 0; i < bytes.size();) {
    const auto [code, size] = DecodeUtf8(bytes, i);
    if (size == 0) {
      out.push_back('?');
      ++replaced;
      ++i;
    } else {
      Put(out, code, replaced);
      i += size;
    }
  }
  return replaced;
}

size_t DecodeGbInto(std::string& out, std::string_view bytes) {
  size_t replaced = 0;
  for (size_t i = 0; i < bytes.size();) {
    const GbChar ch = DecodeGbChar(bytes, i);
    if (ch.valid && ch.code != 0) {
      out.append(bytes.substr(i, ch.size));
    } else {
      out.push_back('?');
      ++replaced;
    }
    i += ch.size;
  }
  return replaced;
}

size_t DecodeBig5Into(std::string& out, std::string_view bytes) {
  size_t replaced = 0;
  for (size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      Put(out, lead, replaced);
      ++i;
      continue;
    }
    const auto trail = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
    const bool pair = lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE;
    const char16_t code = pair ? kBig5[(lead - 0x81u) * kBig5TrailSpan + (trail - 0x40u)] : 0;
    if (code) {
      Put(out, code, replaced);
      i += 2;
    } else {
      out.push_back('?');
      ++replaced;
      ++i;
    }
  }
  return replaced;
}

size_t DecodeUtf16Into(std::string& out, std::string_view bytes, bool little) {
  size_t replaced = 0;
  const auto unit = [&](size_t i) -> char32_t {
    const auto a = static_cast<unsigned char>(bytes[i]),
               b = static_cast<unsigned char>(bytes[i + 1]);
    return little ? (b << 8 | a) : (a << 8 | b);
  };
  size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
        unit(i + 2) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0;
    }
    Put(out, c, replaced);
  }
  if (i < bytes.size()) {
    out.push_back('?');
    ++replaced;
  }
  return replaced;
}

}  // namespace

Charset CharsetByName(std::string_view name) {
  const std::string key = Key(name);
  if (key == "utf8" || key == "usascii" || key == "ascii") return Charset::Utf8;
  if (key == "gbk" || key == "gb2312" || key == "gb18030" || key == "cp936" || key == "xgbk" ||
      key == "euccn" || key == "windows936" || key == "ms936" || key == "hzgb2312")
    return Charset::Gbk;
  if (key == "big5" || key == "cp950" || key == "windows950" || key == "ms950" ||
      key == "big5hkscs" || key == "xxbig5")
    return Charset::Big5;
  if (key == "iso88591" || key == "latin1" || key == "l1" || key == "iso885915")
    return Charset::Latin1;
  if (key == "windows1252" || key == "cp1252") return Charset::Windows1252;
  if (key == "utf16le") return Charset::Utf16Le;
  if (key == "utf16be" || key == "utf16") return Charset::Utf16Be;
  return Charset::Unknown;
}

size_t AppendDecoded(std::string& out, std::string_view bytes, Charset charset) {
  size_t replaced = 0;
  switch (charset) {
    case Charset::Gbk:
      return DecodeGbInto(out, bytes);
    case Charset::Big5:
      return DecodeBig5Into(out, bytes);
    case Charset::Latin1:
    case Charset::Windows1252:
      for (const char b : bytes) {
        const auto c = static_cast<unsigned char>(b);
        const bool table = charset == Charset::Windows1252 && c >= 0x80 && c < 0xA0;
        Put(out, table ? kWindows1252[c - 0x80] : c, replaced);
      }
      return replaced;
    case Charset::Utf16Le:
    case Charset::Utf16Be:
      return DecodeUtf16Into(out, bytes, charset == Charset::Utf16Le);
    case Charset::Utf8:
    case Charset::Unknown:
      break;
  }
  return DecodeUtf8Into(out, bytes);
}

bool IsUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    // Runs of ASCII are the common case.
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t size = DecodeUtf8(bytes, i).second;
    if (size == 0) return false;
    i += size;
  }
  return true;
}

void AppendUtf8FromText(std::string& out, std::string_view text) {
  // Written through a pointer into room for the longest result (a broken byte takes three),
  // as exports convert many megabytes.
  const size_t start = out.size();
  out.resize(start + text.size() * 3);
  char* p = out.data() + start;
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      *p++ = static_cast<char>(c);
      ++i;
      continue;
    }
    const GbChar ch = DecodeGbChar(text, i);
    const char32_t u = ch.valid ? ch.code : kReplacement;
    if (u < 0x800) {
      *p++ = static_cast<char>(0xC0 | (u >> 6));
      *p++ = static_cast<char>(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
      *p++ = static_cast<char>(0xE0 | (u >> 12));
      *p++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (u & 0x3F));
    } else {
      *p++ = static_cast<char>(0xF0 | (u >> 18));
      *p++ = static_cast<char>(0x80 | ((u >> 12) & 0x3F));
      *p++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (u & 0x3F));
    }
    i += ch.size;
  }
  out.resize(static_cast<size_t>(p - out.data()));
}

std::string Utf8FromText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  AppendUtf8FromText(out, text);
  return out;
}

bool BeyondGbk(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const GbChar ch = DecodeGbChar(text, i);
    if (!ch.valid || ch.size == 4) return true;
    i += ch.size;
  }
  return false;
}

std::string GbkOnly(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const GbChar ch = DecodeGbChar(text, i);
    if (ch.valid && ch.size < 4)
      out.append(text.substr(i, ch.size));
    else
      out.push_back('?');
    i += ch.size;
  }
  return out;
}

size_t CountChars(std::string_view text) {
  size_t n = 0;
  for (size_t i = 0; i < text.size(); i += DecodeGbChar(text, i).size) ++n;
  return n;
}

bool DecodeTextFile(std::string_view bytes, std::string& text, size_t& replaced) {
  text.clear();
  replaced = 0;
  const auto starts = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
  if (starts(std::string_view("\xFF\xFE\0\0", 4)) || starts(std::string_view("\0\0\xFE\xFF", 4)))
    return false;  // UTF-32
  if (starts("\xFF\xFE") || starts("\xFE\xFF")) {
    replaced = AppendDecoded(text, bytes.substr(2),
                             starts("\xFF\xFE") ? Charset::Utf16Le : Charset::Utf16Be);
    return true;
  }
  if (starts("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  if (bytes.find('\0') != std::string_view::npos) return false;
  if (IsUtf8(bytes)) {
    replaced = AppendDecoded(text, bytes, Charset::Utf8);
    return true;
  }
  replaced = AppendDecoded(text, bytes, Charset::Gbk);
  // Text of another encoding read as GBK breaks at every few characters; a cut at its end
  // or a stray byte or two is a damaged text file still.
  return replaced <= 3 || replaced * 20 <= CountChars(text);
}

}  // namespace pim
