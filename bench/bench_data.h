// Scratch data folders and generated collections for the benchmarks; everything is written
// through the program's own writers, so the readers see the bytes the program makes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "base/prompter.h"
#include "datum/datum_store.h"
#include "platform/system.h"
#include "quicklaunch/run_lists.h"

namespace bench {

// A fresh installed data folder, made the working folder on construction and by Enter. It
// sits on /dev/shm where there is one, so the atomic writer's fsync does not time the disk.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  void Enter() const { std::filesystem::current_path(folder_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

 private:
  std::filesystem::path previous_;
  std::filesystem::path folder_;
};

inline constexpr int kCategories = 100;

// Card i of a generated collection, in one of the 100 categories.
pim::IndexEntry CardEntry(int i);
std::vector<pim::IndexEntry> CardEntries(int count);
// The bytes of the six fields the readers hand out, summed over the entries.
size_t FieldBytes(const std::vector<pim::IndexEntry>& entries);
// A whole line index document of these entries.
std::string LineIndexDocument(const std::vector<pim::IndexEntry>& entries);

// In the current data folder: the 100 categories in class.list with their folders, a card
// file per entry, and the entries as both the untrimmed and the trimmed index.
void WriteCollection(int count);
// The four quick-launch lists with `count` programs each, every one with a hotkey.
void WriteLaunchLists(int count);
// A settings file of `lines` lines: sections of nine keys.
void WriteConfig(const std::string& path, int lines);

// Fakes for the models' ways into the system: nothing is shown, registered or launched.
class SilentPrompter final : public pim::Prompter {
 public:
  pim::MsgResult ShowMessage(const std::string&, const std::string&, pim::MsgButtons,
                             pim::MsgIcon) override {
    ++messages;
    return pim::MsgResult::Ok;
  }
  std::string PickFolder(const std::string&) override { return {}; }
  std::string PickFile(const pim::FileChoice&) override { return {}; }
  int Choose(const std::string&, const std::string&, const std::vector<std::string>&) override {
    return -1;
  }
  int messages = 0;
};
class NoHotkeys final : public pim::HotkeyRegistrar {
 public:
  bool Register(int, uint32_t, uint32_t) override { return true; }
  void Unregister(int) override {}
};
class NoShell final : public pim::Shell {
 public:
  bool Open(const std::string&, const std::string&, const std::string&) override { return true; }
};
class NoImages final : public pim::IconImages {
 public:
  void Reset(int) override {}
  void Append(int, const std::string&, int) override {}
  void Replace(int, int, const std::string&, int) override {}
  void Remove(int, int) override {}
};

}  // namespace bench
