#include "backup/archive_check.h"

#include <map>
#include <set>

#include "base/file.h"
#include "base/gbk.h"

namespace pim {

namespace {

// The parts of a name between "/" and "\" separators, stepping over two-byte characters.
std::vector<std::string> SplitName(std::string_view name) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (IsGbkLeadByte(c) && i + 1 < name.size()) {
      parts.back() += name.substr(i, 2);
      ++i;
    } else if (c == '/' || c == '\\') {
      parts.emplace_back();
    } else {
      parts.back() += static_cast<char>(c);
    }
  }
  return parts;
}

// A part Windows takes as a plain name below the data folder.
bool PlainPart(std::string_view part) {
  if (part.empty() || part == "." || part == "..") return false;
  for (size_t i = 0; i < part.size(); ++i) {
    const auto c = static_cast<unsigned char>(part[i]);
    if (IsGbkLeadByte(c) && i + 1 < part.size()) {
      ++i;
      continue;
    }
    // ":" also makes a drive name or an alternate stream.
    if (c < 0x20 ||
        std::string_view("<>:\"|?*").find(static_cast<char>(c)) != std::string_view::npos)
      return false;
  }
  return true;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// The known folder this first part names, or "".
std::string_view KnownFolder(std::string_view part) {
  const std::string lower = Lower(part);
  for (std::string_view folder : kDataFolders)
    if (lower == folder) return folder;
  return {};
}

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && Lower(text.substr(text.size() - tail.size())) == tail;
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

ArchiveCheck CheckArchive(std::string_view archivePath, ZipReader& reader, RestorePlan& plan,
                          std::string& detail) {
  plan = RestorePlan{};
  detail.clear();
  std::string bytes;
  if (!ReadWholeFile(archivePath, bytes)) return ArchiveCheck::Unreadable;
  switch (reader.Open(std::move(bytes), kMaxRestoreEntries)) {
    case ZipStatus::Ok:
      break;
    case ZipStatus::NotZip:
      return ArchiveCheck::NotZip;
    case ZipStatus::TooMany:
      return ArchiveCheck::TooBig;
    case ZipStatus::Unsupported:
      return ArchiveCheck::Unsupported;
    default:
      return ArchiveCheck::Damaged;
  }
  const std::vector<ZipEntry>& entries = reader.entries();

  // Every name is checked before any is used, and the sizes are added up before inflating.
  std::vector<std::vector<std::string>> names(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    const ZipEntry& e = entries[i];
    detail = e.name;
    if (!e.nameValid) return ArchiveCheck::BadName;
    names[i] = SplitName(e.name);
    if (e.folder) names[i].pop_back();  // the empty part after the last separator
    for (const std::string& part : names[i])
      if (!PlainPart(part)) return ArchiveCheck::BadName;
    plan.bytes += e.size;
    if (plan.bytes > kMaxRestoreBytes) return ArchiveCheck::TooBig;
  }
  detail.clear();

  // A folder that holds everything (the data folder zipped by hand) is stepped into.
  bool stepInto =
      !entries.empty() && KnownFolder(names[0][0]).empty() && Lower(names[0][0]) != kManifestName;
  for (size_t i = 0; stepInto && i < entries.size(); ++i)
    stepInto =
        Lower(names[i][0]) == Lower(names[0][0]) && (names[i].size() > 1 || entries[i].folder);
  if (stepInto)
    for (auto& parts : names) parts.erase(parts.begin());

  std::map<std::string, bool> seen;  // lower-case data path -> is a folder
  std::set<std::string> ignored;
  for (size_t i = 0; i < entries.size(); ++i) {
    const ZipEntry& e = entries[i];
    std::vector<std::string>& parts = names[i];
    if (parts.empty()) continue;  // the stepped-into folder itself
    if (parts.size() == 1 && !e.folder && Lower(parts[0]) == kManifestName) {
      if (reader.Extract(e, plan.manifest) != ZipStatus::Ok) return ArchiveCheck::BadData;
      continue;
    }
    const std::string_view known = KnownFolder(parts[0]);
    const bool deepInSet = known == "set" && parts.size() > 2;
    if (known.empty() || deepInSet) {
      ignored.insert(known.empty() ? parts[0] + (parts.size() > 1 || e.folder ? "\\" : "")
                                   : e.name);
      continue;
    }
    parts[0] = std::string(known);
    if (known == "set" && parts.size() == 2 && Lower(parts[1]) == "run.ing.m") continue;
    std::string path;
    for (const std::string& part : parts) {
      if (!path.empty()) {
        // Each folder on the way must not also be a file.
        auto [it, added] = seen.emplace(Lower(path), true);
        if (!it->second) {
          detail = e.name;
          return ArchiveCheck::FileAsFolder;
        }
        path += '\\';
      }
      path += part;
    }
    const bool folder = e.folder || parts.size() == 1;
    if (parts.size() == 1 && !e.folder) {
      detail = e.name;
      return ArchiveCheck::FileAsFolder;  // a file named like one of the five folders
    }
    auto [it, added] = seen.emplace(Lower(path), folder);
    if (!added) {
      detail = e.name;
      if (it->second != folder) return ArchiveCheck::FileAsFolder;
      if (!folder) return ArchiveCheck::BadName;  // the same file twice
      continue;
    }
    plan.items.push_back({i, path, folder});
    if (!folder) CountRecord(path, plan.counts);
  }
  plan.ignored.assign(ignored.begin(), ignored.end());

  std::string bytesOut;
  for (const ZipEntry& e : entries) {
    if (e.folder) continue;
    if (reader.Extract(e, bytesOut) != ZipStatus::Ok) {
      detail = e.name;
      return ArchiveCheck::BadData;
    }
  }
  if (plan.manifest.empty() && !seen.contains("set\\sets.conf")) return ArchiveCheck::NoSettings;
  return ArchiveCheck::Ok;
}

}  // namespace pim
