#include "win/tip_query.h"

namespace pim::win {

UINT TipQueryMessage() {
  static const UINT message = RegisterWindowMessageW(L"Pimbrel.LastTip");
  return message;
}

LRESULT AnswerTipQuery(const std::wstring& text) {
  if (text.empty()) return 0;
  // An atom holds at most 255 characters.
  return GlobalAddAtomW(text.substr(0, 255).c_str());
}

}  // namespace pim::win
