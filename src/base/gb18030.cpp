#include "base/gb18030.h"

#include <algorithm>
#include <cstdint>
#include <memory>

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

// One UTF-8 sequence at `i`: its value and size, or size 0 when the bytes are not a
// well-formed, shortest encoding of a scalar value.
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

}  // namespace

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
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto [code, size] = DecodeUtf8(text, i);
    if (size == 0 || !AppendGbChar(out, code)) {
      out.push_back(text[i]);
      i += 1;
    } else {
      i += size;
    }
  }
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
