#include "datum/datum_store.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "base/atomic_file.h"
#include "base/clock.h"
#include "base/file.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "base/line_reader.h"
#include "base/path.h"
#include "base/prompter.h"
#include "config/config_file.h"
#include "xmldoc/xml.h"

namespace pim {
namespace {

// A card number above the counter and every card of the folder, taken in datum.conf.
int32_t TakeCardNumber(const std::string& folder) {
  CConfigFile conf;
  int32_t number = 0;
  if (conf.Load(kDatumConfPath) == 1) ScanInt(conf.GetValue("id"), number);
  number = std::max(number, 0);
  for (const FolderEntry& entry : ListFolderEntries(folder)) {
    const std::string_view name = entry.name;
    const size_t at = name.rfind(".datum.");
    int32_t used = -1;
    if (at != std::string_view::npos && name.size() > at + 11 &&
        ScanInt(name.substr(at + 7, name.size() - at - 11), used) && used >= number &&
        used < INT32_MAX)
      number = used + 1;
  }
  if (conf.IsLoaded() && conf.SetValue("id", Format("%d", number + 1)) == 1) conf.Save();
  return number;
}

// Loads the list and reads its count, clamped to the table; 0 when it cannot be read.
int LoadCount(CConfigFile& list, std::string_view path) {
  int32_t count = 0;
  if (list.Load(path) != 1) return 0;
  ScanInt(list.GetValue("count"), count);
  return std::clamp<int32_t>(count, 0, kDatumTableSize);
}

// Writes a new slot n and the raised count. Keys the installed file lacks are added, so a
// new entry is never silently lost.
bool AddSlot(std::string_view path, std::string_view section,
             std::span<const std::pair<std::string, std::string>> slot, int n) {
  CConfigFile list;
  if (list.Load(path) != 1) return false;
  std::vector<std::pair<std::string, std::string>> values(slot.begin(), slot.end());
  values.emplace_back("count", Format("%d", n + 1));
  std::vector<std::pair<std::string, std::string>> missing;
  for (const auto& [key, value] : values)
    if (list.SetValue(key, value) != 1) missing.emplace_back(key, value);
  if (list.Save() != 1) return false;
  list.Close();
  for (const auto& [key, value] : missing)
    if (AddConfigValue(path, section, key, value) != 1) return false;
  return true;
}

// Bytes no file name may hold, besides the control characters and "\".
bool IsForbiddenNameByte(unsigned char c) {
  return c < 0x20 || c == 0x7F ||
         std::string_view("<>:\"/|?*").find(static_cast<char>(c)) != std::string_view::npos;
}

// Checks every single-byte character; `level` is called with each "\"-separated level.
template <typename Level>
bool CheckName(std::string_view name, bool allowLevels, Level level) {
  if (name.empty() || FindText(name, "..") != std::string_view::npos) return false;
  size_t start = 0;
  for (size_t i = 0; i < name.size(); i += GbCharSize(name, i)) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (GbCharSize(name, i) > 1) continue;  // a trailing byte may be 0x5C without being a "\"
    if (c == '\\') {
      if (!allowLevels || !level(name.substr(start, i - start))) return false;
      start = i + 1;
    } else if (IsForbiddenNameByte(c)) {
      return false;
    }
  }
  return level(name.substr(start));
}

// Passes a file's bytes on to the line reader, counting the link lines and keeping the last
// bytes as they go: whether a list was read whole is known without a second pass or a copy.
// A link starts on a line of its own, "<link>" between blanks; the text of a title, keyword
// or source may hold "<link>" too and is no link.
class LinkCounter final : public ByteSource {
 public:
  explicit LinkCounter(ByteSource& inner) : inner_(inner) {}
  size_t Read(char* buffer, size_t size) override {
    const size_t got = inner_.Read(buffer, size);
    if (got == 0) return 0;
    any_ = true;
    // Lines end at LF; a CR before it counts as a blank. A line cut by the end of a read is
    // kept, its first bytes only: a longer line is no link line anyway.
    for (std::string_view rest(buffer, got); !rest.empty();) {
      const auto* lf = static_cast<const char*>(std::memchr(rest.data(), '\n', rest.size()));
      const std::string_view piece =
          rest.substr(0, lf ? static_cast<size_t>(lf - rest.data()) : rest.size());
      if (line_.empty() && lf) {
        CountLine(piece);
      } else {
        line_.append(piece.substr(
            0, std::min(piece.size(), kLongest + 1 - std::min(line_.size(), kLongest + 1))));
        if (!lf) break;
        CountLine(line_);
        line_.clear();
      }
      rest.remove_prefix(piece.size() + 1);
    }
    tail_.append(buffer, got);
    if (tail_.size() > kLineIndexEnd.size()) tail_.erase(0, tail_.size() - kLineIndexEnd.size());
    return got;
  }
  bool Failed() const override { return inner_.Failed(); }
  bool empty() const { return !any_; }
  size_t links() const { return links_; }
  bool endsWithMarker() const { return std::string_view(tail_).ends_with(kLineIndexEnd); }

