// The four program lists of the quick-launch board: their records, files, hotkeys and icons.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/prompter.h"
#include "platform/system.h"

namespace pim {

struct RunItem {
  std::string name;
  std::string path;
  std::string icon;
  std::string workdir;
  std::string info;
  std::string keydes;
  int32_t hotkey = 0;  // hotkey-control value; 0 none
  int hotkeyId = 0;    // identifier given out since start; 0 none; never stored
  int32_t iconint = 0;
};

// The image list of each list, kept by the window: image 0 is the placeholder and image
// i+1 the icon of record i, which every change below keeps true.
class IconImages {
 public:
  virtual ~IconImages() = default;
  // The list's images become the placeholder alone.
  virtual void Reset(int list) = 0;
  // Icon `index` of `file` at the end, or the placeholder when the file has none there.
  virtual void Append(int list, const std::string& file, int index) = 0;
  virtual void Replace(int list, int image, const std::string& file, int index) = 0;
  virtual void Remove(int list, int image) = 0;
};

class LaunchLists {
 public:
  static constexpr int kListCount = 4;
  static constexpr int kMaxItems = 50;
  static constexpr int kFirstHotkeyId = 20480;
  static const char* const kFiles[kListCount];

  LaunchLists(Prompter& prompter, HotkeyRegistrar& hotkeys, Shell& shell, IconImages& images);

  // Reads the list's file, builds its images and registers its hotkeys; false when the file
  // cannot be read (the list then stays empty).
  bool LoadList(int list);
  void LoadAll();
  // Writes the list; sections and keys the file lacks for records in use are added, so no
  // record is lost. False when the file cannot be read or written; a failed write is told
  // once, not again until the list was saved.
  bool SaveList(int list);
  // The periodic save: at most one list, the next changed one after the list tried last, so
  // a list that cannot be saved never holds up the others.
  void SaveOnTimer();
  // At exit: every identifier given out is freed, then the changed lists are saved.
  void Close();

  int count(int list) const { return lists_[list].count; }
  const RunItem& item(int list, int index) const { return lists_[list].items[index]; }
  bool changed(int list) const { return lists_[list].changed; }
  int nextHotkeyId() const { return nextHotkeyId_; }
  // The hotkey column: the key's name, or "无".
  static std::string HotkeyText(const RunItem& item);

  // A new record for a chosen file; a full list refuses it with a message.
  bool Add(int list, const std::string& path);
  // Asks first; the deleted record's hotkey is freed at once. True when deleted.
  bool Delete(int list, int index);
  // The properties dialog's hotkey step. When the new key cannot be registered the old one
  // is registered again and kept, and false is returned.
  bool ApplyHotkey(int list, int index, int32_t value, Prompter& prompter);
  // The properties dialog's other fields; `iconChanged` also renews the record's image.
  void ApplyFields(int list, int index, const RunItem& fields, bool iconChanged);

  // Launches the first record holding `id`; false when none does.
  bool Dispatch(int id);
  void Launch(const std::string& path, const std::string& workdir) {
    shell_.Open(path, "", workdir);
  }

 private:
  struct List {
    std::array<RunItem, kMaxItems> items;
    int count = 0;
    bool changed = false;
    bool told = false;  // its last write failed and the user was told
  };

  Prompter& prompter_;
  HotkeyRegistrar& hotkeys_;
  Shell& shell_;
  IconImages& images_;
  std::array<List, kListCount> lists_;
  int nextHotkeyId_ = kFirstHotkeyId;
  int nextTimerList_ = 0;
};

}  // namespace pim
