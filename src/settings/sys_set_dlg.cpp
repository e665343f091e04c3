#include "settings/sys_set_dlg.h"

#include <commctrl.h>

#include <vector>

#include "base/gb18030.h"
#include "resource.h"
#include "win/dialog.h"
#include "win/text.h"
#include "win/win_system.h"
#include "win/window.h"

namespace pim {

PROPSHEETPAGEW CSysSet::Page() {
  PROPSHEETPAGEW page{};
  page.dwSize = sizeof page;
  page.hInstance = win::Dialog::Instance();
  page.pszTemplate = MAKEINTRESOURCEW(IDD_SYSSET);
  page.pfnDlgProc = &Procedure;
  page.lParam = reinterpret_cast<LPARAM>(this);
  return page;
}

INT_PTR CALLBACK CSysSet::Procedure(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<CSysSet*>(reinterpret_cast<PROPSHEETPAGEW*>(lp)->lParam);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<CSysSet*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  try {
    return self->Handle(message, wp, lp);
  } catch (...) {
    return FALSE;  // nothing may unwind through the system's code
  }
}

INT_PTR CSysSet::Handle(UINT message, WPARAM wp, LPARAM lp) {
  switch (message) {
    case WM_INITDIALOG:
      model_.Load();
      FillControls();
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wp) == IDC_BROWSE && HIWORD(wp) == BN_CLICKED) {
        BrowseFolder();
      } else if (LOWORD(wp) == IDC_DATADIR_CHANGE && HIWORD(wp) == BN_CLICKED) {
        // Done at once, not at OK: the records move with it and the panels follow.
        if (changeDataFolder_) changeDataFolder_(hwnd_);
        win::Window(hwnd_).Item(IDC_DATADIR).SetText(win::RecordsFolder());
      } else if ((LOWORD(wp) == IDC_AUTORUN || LOWORD(wp) == IDC_NOTICE ||
                  LOWORD(wp) == IDC_SHOWTIP || LOWORD(wp) == IDC_AUTOBACKUP) &&
                 HIWORD(wp) == BN_CLICKED) {
        MarkModified();
      } else if ((LOWORD(wp) == IDC_TMPDIR && HIWORD(wp) == EN_CHANGE) ||
                 ((LOWORD(wp) == IDC_HOTKEY || LOWORD(wp) == IDC_CAPTURE_HOTKEY) &&
                  HIWORD(wp) == EN_CHANGE)) {
        MarkModified();
      }
      return TRUE;
    case WM_NOTIFY:
      if (reinterpret_cast<NMHDR*>(lp)->code == PSN_APPLY) {
        const bool applied = ApplyControls();
        ShowCaptureState();
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT,
                          applied ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

void CSysSet::FillControls() {
  filling_ = true;
  const SysSettings& s = model_.values();
  win::Window page(hwnd_);
  SendDlgItemMessageW(hwnd_, IDC_HOTKEY, HKM_SETHOTKEY, static_cast<WPARAM>(s.hotkey & 0xFFFF), 0);
  SendDlgItemMessageW(hwnd_, IDC_CAPTURE_HOTKEY, HKM_SETHOTKEY,
                      static_cast<WPARAM>(s.captureHotkey & 0xFFFF), 0);
  ShowCaptureState();
  page.Item(IDC_TMPDIR).SetText(s.tmpdir);
  page.Item(IDC_AUTORUN).SetChecked(s.autorun);
  page.Item(IDC_SHOWTIP).SetChecked(s.showtip);
  page.Item(IDC_NOTICE).SetChecked(s.notice);
  page.Item(IDC_AUTOBACKUP).SetChecked(s.autobackup);
  page.Item(IDC_DATADIR).SetText(win::RecordsFolder());
  filling_ = false;
}

void CSysSet::ShowCaptureState() {
  win::Window(hwnd_)
      .Item(IDC_CAPTURE_STATE)
      .SetText(captureKeys_.refused() ? Gb("未注册：已被占用") : std::string());
}

bool CSysSet::ApplyControls() {
  win::Window page(hwnd_);
  SysSettings edited;
  edited.hotkey = static_cast<int32_t>(SendDlgItemMessageW(hwnd_, IDC_HOTKEY, HKM_GETHOTKEY, 0, 0));
  edited.captureHotkey =
      static_cast<int32_t>(SendDlgItemMessageW(hwnd_, IDC_CAPTURE_HOTKEY, HKM_GETHOTKEY, 0, 0));
  edited.tmpdir = page.Item(IDC_TMPDIR).Text();
  edited.autorun = page.Item(IDC_AUTORUN).IsChecked();
  edited.showtip = page.Item(IDC_SHOWTIP).IsChecked();
  edited.notice = page.Item(IDC_NOTICE).IsChecked();
  edited.autobackup = page.Item(IDC_AUTOBACKUP).IsChecked();
  return model_.Apply(edited, win::WorkingFolder());
}

void CSysSet::BrowseFolder() {
  // Owned by the page, so the sheet waits for the picker instead of closing under it.
  std::string folder = win::Win32Prompter(hwnd_).PickFolder(Gb("请选择一个选择文件夹"));
  if (folder.empty()) return;
  if (folder.back() != '\\') folder += '\\';
  win::Window(hwnd_).Item(IDC_TMPDIR).SetText(folder);  // its change marks the page modified
}

void CSysSet::MarkModified() {
  if (!filling_) PropSheet_Changed(GetParent(hwnd_), hwnd_);
}

INT_PTR CSet::DoModal(HWND parent) {
  PROPSHEETPAGEW pageData = page_.Page();
  HPROPSHEETPAGE page = CreatePropertySheetPageW(&pageData);
  PROPSHEETHEADERW header{};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_NOCONTEXTHELP;
  header.hwndParent = parent;
  header.hInstance = win::Dialog::Instance();
  header.pszCaption = L"Pimbrel 设置";
  header.nPages = 1;
  header.nStartPage = 0;
  header.phpage = &page;
  return PropertySheetW(&header);
}

}  // namespace pim
