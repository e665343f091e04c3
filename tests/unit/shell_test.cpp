#include <map>
#include <set>
#include <tuple>

#include "app/startup.h"
#include "app/sys_tool.h"
#include "base/file.h"
#include "config/sys_settings.h"
#include "datafolder.h"
#include "test_support.h"

namespace pim {
namespace {

// Registers whatever is not taken; remembers what is registered under each id.
struct FakeHotkeys final : HotkeyRegistrar {
  bool Register(int id, uint32_t modifiers, uint32_t key) override {
    if (taken.count({modifiers, key})) return false;
    held[id] = {modifiers, key};
    return true;
  }
  void Unregister(int id) override { held.erase(id); }
  std::set<std::pair<uint32_t, uint32_t>> taken;
  std::map<int, std::pair<uint32_t, uint32_t>> held;
};

struct FakeRegistry final : Registry {
  RegistryResult WriteString(RegistryRoot root, const std::string&, const std::string& name,
                             const std::string& text) override {
    if (root == RegistryRoot::LocalMachine && refuseMachine) return RegistryResult::KeyFailed;
    values[{root, name}] = text;
    return RegistryResult::Ok;
  }
  bool refuseMachine = false;
  std::map<std::pair<RegistryRoot, std::string>, std::string> values;
};

TEST(Shell, HotkeyValuesAndThePathsOfTheCommandLine) {
  // Ctrl+G; Ctrl+Alt+G; Shift with the extended flag, which registration ignores.
  EXPECT_EQ(SplitHotkey(583).modifiers, 2u);
  EXPECT_EQ(SplitHotkey(583).virtualKey, 0x47u);
  EXPECT_EQ(SplitHotkey(0x0647).modifiers, 3u);
  EXPECT_EQ(SplitHotkey(0x0941).modifiers, 4u);
  EXPECT_EQ(FolderArgument(L"\"C:\\P Q\""), L"C:\\P Q");
  EXPECT_EQ(FolderArgument(L"C:\\P"), L"C:\\P");
  EXPECT_EQ(LogonCommand("C:\\P"), "C:\\P\\Pimbrel.exe C:\\P");
  EXPECT_EQ(LogonCommand("C:\\P Q"), "\"C:\\P Q\\Pimbrel.exe\" \"C:\\P Q\"");
  test::RecordingPrompter prompter;
  CSysTool tool(prompter);
  EXPECT_EQ(tool.SplitPath("C:\\Tools\\\xD5\x5C" /* 誠 */ "app.exe"),
            "\xD5\x5C"
            "app.exe");
  EXPECT_EQ(tool.folder(), "C:\\Tools");
  EXPECT_EQ(tool.SplitPath("app.exe"), "app.exe");
  EXPECT_EQ(tool.folder(), "");
}

using ShellFolderTest = test::TempFolderTest;

TEST_F(ShellFolderTest, RunMarkerFollowsTheMutexAndKeepsLaterBytes) {
  EXPECT_EQ(ClaimRunMarker(false), MarkerResult::Unavailable);  // no "set" folder
  ASSERT_TRUE(WriteDataFolder());
  EXPECT_EQ(ClaimRunMarker(false), MarkerResult::Started);
  EXPECT_EQ(ReadBytes("set\\run.ing.m"), "runing");
  EXPECT_EQ(ClaimRunMarker(true), MarkerResult::AlreadyRunning);
  ASSERT_TRUE(ReleaseRunMarker());
  WriteBytes("set\\run.ing.m", "runing and more");  // a crash left it; nobody holds the mutex
  EXPECT_EQ(ClaimRunMarker(false), MarkerResult::Started);
  ASSERT_TRUE(ReleaseRunMarker());
  EXPECT_EQ(ReadBytes("set\\run.ing.m"), "       and more");
}

TEST_F(ShellFolderTest, SettingsApplyKeepsAHotkeyAndFallsBackToTheUserRegistry) {
  ASSERT_TRUE(WriteDataFolder());
  test::RecordingPrompter prompter;
  FakeHotkeys hotkeys;
  FakeRegistry registry;
  SysSetModel page(prompter, hotkeys, registry);
  page.Load();
  EXPECT_EQ(page.values().hotkey, 583);
  EXPECT_FALSE(page.values().autorun);
  hotkeys.held[kBarHotkeyId] = {2, 0x47};

  // A taken key: message, the old key registered again, nothing saved, sheet stays open.
  hotkeys.taken.insert({3, 0x47});
  SysSettings edited = page.values();
  edited.hotkey = 0x0647;
  edited.autorun = true;
  const std::string before = ReadBytes("set\\sets.conf");
  EXPECT_FALSE(page.Apply(edited, "C:\\P"));
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0].caption, "\xCA\xA7\xB0\xDC" /* 失败 */);
  EXPECT_EQ(hotkeys.held[kBarHotkeyId], std::make_pair(2u, 0x47u));
  EXPECT_EQ(ReadBytes("set\\sets.conf"), before);

  // Ctrl+Shift+G is free; the machine-wide entry is refused, the user's entry serves.
  registry.refuseMachine = true;
  edited.hotkey = 0x0347;
  EXPECT_TRUE(page.Apply(edited, "C:\\P"));
  EXPECT_EQ(hotkeys.held[kBarHotkeyId], std::make_pair(6u, 0x47u));
  EXPECT_EQ((registry.values[{RegistryRoot::CurrentUser, kLogonValue}]),
            "C:\\P\\Pimbrel.exe C:\\P");
  EXPECT_EQ(prompter.messages.size(), 1u);
  SysSettings reread = LoadSysSettings();
  EXPECT_EQ(std::tie(reread.hotkey, reread.autorun), std::make_tuple(0x0347, true));

  // Switched off with rights: both entries are emptied.
  registry.refuseMachine = false;
  edited.autorun = false;
  EXPECT_TRUE(page.Apply(edited, "C:\\P"));
  EXPECT_EQ((registry.values[{RegistryRoot::LocalMachine, kLogonValue}]), "");
  EXPECT_EQ((registry.values[{RegistryRoot::CurrentUser, kLogonValue}]), "");
}

TEST_F(ShellFolderTest, MissingOrBrokenHotkeyMeansCtrlG) {
  EXPECT_EQ(LoadBarHotkey(), 583);  // no file at all
  ASSERT_TRUE(CreateFolder("set"));
  WriteBytes("set\\sets.conf", "[SYS]\r\nhotkey=none\r\n");
  EXPECT_EQ(LoadBarHotkey(), 583);
  EXPECT_TRUE(LoadSysSettings().tmpdir.empty());
}

}  // namespace
}  // namespace pim
