// Shared fakes and fixtures of the unit tests.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/prompter.h"

namespace pim::test {

// Records every message and answers with the queued results (Ok when none is queued).
class RecordingPrompter final : public Prompter {
 public:
  struct Message {
    std::string text;
    std::string caption;
    MsgButtons buttons;
    MsgIcon icon;
  };

  MsgResult ShowMessage(const std::string& text, const std::string& caption, MsgButtons buttons,
                        MsgIcon icon) override;
  std::string PickFolder(const std::string&) override { return picked; }
  std::string PickFile(bool, const std::string&, const std::string&) override { return picked; }

  std::vector<Message> messages;
  std::deque<MsgResult> answers;
  std::string picked;  // what the pickers answer
};

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

}  // namespace pim::test
