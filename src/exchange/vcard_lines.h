// The content lines of a vCard file: physical lines joined (folding, quoted-printable soft
// breaks, version 2.1's base64 that goes on until a blank line), each line's name and
// parameters, and its value's transfer encoding and escapes.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pim::vcard {

// One content line: "group.NAME;param=value,...;bare:value".
struct Property {
  std::string group, name;         // in upper case
  std::vector<std::string> types;  // TYPE values and version 2.1's bare words, upper case
  std::string charset, encoding, omitYear, serviceType, valueType;
  bool hasOmitYear = false;
  int pref = 101;     // 1 is the most preferred
  std::string value;  // as in the file, unfolded
};

// Hands each content line to `take`. A picture's or key's value is left out: only its name
// and parameters come, so its megabytes are never gathered.
void ForEachContentLine(std::string_view bytes, const std::function<void(std::string_view)>& take);

// Where a line's header ends: its first ":" outside double quotes, or npos.
size_t HeaderEnd(std::string_view line);
Property ParseHeader(std::string_view header);

bool IsMedia(std::string_view name);  // a picture, a sound or a key
bool IsQuotedPrintable(const Property& p);
bool IsBase64(const Property& p);
std::string DecodeQuotedPrintable(std::string_view s);
std::string DecodeBase64(std::string_view s);

// Decoded text split at `by` where no backslash escapes it, stepping over two-byte characters
// (a trailing byte may be 0x5C, which is "\" only when it stands alone).
std::vector<std::string> SplitEscaped(std::string_view text, char by);
// Backslash escapes: vCard 3.0 and 4.0 have \n \\ \, \; (and in practice \: and \"); 2.1
// escapes only the separators, so its other backslashes are text.
std::string Unescape(std::string_view text, bool v21);

std::string Upper(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
// Names and parameters are ASCII; a byte beyond it there would break the remark's text.
std::string Printable(std::string_view s);

}  // namespace pim::vcard
