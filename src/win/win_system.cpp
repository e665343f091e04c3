#include "win/win_system.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "base/path.h"
#include "resource.h"
#include "win/text.h"

namespace pim::win {

namespace {

// The pickers' libraries cost start-up time and memory under Wine, and most runs never open a
// picker; they are loaded the first time one is.
template <typename Function>
Function SystemFunction(const wchar_t* library, const char* name) {
  HMODULE module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                : nullptr;
}

// Puts the working folder back, whatever a picker did to it: the data paths are relative to it.
class KeepWorkingFolder {
 public:
  KeepWorkingFolder() : folder_(CurrentFolder()) {}
  ~KeepWorkingFolder() { SetCurrentDirectoryW(folder_.c_str()); }
  KeepWorkingFolder(const KeepWorkingFolder&) = delete;
  KeepWorkingFolder& operator=(const KeepWorkingFolder&) = delete;

  static std::wstring CurrentFolder() {
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return folder;
  }

 private:
  std::wstring folder_;
};

}  // namespace

std::string WorkingFolder() { return Narrow(KeepWorkingFolder::CurrentFolder()); }

std::string RecordsFolder() { return DataFolder().empty() ? WorkingFolder() : DataFolder(); }

std::string ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(name, &size) ? Narrow(std::wstring_view(name, size)) : std::string();
}

MsgResult OwnedMessage(HWND owner, const std::string& text, const std::string& caption,
                       MsgButtons buttons, MsgIcon icon) {
  UINT flags = MB_OK;
  switch (buttons) {
    case MsgButtons::Ok:
      flags = MB_OK;
      break;
    case MsgButtons::OkCancel:
      flags = MB_OKCANCEL;
      break;
    case MsgButtons::YesNo:
      flags = MB_YESNO;
      break;
    case MsgButtons::YesNoCancel:
      flags = MB_YESNOCANCEL;
      break;
    case MsgButtons::RetryCancel:
      flags = MB_RETRYCANCEL;
      break;
  }
  switch (icon) {
    case MsgIcon::None:
      break;
    case MsgIcon::Information:
      flags |= MB_ICONINFORMATION;
      break;
    case MsgIcon::Warning:
      flags |= MB_ICONWARNING;
      break;
    case MsgIcon::Error:
      flags |= MB_ICONERROR;
      break;
    case MsgIcon::Question:
      flags |= MB_ICONQUESTION;
      break;
  }
  switch (MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), flags)) {
    case IDCANCEL:
      return MsgResult::Cancel;
    case IDYES:
      return MsgResult::Yes;
    case IDNO:
      return MsgResult::No;
    case IDRETRY:
      return MsgResult::Retry;
    default:
      return MsgResult::Ok;
  }
}

MsgResult Win32Prompter::ShowMessage(const std::string& text, const std::string& caption,
                                     MsgButtons buttons, MsgIcon icon) {
  return OwnedMessage(nullptr, text, caption, buttons, icon);
}

std::string Win32Prompter::PickFolder(const std::string& title) {
  KeepWorkingFolder keep;
  const std::wstring wideTitle = Widen(title);
  BROWSEINFOW info{};
  info.hwndOwner = owner_;
  info.lpszTitle = wideTitle.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX;
  PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
  if (!item) return {};
  std::vector<wchar_t> path(32768, L'\0');
  const bool ok = SHGetPathFromIDListEx(item, path.data(), static_cast<DWORD>(path.size()), 0);
  static const auto freeItem = SystemFunction<void(WINAPI*)(void*)>(L"ole32.dll", "CoTaskMemFree");
  if (freeItem) freeItem(item);
  return ok ? Narrow(path.data()) : std::string();
}

