#include "reminders/exit_notice.h"

#include "base/gbk.h"

namespace pim {

ExitAnswer AskBeforeExit(Prompter& prompter, bool notice, int untrimmed) {
  if (!notice || untrimmed <= 0) return ExitAnswer::Exit;
  // "还有 %d 条资料没有整理，现在整理吗？"
  const std::string text = Format(
      "\xBB\xB9\xD3\xD0 %d \xCC\xF5\xD7\xCA\xC1\xCF\xC3\xBB\xD3\xD0\xD5\xFB\xC0\xED\xA3\xAC\xCF\xD6"
      "\xD4\xDA\xD5\xFB\xC0\xED\xC2\xF0\xA3\xBF",
      untrimmed);
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
  // "还有 %d 条资料等待整理。"
  return Format(
      "\xBB\xB9\xD3\xD0 %d \xCC\xF5\xD7\xCA\xC1\xCF\xB5\xC8\xB4\xFD\xD5\xFB\xC0\xED\xA1\xA3",
      untrimmed);
}

}  // namespace pim
