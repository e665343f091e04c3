#include "reminders/exit_notice.h"

#include "base/gb18030.h"
#include "base/gbk.h"

namespace pim {

ExitAnswer AskBeforeExit(Prompter& prompter, bool notice, int untrimmed) {
  if (!notice || untrimmed <= 0) return ExitAnswer::Exit;
  const std::string text =
      Gb("还有 ") + Format("%d", untrimmed) + Gb(" 条资料没有整理，现在整理吗？");
  switch (prompter.ShowMessage(text, "Pimbrel", MsgButtons::YesNoCancel, MsgIcon::Question)) {
    case MsgResult::Yes:
      return ExitAnswer::TrimFirst;
    case MsgResult::No:
      return ExitAnswer::Exit;
    default:  // Cancel, or the box closed
      return ExitAnswer::Stay;
  }
}

std::string UntrimmedTip(int untrimmed) {
  if (untrimmed <= 0) return {};
  return Gb("还有 ") + Format("%d", untrimmed) + Gb(" 条资料等待整理。");
}

}  // namespace pim
