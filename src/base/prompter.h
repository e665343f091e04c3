// Message boxes as the models see them. The program passes the Win32 implementation;
// tests pass a fake that records every message and answers as told.
#pragma once

#include <string>
#include <vector>

namespace pim {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgResult { Ok, Cancel, Yes, No, Retry };

// What a file dialog offers. Texts are GBK; the filter is "|"-separated ("程序|*.exe|").
struct FileChoice {
  bool open = true;  // an existing file; false for save-as, which asks before replacing one
  std::string defaultExtension;
  std::string filter;
  std::string folder;  // where it starts ("" for the system's choice)
  std::string name;    // the name it proposes
};

class Prompter {
 public:
  virtual ~Prompter() = default;
  // A message box without an owner window. Text and caption are GBK.
  virtual MsgResult ShowMessage(const std::string& text, const std::string& caption,
                                MsgButtons buttons = MsgButtons::Ok,
                                MsgIcon icon = MsgIcon::None) = 0;
  // A folder chosen by the user, or "" when cancelled or when it has no file-system path.
  virtual std::string PickFolder(const std::string& title) = 0;
  // A file chosen in the open (or save-as) dialog, or "" when cancelled. The working folder,
  // which the data paths are relative to, is the same afterwards, whatever the dialog did.
  virtual std::string PickFile(const FileChoice& choice) = 0;
  // A question answered by one of up to three buttons of its own words, the first the
  // default; the index of the one pressed, or -1 when the box was closed without one.
  virtual int Choose(const std::string& text, const std::string& caption,
                     const std::vector<std::string>& buttons) = 0;
};

// For reading many files at once, where a reader's message meant for a user stepping to one
// record would be in the way: nothing is shown, and whether anything was is kept.
class SilentPrompter final : public Prompter {
 public:
  MsgResult ShowMessage(const std::string&, const std::string&, MsgButtons, MsgIcon) override {
    spoke = true;
    return MsgResult::Cancel;
  }
  std::string PickFolder(const std::string&) override { return {}; }
  std::string PickFile(const FileChoice&) override { return {}; }
  int Choose(const std::string&, const std::string&, const std::vector<std::string>&) override {
    spoke = true;
    return -1;
  }
  bool spoke = false;
};

}  // namespace pim
