// The sectioned key=value text file behind every settings and list file.
//
// It keeps every line it understands in file order, replaces values of keys that exist and
// never adds a key or a section; lines that are neither comments, sections nor options are
// dropped at the next Save.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pim {

class CConfigFile {
 public:
  // GetValue's answers when nothing is loaded, and when the key is not there.
  static constexpr std::string_view kNotLoaded = "\x01";
  static constexpr std::string_view kNotFound = "\x02";

  CConfigFile() = default;
  ~CConfigFile() { Close(); }
  CConfigFile(const CConfigFile&) = delete;
  CConfigFile& operator=(const CConfigFile&) = delete;

  // 1 loaded; -1 the file cannot be read (the path is still remembered); -2 already loaded.
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

  std::string path_;
  std::vector<Entry> entries_;
  bool loaded_ = false;
};

// Adds "key=value" at the end of the first "[section]" of the file at `path`, or a new
// section with it at the end of the file. For keys a file should have had from the start;
// CConfigFile itself never adds one. 1 written, -1 the file cannot be read or written.
int AddConfigValue(std::string_view path, std::string_view section, std::string_view key,
                   std::string_view value);

// The system-wide reading of a boolean: true unless the text is exactly "false".
inline bool ConfigBool(std::string_view value) { return value != "false"; }
inline const char* ConfigBoolText(bool value) { return value ? "true" : "false"; }

}  // namespace pim
