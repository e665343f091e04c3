#include "backup/archive_check.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <set>

#include "backup/windows_name.h"
#include "base/gb18030.h"
#include "base/gbk.h"

namespace pim {

namespace {

constexpr size_t kMaxManifest = 64 << 10;
constexpr std::u16string_view kKnownFolders[] = {u"set", u"note", u"communication", u"datum",
                                                 u"xmlstyle"};

// The parts of a data path between "/" and "\" separators, stepping over characters.
std::vector<std::string> SplitName(std::string_view name) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < name.size(); i += GbCharSize(name, i)) {
    if (name[i] == '/' || name[i] == '\\')
      parts.emplace_back();
    else
      parts.back() += name.substr(i, GbCharSize(name, i));
  }
  return parts;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && Lower(text.substr(text.size() - tail.size())) == tail;
}

bool SameName(std::u16string_view a, std::u16string_view b) { return FoldName(a) == FoldName(b); }

// The known folder this first part names, or "".
std::u16string_view KnownFolder(std::u16string_view part) {
  for (std::u16string_view folder : kKnownFolders)
    if (SameName(part, folder)) return folder;
  return {};
}

// An entry's name as Windows will see it: converted first, then split at "/" and "\".
struct WideName {
  std::string text;  // the name in GBK, for messages; the raw name when it is not valid
  std::vector<std::u16string> parts;
  bool folder = false;
  bool valid = false;  // a name in its encoding
};

// Every part a plain name on Windows.
bool Plain(const WideName& name) {
  return name.valid &&
         std::all_of(name.parts.begin(), name.parts.end(),
                     [](const std::u16string& p) { return CheckNamePart(p) == NameFault::None; });
}

WideName NameOf(const ZipReader& reader, const ZipEntry& entry) {
  WideName name;
  if (!reader.Name(entry, name.text)) return name;
  const std::u16string wide = GbToUtf16(name.text);
  name.folder = wide.back() == u'/' || wide.back() == u'\\';
  name.parts.emplace_back();
  for (const char16_t c : wide) {
    if (c == u'/' || c == u'\\')
      name.parts.emplace_back();
    else
      name.parts.back() += c;
  }
  if (name.folder) name.parts.pop_back();  // the empty part after the last separator
  name.valid = true;
  return name;
}

// The parts below the data folder, the known folder spelt as we spell it; empty for the
// folder stepped into.
std::vector<std::u16string> PlannedParts(WideName& name, bool stepInto) {
  std::vector<std::u16string> parts = std::move(name.parts);
  if (stepInto && !parts.empty()) parts.erase(parts.begin());
  if (!parts.empty())
    if (const std::u16string_view known = KnownFolder(parts[0]); !known.empty()) parts[0] = known;
  return parts;
}

std::u16string Joined(const std::vector<std::u16string>& parts) {
  std::u16string path;
  for (const std::u16string& part : parts) {
    if (!path.empty()) path += u'\\';
    path += part;
  }
  return path;
}

// Paths are told apart by a hash of their folded form, and by the form itself where two
// hashes agree. The seed keeps an archive from making its names collide on purpose.
class PathHash {
 public:
  explicit PathHash(uint64_t seed) : h_(0xCBF29CE484222325ull ^ seed) {}
  void Add(char16_t c) { h_ = (h_ ^ c) * 0x100000001B3ull; }
  uint64_t Value() const {
    uint64_t v = h_ ^ (h_ >> 31);
    v *= 0x9E3779B97F4A7C15ull;
    return v ^ (v >> 29);
  }

 private:
  uint64_t h_;
};

struct Key {
  uint64_t hash;
  uint32_t item;
  bool operator<(const Key& other) const {
    return hash != other.hash ? hash < other.hash : item < other.item;
  }
};

// The folded path of every item, its hash, and the checks that need all of them.
class PlanKeys {
 public:
  PlanKeys(const ZipReader& reader, RestorePlan& plan)
      : reader_(reader),
        plan_(plan),
        seed_(static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
              reinterpret_cast<uintptr_t>(this)) {}

  void Add(uint32_t item, const std::u16string& folded) { keys_.push_back({HashOf(folded), item}); }

