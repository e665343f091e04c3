// The clipboard, borrowed: what it held is kept and put back after a copy of our own.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace pim::win {

// Opens the clipboard for `owner`, waiting a little while another program holds it open.
bool OpenClipboardPatiently(HWND owner);

// Every format the clipboard held that can be copied: memory blocks, bitmaps and enhanced
// metafiles. Formats that only name their owner's private data cannot outlive it.
class SavedClipboard {
 public:
  SavedClipboard() = default;
  ~SavedClipboard();
  SavedClipboard(const SavedClipboard&) = delete;
  SavedClipboard& operator=(const SavedClipboard&) = delete;

  // False when the clipboard could not be opened.
  bool Save(HWND owner);
  // Empties the clipboard and puts back what was saved, once.
  bool Restore(HWND owner);

 private:
  struct Item {
    UINT format;
    HANDLE handle;  // ours until the clipboard takes it
  };
  void Free();
  std::vector<Item> items_;
};

// The text in the clipboard; nothing when it holds none.
std::optional<std::wstring> ClipboardText(HWND owner);
// The bytes of the "HTML Format" entry; empty when there is none.
std::string ClipboardHtml(HWND owner);
// Puts `text` on the clipboard alone.
bool SetClipboardText(HWND owner, const std::wstring& text);

}  // namespace pim::win
