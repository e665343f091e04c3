#include "base/gb18030.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/gbk.h"

namespace pim {

namespace {

struct FourByteRange {
  uint32_t linear;
  uint16_t unicode;
  uint16_t count;
};

#include "base/gb18030_tables.inc"

constexpr uint32_t kTrailSpan = 191;
constexpr uint32_t kFourByteBmpEnd = 39420;       // linear index after 84 31 A4 39
constexpr uint32_t kSupplementaryStart = 189000;  // linear index of 90 30 81 30
constexpr char32_t kReplacement = 0xFFFD;

char32_t FourByteBmp(uint32_t linear) {
  const auto* end = std::end(kFourByteRanges);
  const auto* r = std::upper_bound(std::begin(kFourByteRanges), end, linear,
                                   [](uint32_t l, const FourByteRange& x) { return l < x.linear; });
  if (r == std::begin(kFourByteRanges)) return 0;
  --r;
  return linear - r->linear < r->count ? r->unicode + (linear - r->linear) : 0;
}

// The code of every BMP character: below 0x100 one byte, below 0x10000 two bytes, else
// 0x10000 plus the four-byte linear index; 0 for the surrogates. Built once from the tables.
const uint32_t* EncodeTable() {
  static const std::unique_ptr<uint32_t[]> table = [] {
    auto t = std::make_unique<uint32_t[]>(0x10000);
    for (uint32_t b = 0; b < 0x80; ++b) t[b] = b;
    for (uint32_t i = 0; i < 128; ++i)
      if (kSingleHigh[i]) t[kSingleHigh[i]] = 0x80 + i;
    for (uint32_t i = 0; i < std::size(kTwoByte); ++i)
      if (kTwoByte[i]) t[kTwoByte[i]] = ((0x81 + i / kTrailSpan) << 8) | (0x40 + i % kTrailSpan);
    for (const FourByteRange& r : kFourByteRanges)
      for (uint32_t k = 0; k < r.count; ++k) t[r.unicode + k] = 0x10000 + r.linear + k;
    return t;
  }();
  return table.get();
}

void AppendFourBytes(std::string& out, uint32_t linear) {
  char bytes[4];
  bytes[3] = static_cast<char>('0' + linear % 10);
  linear /= 10;
  bytes[2] = static_cast<char>(0x81 + linear % 126);
  linear /= 126;
  bytes[1] = static_cast<char>('0' + linear % 10);
  bytes[0] = static_cast<char>(0x81 + linear / 10);
  out.append(bytes, 4);
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}


// A byte of a native name that is no UTF-8 travels through byte text as a four-byte code
// GB18030 leaves unassigned, FE 39 81 30 for 0x80 on to FE 39 8D 37 for 0xFF: the name then
// comes back as it was, though it reads as GBK.
bool IsEscape(std::string_view text, size_t i, char& byte) {
  if (i + 4 > text.size() || static_cast<unsigned char>(text[i]) != 0xFE || text[i + 1] != '9')
    return false;
  const auto tens = static_cast<unsigned char>(text[i + 2]);
  const auto ones = static_cast<unsigned char>(text[i + 3]);
  if (tens < 0x81 || ones < '0' || ones > '9') return false;
  const unsigned value = (tens - 0x81u) * 10 + (ones - '0');
  if (value >= 128) return false;
  byte = static_cast<char>(0x80 + value);
  return true;
}

void AppendEscape(std::string& out, unsigned char byte) {
  const unsigned value = byte - 0x80u;
  out += {static_cast<char>(0xFE), '9', static_cast<char>(0x81 + value / 10),
          static_cast<char>('0' + value % 10)};
}

// Whether `byte` may stand for itself in front of `next`, the bytes that follow it: where
// it starts no character and no escape, reading gives it back alone.
bool StandsAlone(unsigned char byte, std::string_view next) {
  std::string probe(1, static_cast<char>(byte));
  probe += next.substr(0, 3);
  char ignored;
  const GbChar ch = DecodeGbChar(probe, 0);
  return !ch.valid && ch.size == 1 && !IsEscape(probe, 0, ignored);
}

}  // namespace

std::pair<char32_t, size_t> DecodeUtf8(std::string_view s, size_t i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[i + k]); };
  const unsigned char c = b(0);
  if (c < 0x80) return {c, 1};
  size_t size = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
  if (size == 0 || c > 0xF4 || i + size > s.size()) return {0, 0};
  char32_t v = c & (0x7F >> size);
  for (size_t k = 1; k < size; ++k) {
    if ((b(k) & 0xC0) != 0x80) return {0, 0};
    v = (v << 6) | (b(k) & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (v < kMin[size] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return {0, 0};
  return {v, size};
}

GbChar DecodeGbChar(std::string_view text, size_t i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char c = b(0);
  if (c < 0x80) return {c, 1, true};
  if (!IsGbkLeadByte(c)) return {kSingleHigh[c - 0x80], 1, kSingleHigh[c - 0x80] != 0};
  if (i + 1 >= text.size()) return {0, 1, false};
  if (GbCharSize(text, i) == 4) {
    const uint32_t linear =
        (((c - 0x81u) * 10 + (b(1) - '0')) * 126 + (b(2) - 0x81u)) * 10 + (b(3) - '0');
    char32_t code = 0;
    if (linear < kFourByteBmpEnd)
      code = FourByteBmp(linear);
    else if (linear >= kSupplementaryStart && linear - kSupplementaryStart < 0x100000)
      code = 0x10000 + (linear - kSupplementaryStart);
    if (code) return {code, 4, true};
    return {0, 1, false};
  }
  const unsigned char t = b(1);
  if (t < 0x40 || t == 0x7F || t == 0xFF) return {0, 1, false};
  const char16_t code = kTwoByte[(c - 0x81u) * kTrailSpan + (t - 0x40u)];
  return {code, code ? 2u : 1u, code != 0};
}

bool AppendGbChar(std::string& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
    return true;
  }
  if (code >= 0x10000) {
    if (code > 0x10FFFF) return false;
    AppendFourBytes(out, kSupplementaryStart + (code - 0x10000));
    return true;
  }
  const uint32_t v = EncodeTable()[code];
  if (v == 0) return false;
  if (v < 0x100) {
    out.push_back(static_cast<char>(v));
  } else if (v < 0x10000) {
    out.push_back(static_cast<char>(v >> 8));
    out.push_back(static_cast<char>(v & 0xFF));
  } else {
    AppendFourBytes(out, v - 0x10000);
  }
  return true;
}

std::u16string GbToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const GbChar ch = DecodeGbChar(text, i);
    const char32_t c = ch.valid ? ch.code : kReplacement;
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
    i += ch.size;
  }
  return out;
}

