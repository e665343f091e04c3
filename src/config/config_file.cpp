#include "config/config_file.h"

#include <set>

#include "base/atomic_file.h"
#include "base/file.h"
#include "base/line_reader.h"

namespace pim {

int CConfigFile::Load(std::string_view path) {
  if (loaded_) return -2;
  path_ = std::string(path);
  File file;
  if (!file.Open(path, File::Mode::Read)) return -1;
  LineReader reader(file, LineReader::Rules::Config);
  std::string line;
  while (reader.ReadLine(line)) {
    if (line.empty()) continue;
    if (line[0] == '#') {
      entries_.push_back({Kind::Comment, {}, line});
    } else if (line[0] == '[') {
      entries_.push_back({Kind::Section, line, {}});
    } else if (const size_t eq = line.find('='); eq != std::string::npos) {
      entries_.push_back({Kind::Option, line.substr(0, eq), line.substr(eq + 1)});
    }
    // Any other line is dropped.
  }
  if (reader.failed()) {  // read in part, the file must never be saved back shorter
    entries_.clear();
    return -1;
  }
  BuildIndex();
  loaded_ = true;
  return 1;
}

std::string CConfigFile::Serialize() const {
  std::string out;
  for (const Entry& e : entries_) {
    switch (e.kind) {
      case Kind::Comment:
        out += e.value;
        break;
      case Kind::Section:
        out += e.key;
        break;
      case Kind::Option:
        out += e.key;
        out += '=';
        out += e.value;
        break;
    }
    out += "\r\n";
  }
  return out;
}

int CConfigFile::Save() {
  if (!loaded_) return -2;
  return WriteFileAtomic(path_, Serialize()) ? 1 : -1;
}

int CConfigFile::Close() {
  path_.clear();
  entries_.clear();
  sections_.clear();
  loaded_ = false;
  return 1;
}

namespace {

std::string SectionLine(std::string_view section) {
  std::string line(1, '[');
  line.append(section);
  line += ']';
  return line;
}

}  // namespace

void CConfigFile::BuildIndex() {
  sections_.clear();
  // Options before the first section line belong to no section and are never found.
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].kind == Kind::Section) sections_[entries_[i].key].push_back(i);
}

size_t CConfigFile::Find(std::string_view section, std::string_view key) const {
  const auto found = sections_.find(SectionLine(section));
  if (found == sections_.end()) return kNone;
  for (size_t start : found->second)  // the first block holding the key wins
    for (size_t i = start + 1; i < entries_.size() && entries_[i].kind != Kind::Section; ++i)
      if (entries_[i].kind == Kind::Option && entries_[i].key == key) return i;
  return kNone;
}

size_t CConfigFile::Find(std::string_view key) const {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].kind == Kind::Option && entries_[i].key == key) return i;
  return kNone;
}

std::string CConfigFile::GetValue(std::string_view section, std::string_view key) const {
  if (!loaded_) return std::string(kNotLoaded);
  const size_t i = Find(section, key);
  return i == kNone ? std::string(kNotFound) : entries_[i].value;
}

std::string CConfigFile::GetValue(std::string_view key) const {
  if (!loaded_) return std::string(kNotLoaded);
  const size_t i = Find(key);
  return i == kNone ? std::string(kNotFound) : entries_[i].value;
}

std::vector<std::pair<std::string, std::string>> CConfigFile::Options(
    std::string_view section) const {
  std::string wanted(1, '[');
  wanted.append(section);
  wanted += ']';
  std::vector<std::pair<std::string, std::string>> options;
  std::set<std::string_view> seen;
  bool inSection = false;
  for (const Entry& e : entries_) {
    if (e.kind == Kind::Section)
      inSection = e.key == wanted;
    else if (e.kind == Kind::Option && inSection && seen.insert(e.key).second)
      options.emplace_back(e.key, e.value);
  }
  return options;
}

int CConfigFile::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  if (!loaded_) return -1;
  const size_t i = Find(section, key);
  if (i == kNone) return -2;
  entries_[i].value = std::string(value);
  return 1;
}

int CConfigFile::SetValue(std::string_view key, std::string_view value) {
  if (!loaded_) return -1;
  const size_t i = Find(key);
  if (i == kNone) return -2;
  entries_[i].value = std::string(value);
  return 1;
}

int CConfigFile::SetValues(std::span<const ConfigSection> sections) {
  if (!loaded_) return -1;
  std::vector<std::vector<Entry>> missing(sections.size());
  std::unordered_map<std::string, size_t> sectionOf;
  bool any = false;
  for (size_t s = 0; s < sections.size(); ++s) {
    sectionOf.emplace(SectionLine(sections[s].name), s);
    for (const auto& [key, value] : sections[s].options) {
      if (const size_t i = Find(sections[s].name, key); i != kNone) {
        entries_[i].value = value;
      } else {
        missing[s].push_back({Kind::Option, key, value});
        any = true;
      }
    }
  }
  if (!any) return 1;
  std::vector<Entry> out;
  out.reserve(entries_.size() + 64);
  std::vector<bool> placed(sections.size(), false);
  std::string current;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].kind == Kind::Section) current = entries_[i].key;
    out.push_back(std::move(entries_[i]));
    // The end of a section's first block: its missing options go there.
    if (i + 1 < entries_.size() && entries_[i + 1].kind != Kind::Section) continue;
    const auto s = sectionOf.find(current);
    if (s == sectionOf.end() || placed[s->second]) continue;
    placed[s->second] = true;
    for (Entry& e : missing[s->second]) out.push_back(std::move(e));
  }
  for (size_t s = 0; s < sections.size(); ++s) {
    if (placed[s] || missing[s].empty()) continue;
    out.push_back({Kind::Section, SectionLine(sections[s].name), {}});
    for (Entry& e : missing[s]) out.push_back(std::move(e));
  }
  entries_ = std::move(out);
  BuildIndex();
  return 1;
}

int AddConfigValue(std::string_view path, std::string_view section, std::string_view key,
                   std::string_view value) {
  CConfigFile file;
  if (file.Load(path) != 1) return -1;
  const ConfigSection add[] = {{std::string(section), {{std::string(key), std::string(value)}}}};
  file.SetValues(add);
  return file.Save();
}

}  // namespace pim
