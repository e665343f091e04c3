#include "quicklaunch/run_lists.h"

#include <utility>
#include <vector>

#include "base/file.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "config/config_file.h"
#include "platform/sys_tool.h"
#include "quicklaunch/key_name.h"

namespace pim {

namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kStoredBreak = "`@`";
constexpr const char* kKeys[] = {"iconint", "hotkey",  "name", "path",
                                 "icon",    "workdir", "info", "keydes"};

std::string Section(int record) { return "run" + std::to_string(record); }

// A value must stay on its line: a stray CR or LF would split the file's record.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

}  // namespace

const char* const LaunchLists::kFiles[kListCount] = {
    "set\\fastrun_coll.lst", "set\\fastrun_study.lst", "set\\fastrun_fun.lst",
    "set\\fastrun_net.lst"};

LaunchLists::LaunchLists(Prompter& prompter, HotkeyRegistrar& hotkeys, Shell& shell,
                         IconImages& images)
    : prompter_(prompter), hotkeys_(hotkeys), shell_(shell), images_(images) {}

bool LaunchLists::LoadList(int list) {
  List& l = lists_[list];
  CConfigFile file;
  if (file.Load(kFiles[list]) != 1) return false;
  int32_t count = 0;
  if (!ScanInt(file.GetValue("MAIN", "count"), count) || count < 0) count = 0;
  l.count = count > kMaxItems ? kMaxItems : count;
  images_.Reset(list);
  for (int i = 0; i < l.count; ++i) {
    RunItem& item = l.items[i];
    const std::string section = Section(i + 1);
    ScanInt(file.GetValue(section, "iconint"), item.iconint);
    ScanInt(file.GetValue(section, "hotkey"), item.hotkey);
    item.name = file.GetValue(section, "name");
    item.path = file.GetValue(section, "path");
    item.icon = file.GetValue(section, "icon");
    item.workdir = file.GetValue(section, "workdir");
    item.info = ReplaceAll(file.GetValue(section, "info"), kStoredBreak, kLineBreak);
    item.keydes = file.GetValue(section, "keydes");
    images_.Append(list, item.icon, item.iconint);
    item.hotkeyId = 0;
    if (item.hotkey != 0) {
      item.hotkeyId = nextHotkeyId_++;
      CSysTool(prompter_).RegHotKey(hotkeys_, item.hotkey, item.hotkeyId);
    }
  }
  return true;
}

void LaunchLists::LoadAll() {
  for (int list = 0; list < kListCount; ++list) LoadList(list);
}

bool LaunchLists::SaveList(int list) {
  List& l = lists_[list];
  CConfigFile file;
  if (file.Load(kFiles[list]) != 1) return false;
  std::vector<ConfigSection> sections;
  sections.reserve(l.count + 1);
  sections.push_back({"MAIN", {{"count", std::to_string(l.count)}}});
  for (int i = 0; i < l.count; ++i) {
    const RunItem& item = l.items[i];
    sections.push_back({Section(i + 1),
                        {{kKeys[0], std::to_string(item.iconint)},
                         {kKeys[1], std::to_string(item.hotkey)},
                         {kKeys[2], OneLine(item.name)},
                         {kKeys[3], OneLine(item.path)},
                         {kKeys[4], OneLine(item.icon)},
                         {kKeys[5], OneLine(item.workdir)},
                         {kKeys[6], OneLine(ReplaceAll(item.info, kLineBreak, kStoredBreak))},
                         {kKeys[7], OneLine(item.keydes)}}});
  }
  file.SetValues(sections);
  if (file.Save() == 1) {
    l.told = false;
    return true;
  }
  // The file was there but could not be written: the user must know the change is unsaved,
  // once, not on every tick of the timer.
  if (std::exchange(l.told, true)) return false;
  prompter_.ShowMessage(Gb("无法保存快速启动列表 ") + std::string(kFiles[list]) + Gb("！"),
                        Gb("快速启动"), MsgButtons::Ok, MsgIcon::Warning);
  return false;
}

void LaunchLists::SaveOnTimer() {
  for (int step = 0; step < kListCount; ++step) {
    const int list = (nextTimerList_ + step) % kListCount;
    List& l = lists_[list];
    if (!l.changed) continue;
    // A list without a file saves nowhere; one whose file failed is tried again in its turn.
    l.changed = !SaveList(list) && FileExists(kFiles[list]);
    nextTimerList_ = (list + 1) % kListCount;
    return;
  }
}

