// Message boxes as the models see them. The program passes the Win32 implementation;
// tests pass a fake that records every message and answers as told.
#pragma once

#include <string>

namespace pim {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgResult { Ok, Cancel, Yes, No, Retry };

class Prompter {
 public:
  virtual ~Prompter() = default;
  // A message box without an owner window. Text and caption are GBK.
  virtual MsgResult ShowMessage(const std::string& text, const std::string& caption,
                                MsgButtons buttons = MsgButtons::Ok,
                                MsgIcon icon = MsgIcon::None) = 0;
  // A folder chosen by the user, or "" when cancelled or when it has no file-system path.
  virtual std::string PickFolder(const std::string& title) = 0;
  // A file chosen in the open (or save-as) dialog, or "" when cancelled. The dialog may
  // change the working folder; callers restore it.
  virtual std::string PickFile(bool open, const std::string& defaultExtension,
                               const std::string& filter) = 0;
};

}  // namespace pim
