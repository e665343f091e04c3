// A record on screen remembers its file's stamp as read, or as last written by us; another
// computer (through a synced folder) may have written or removed the file since. Nothing is
// then saved over it without asking.
#pragma once

#include <string_view>

#include "base/file.h"

namespace pim {

class Prompter;

// Whether the file at `path` is no longer the one shown, read with `shown` (a size of -1:
// none was read, so there is nothing to compare with).
bool ChangedOnDisk(std::string_view path, const FileStamp& shown);

enum class DiskChoice {
  KeepBoth,    // the edit is saved as a new record beside the other one (the default)
  Overwrite,   // the edit replaces the file
  TakeTheirs,  // the edit is dropped and the file as it is now is shown
  Cancel,      // the question was closed: nothing happens
};
// "此记录已在另一台电脑上修改": 保留两份 / 覆盖 / 放弃我的修改.
DiskChoice AskAboutDiskChange(Prompter& prompter);

}  // namespace pim
