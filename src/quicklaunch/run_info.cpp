#include "quicklaunch/run_info.h"

#include <windows.h>

#include <algorithm>
// commctrl.h wants windows.h first.
#include <commctrl.h>
#include <shellapi.h>

#include "base/gb18030.h"
#include "platform/sys_tool.h"
#include "quicklaunch/icon_sel.h"
#include "quicklaunch/key_name.h"
#include "quicklaunch/run_wnd.h"
#include "win/text.h"
#include "win/win_system.h"

namespace pim {

namespace {

// Byte limits of the GBK text, which an edit control cannot count itself.
size_t ByteLimit(int id) {
  switch (id) {
    case IDC_RUNINFO_NAME:
      return 20;
    case IDC_RUNINFO_PATH:
    case IDC_RUNINFO_WORKDIR:
      return 200;
    default:
      return 0;
  }
}

}  // namespace

bool CRunInfo::OnInitDialog() {
  const RunItem& record = panel_.lists().item(list_, item_);
  name_ = record.name;
  path_ = record.path;
  workdir_ = record.workdir;
  filling_ = true;
  for (int id : {IDC_RUNINFO_NAME, IDC_RUNINFO_PATH, IDC_RUNINFO_WORKDIR}) {
    SendDlgItemMessageW(hwnd(), id, EM_LIMITTEXT, Limit(id), 0);  // never more characters
    Item(id).SetText(Stored(id));
  }
  Item(IDC_RUNINFO_INFO).SetText(record.info);
  filling_ = false;
  SendDlgItemMessageW(hwnd(), IDC_HOTKEY, HKM_SETHOTKEY, record.hotkey & 0xFFFF, 0);
  iconFile_ = record.icon;
  iconIndex_ = record.iconint;
  ShowIcon();
  return true;
}

void CRunInfo::ShowIcon() {
  // Index -1 asks ExtractIcon for the number of icons, not for an icon.
  HICON icon = iconIndex_ == -1 ? nullptr
                                : ExtractIconW(Instance(), win::Widen(iconFile_).c_str(),
                                               static_cast<UINT>(iconIndex_));
  if (icon == reinterpret_cast<HICON>(1)) icon = nullptr;
  SendDlgItemMessageW(hwnd(), IDC_RUNINFO_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  shown_.reset(icon);
}

const std::string& CRunInfo::Stored(int id) const {
  return id == IDC_RUNINFO_NAME ? name_ : id == IDC_RUNINFO_PATH ? path_ : workdir_;
}

size_t CRunInfo::Limit(int id) const { return std::max(ByteLimit(id), Stored(id).size()); }

std::string CRunInfo::FieldText(int id) const {
  const std::string text = Item(id).Text();
  return text == win::Narrow(win::Widen(Stored(id))) ? Stored(id) : text;
}

void CRunInfo::ClipField(int id) {
  if (filling_) return;
  const win::Window field = Item(id);
  const std::string text = field.Text();
  const std::string clipped = ClipGbk(text, Limit(id));
  if (clipped.size() == text.size()) return;
  field.SetText(clipped);
  SendMessageW(field.hwnd(), EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);
  MessageBeep(MB_OK);
}

void CRunInfo::ChangeIcon() {
  CIconSel picker(iconFile_, iconIndex_);
  if (picker.DoModal(hwnd()) != IDOK) return;
  iconFile_ = picker.file();
  iconIndex_ = picker.index();
  ShowIcon();
  iconChanged_ = true;
}

void CRunInfo::BrowseFolder() {
  std::string folder = win::DialogPrompter(*this).PickFolder(Gb("请选择一个选择文件夹"));
  if (folder.empty()) return;
  win::Win32Prompter silent;
  CSysTool tool(silent);
  if (!tool.SplitPath(folder).empty()) folder += '\\';  // a drive root already ends in "\"
  if (folder.size() > Limit(IDC_RUNINFO_WORKDIR)) {
    // Cut, it would name another folder.
    win::DialogPrompter(*this).ShowMessage(Gb("文件夹路径超过 200 字节，请选择路径更短的文件夹。"),
                                           "info", MsgButtons::Ok, MsgIcon::Information);
    return;
  }
  Item(IDC_RUNINFO_WORKDIR).SetText(folder);
}

void CRunInfo::Apply() {
  LaunchLists& lists = panel_.lists();
  const auto value =
      static_cast<int32_t>(SendDlgItemMessageW(hwnd(), IDC_HOTKEY, HKM_GETHOTKEY, 0, 0) & 0xFFFF);
  win::DialogPrompter prompter(*this);
  if (!lists.ApplyHotkey(list_, item_, value, prompter)) return;  // stays open
  RunItem fields;
  fields.name = FieldText(IDC_RUNINFO_NAME);
  fields.path = FieldText(IDC_RUNINFO_PATH);
  fields.workdir = FieldText(IDC_RUNINFO_WORKDIR);
  fields.info = Item(IDC_RUNINFO_INFO).Text();
  fields.icon = iconFile_;
  fields.iconint = iconIndex_;
  lists.ApplyFields(list_, item_, fields, iconChanged_);
  EndDialog(IDOK);
}

bool CRunInfo::OnCommand(int id, int code) {
  switch (id) {
    case IDC_RUNINFO_NAME:
    case IDC_RUNINFO_PATH:
    case IDC_RUNINFO_WORKDIR:
      if (code != EN_CHANGE) return false;
      ClipField(id);
      return true;
    case IDC_RUNINFO_CHANGEICON:
      ChangeIcon();
      return true;
    case IDC_RUNINFO_BROWSE:
      BrowseFolder();
      return true;
    case IDC_RUNINFO_APPLY:
      Apply();
      return true;
    default:
      return false;  // OK and Cancel end the dialog without touching the record
  }
}

}  // namespace pim
