#include "win/window.h"

#include "win/text.h"

namespace pim::win {

void Window::SetText(const std::string& gbk) const { SetWindowTextW(hwnd_, Widen(gbk).c_str()); }

std::string Window::Text() const {
  const int length = GetWindowTextLengthW(hwnd_);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(hwnd_, text.data(), length + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return Narrow(text);
}

}  // namespace pim::win
