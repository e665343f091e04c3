// Loads arbitrary bytes as a settings file; saving what was loaded must be stable.
#include <unistd.h>

#include "base/atomic_file.h"
#include "config/config_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A memory file system keeps the flushes of the atomic writer cheap.
  static const std::string path =
      std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/pimbrel-fuzz-config-" +
      std::to_string(::getpid());
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  pim::fuzz::Check(pim::WriteFileAtomic(path, bytes));

  pim::CConfigFile config;
  pim::fuzz::Check(config.Load(path) == 1);
  pim::fuzz::Check(config.Load(path) == -2);
  config.GetValue("SYS", "hotkey");
  config.GetValue("count");
  if (config.GetValue("name0") != pim::CConfigFile::kNotFound)
    pim::fuzz::Check(config.SetValue("name0", "x") == 1 && config.GetValue("name0") == "x");
  pim::fuzz::Check(config.SetValue("SYS", "\x02", "") == -2 ||
                   config.GetValue("SYS", "\x02").empty());

  // What Save writes must load back to the same bytes.
  pim::fuzz::Check(config.Save() == 1);
  const std::string first = config.Serialize();
  pim::CConfigFile again;
  pim::fuzz::Check(again.Load(path) == 1);
  pim::fuzz::Check(again.Serialize() == first);
  return 0;
}
