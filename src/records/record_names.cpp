#include "records/record_names.h"

#include "base/atomic_file.h"

#include <array>

#include "base/gbk.h"

namespace pim {

namespace {

constexpr std::array<std::string_view, 7> kDatumLists = {
    "datum.conf",     "class.list",    "source.list", "lineindex.untrim.list",
    "lineindex.list", "bookmark.list", "index.list"};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

bool EndsNoCase(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && SameNoCase(text.substr(text.size() - end.size()), end);
}

// A card's name: anything, then ".datum.", digits as the program writes them, ".xml".
bool IsCardName(std::string_view name) {
  if (!EndsNoCase(name, ".xml")) return false;
  const std::string_view stem = name.substr(0, name.size() - 4);
  const size_t dot = stem.rfind('.');
  if (dot == std::string_view::npos || !EndsNoCase(stem.substr(0, dot + 1), ".datum."))
    return false;
  const std::string_view digits = stem.substr(dot + 1);
  return !digits.empty() && digits.size() <= 10 &&
         digits.find_first_not_of("0123456789") == std::string_view::npos &&
         (digits.size() == 1 || digits[0] != '0');
}

bool IsOwnName(RecordFolder folder, std::string_view name) {
  switch (folder) {
    case RecordFolder::Notes:
      return RecordNumberOf(name, "n.") >= 0;
    case RecordFolder::Contacts:
      return RecordNumberOf(name, "com.") >= 0;
    case RecordFolder::DatumLists:
      return IsDatumList(name);
    case RecordFolder::Category:
      return IsCardName(name);
  }
  return false;
}

bool IsTemporary(std::string_view name) {
  // Ours end "~pimtmp"; sync services write ".syncthing.X.tmp", "~syncthing~X.tmp",
  // ".~tmp", "~$X", ".dropbox…" and the like before the file takes its name.
  return name.empty() || name.front() == '.' || name.front() == '~' ||
         EndsNoCase(name, kTempSuffix) || EndsNoCase(name, ".tmp") || EndsNoCase(name, ".partial");
}

}  // namespace

int RecordNumberOf(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size() + 4 || !SameNoCase(name.substr(0, prefix.size()), prefix) ||
      !EndsNoCase(name, ".xml"))
    return -1;
  const std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - 4);
  if (digits.empty() || digits.size() > 10 ||
      digits.find_first_not_of("0123456789") != std::string_view::npos ||
      (digits.size() > 1 && digits[0] == '0'))
    return -1;
  int32_t number = -1;
  return ScanInt(digits, number) && Format("%d", number) == digits ? number : -1;
}

bool IsDatumList(std::string_view name) {
  for (std::string_view list : kDatumLists)
    if (SameNoCase(name, list)) return true;
  return false;
}

NameInfo ClassifyName(RecordFolder folder, std::string_view name) {
  if (IsOwnName(folder, name))
    return {folder == RecordFolder::DatumLists ? NameKind::List : NameKind::Record, {}};
  if (IsTemporary(name)) return {NameKind::Temporary, {}};
  // A copy keeps the original's name before what the service adds, and its extension after:
  // the longest such beginning that is a name of the folder is the original.
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return {};
  const std::string_view stem = name.substr(0, dot), extension = name.substr(dot);
  for (size_t cut = stem.size(); cut-- > 1;) {
    const char c = stem[cut];
    if (c != ' ' && c != '-' && c != '.' && c != '_' && c != '(') continue;
    // Cut only between characters: never at a trailing byte of a two-byte one.
    size_t at = 0;
    while (at < cut) at += GbCharSize(stem, at);
    if (at != cut) continue;
    std::string original(stem.substr(0, cut));
    while (!original.empty() && original.back() == ' ') original.pop_back();
    original.append(extension);
    if (IsOwnName(folder, original)) return {NameKind::Copy, original};
  }
  return {};
}

}  // namespace pim