 private:
  static constexpr size_t kLongest = 32;
  void CountLine(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return;
    text.remove_prefix(first);
    if (text.size() < kTag.size() || text[0] != '<') return;
    text = text.substr(0, text.find_last_not_of(" \t\r") + 1);
    if (text == kTag) ++links_;
  }
  static constexpr std::string_view kTag = "<link>";
  ByteSource& inner_;
  std::string line_;
  std::string tail_;
  size_t links_ = 0;
  bool any_ = false;
};

// An index goes to its file a piece at a time: the list of a hundred thousand cards is tens
// of megabytes, and a buffer that large costs more in fresh pages than making its bytes.
constexpr size_t kPieceSize = 64 * 1024;

const IndexEntry& EntryOf(const IndexEntry& e) { return e; }
const IndexEntry& EntryOf(const IndexEntry* e) { return *e; }

// The links after what `piece` holds, handing it on whenever it is large.
template <typename Entries>
bool PutLinks(File& out, std::string& piece, const Entries& entries) {
  for (const auto& item : entries) {
    const IndexEntry& e = EntryOf(item);  // class and date change places in the call
    XML::WriteLineIndexLink(piece, e.name, e.url, e.class_, e.date, e.keyword, e.source);
    if (piece.size() >= kPieceSize) {
      if (!out.Write(piece)) return false;
      piece.clear();
    }
  }
  XML::WriteLineIndexEnd(piece);
  return out.Write(piece);
}

// The bytes of `in` (of `size` bytes when opened) up to its end marker: those before the last
// piece go to `out`, the rest stays in `piece` without the marker. False when the file does
// not end with the marker or a read or write failed.
bool CopyBeforeMarker(File& in, int64_t size, File& out, std::string& piece) {
  const size_t expected = size > 0 ? static_cast<size_t>(size) : 0;
  for (size_t total = 0;;) {
    const size_t have = piece.size();
    piece.resize(have + kPieceSize);
    const size_t got = in.Read(piece.data() + have, kPieceSize);
    piece.resize(have + got);
    total += got;
    // As ReadWholeFile: a short read that brings all the bytes the file had is its end.
    if (got == 0 || (total == expected && got < kPieceSize)) break;
    if (piece.size() > kPieceSize) {  // all but what may be the marker goes on
      const size_t pass = piece.size() - kLineIndexEnd.size();
      if (!out.Write(std::string_view(piece).substr(0, pass))) return false;
      piece.erase(0, pass);
    }
  }
  if (in.Failed() || !piece.ends_with(kLineIndexEnd)) return false;
  piece.resize(piece.size() - kLineIndexEnd.size());
  return true;
}

}  // namespace

bool IsSafeCategoryName(std::string_view name) {
  return CheckName(name, true, [](std::string_view level) { return !level.empty(); });
}

bool IsSafeTitle(std::string_view title) {
  // An empty title still gives the file name ".datum.%d.xml".
  return title.empty() || CheckName(title, false, [](std::string_view) { return true; });
}

std::vector<std::string> LoadClassList(ClassTable& table) {
  CConfigFile list;
  table.count = LoadCount(list, kClassListPath);
  std::vector<std::string> names;
  for (int i = 0; i < table.count; ++i) {
    table.entries[i] = {list.GetValue(Format("name%d", i)), list.GetValue(Format("path%d", i))};
    names.push_back(table.entries[i].name);
  }
  return names;
}

std::vector<std::string> LoadSourceList(SourceTable& table) {
  CConfigFile list;
  table.count = LoadCount(list, kSourceListPath);
  std::vector<std::string> names;
  for (int i = 0; i < table.count; ++i) {
    table.names[i] = list.GetValue(Format("name%d", i));
    names.push_back(table.names[i]);
  }
  return names;
}

std::string FindClassPath(std::string_view name, ClassTable& table) {
  for (int i = 0; i < table.count; ++i)
    if (table.entries[i].name == name) return table.entries[i].path;
  // The list as it is now: another computer may have added this name, or others, since.
  LoadClassList(table);
  for (int i = 0; i < table.count; ++i)
    if (table.entries[i].name == name) return table.entries[i].path;
  const int n = table.count;
  if (n >= kDatumTableSize || !IsSafeCategoryName(name)) return {};
  std::string path = "datum\\" + std::string(name) + "\\";
  const std::pair<std::string, std::string> slot[] = {{Format("name%d", n), std::string(name)},
                                                      {Format("path%d", n), path}};
  if (!AddSlot(kClassListPath, "CLASS", slot, n)) return {};
  table.entries[n] = {std::string(name), path};
  table.count = n + 1;
  // Parents first, so a subcategory works before its parent was ever used. A failure shows
  // when the card cannot be written there.
  for (size_t at = FindText(path, "\\"); at != std::string::npos; at = FindText(path, "\\", at + 1))
    CreateFolder(std::string_view(path).substr(0, at));
  return path;
}

