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
};

}  // namespace pim
