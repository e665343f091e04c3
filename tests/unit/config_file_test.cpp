#include "config/config_file.h"

#include "base/file.h"

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif
#include <tuple>

#include "test_support.h"

namespace pim {
namespace {

using ConfigFileTest = test::TempFolderTest;

const std::string kNotLoaded = "\x01", kNotFound = "\x02";

TEST_F(ConfigFileTest, EveryKindOfLineIsFoundSetAndSaved) {
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

  EXPECT_EQ(conf.SetValue("SYS", "hotkey", "600"), 1);  // the first of the two
  EXPECT_EQ(conf.SetValue("maxid", "7"), 1);            // the one under "[COMU] x"
  EXPECT_EQ(conf.SetValue("COMU", "maxid", "x"), -2);   // nothing is ever added
  EXPECT_EQ(conf.SetValue("absent", "x"), -2);
  ASSERT_EQ(conf.Save(), 1);
  EXPECT_EQ(ReadBytes("a.conf"),
            "# note\r\nstray=before\r\n[SYS]\r\nhotkey=600\r\n"
            "key = spaced\r\nurl=a=b\r\n=empty\r\n#=x\r\n"
            "hotkey=999\r\n[COMU] x\r\nmaxid=7\r\n[NOTE\r\nmaxid=2\r\n"
            "[SYS]\r\nnotice=true\r\nlast=end\r\n");
}

TEST_F(ConfigFileTest, ReturnCodesFollowTheState) {
  CConfigFile conf;
  EXPECT_EQ(conf.Load("set\\missing.conf"), -1);
  EXPECT_EQ(conf.path(), "set\\missing.conf");  // remembered all the same
  EXPECT_EQ(conf.GetValue("SYS", "hotkey"), kNotLoaded);
  EXPECT_EQ(conf.GetValue("hotkey"), kNotLoaded);
  EXPECT_EQ(conf.SetValue("SYS", "hotkey", "1"), -1);
  EXPECT_EQ(conf.SetValue("hotkey", "1"), -1);
  EXPECT_EQ(conf.Save(), -2);

  WriteBytes("a.conf", "[SYS]\r\nhotkey=583\r\n");
  ASSERT_EQ(conf.Load("a.conf"), 1);
  EXPECT_EQ(conf.Load("b.conf"), -2);
  EXPECT_EQ(conf.path(), "a.conf");
  EXPECT_EQ(conf.SetValue("hotkey", "600"), 1);
  ASSERT_EQ(conf.Save(), 1);
  EXPECT_EQ(ReadBytes("a.conf"), "[SYS]\r\nhotkey=600\r\n");
  EXPECT_EQ(Listing(), std::vector<std::string>{"a.conf"});
}

TEST_F(ConfigFileTest, FailedSaveLeavesTheOldBytes) {
  WriteBytes("a.conf", "[SYS]\r\nhotkey=583\r\n");
  CConfigFile conf;
  ASSERT_EQ(conf.Load("a.conf"), 1);
  ASSERT_EQ(conf.SetValue("hotkey", std::string(3000, '9')), 1);
#ifndef _WIN32
  // The disk fills up half-way; unlike folder permissions this also stops root.
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const rlimit cap = {1000, saved.rlim_max};
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &cap);
  const int result = conf.Save();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, handler);
  EXPECT_EQ(Listing(), std::vector<std::string>{"a.conf"});
#else
  // A folder in the way of the temporary file.
  ASSERT_TRUE(pim::CreateFolder("a.conf~pimtmp"));
  const int result = conf.Save();
#endif
  EXPECT_EQ(result, -1);
  EXPECT_EQ(ReadBytes("a.conf"), "[SYS]\r\nhotkey=583\r\n");
}

}  // namespace
}  // namespace pim