void LaunchLists::Close() {
  for (int id = kFirstHotkeyId; id < nextHotkeyId_; ++id) hotkeys_.Unregister(id);
  // The last chance: a change still unsaved now is lost, so a failure is told again.
  for (int list = 0; list < kListCount; ++list) {
    lists_[list].told = false;
    if (lists_[list].changed && SaveList(list)) lists_[list].changed = false;
  }
}

std::string LaunchLists::HotkeyText(const RunItem& item) {
  return item.hotkey == 0 ? Gb("无") : item.keydes;
}

bool LaunchLists::Add(int list, const std::string& path) {
  List& l = lists_[list];
  if (l.count >= kMaxItems) {
    prompter_.ShowMessage(Gb("每类最多放50个程序，请先删除一些再添加！"), Gb("快速启动"),
                          MsgButtons::Ok, MsgIcon::Warning);
    return false;
  }
  CSysTool tool(prompter_);
  std::string title = tool.SplitPath(path);
  size_t dot = std::string::npos;
  for (size_t at = FindText(title, "."); at != std::string::npos; at = FindText(title, ".", at + 1))
    dot = at;
  if (dot != std::string::npos && dot > 0) title.resize(dot);
  RunItem& item = l.items[l.count++];
  item = RunItem{};
  item.name = title;
  item.path = path;
  item.icon = path;
  images_.Append(list, path, 0);
  l.changed = true;
  return true;
}

bool LaunchLists::Delete(int list, int index) {
  List& l = lists_[list];
  if (index < 0 || index >= l.count) return false;
  if (prompter_.ShowMessage(Gb("你确实要删除该项吗?"), Gb("确认删除"), MsgButtons::YesNo,
                            MsgIcon::Question) != MsgResult::Yes)
    return false;
  // Freed at once, so the key combination can be given to another program.
  if (l.items[index].hotkeyId != 0) hotkeys_.Unregister(l.items[index].hotkeyId);
  for (int i = index; i + 1 < l.count; ++i) l.items[i] = std::move(l.items[i + 1]);
  l.items[--l.count] = RunItem{};
  images_.Remove(list, index + 1);
  l.changed = true;
  return true;
}

bool LaunchLists::ApplyHotkey(int list, int index, int32_t value, Prompter& prompter) {
  RunItem& item = lists_[list].items[index];
  value &= 0xFFFF;
  // The stored value, not its display name: "keydes" may disagree with "hotkey" in a file.
  if (value == item.hotkey) return true;
  const std::string name = KeyName(value);
  if (name.empty()) {
    item.hotkey = 0;
    item.keydes.clear();
    if (item.hotkeyId != 0) hotkeys_.Unregister(item.hotkeyId);
    return true;
  }
  const bool hadKey = item.hotkeyId != 0 && item.hotkey != 0;
  if (item.hotkeyId != 0)
    hotkeys_.Unregister(item.hotkeyId);
  else
    item.hotkeyId = nextHotkeyId_++;
  if (CSysTool(prompter).RegHotKey(hotkeys_, value, item.hotkeyId)) {
    item.hotkey = value;
    item.keydes = name;
    return true;
  }
  // Keep the working key rather than leave the program without one.
  if (hadKey) {
    const HotkeyParts old = SplitHotkey(item.hotkey);
    hotkeys_.Register(item.hotkeyId, old.modifiers, old.virtualKey);
  }
  return false;
}

void LaunchLists::ApplyFields(int list, int index, const RunItem& fields, bool iconChanged) {
  RunItem& item = lists_[list].items[index];
  // A one-line field keeps what is stored; the user hears of the change, as in the other
  // panels' one-line fields.
  if (HasLineBreak(fields.name) || HasLineBreak(fields.path) || HasLineBreak(fields.workdir) ||
      HasLineBreak(fields.icon))
    prompter_.ShowMessage(Gb("名称、路径、起始位置和图标不能含有换行, 换行已改为空格!"),
                          Gb("快速启动"), MsgButtons::Ok, MsgIcon::Information);
  item.name = OneLine(fields.name);
  item.path = OneLine(fields.path);
  item.info = fields.info;
  item.workdir = OneLine(fields.workdir);
  item.icon = OneLine(fields.icon);
  item.iconint = fields.iconint;
  lists_[list].changed = true;
  if (iconChanged) images_.Replace(list, index + 1, item.icon, item.iconint);
}

bool LaunchLists::Dispatch(int id) {
  for (const List& l : lists_)
    for (int i = 0; i < l.count; ++i)
      if (l.items[i].hotkeyId == id) {
        Launch(l.items[i].path, l.items[i].workdir);
        return true;
      }
  return false;
}

}  // namespace pim