  // Two items with one path: two folders are one (the later is dropped), a file and a folder
  // or two files are refused. Then a file whose path is a folder on another item's way.
  ArchiveCheck Conflicts(std::string& detail) {
    std::sort(keys_.begin(), keys_.end());
    std::vector<bool> dropped(plan_.items.size());
    for (size_t i = 0; i < keys_.size();) {
      size_t end = i + 1;
      while (end < keys_.size() && keys_[end].hash == keys_[i].hash) ++end;
      std::map<std::u16string, uint32_t> first;  // folded path -> the first item with it
      for (size_t k = i; end - i > 1 && k < end; ++k) {
        const uint32_t item = keys_[k].item;
        const auto [it, added] = first.emplace(Folded(item), item);
        if (added) continue;
        const bool folder = plan_.items[item].folder, other = plan_.items[it->second].folder;
        if (folder && other) {
          dropped[item] = true;
          continue;
        }
        detail = NameOf(reader_, Entry(folder ? it->second : item)).text;
        return folder == other ? ArchiveCheck::BadName : ArchiveCheck::FileAsFolder;
      }
      i = end;
    }
    if (const ArchiveCheck c = FilesOnTheWay(detail); c != ArchiveCheck::Ok) return c;
    std::vector<RestorePlan::Item> kept;
    for (size_t i = 0; i < plan_.items.size(); ++i)
      if (!dropped[i]) kept.push_back(plan_.items[i]);
    plan_.items = std::move(kept);
    return ArchiveCheck::Ok;
  }

 private:
  ArchiveCheck FilesOnTheWay(std::string& detail) const {
    std::vector<Key> files;  // sorted, as the keys are
    for (const Key& k : keys_)
      if (!plan_.items[k.item].folder) files.push_back(k);
    for (size_t i = 0; i < plan_.items.size() && !files.empty(); ++i) {
      const std::u16string path = Folded(static_cast<uint32_t>(i));
      PathHash hash(seed_);
      for (size_t at = 0; at < path.size(); ++at) {
        if (path[at] == u'\\') {
          const Key probe{hash.Value(), 0};
          for (auto it = std::lower_bound(files.begin(), files.end(), probe);
               it != files.end() && it->hash == probe.hash; ++it) {
            if (Folded(it->item) != std::u16string_view(path).substr(0, at)) continue;
            detail = NameOf(reader_, Entry(it->item)).text;
            return ArchiveCheck::FileAsFolder;
          }
        }
        hash.Add(path[at]);
      }
    }
    return ArchiveCheck::Ok;
  }
  uint64_t HashOf(std::u16string_view folded) const {
    PathHash hash(seed_);
    for (const char16_t c : folded) hash.Add(c);
    return hash.Value();
  }
  const ZipEntry& Entry(uint32_t item) const { return reader_.entries()[plan_.items[item].entry]; }
  std::u16string Folded(uint32_t item) const {
    WideName name = NameOf(reader_, Entry(item));
    return FoldName(Joined(PlannedParts(name, plan_.stepInto)));
  }

  const ZipReader& reader_;
  RestorePlan& plan_;
  const uint64_t seed_;
  std::vector<Key> keys_;
};

ArchiveCheck FromStatus(ZipStatus status) {
  switch (status) {
    case ZipStatus::Ok:
      return ArchiveCheck::Ok;
    case ZipStatus::Unreadable:
      return ArchiveCheck::Unreadable;
    case ZipStatus::NotZip:
      return ArchiveCheck::NotZip;
    case ZipStatus::TooMany:
      return ArchiveCheck::TooBig;
    case ZipStatus::Unsupported:
      return ArchiveCheck::Unsupported;
    case ZipStatus::BadData:
      return ArchiveCheck::BadData;
    default:
      return ArchiveCheck::Damaged;
  }
}

}  // namespace

void CountRecord(std::string_view dataPath, BackupCounts& counts) {
  const std::vector<std::string> parts = SplitName(dataPath);
  const std::string& last = parts.back();
  if (!EndsWith(last, ".xml")) return;
  if (parts.size() == 2 && parts[0] == "note" && last.starts_with("n.")) ++counts.notes;
  if (parts.size() == 2 && parts[0] == "communication" && last.starts_with("com."))
    ++counts.contacts;
  if (parts.size() == 3 && parts[0] == "datum") ++counts.cards;
}

