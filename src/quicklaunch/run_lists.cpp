#include "quicklaunch/run_lists.h"

#include <unordered_map>
#include <vector>

#include "base/atomic_file.h"
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

// The lines of a serialised configuration file, each without its CR LF.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find(kLineBreak, at);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + kLineBreak.size();
  }
  return lines;
}

std::string Slot(std::string_view header, std::string_view key) {
  std::string slot(header);
  slot += '\n';
  slot.append(key);
  return slot;
}

// Every option of a loaded file by section line and key, the first one winning as in
// CConfigFile::GetValue, built in one pass so a full list loads in linear time.
class ConfigIndex {
 public:
  explicit ConfigIndex(const CConfigFile& file) : text_(file.Serialize()) {
    std::string_view header;
    for (std::string_view line : SplitLines(text_)) {
      if (!line.empty() && line[0] == '[') {
        header = line;
      } else if (!line.empty() && line[0] != '#' && !header.empty()) {
        const size_t eq = line.find('=');
        if (eq != std::string_view::npos)
          values_.emplace(Slot(header, line.substr(0, eq)), line.substr(eq + 1));
      }
    }
  }
  std::string Get(std::string_view header, std::string_view key) const {
    const auto found = values_.find(Slot(header, key));
    return found == values_.end() ? std::string(CConfigFile::kNotFound)
                                  : std::string(found->second);
  }

 private:
  std::string text_;
  std::unordered_map<std::string, std::string_view> values_;
};

// New values for a file's options, by section in the order they are to be written.
struct Section {
  std::string header;
  std::vector<std::pair<std::string, std::string>> options;
};

// The file's text with each option's first occurrence set to its new value, as
// CConfigFile::SetValue would, and every option the file lacks added at the end of its
// section's first block, or in a new section at the end. One pass over the lines.
std::string RewriteConfig(std::string_view text, const std::vector<Section>& sections) {
  struct Wanted {
    const std::string* value;
    bool exists = false;
    bool written = false;
  };
  std::unordered_map<std::string, Wanted> wanted;
  std::unordered_map<std::string_view, size_t> sectionOf;
  for (size_t s = 0; s < sections.size(); ++s) {
    sectionOf.emplace(sections[s].header, s);
    for (const auto& [key, value] : sections[s].options)
      wanted.emplace(Slot(sections[s].header, key), Wanted{&value});
  }
  const std::vector<std::string_view> lines = SplitLines(text);
  // Which options exist at all, so the missing ones can go into the section's first block.
  std::string_view header;
  std::vector<std::string_view> headers(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    if (!line.empty() && line[0] == '[') header = line;
    headers[i] = header;
    const size_t eq = line.find('=');
    if (line.empty() || line[0] == '[' || line[0] == '#' || eq == std::string_view::npos) continue;
    if (auto found = wanted.find(Slot(header, line.substr(0, eq))); found != wanted.end())
      found->second.exists = true;
  }
  std::vector<bool> placed(sections.size(), false);
  auto addMissing = [&](std::string& out, size_t s) {
    placed[s] = true;
    for (const auto& [key, value] : sections[s].options)
      if (!wanted.at(Slot(sections[s].header, key)).exists) out += key + "=" + value + "\r\n";
  };
  std::string out;
  out.reserve(text.size() + 256);
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    const size_t eq = line.find('=');
    const bool option =
        !line.empty() && line[0] != '[' && line[0] != '#' && eq != std::string_view::npos;
    auto found = option ? wanted.find(Slot(headers[i], line.substr(0, eq))) : wanted.end();
    if (found != wanted.end() && !found->second.written) {
      found->second.written = true;
      out.append(line.substr(0, eq + 1));
      out += *found->second.value;
    } else {
      out.append(line);
    }
    out += kLineBreak;
    // The end of a section's first block: its missing options go here.
    const bool blockEnds =
        i + 1 == lines.size() || (!lines[i + 1].empty() && lines[i + 1][0] == '[');
    if (!blockEnds) continue;
    if (auto s = sectionOf.find(headers[i]); s != sectionOf.end() && !placed[s->second])
      addMissing(out, s->second);
  }
  for (size_t s = 0; s < sections.size(); ++s) {
    if (placed[s]) continue;
    out += sections[s].header + "\r\n";
    addMissing(out, s);
  }
  return out;
}

std::string Header(int record) { return "[run" + std::to_string(record) + "]"; }

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
  const ConfigIndex index(file);
  int32_t count = 0;
  if (!ScanInt(index.Get("[MAIN]", "count"), count) || count < 0) count = 0;
  l.count = count > kMaxItems ? kMaxItems : count;
  images_.Reset(list);
  for (int i = 0; i < l.count; ++i) {
    RunItem& item = l.items[i];
    const std::string header = Header(i + 1);
    ScanInt(index.Get(header, "iconint"), item.iconint);
    ScanInt(index.Get(header, "hotkey"), item.hotkey);
    item.name = index.Get(header, "name");
    item.path = index.Get(header, "path");
    item.icon = index.Get(header, "icon");
    item.workdir = index.Get(header, "workdir");
    item.info = ReplaceAll(index.Get(header, "info"), kStoredBreak, kLineBreak);
    item.keydes = index.Get(header, "keydes");
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
  const List& l = lists_[list];
  CConfigFile file;
  if (file.Load(kFiles[list]) != 1) return false;
  std::vector<Section> sections;
  sections.reserve(l.count + 1);
  sections.push_back({"[MAIN]", {{"count", std::to_string(l.count)}}});
  for (int i = 0; i < l.count; ++i) {
    const RunItem& item = l.items[i];
    sections.push_back({Header(i + 1),
                        {{kKeys[0], std::to_string(item.iconint)},
                         {kKeys[1], std::to_string(item.hotkey)},
                         {kKeys[2], OneLine(item.name)},
                         {kKeys[3], OneLine(item.path)},
                         {kKeys[4], OneLine(item.icon)},
                         {kKeys[5], OneLine(item.workdir)},
                         {kKeys[6], OneLine(ReplaceAll(item.info, kLineBreak, kStoredBreak))},
                         {kKeys[7], OneLine(item.keydes)}}});
  }
  if (WriteFileAtomic(kFiles[list], RewriteConfig(file.Serialize(), sections))) return true;
  // The file was there but could not be written: the user must know the change is unsaved.
  prompter_.ShowMessage(Gb("无法保存快速启动列表 ") + std::string(kFiles[list]) + Gb("！"),
                        Gb("快速启动"), MsgButtons::Ok, MsgIcon::Warning);
  return false;
}

void LaunchLists::SaveOnTimer() {
  for (List& l : lists_) {
    if (!l.changed) continue;
    const int list = static_cast<int>(&l - lists_.data());
    // A list without a file saves nowhere; one whose file failed is tried again later.
    l.changed = !SaveList(list) && FileExists(kFiles[list]);
    return;
  }
}

void LaunchLists::Close() {
  for (int id = kFirstHotkeyId; id < nextHotkeyId_; ++id) hotkeys_.Unregister(id);
  for (int list = 0; list < kListCount; ++list)
    if (lists_[list].changed && SaveList(list)) lists_[list].changed = false;
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
  const std::string name = KeyName(value);
  if (name == item.keydes) return true;
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
  item.name = fields.name;
  item.path = fields.path;
  item.info = fields.info;
  item.workdir = fields.workdir;
  item.icon = fields.icon;
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
