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
  loaded_ = false;
  return 1;
}

size_t CConfigFile::Find(std::string_view section, std::string_view key) const {
  std::string wanted(1, '[');
  wanted.append(section);
  wanted += ']';
  std::string_view current;  // options before the first section line are never found
  for (size_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    if (e.kind == Kind::Section)
      current = e.key;
    else if (e.kind == Kind::Option && current == wanted && e.key == key)
      return i;
  }
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

int AddConfigValue(std::string_view path, std::string_view section, std::string_view key,
                   std::string_view value) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return -1;
  if (!bytes.empty() && bytes.back() != '\n') bytes += "\r\n";
  std::string line(1, '[');
  line.append(section);
  line += ']';
  const std::string option = std::string(key) + "=" + std::string(value) + "\r\n";
  // Lines end at LF; the section's block runs to the next line that starts with "[".
  size_t at = 0;
  size_t insert = std::string::npos;
  bool inSection = false;
  while (at < bytes.size()) {
    size_t end = bytes.find('\n', at);
    end = end == std::string::npos ? bytes.size() : end + 1;
    std::string_view text(bytes.data() + at, end - at);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    if (!text.empty() && text[0] == '[') {
      if (inSection) {
        insert = at;
        break;
      }
      inSection = text == line;
    }
    at = end;
  }
  if (inSection && insert == std::string::npos) insert = bytes.size();
  if (insert == std::string::npos)
    bytes += line + "\r\n" + option;
  else
    bytes.insert(insert, option);
  return WriteFileAtomic(path, bytes) ? 1 : -1;
}

}  // namespace pim
