#include "win/clipboard.h"

#include <cstring>

namespace pim::win {
namespace {

UINT HtmlFormat() {
  static const UINT format = RegisterClipboardFormatW(L"HTML Format");
  return format;
}

// A copy of a memory block, or null.
HANDLE CopyBlock(HANDLE block) {
  const SIZE_T size = GlobalSize(block);
  const void* from = size ? GlobalLock(block) : nullptr;
  if (!from) return nullptr;
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
  void* to = copy ? GlobalLock(copy) : nullptr;
  if (to) {
    std::memcpy(to, from, size);
    GlobalUnlock(copy);
  } else if (copy) {
    GlobalFree(copy);
    copy = nullptr;
  }
  GlobalUnlock(block);
  return copy;
}

// Formats whose data is no memory block, or only names something that dies with its owner.
bool Copyable(UINT format) {
  switch (format) {
    case CF_OWNERDISPLAY:
    case CF_DSPTEXT:
    case CF_DSPBITMAP:
    case CF_DSPMETAFILEPICT:
    case CF_DSPENHMETAFILE:
    case CF_METAFILEPICT:
    case CF_PALETTE:
      return false;
    default:
      return !(format >= CF_PRIVATEFIRST && format <= CF_PRIVATELAST) &&
             !(format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST);
  }
}

// Closes the clipboard when it goes out of scope.
struct OpenClipboardScope {
  explicit OpenClipboardScope(HWND owner) : open(OpenClipboardPatiently(owner)) {}
  ~OpenClipboardScope() {
    if (open) CloseClipboard();
  }
  OpenClipboardScope(const OpenClipboardScope&) = delete;
  OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
  const bool open;
};

}  // namespace

bool OpenClipboardPatiently(HWND owner) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (OpenClipboard(owner)) return true;
    Sleep(5);
  }
  return false;
}

SavedClipboard::~SavedClipboard() { Free(); }

void SavedClipboard::Free() {
  for (const Item& item : items_) {
    if (!item.handle) continue;
    if (item.format == CF_BITMAP)
      DeleteObject(item.handle);
    else if (item.format == CF_ENHMETAFILE)
      DeleteEnhMetaFile(static_cast<HENHMETAFILE>(item.handle));
    else
      GlobalFree(item.handle);
  }
  items_.clear();
}

bool SavedClipboard::Save(HWND owner) {
  Free();
  OpenClipboardScope clipboard(owner);
  if (!clipboard.open) return false;
  // A bitmap next to a device-independent one is made from it by the system.
  const bool hasDib = IsClipboardFormatAvailable(CF_DIB) || IsClipboardFormatAvailable(CF_DIBV5);
  for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
    if (!Copyable(format) || (format == CF_BITMAP && hasDib)) continue;
    HANDLE data = GetClipboardData(format);
    if (!data) continue;
    HANDLE copy = nullptr;
    if (format == CF_BITMAP)
      copy = CopyImage(data, IMAGE_BITMAP, 0, 0, 0);
    else if (format == CF_ENHMETAFILE)
      copy = CopyEnhMetaFile(static_cast<HENHMETAFILE>(data), nullptr);
    else
      copy = CopyBlock(data);
    if (copy) items_.push_back({format, copy});
  }
  return true;
}

bool SavedClipboard::Restore(HWND owner) {
  OpenClipboardScope clipboard(owner);
  if (!clipboard.open || !EmptyClipboard()) return false;
  bool all = true;
  for (Item& item : items_) {
    if (SetClipboardData(item.format, item.handle))
      item.handle = nullptr;  // the clipboard's now
    else
      all = false;
  }
  Free();
  return all;
}

std::optional<std::wstring> ClipboardText(HWND owner) {
  OpenClipboardScope clipboard(owner);
  if (!clipboard.open) return std::nullopt;
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  const SIZE_T size = data ? GlobalSize(data) : 0;
  const auto* text = size ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
  if (!text) return std::nullopt;
  // Up to the terminator, never beyond the block.
  const size_t chars = size / sizeof(wchar_t);
  size_t length = 0;
  while (length < chars && text[length] != L'\0') ++length;
  std::wstring result(text, length);
  GlobalUnlock(data);
  return result;
}

std::string ClipboardHtml(HWND owner) {
  OpenClipboardScope clipboard(owner);
  if (!clipboard.open) return {};
  HANDLE data = GetClipboardData(HtmlFormat());
  const SIZE_T size = data ? GlobalSize(data) : 0;
  const auto* bytes = size ? static_cast<const char*>(GlobalLock(data)) : nullptr;
  if (!bytes) return {};
  std::string result(bytes, size);
  GlobalUnlock(data);
  // The block may be larger than what was written, padded with zeros.
  if (const size_t end = result.find('\0'); end != std::string::npos) result.resize(end);
  return result;
}

bool SetClipboardText(HWND owner, const std::wstring& text) {
  OpenClipboardScope clipboard(owner);
  if (!clipboard.open || !EmptyClipboard()) return false;
  const SIZE_T size = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  void* to = block ? GlobalLock(block) : nullptr;
  if (!to) {
    if (block) GlobalFree(block);
    return false;
  }
  std::memcpy(to, text.c_str(), size);
  GlobalUnlock(block);
  if (SetClipboardData(CF_UNICODETEXT, block)) return true;
  GlobalFree(block);
  return false;
}

}  // namespace pim::win
