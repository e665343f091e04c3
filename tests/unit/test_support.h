// Shared fakes and fixtures of the unit tests, and the headers most of them use.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/startup.h"
#include "base/clock.h"
#include "base/file.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "base/line_reader.h"
#include "base/path.h"
#include "base/prompter.h"
#include "config/config_file.h"
#include "contacts/address_book.h"
#include "datafolder.h"
#include "datum/datum_capture.h"
#include "datum/datum_store.h"
#include "datum/trimming.h"
#include "notes/notebook.h"
#include "platform/system.h"
#include "quicklaunch/run_lists.h"
#include "settings/sys_settings.h"
#include "xmldoc/xml.h"

namespace pim::test {

// Records every message and answers with the queued results (Ok when none is queued).
class RecordingPrompter final : public Prompter {
 public:
  struct Message {
    std::string text, caption;
    MsgButtons buttons;
    MsgIcon icon;
  };
  MsgResult ShowMessage(const std::string& text, const std::string& caption, MsgButtons buttons,
                        MsgIcon icon) override {
    messages.push_back({text, caption, buttons, icon});
    const MsgResult answer = answers.empty() ? MsgResult::Ok : answers.front();
    if (!answers.empty()) answers.pop_front();
    return answer;
  }
  std::string PickFolder(const std::string&) override { return picked; }
  std::string PickFile(const FileChoice&) override { return picked; }
  // A question with buttons of its own words is a message too (its buttons Ok); it is
  // answered from `choices`, with the default (0) when none is queued.
  int Choose(const std::string& text, const std::string& caption,
             const std::vector<std::string>&) override {
    messages.push_back({text, caption, MsgButtons::Ok, MsgIcon::Question});
    const int choice = choices.empty() ? 0 : choices.front();
    if (!choices.empty()) choices.pop_front();
    return choice;
  }
  std::vector<Message> messages;
  std::deque<MsgResult> answers;
  std::deque<int> choices;
  std::string picked;  // what the pickers answer
};

// Refuses a combination in `taken` or held under another identifier, as the system does.
struct FakeHotkeys final : HotkeyRegistrar {
  bool Register(int id, uint32_t modifiers, uint32_t key) override {
    for (const auto& [other, combo] : held)
      if (other != id && combo == std::pair(modifiers, key)) return false;
    if (taken.count({modifiers, key})) return false;
    held[id] = {modifiers, key};
    return true;
  }
  void Unregister(int id) override { held.erase(id); }
  std::set<std::pair<uint32_t, uint32_t>> taken;
  std::map<int, std::pair<uint32_t, uint32_t>> held;
};

struct FakeShell final : Shell {
  bool Open(const std::string& file, const std::string&, const std::string& folder) override {
    opened.push_back(file + "|" + folder);
    return true;
  }
  std::vector<std::string> opened;
};

// Each list's images as "file#index"; "placeholder" is image 0.
struct FakeImages final : IconImages {
  void Reset(int list) override { images[list] = {"placeholder"}; }
  void Append(int list, const std::string& file, int index) override {
    images[list].push_back(file + "#" + std::to_string(index));
  }
  void Replace(int list, int image, const std::string& file, int index) override {
    images[list].at(image) = file + "#" + std::to_string(index);
  }
  void Remove(int list, int image) override { images[list].erase(images[list].begin() + image); }
  std::map<int, std::vector<std::string>> images;
};

// A line reader over its own copy of the bytes.
struct Doc {
  explicit Doc(std::string b) : bytes(std::move(b)) {}
  LineReader& lines() { return reader; }  // also on a temporary, for the whole statement
  const std::string bytes;
  MemorySource source{bytes};
  LineReader reader{source};
};

// `text` as UTF-16 bytes: little-endian unless `big`, after the byte order mark when `mark`.
std::string Utf16(std::u16string_view text, bool big = false, bool mark = true);

// The link names of line index bytes; `whole` when it ends with its marker and every link reads.
std::vector<std::string> LinkNames(const std::string& bytes, bool* whole = nullptr);

// Cards c1..cn in datum\a ("text c<i>" and a second line), waiting in the untrimmed index.
void CaptureCards(int n);

// Every file and folder below `root` by its "/"-separated name: its bytes, or "<folder>".
std::map<std::string, std::string> Tree(const std::filesystem::path& root = ".");

// A zip put together by hand, independent of our writer: stored entries unless `method` says
// otherwise (`data` is then the packed bytes), names as given.
struct RawEntry {
  std::string name, data;
  uint16_t flags = 0x0800;
  std::string extra{};
  uint16_t method = 0;
  int64_t claimedSize = -1;  // written in place of the real size
  bool badCrc = false;
  bool sharesPrevious = false;  // no bytes of its own: the directory points at the entry before
};
std::string RawZip(const std::vector<RawEntry>& entries);
// Little-endian fields, each (value, bytes).
void Le(std::string& out, std::initializer_list<std::pair<uint64_t, int>> fields);

// Runs each test in a fresh empty folder that is the working folder, as the program's
// data paths are relative to it. The folder is removed afterwards.
class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Writes raw bytes to a data path ("\"-separated) below the folder.
  static void WriteBytes(const std::string& dataPath, const std::string& bytes);
  // Every byte of a data path, or "<missing>".
  static std::string ReadBytes(const std::string& dataPath);
  // The names in a folder, sorted, to spot stray temporary files.
  static std::vector<std::string> Listing(const std::filesystem::path& folder = ".");
  std::filesystem::path folder_;

 private:
  std::filesystem::path previous_;
};

// Each record change as "written note 4", "removed card <path>", "lists" or "replaced";
// `then` runs after each.
struct HeardChanges final : RecordListener {
  void OnRecordChange(const RecordChange& c) override;
  std::vector<std::string> log;
  std::function<void()> then;
};

// The models over an installed data folder: a prompter for their messages, a clock, and their
// record events heard.
class ModelTest : public TempFolderTest {
 protected:
  void SetUp() override;
  // A note document of type 1, written now.
  std::string Note(const std::string& text, const std::string& built = "2026-12-7 9:0");
  static std::string Contact(const std::string& name);  // a contact document of a name alone
  RecordingPrompter prompter_;
  FixedClock clock_{{2026, 12, 7, 9, 0, 0}};
  RecordEvents events_;
  HeardChanges heard_;
};

// The capture panel, open, and the trimming dialog over an installed data folder, at the
// time CaptureCards finds its cards.
class CardTest : public ModelTest {
 protected:
  CardTest() { clock_.Set({2026, 12, 6, 9, 5, 0}); }
  void SetUp() override;
  DatumCapture capture_{prompter_, clock_, "C:\\P"};
  DatumTrimming trim_{prompter_, clock_, "C:\\P"};
};

}  // namespace pim::test
