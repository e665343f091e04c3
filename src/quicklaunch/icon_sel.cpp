#include "quicklaunch/icon_sel.h"

#include <shellapi.h>

#include "base/gb18030.h"
#include "win/text.h"
#include "win/win_system.h"

namespace pim {

namespace {
// More icons than any real file holds; a damaged file cannot make the loop endless.
constexpr UINT kMostIcons = 4096;
}  // namespace

bool CIconSel::OnInitDialog() {
  Item(IDC_ICONSEL_FILE).SetText(file_);
  std::wstring header = win::Widen(Gb("图标"));
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = 100;
  column.pszText = header.data();
  SendDlgItemMessageW(hwnd(), IDC_ICONSEL_LIST, LVM_INSERTCOLUMNW, 0,
                      reinterpret_cast<LPARAM>(&column));
  FillIcons(file_);
  return true;
}

void CIconSel::FillIcons(const std::string& file) {
  const std::wstring wide = win::Widen(file);
  UINT count = ExtractIconExW(wide.c_str(), -1, nullptr, nullptr, 0);
  if (count > kMostIcons) count = kMostIcons;
  const HWND list = Item(IDC_ICONSEL_LIST).hwnd();
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  images_.reset(ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 1, 8));
  const win::HeldBitmap placeholder(static_cast<HBITMAP>(
      LoadImageW(Instance(), MAKEINTRESOURCEW(IDB_PLACEHOLDER), IMAGE_BITMAP, 32, 32, 0)));
  ImageList_AddMasked(images_.get(), placeholder.get(), RGB(255, 255, 255));
  for (UINT i = 0; i < count; ++i) {
    HICON icon = ExtractIconW(Instance(), wide.c_str(), i);
    if (icon == reinterpret_cast<HICON>(1)) icon = nullptr;
    // Keep image i+1 for icon i even when one cannot be read.
    const win::HeldIcon held(icon ? icon : ImageList_GetIcon(images_.get(), 0, ILD_NORMAL));
    ImageList_ReplaceIcon(images_.get(), -1, held.get());
  }
  SendMessageW(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(images_.get()));
  for (UINT i = 0; i < count; ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<wchar_t*>(L"");
    item.iImage = static_cast<int>(i) + 1;
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageW(list, LVM_SETSELECTIONMARK, 0, index_);
}

bool CIconSel::OnCommand(int id, int) {
  switch (id) {
    case IDC_BROWSE: {
      const std::string file = win::DialogPrompter(*this).PickFile(
          {true, "", Gb("可执行文件(*.exe)|*.exe|所有文件(*.*)|*.*|"), "", ""});
      if (!file.empty()) {
        Item(IDC_ICONSEL_FILE).SetText(file);
        FillIcons(file);
      }
      return true;
    }
    case IDOK:
      if (const auto mark = static_cast<int>(
              SendDlgItemMessageW(hwnd(), IDC_ICONSEL_LIST, LVM_GETSELECTIONMARK, 0, 0));
          mark >= 0)
        index_ = mark;
      file_ = Item(IDC_ICONSEL_FILE).Text();
      EndDialog(IDOK);
      return true;
    default:
      return false;
  }
}

}  // namespace pim
