// The settings of section "SYS" and what applying them does.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/prompter.h"
#include "config/config_file.h"
#include "platform/sys_tool.h"
#include "platform/system.h"

namespace pim {

inline constexpr const char* kLogonKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
inline constexpr const char* kLogonValue = "KWIX.Pimbrel.Run";

struct SysSettings {
  int32_t hotkey = kDefaultHotkey;
  std::string tmpdir;
  bool autorun = true;  // a missing key reads as true
  bool showtip = true;
  bool notice = true;
  bool autobackup = true;  // the daily copy at the first exit of a day
};

// Reads section "SYS" of "set\sets.conf". A missing or non-numeric hotkey is Ctrl+G.
SysSettings LoadSysSettings();
// Adds "key=value" to section "SYS" when the key is missing there (CConfigFile adds no
// keys); true when the key is there afterwards.
bool AddSysKey(std::string_view key, std::string_view value);
// A key of section "SYS" kept by one command (a folder last used, the data folder): its value,
// "" when missing; and set, added when missing. False when the file could not be written.
std::string SysValue(std::string_view key);
bool SetSysValue(std::string_view key, std::string_view value);
// The bar's hotkey as start-up registers it.
int32_t LoadBarHotkey();
// The log-on command: the program and its folder as argument. Unquoted, as always written,
// unless the folder has a blank; then both are quoted so the folder comes back whole.
std::string LogonCommand(const std::string& folder);

// The settings page without its window.
class SysSetModel {
 public:
  SysSetModel(Prompter& prompter, HotkeyRegistrar& barHotkeys, Registry& registry)
      : prompter_(prompter), hotkeys_(barHotkeys), registry_(registry) {}

  void Load() { values_ = LoadSysSettings(); }
  const SysSettings& values() const { return values_; }

  // OK or Apply with what the controls hold. False keeps the sheet open: the new hotkey
  // could not be registered (the old one is registered again and nothing is saved).
  bool Apply(const SysSettings& edited, const std::string& workingFolder);

 private:
  void WriteLogonEntry(const std::string& workingFolder);

  Prompter& prompter_;
  HotkeyRegistrar& hotkeys_;
  Registry& registry_;
  SysSettings values_;
};

}  // namespace pim
