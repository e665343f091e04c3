// The sectioned key=value text file behind every settings and list file.
//
// It keeps every line it understands in file order; SetValue replaces values of keys that
// exist, only SetValues adds keys and sections. Lines that are neither comments, sections
// nor options are dropped at the next Save.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace pim {

// The program's settings: hotkeys, options and the next record numbers.
inline constexpr const char* kSettingsPath = "set\\sets.conf";

// New values for the options of one section ("name" without its brackets).
struct ConfigSection {
  std::string name;
  std::vector<std::pair<std::string, std::string>> options;
};

class CConfigFile {
 public:
  // GetValue's answers when nothing is loaded, and when the key is not there.
  static constexpr std::string_view kNotLoaded = "\x01";
  static constexpr std::string_view kNotFound = "\x02";

  CConfigFile() = default;
  ~CConfigFile() { Close(); }
  CConfigFile(const CConfigFile&) = delete;
  CConfigFile& operator=(const CConfigFile&) = delete;

  // 1 loaded; -1 the file cannot be opened or read whole (the path is still remembered, and
  // nothing is loaded, so nothing is saved); -2 already loaded.
  int Load(std::string_view path);
  // 1 written; -1 the file could not be written (it then keeps its old content);
  // -2 nothing loaded.
  int Save();
  // Always 1. Forgets the path and the entries; never saves.
  int Close();

  std::string GetValue(std::string_view section, std::string_view key) const;
  std::string GetValue(std::string_view key) const;
  // 1 replaced; -2 no such option (nothing is added); -1 nothing loaded.
  int SetValue(std::string_view section, std::string_view key, std::string_view value);
  int SetValue(std::string_view key, std::string_view value);
  // Sets each option as SetValue does; an option the file lacks is added at the end of its
  // section's first block, or in the section added at the end of the file. 1 done; -1 nothing
  // loaded.
  int SetValues(std::span<const ConfigSection> sections);

  // The options of "[section]" in file order, each key once with its first value.
  std::vector<std::pair<std::string, std::string>> Options(std::string_view section) const;

  bool IsLoaded() const { return loaded_; }
  const std::string& path() const { return path_; }
  // The file as Save writes it.
  std::string Serialize() const;

 private:
  enum class Kind { Comment, Section, Option };
  struct Entry {
    Kind kind;
    std::string key;    // whole line for a section, the key for an option
    std::string value;  // whole line for a comment, the value for an option
  };

  static constexpr size_t kNone = static_cast<size_t>(-1);
  // Index of the first matching option, or kNone.
  size_t Find(std::string_view section, std::string_view key) const;
  size_t Find(std::string_view key) const;
  // Where each section line's blocks start, so that a look-up reads one section's options
  // only and a file of many sections is read and written in linear time.
  void BuildIndex();

  std::string path_;
  std::vector<Entry> entries_;
  std::unordered_map<std::string, std::vector<size_t>> sections_;
  bool loaded_ = false;
};

// Adds "key=value" at the end of the first "[section]" of the file at `path`, or a new
// section with it at the end of the file, as SetValues does. For keys a file should have had
// from the start. 1 written, -1 the file cannot be read or written.
int AddConfigValue(std::string_view path, std::string_view section, std::string_view key,
                   std::string_view value);

// The system-wide reading of a boolean: true unless the text is exactly "false".
inline bool ConfigBool(std::string_view value) { return value != "false"; }
inline const char* ConfigBoolText(bool value) { return value ? "true" : "false"; }

}  // namespace pim