std::string Win32Prompter::PickFile(const FileChoice& choice) {
  KeepWorkingFolder keep;
  // The filter arrives "|"-separated, as the program writes it; the dialog wants NULs.
  std::wstring filter = Widen(choice.filter);
  for (wchar_t& c : filter)
    if (c == L'|') c = L'\0';
  filter.push_back(L'\0');
  const std::wstring extension = Widen(choice.defaultExtension), start = Widen(choice.folder);
  std::vector<wchar_t> file(32768, L'\0');
  const std::wstring proposed = Widen(choice.name);
  proposed.copy(file.data(), file.size() - 1);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner_;
  ofn.lpstrFilter = choice.filter.empty() ? nullptr : filter.c_str();
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = start.empty() ? nullptr : start.c_str();
  ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY |
              (choice.open ? OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST : OFN_OVERWRITEPROMPT);
  using Picker = BOOL(WINAPI*)(OPENFILENAMEW*);
  static const auto openPicker = SystemFunction<Picker>(L"comdlg32.dll", "GetOpenFileNameW");
  static const auto savePicker = SystemFunction<Picker>(L"comdlg32.dll", "GetSaveFileNameW");
  const Picker picker = choice.open ? openPicker : savePicker;
  const BOOL chosen = picker ? picker(&ofn) : FALSE;
  return chosen ? Narrow(file.data()) : std::string();
}

namespace {

// The question of Choose: its words, and a button for each answer.
class ChoiceBox final : public Dialog {
 public:
  ChoiceBox(const std::string& text, const std::string& caption,
            const std::vector<std::string>& buttons)
      : Dialog(IDD_CHOOSE), text_(text), caption_(caption), buttons_(buttons) {}

 protected:
  bool OnInitDialog() override {
    window().SetText(caption_);
    Item(IDC_CHOOSE_TEXT).SetText(text_);
    for (int i = 0; i < 3; ++i) {
      const Window button = Item(IDC_CHOOSE_FIRST + i);
      if (i < static_cast<int>(buttons_.size()))
        button.SetText(buttons_[static_cast<size_t>(i)]);
      else
        button.Show(SW_HIDE);
    }
    SetFocus(Item(IDC_CHOOSE_FIRST).hwnd());
    return false;
  }
  bool OnCommand(int id, int) override {
    const int index = id == IDOK ? 0 : id - IDC_CHOOSE_FIRST;  // Enter: the default
    if (index < 0 || index >= static_cast<int>(buttons_.size())) return false;
    EndDialog(kFirstAnswer + index);
    return true;
  }

 public:
  // Answers are told apart from IDCANCEL, which Escape and the close box give.
  static constexpr INT_PTR kFirstAnswer = 100;

 private:
  std::string text_, caption_;
  std::vector<std::string> buttons_;
};

}  // namespace

int Win32Prompter::Choose(const std::string& text, const std::string& caption,
                          const std::vector<std::string>& buttons) {
  const INT_PTR chosen =
      ChoiceBox(text, caption, buttons).DoModal(owner_) - ChoiceBox::kFirstAnswer;
  return chosen >= 0 && chosen < static_cast<INT_PTR>(buttons.size()) ? static_cast<int>(chosen)
                                                                      : -1;
}

bool Win32Hotkeys::Register(int id, uint32_t modifiers, uint32_t virtualKey) {
  return RegisterHotKey(window_, id, modifiers, virtualKey) != FALSE;
}

void Win32Hotkeys::Unregister(int id) { UnregisterHotKey(window_, id); }

RegistryResult Win32Registry::WriteString(RegistryRoot root, const std::string& subkey,
                                          const std::string& name, const std::string& text) {
  HKEY key = nullptr;
  HKEY base = root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  if (RegCreateKeyExW(base, Widen(subkey).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return RegistryResult::KeyFailed;
  const std::wstring data = Widen(text);
  const auto bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));  // with its zero
  const LONG set = RegSetValueExW(key, Widen(name).c_str(), 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(data.c_str()), bytes);
  RegCloseKey(key);
  return set == ERROR_SUCCESS ? RegistryResult::Ok : RegistryResult::ValueFailed;
}

bool Win32Shell::Open(const std::string& file, const std::string& parameters,
                      const std::string& folder) {
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, nullptr, Widen(file).c_str(),
                    parameters.empty() ? nullptr : Widen(parameters).c_str(),
                    folder.empty() ? nullptr : Widen(folder).c_str(), SW_SHOWNORMAL));
  return result > 32;
}

}  // namespace pim::win
