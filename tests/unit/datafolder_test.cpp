#include "datafolder.h"

#include "base/file.h"
#include "config/config_file.h"
#include "test_support.h"
#include "xmldoc/xml.h"

namespace pim {
namespace {

using DataFolderTest = test::TempFolderTest;
using Keys = std::vector<std::pair<std::string, std::string>>;  // an empty section: key alone

TEST_F(DataFolderTest, EveryKeyTheProgramSetsIsThereAndSavesUnchanged) {
  ASSERT_TRUE(WriteDataFolder());
  Keys settings = {{"COMU", "maxid"}, {"NOTE", "maxid"}}, runs = {{"MAIN", "count"}};
  for (const char* key : {"hotkey", "tmpdir", "autorun", "showtip", "notice"})
    settings.push_back({"SYS", key});
  for (int i = 1; i <= 50; ++i)
    for (const char* k : {"iconint", "hotkey", "name", "path", "icon", "workdir", "info", "keydes"})
      runs.push_back({"run" + std::to_string(i), k});
  Keys classes = {{"", "count"}}, sources = classes;
  for (int i = 0; i < 100; ++i) {
    for (const char* key : {"name", "path"}) classes.push_back({"", key + std::to_string(i)});
    sources.push_back({"", "name" + std::to_string(i)});
  }
  const std::pair<std::string, Keys> files[] = {
      {"set\\sets.conf", settings},     {"set\\fastrun_coll.lst", runs},
      {"set\\fastrun_study.lst", runs}, {"set\\fastrun_fun.lst", runs},
      {"set\\fastrun_net.lst", runs},   {"datum\\datum.conf", {{"", "id"}}},
      {"datum\\class.list", classes},   {"datum\\source.list", sources},
  };
  for (const auto& [path, keys] : files) {
    const std::string before = ReadBytes(path);
    CConfigFile conf;
    ASSERT_EQ(conf.Load(path), 1) << path;
    for (const auto& [section, key] : keys)
      EXPECT_NE(section.empty() ? conf.GetValue(key) : conf.GetValue(section, key), "\x02")
          << path << " " << section << " " << key;
    ASSERT_EQ(conf.Save(), 1) << path;
    EXPECT_EQ(ReadBytes(path), before) << path;
  }
}

TEST_F(DataFolderTest, IndexesHoldNoLinkAndEndReadyForAppending) {
  ASSERT_TRUE(WriteDataFolder());
  test::RecordingPrompter prompter;
  FixedClock clock({2003, 5, 1, 9, 30, 4});
  XML xml(prompter, clock);
  for (const char* path : {"datum\\lineindex.list", "datum\\bookmark.list", "datum\\index.list"}) {
    const std::string bytes = ReadBytes(path);
    EXPECT_EQ(bytes.substr(bytes.size() - 47), kLineIndexEnd) << path;  // appends seek back 47
    MemorySource source(bytes);
    LineReader reader(source);
    EXPECT_TRUE(xml.ReadLineIndexHead(reader)) << path;
    EXPECT_FALSE(xml.ReadLineIndexLink(reader)) << path;
  }
  EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(DataFolderTest, AFileWhereAFolderBelongsOrTheReverseFails) {
  WriteBytes("set", "x");
  EXPECT_FALSE(WriteDataFolder());
  ASSERT_TRUE(RemoveFile("set") && CreateFolder("set") && CreateFolder("set\\sets.conf"));
  EXPECT_FALSE(WriteDataFolder());
}

}  // namespace
}  // namespace pim
