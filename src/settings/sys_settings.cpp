#include "settings/sys_settings.h"

#include "base/atomic_file.h"
#include "base/file.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "config/config_file.h"

namespace pim {
namespace {

// Written only once the user changes it: older versions never see it otherwise.
constexpr std::string_view kCaptureKey = "capturehotkey";

}  // namespace

SysSettings LoadSysSettings() {
  SysSettings s;
  CConfigFile conf;
  conf.Load(kSettingsPath);
  ScanInt(conf.GetValue("SYS", "hotkey"), s.hotkey);
  ScanInt(conf.GetValue("SYS", kCaptureKey), s.captureHotkey);
  s.tmpdir = conf.GetValue("SYS", "tmpdir");
  s.autorun = ConfigBool(conf.GetValue("SYS", "autorun"));
  s.showtip = ConfigBool(conf.GetValue("SYS", "showtip"));
  s.notice = ConfigBool(conf.GetValue("SYS", "notice"));
  s.autobackup = ConfigBool(conf.GetValue("SYS", "autobackup"));
  conf.Close();
  // The markers of a missing file or key are no folder.
  if (s.tmpdir == CConfigFile::kNotFound || s.tmpdir == CConfigFile::kNotLoaded) s.tmpdir.clear();
  return s;
}

bool AddSysKey(std::string_view key, std::string_view value) {
  CConfigFile conf;
  if (conf.Load(kSettingsPath) != 1) return false;
  if (conf.GetValue("SYS", key) != CConfigFile::kNotFound) return true;
  conf.Close();
  std::string bytes;
  if (!ReadWholeFile(kSettingsPath, bytes)) return false;
  const std::string line = std::string(key) + "=" + std::string(value) + "\r\n";
  // Right below the first section line "[SYS]"; a file without one gets the section.
  size_t at = 0;
  while (at < bytes.size() && !std::string_view(bytes).substr(at).starts_with("[SYS]\r\n") &&
         !std::string_view(bytes).substr(at).starts_with("[SYS]\n")) {
    const size_t end = bytes.find('\n', at);
    at = end == std::string::npos ? bytes.size() : end + 1;
  }
  if (at < bytes.size()) {
    bytes.insert(bytes.find('\n', at) + 1, line);
  } else {
    if (!bytes.empty() && bytes.back() != '\n') bytes += "\r\n";
    bytes += "[SYS]\r\n" + line;
  }
  return WriteFileAtomic(kSettingsPath, bytes);
}

std::string SysValue(std::string_view key) {
  CConfigFile conf;
  conf.Load(kSettingsPath);
  std::string value = conf.GetValue("SYS", key);
  if (value == CConfigFile::kNotFound || value == CConfigFile::kNotLoaded) value.clear();
  return value;
}

bool SetSysValue(std::string_view key, std::string_view value) {
  if (!AddSysKey(key, value)) return false;
  CConfigFile conf;
  if (conf.Load(kSettingsPath) != 1) return false;
  if (conf.GetValue("SYS", key) == value) return true;
  return conf.SetValue("SYS", key, value) == 1 && conf.Save() == 1;
}

int32_t LoadBarHotkey() { return LoadSysSettings().hotkey; }

bool CaptureKeys::Register(int32_t value) {
  Unregister();
  value_ = value & 0xFFFF;
  if ((value_ & 0xFF) == 0) return true;
  const HotkeyParts key = SplitHotkey(value_);
  held_ = hotkeys_.Register(kCaptureHotkeyId, key.modifiers, key.virtualKey);
  constexpr uint32_t kShift = 4;
  if (held_ && (key.modifiers & kShift) == 0)
    hotkeys_.Register(kCaptureEditHotkeyId, key.modifiers | kShift, key.virtualKey);
  return held_;
}

void CaptureKeys::Unregister() {
  hotkeys_.Unregister(kCaptureHotkeyId);
  hotkeys_.Unregister(kCaptureEditHotkeyId);
  held_ = false;
}

std::string LogonCommand(const std::string& folder) {
  if (folder.find(' ') == std::string::npos) return folder + "\\Pimbrel.exe " + folder;
  return "\"" + folder + "\\Pimbrel.exe\" \"" + folder + "\"";
}

bool SysSetModel::Apply(const SysSettings& edited, const std::string& workingFolder) {
  if ((edited.hotkey & 0xFFFF) != (values_.hotkey & 0xFFFF)) {
    CSysTool tool(prompter_);
    hotkeys_.Unregister(kBarHotkeyId);
    if (!tool.RegHotKey(hotkeys_, edited.hotkey, kBarHotkeyId)) {
      // Never leave the bar without a hotkey: the old one comes back, the sheet stays open.
      const HotkeyParts old = SplitHotkey(values_.hotkey);
      hotkeys_.Register(kBarHotkeyId, old.modifiers, old.virtualKey);
      return false;
    }
    values_.hotkey = edited.hotkey & 0xFFFF;
  }
  if (!ApplyCaptureKey(edited.captureHotkey)) return false;
  values_.tmpdir = edited.tmpdir;
  values_.autorun = edited.autorun;
  WriteLogonEntry(workingFolder);
  values_.showtip = edited.showtip;
  values_.notice = edited.notice;
  values_.autobackup = edited.autobackup;
  // A missing key reads as true: the file gains the key only when it must say "false".
  if (!values_.autobackup) AddSysKey("autobackup", "false");

  CConfigFile conf;
  conf.Load(kSettingsPath);
  conf.SetValue("SYS", "hotkey", Format("%ld", static_cast<long>(values_.hotkey)));
  conf.SetValue("SYS", "tmpdir", values_.tmpdir);
  conf.SetValue("SYS", "autorun", ConfigBoolText(values_.autorun));
  conf.SetValue("SYS", "showtip", ConfigBoolText(values_.showtip));
  conf.SetValue("SYS", "notice", ConfigBoolText(values_.notice));
  conf.SetValue("SYS", "autobackup", ConfigBoolText(values_.autobackup));
  if (conf.Save() != 1)
    prompter_.ShowMessage(Gb("无法保存设置文件 set\\sets.conf！"), "failed", MsgButtons::Ok,
                          MsgIcon::Warning);
  conf.Close();
  return true;
}

bool SysSetModel::ApplyCaptureKey(int32_t value) {
  value &= 0xFFFF;
  if (!capture_) return true;
  if (value == values_.captureHotkey) {
    // Tried again, silently: what held it may have let it go; the page says if not.
    if (capture_->refused()) capture_->Register(value);
    return true;
  }
  const int32_t old = capture_->value();
  if (!capture_->Register(value)) {
    TellHotkeyRefused(prompter_);
    capture_->Register(old);
    return false;
  }
  values_.captureHotkey = value;
  if (!SetSysValue(kCaptureKey, Format("%ld", static_cast<long>(value))))
    prompter_.ShowMessage(Gb("无法保存设置文件 set\\sets.conf！"), "failed", MsgButtons::Ok,
                          MsgIcon::Warning);
  return true;
}

void SysSetModel::WriteLogonEntry(const std::string& workingFolder) {
  const std::string command = values_.autorun ? LogonCommand(workingFolder) : std::string();
  CSysTool tool(prompter_);
  // The machine-wide entry needs an administrator; without one the user's own entry serves.
  if (registry_.WriteString(RegistryRoot::LocalMachine, kLogonKey, kLogonValue, command) ==
      RegistryResult::Ok) {
    // A user entry left from an earlier start without rights must not start a second copy.
    registry_.WriteString(RegistryRoot::CurrentUser, kLogonKey, kLogonValue, "");
    return;
  }
  tool.WriteRegString(registry_, RegistryRoot::CurrentUser, kLogonKey, kLogonValue, command);
}

}  // namespace pim
