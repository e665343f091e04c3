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
  int32_t captureHotkey = kDefaultCaptureHotkey;  // 0: none
  std::string tmpdir;
  bool autorun = true;  // a missing key reads as true
  bool showtip = true;
  bool notice = true;
  bool autobackup = true;  // the daily copy at the first exit of a day
};

// Reads section "SYS" of "set\sets.conf". A missing or non-numeric hotkey is Ctrl+G, a
// missing capture key Ctrl+Alt+C.
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

// The capture key and its Shift form, registered on the bar after the quick-launch keys. A
// key taken there or by another program is not told at every start: the settings page says so.
class CaptureKeys {
 public:
  explicit CaptureKeys(HotkeyRegistrar& hotkeys) : hotkeys_(hotkeys) {}
  // Registers a hotkey-control value (0: none) and, unless it holds Shift, its Shift form.
  // False when the key itself is held elsewhere.
  bool Register(int32_t value);
  void Unregister();
  int32_t value() const { return value_; }
  // A key is set but could not be registered.
  bool refused() const { return (value_ & 0xFF) != 0 && !held_; }

 private:
  HotkeyRegistrar& hotkeys_;
  int32_t value_ = 0;
  bool held_ = false;
};

// The settings page without its window.
class SysSetModel {
 public:
  SysSetModel(Prompter& prompter, HotkeyRegistrar& barHotkeys, Registry& registry,
              CaptureKeys* captureKeys = nullptr)
      : prompter_(prompter), hotkeys_(barHotkeys), registry_(registry), capture_(captureKeys) {}

  void Load() { values_ = LoadSysSettings(); }
  const SysSettings& values() const { return values_; }

  // OK or Apply with what the controls hold. False keeps the sheet open: a new hotkey could
  // not be registered (the old one is registered again and nothing is saved).
  bool Apply(const SysSettings& edited, const std::string& workingFolder);

 private:
  void WriteLogonEntry(const std::string& workingFolder);
  bool ApplyCaptureKey(int32_t value);

  Prompter& prompter_;
  HotkeyRegistrar& hotkeys_;
  Registry& registry_;
  CaptureKeys* capture_;
  SysSettings values_;
};

}  // namespace pim