bool FindSource(std::string_view name, SourceTable& table) {
  for (int i = 0; i < table.count; ++i)
    if (table.names[i] == name) return true;
  LoadSourceList(table);  // as it is now, as for the categories
  for (int i = 0; i < table.count; ++i)
    if (table.names[i] == name) return true;
  const int n = table.count;
  if (n >= kDatumTableSize) return false;
  const std::pair<std::string, std::string> slot[] = {{Format("name%d", n), std::string(name)}};
  if (!AddSlot(kSourceListPath, "SOURCE", slot, n)) return false;
  table.names[n] = name;
  table.count = n + 1;
  return true;
}

const std::string kIndexPartialText =
    Gb("资料卡索引 datum\\lineindex.untrim.list 没有完整读出, 为免丢失内容没有改写!");

bool ForEachIndexLink(std::string_view path, Prompter& prompter,
                      const std::function<void(const LineIndexRecord&)>& each, bool* whole) {
  if (whole) *whole = true;
  File file;
  if (!FileExists(path) || !file.Open(path, File::Mode::Read)) return false;
  LinkCounter counter(file);
  LineReader reader(counter);
  const SystemClock clock;  // the readers never ask it
  XML xml(prompter, clock);
  xml.ReadLineIndexHead(reader);
  size_t read = 0;
  for (; xml.ReadLineIndexLink(reader); ++read) each(xml.lineIndex);
  if (!whole) return true;
  // Whole: every link read, and the writer's end marker last. An empty file holds nothing.
  char rest[4096];
  while (counter.Read(rest, sizeof rest) > 0) {
  }
  *whole = !counter.Failed() &&
           (counter.empty() || (counter.links() == read && counter.endsWithMarker()));
  return true;
}

std::vector<IndexEntry> LoadUntrimmedIndex(Prompter& prompter, bool* whole) {
  std::vector<IndexEntry> entries;
  ForEachIndexLink(
      kUntrimmedIndexPath, prompter,
      [&entries](const LineIndexRecord& r) {
        entries.push_back({r.name, r.url, r.date, r.class_, r.linkKeyword, r.source});
      },
      whole);
  return entries;
}

bool WriteUntrimmedIndex(std::span<const IndexEntry> entries) {
  return WriteFileAtomic(kUntrimmedIndexPath, [entries](File& out) {
    std::string piece;
    XML::WriteLineIndexHead(piece, Gb("资料卡索引--未整理"), Gb("资料,未整理"));
    return PutLinks(out, piece, entries);
  });
}

bool AppendToIndex(std::string_view path, std::span<const IndexEntry* const> entries) {
  // A copy with the links in place of the marker replaces the file whole: an append that
  // failed half-way, or a crash, could otherwise leave a cut link and no marker.
  File in;
  if (!FileExists(path) || !in.Open(path, File::Mode::Read)) return false;
  return WriteFileAtomic(path, [&](File& out) {
    std::string piece;
    const bool copied = CopyBeforeMarker(in, in.Stamp().size, out, piece);
    in.Close();
    return copied && PutLinks(out, piece, entries);
  });
}

bool AppendToIndex(std::string_view path, std::span<const IndexEntry> entries) {
  std::vector<const IndexEntry*> links;
  links.reserve(entries.size());
  for (const IndexEntry& e : entries) links.push_back(&e);
  return AppendToIndex(path, links);
}

std::string CardPath(std::string_view classPath, std::string_view title, int number) {
  return std::string(classPath) + std::string(title) + Format(".datum.%d.xml", number);
}

std::string StoreCardCopy(const std::string& folder, std::string_view title,
                          const std::string& bytes, RecordEvents* events) {
  for (int tries = 0; tries < 100; ++tries) {
    const std::string path = CardPath(folder, title, TakeCardNumber(folder));
    const Placed placed = CreateFileAtomic(path, bytes);
    if (placed == Placed::Exists) continue;
    if (placed != Placed::Done) return {};
    // Waiting to be trimmed, as a captured card does.
    SilentPrompter silent;
    bool whole = false;
    std::vector<IndexEntry> untrimmed = LoadUntrimmedIndex(silent, &whole);
    const std::string category = folder.size() > 7 ? folder.substr(6, folder.size() - 7) : "";
    untrimmed.push_back({std::string(title), path, "", category, "", ""});
    if (whole || untrimmed.size() == 1) WriteUntrimmedIndex(untrimmed);
    if (events) {
      events->CardWritten(path);
      events->ListsChanged();
    }
    return path;
  }
  return {};
}

bool KeepCardAsItIs(const std::string& url, RecordEvents* events) {
  std::string bytes;
  if (!FileExists(url)) return true;
  if (!ReadWholeFile(url, bytes)) return false;
  const std::string folder(DataPathFolder(url));
  const size_t end = url.rfind(".datum.");
  const std::string_view title = std::string_view(url).substr(
      folder.size(), end == std::string::npos || end < folder.size() ? std::string_view::npos
                                                                     : end - folder.size());
  return !StoreCardCopy(folder, title, bytes, events).empty();
}

}  // namespace pim