std::string Utf16ToGb(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (!AppendGbChar(out, c)) AppendGbChar(out, kReplacement);
  }
  return out;
}

std::string GbToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 3 / 2);
  for (size_t i = 0; i < text.size();) {
    if (char byte; IsEscape(text, i, byte)) {
      out.push_back(byte);
      i += 4;
      continue;
    }
    const GbChar ch = DecodeGbChar(text, i);
    if (ch.valid)
      AppendUtf8(out, ch.code);
    else
      out.push_back(text[i]);
    i += ch.size;
  }
  return out;
}

std::string Utf8ToGb(std::string_view text) {
  std::string out;
  if (Utf8ToGbStrict(text, out)) return out;
  // A byte that is no UTF-8 stays as it is where it reads back alone, and is escaped where
  // it would join the bytes after it into a character: decided from the end, back to front.
  std::vector<std::pair<size_t, size_t>> pieces;  // start and size; size 0 for a lone byte
  for (size_t i = 0; i < text.size();) {
    const size_t size = DecodeUtf8(text, i).second;
    pieces.emplace_back(i, size);
    i += size == 0 ? 1 : size;
  }
  std::string reversed, piece;
  reversed.reserve(text.size() + 8);
  for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
    piece.clear();
    const auto byte = static_cast<unsigned char>(text[it->first]);
    if (it->second > 0) {
      AppendGbChar(piece, DecodeUtf8(text, it->first).first);
    } else {
      std::string next(
          reversed.end() - static_cast<ptrdiff_t>(std::min<size_t>(reversed.size(), 3)),
          reversed.end());
      std::reverse(next.begin(), next.end());
      if (StandsAlone(byte, next))
        piece.push_back(static_cast<char>(byte));
      else
        AppendEscape(piece, byte);
    }
    reversed.append(piece.rbegin(), piece.rend());
  }
  out.assign(reversed.rbegin(), reversed.rend());
  return out;
}

bool GbToUtf8Strict(std::string_view text, std::string& utf8) {
  utf8.clear();
  for (size_t i = 0; i < text.size();) {
    const GbChar ch = DecodeGbChar(text, i);
    if (!ch.valid) return false;
    AppendUtf8(utf8, ch.code);
    i += ch.size;
  }
  return true;
}

bool Utf8ToGbStrict(std::string_view utf8, std::string& text) {
  text.clear();
  for (size_t i = 0; i < utf8.size();) {
    const auto [code, size] = DecodeUtf8(utf8, i);
    if (size == 0 || !AppendGbChar(text, code)) return false;
    i += size;
  }
  return true;
}

}  // namespace pim
