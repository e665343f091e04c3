// The trimming reminder: asked when the user exits, and said in a tip at start.
#pragma once

#include <string>

#include "base/prompter.h"

namespace pim {

enum class ExitAnswer { Exit, TrimFirst, Stay };

// Before the exit command ends the program: with the option "退出时提醒整理" on and cards
// waiting to be trimmed, asks whether to trim them first. Never asked at the end of the
// Windows session, which must not wait for the user.
ExitAnswer AskBeforeExit(Prompter& prompter, bool notice, int untrimmed);

// The tip at start: "还有 N 条资料等待整理。"; "" when none wait.
std::string UntrimmedTip(int untrimmed);

}  // namespace pim