std::string PlannedPath(const ZipReader& reader, const RestorePlan& plan,
                        const RestorePlan::Item& item) {
  WideName name = NameOf(reader, reader.entries()[item.entry]);
  return Utf16ToGb(Joined(PlannedParts(name, plan.stepInto)));
}

ArchiveCheck CheckArchive(std::string_view archivePath, ZipReader& reader, RestorePlan& plan,
                          std::string& detail) {
  plan = RestorePlan{};
  detail.clear();
  const ArchiveCheck opened =
      FromStatus(reader.Open(archivePath, kMaxRestoreEntries, kMaxRestoreNameBytes));
  if (opened != ArchiveCheck::Ok) return opened;
  const std::vector<ZipEntry>& entries = reader.entries();

  // Every name is checked before any is used, and the sizes are added up before inflating.
  // A folder that holds everything and is none of ours (the data folder zipped by hand) is
  // stepped into.
  std::vector<bool> folders(entries.size());
  std::u16string top;
  plan.stepInto = !entries.empty();
  for (size_t i = 0; i < entries.size(); ++i) {
    const WideName name = NameOf(reader, entries[i]);
    if (!Plain(name)) {
      detail = name.text;
      return ArchiveCheck::BadName;
    }
    plan.bytes += entries[i].size;
    if (plan.bytes > kMaxRestoreBytes) return ArchiveCheck::TooBig;
    folders[i] = name.folder;
    if (i == 0) {
      top = FoldName(name.parts[0]);
      plan.stepInto = KnownFolder(top).empty() && !SameName(top, u"pimbrel-backup.txt");
    }
    plan.stepInto =
        plan.stepInto && FoldName(name.parts[0]) == top && (name.parts.size() > 1 || name.folder);
  }

  PlanKeys keys(reader, plan);
  std::set<std::string> ignored;
  bool settings = false;
  for (uint32_t i = 0; i < entries.size(); ++i) {
    WideName name = NameOf(reader, entries[i]);
    const std::string text = name.text;
    const bool entryFolder = name.folder;
    const std::vector<std::u16string> parts = PlannedParts(name, plan.stepInto);
    if (parts.empty()) continue;  // the stepped-into folder itself
    if (parts.size() == 1 && !entryFolder && SameName(parts[0], u"pimbrel-backup.txt")) {
      const ZipStatus s = reader.Extract(entries[i], [&](std::string_view piece) {
        plan.manifest.append(piece.substr(0, kMaxManifest - plan.manifest.size()));
        return true;
      });
      if (s != ZipStatus::Ok) {
        detail = text;
        return FromStatus(s);
      }
      continue;
    }
    const std::u16string_view known = KnownFolder(parts[0]);
    if (known.empty() || (known == u"set" && parts.size() > 2)) {
      ignored.insert(known.empty()
                         ? Utf16ToGb(parts[0]) + (parts.size() > 1 || entryFolder ? "\\" : "")
                         : text);
      if (ignored.size() > 11) ignored.erase(std::prev(ignored.end()));
      continue;
    }
    if (known == u"set" && parts.size() == 2 && SameName(parts[1], u"run.ing.m")) continue;
    if (parts.size() == 1 && !entryFolder) {
      detail = text;
      return ArchiveCheck::FileAsFolder;  // a file named like one of the five folders
    }
    const bool folder = entryFolder || parts.size() == 1;
    const std::u16string path = Joined(parts);
    keys.Add(static_cast<uint32_t>(plan.items.size()), FoldName(path));
    plan.items.push_back({i, folder});
    if (folder) continue;
    CountRecord(Utf16ToGb(path), plan.counts);
    settings = settings || FoldName(path) == u"SET\\SETS.CONF";
  }
  plan.ignored.assign(ignored.begin(), ignored.end());
  if (const ArchiveCheck c = keys.Conflicts(detail); c != ArchiveCheck::Ok) return c;

  for (size_t i = 0; i < entries.size(); ++i) {
    if (folders[i]) continue;
    const ZipStatus s = reader.Extract(entries[i], [](std::string_view) { return true; });
    if (s != ZipStatus::Ok) {
      detail = NameOf(reader, entries[i]).text;
      return FromStatus(s) == ArchiveCheck::Damaged ? ArchiveCheck::BadData : FromStatus(s);
    }
  }
  if (plan.manifest.empty() && !settings) return ArchiveCheck::NoSettings;
  return ArchiveCheck::Ok;
}

}  // namespace pim
