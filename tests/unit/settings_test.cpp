// The settings files, the installed data folder, the run marker and the settings sheet.
#include <tuple>

#include "platform/sys_tool.h"
#include "records/record_counter.h"
#include "test_support.h"

namespace pim {
namespace {

using SettingsTest = test::TempFolderTest;
const std::string kNotLoaded = "\x01", kNotFound = "\x02";

TEST_F(SettingsTest, EveryKindOfLineIsFoundSetAndSaved) {
  WriteBytes("a.conf",
             "# note\r\nstray=before\r\n[SYS]\r\nhotkey=583\r\n\r\n"
             "free text\r\nkey = spaced\nurl=a=b\r\n=empty\r\n#=x\r\n"
             "hotkey=999\r\n[COMU] x\r\nmaxid=1\r\n[NOTE\r\nmaxid=2\r\n"
             "[SYS]\r\nnotice=true\r\nlast=end");
  CConfigFile conf;
  ASSERT_EQ(conf.Load("a.conf"), 1);
  const std::tuple<const char*, const char*, std::string> lookups[] = {
      {"SYS", "hotkey", "583"},     {"SYS", "key", kNotFound},    {"SYS", "key ", " spaced"},
      {"SYS", "url", "a=b"},        {"SYS", "", "empty"},         {"SYS", "notice", "true"},
      {"sys", "hotkey", kNotFound}, {"", "stray", kNotFound},     {"COMU", "maxid", kNotFound},
      {"NOTE", "maxid", kNotFound}, {nullptr, "stray", "before"}, {nullptr, "maxid", "1"},
      {nullptr, "", "empty"},       {nullptr, "#", kNotFound},
  };
  for (const auto& [section, key, value] : lookups)
    EXPECT_EQ(section ? conf.GetValue(section, key) : conf.GetValue(key), value)
        << (section ? section : "*") << " " << key;
  // The first hotkey, the maxid under "[COMU] x"; nothing is added, and a loaded file stays.
  EXPECT_EQ((std::tuple{conf.SetValue("SYS", "hotkey", "600"), conf.SetValue("maxid", "7"),
                        conf.SetValue("COMU", "maxid", "x"), conf.SetValue("absent", "x"),
                        conf.Load("b.conf"), conf.Save()}),
            std::tuple(1, 1, -2, -2, -2, 1));
  EXPECT_EQ(ReadBytes("a.conf"),
            "# note\r\nstray=before\r\n[SYS]\r\nhotkey=600\r\n"
            "key = spaced\r\nurl=a=b\r\n=empty\r\n#=x\r\n"
            "hotkey=999\r\n[COMU] x\r\nmaxid=7\r\n[NOTE\r\nmaxid=2\r\n"
            "[SYS]\r\nnotice=true\r\nlast=end\r\n");
  // A file that could not be read answers nothing and saves nowhere.
  CConfigFile missing;  // its path remembered all the same
  EXPECT_EQ((std::tuple{missing.Load("set\\missing.conf"), missing.path(),
                        missing.GetValue("SYS", "hotkey"), missing.GetValue("hotkey"),
                        missing.SetValue("SYS", "hotkey", "1"), missing.SetValue("hotkey", "1"),
                        missing.Save(), Listing()}),
            std::tuple(-1, "set\\missing.conf", kNotLoaded, kNotLoaded, -1, -1, -2,
                       std::vector<std::string>{"a.conf"}));
}

TEST_F(SettingsTest, CounterNumbersAreWrittenWhenTakenAndNeverHandedOutTwice) {
  ASSERT_TRUE(WriteDataFolder());
  RecordCounter notes("NOTE", "note", "n.");
  notes.Load();
  EXPECT_EQ((std::pair{notes.maxid(), notes.Take()}), std::pair(0, true));
  // A crash after saving 1 and 5 without writing the counter: the next start moves past them.
  for (const char* name : {"n.1.xml", "n.5.xml", "n.7.bak", "n.x9.xml"})
    WriteBytes(std::string("note\\") + name, "x");
  RecordCounter again("NOTE", "note", "n.");
  again.Load();
  EXPECT_EQ(std::pair(again.maxid(), again.saved()), std::pair(6, 1));
  EXPECT_TRUE(ReadBytes(kSettingsPath).ends_with("[COMU]\r\nmaxid=0\r\n[NOTE]\r\nmaxid=6\r\n"));
  // A missing key is added to its section; a missing section comes at the end.
  WriteBytes(kSettingsPath, "[SYS]\r\nhotkey=583\r\n[COMU]\r\n# contacts\r\n[NOTE]\r\nmaxid=2");
  RecordCounter contacts("COMU", "communication", "com.");
  contacts.Load();
  EXPECT_EQ((std::tuple{contacts.Take(), AddConfigValue(kSettingsPath, "X", "k", "v"),
                        contacts.Take(), AddConfigValue("set\\missing.conf", "X", "k", "v")}),
            std::tuple(true, 1, true, -1));
  EXPECT_EQ(ReadBytes(kSettingsPath),
            "[SYS]\r\nhotkey=583\r\n[COMU]\r\n# contacts\r\nmaxid=2\r\n[NOTE]\r\nmaxid=2\r\n"
            "[X]\r\nk=v\r\n");
}

// The sheet's values are only set, never added: the installed settings must have them all.
TEST_F(SettingsTest, TheDataFolderHasEverySettingAndSavesUnchanged) {
  ASSERT_TRUE(WriteDataFolder());
  for (const char* path :
       {"set\\sets.conf", "set\\fastrun_coll.lst", "set\\fastrun_study.lst", "set\\fastrun_fun.lst",
        "set\\fastrun_net.lst", "datum\\datum.conf", "datum\\class.list", "datum\\source.list"}) {
    const std::string before = ReadBytes(path);
    CConfigFile conf;
    EXPECT_EQ((std::tuple{conf.Load(path), conf.Save(), ReadBytes(path)}), std::tuple(1, 1, before))
        << path;
  }
  EXPECT_EQ(ReadBytes(kSettingsPath),
            "[SYS]\r\nhotkey=583\r\ntmpdir=\r\nautorun=false\r\nshowtip=true\r\nnotice=false\r\n"
            "[COMU]\r\nmaxid=0\r\n[NOTE]\r\nmaxid=0\r\n");
  // A file where a folder belongs, or the reverse, fails.
  ASSERT_TRUE(RemoveFile("set\\sets.conf") && CreateFolder("set\\sets.conf"));
  EXPECT_FALSE(WriteDataFolder());
  std::filesystem::remove_all("set");
  WriteBytes("set", "x");
  EXPECT_FALSE(WriteDataFolder());
}

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

TEST(Shell, PathsOfTheCommandLine) {
  test::RecordingPrompter prompter;
  CSysTool tool(prompter);
  EXPECT_EQ(tool.SplitPath("C:\\Tools\\\xD5\\app.exe"), "\xD5\\app.exe");  // 誠: D5 5C
  EXPECT_EQ(tool.folder(), "C:\\Tools");
  EXPECT_EQ(tool.SplitPath("app.exe"), "app.exe");
  EXPECT_EQ(tool.folder(), "");
}

TEST_F(SettingsTest, RunMarkerIsHeldForTheRunKeepsLaterBytesAndHotkeyDefaultsToCtrlG) {
  EXPECT_EQ(std::pair(RunMarker().Claim(), LoadBarHotkey()),  // no file at all
            std::pair(MarkerResult::NoSetFolder, 583));
  ASSERT_TRUE(CreateFolder("set"));
  WriteBytes("set\\sets.conf", "[SYS]\r\nhotkey=none\r\n");
  EXPECT_EQ(std::pair(LoadBarHotkey(), LoadSysSettings().tmpdir), std::pair(583, std::string()));
  ASSERT_TRUE(WriteDataFolder());
  RunMarker running, second;
  EXPECT_EQ((std::tuple{running.Claim(), ReadBytes("set\\run.ing.m"), second.Claim()}),
            std::tuple(MarkerResult::Started, "runing", MarkerResult::AlreadyRunning));
  ASSERT_TRUE(running.Release());
  WriteBytes("set\\run.ing.m", "runing and more");  // a crash left it; nobody holds it
  RunMarker next;
  EXPECT_EQ((std::tuple{next.Claim(), next.Release(), ReadBytes("set\\run.ing.m")}),
            std::tuple(MarkerResult::Started, true, "       and more"));
  // A marker that cannot be opened for writing is not taken for a missing folder.
  RemoveFile("set\\run.ing.m");
  ASSERT_TRUE(CreateFolder("set\\run.ing.m"));
  EXPECT_EQ(RunMarker().Claim(), MarkerResult::Unwritable);
}

TEST_F(SettingsTest, SettingsApplyKeepsAHotkeyAndFallsBackToTheUserRegistry) {
  ASSERT_TRUE(WriteDataFolder());
  test::RecordingPrompter prompter;
  test::FakeHotkeys hotkeys;
  FakeRegistry registry;
  SysSetModel page(prompter, hotkeys, registry);
  page.Load();
  hotkeys.held[kBarHotkeyId] = {2, 0x47};
  // A taken key: message, the old key registered again, nothing saved, sheet stays open.
  hotkeys.taken.insert({3, 0x47});
  SysSettings edited = page.values();
  edited.hotkey = 0x0647;
  edited.autorun = true;
  const std::string before = ReadBytes("set\\sets.conf");
  EXPECT_FALSE(page.Apply(edited, "C:\\P"));
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(std::tuple(prompter.messages[0].caption, hotkeys.held[kBarHotkeyId],
                       ReadBytes("set\\sets.conf")),
            std::tuple(Gb("失败"), std::pair(2u, 0x47u), before));
  // Ctrl+Shift+G (the extended flag ignored) is free; refused machine-wide, the user's serves.
  registry.refuseMachine = true;
  edited.hotkey = 0x0B47;
  EXPECT_TRUE(page.Apply(edited, "C:\\P"));
  const SysSettings reread = LoadSysSettings();
  EXPECT_EQ((std::tuple(hotkeys.held[kBarHotkeyId],
                        registry.values[{RegistryRoot::CurrentUser, kLogonValue}],
                        prompter.messages.size(), reread.hotkey, reread.autorun)),
            std::tuple(std::pair(6u, 0x47u), "C:\\P\\Pimbrel.exe C:\\P", 1u, 0x0B47, true));
  // Switched off with rights: both entries are emptied.
  registry.refuseMachine = false;
  edited.autorun = false;
  EXPECT_TRUE(page.Apply(edited, "C:\\P"));
  for (const RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser})
    EXPECT_EQ((registry.values[{root, kLogonValue}]), "") << int(root);
}

TEST_F(SettingsTest, TheCaptureKeyIsRegisteredSilentlyToldOnlyWhenChangedAndStoredOnlyThen) {
  ASSERT_TRUE(WriteDataFolder());
  test::RecordingPrompter prompter;
  test::FakeHotkeys hotkeys;
  FakeRegistry registry;
  CaptureKeys keys(hotkeys);
  // Ctrl+Alt+C and its Shift form by default; held by a quick-launch key, both left out silently.
  ASSERT_EQ(LoadSysSettings().captureHotkey, 0x0643);
  hotkeys.held[20480] = {3, 'C'};
  EXPECT_FALSE(keys.Register(0x0643));
  EXPECT_TRUE(keys.refused() && hotkeys.held.size() == 1 && prompter.messages.empty());
  hotkeys.held.erase(20480);
  SysSetModel page(prompter, hotkeys, registry, &keys);
  page.Load();
  // Unchanged: tried again silently, and the file stays as it was.
  EXPECT_TRUE(page.Apply(page.values(), "C:\\P"));
  EXPECT_EQ(std::tuple(keys.refused(), hotkeys.held.at(kCaptureHotkeyId),
                       hotkeys.held.at(kCaptureEditHotkeyId), prompter.messages.size()),
            std::tuple(false, std::pair(3u, 0x43u), std::pair(7u, 0x43u), 0u));
  EXPECT_EQ(ReadBytes("set\\sets.conf").find("capturehotkey"), std::string::npos);
  // Changed to a taken key: told, the old key back, the sheet stays open.
  hotkeys.taken.insert({2, 'Q'});
  SysSettings edited = page.values();
  edited.captureHotkey = 0x0251;
  EXPECT_FALSE(page.Apply(edited, "C:\\P"));
  EXPECT_EQ(std::pair(prompter.messages.size(), hotkeys.held.at(kCaptureHotkeyId)),
            std::pair(size_t{1}, std::pair(3u, 0x43u)));
  // A Shift key has no Shift form of its own; the new key is stored under a key of its own.
  edited.captureHotkey = 0x0351;
  EXPECT_TRUE(page.Apply(edited, "C:\\P"));
  EXPECT_EQ(std::tuple(hotkeys.held.at(kCaptureHotkeyId), hotkeys.held.count(kCaptureEditHotkeyId),
                       LoadSysSettings().captureHotkey),
            std::tuple(std::pair(6u, 0x51u), 0u, 0x0351));
  // None: nothing registered, nothing refused.
  edited.captureHotkey = 0;
  EXPECT_TRUE(page.Apply(edited, "C:\\P"));
  EXPECT_EQ(std::tuple(hotkeys.held.count(kCaptureHotkeyId), keys.refused(),
                       LoadSysSettings().captureHotkey),
            std::tuple(0u, false, 0));
}

}  // namespace
}  // namespace pim
