#include "records/disk_change.h"

#include "base/gb18030.h"
#include "base/prompter.h"

namespace pim {

bool ChangedOnDisk(std::string_view path, const FileStamp& shown) {
  return shown.size >= 0 && StampOf(path) != shown;
}

DiskChoice AskAboutDiskChange(Prompter& prompter) {
  switch (prompter.Choose(Gb("此记录已在另一台电脑上修改"), "Pimbrel",
                          {Gb("保留两份"), Gb("覆盖"), Gb("放弃我的修改")})) {
    case 0:
      return DiskChoice::KeepBoth;
    case 1:
      return DiskChoice::Overwrite;
    case 2:
      return DiskChoice::TakeTheirs;
    default:
      return DiskChoice::Cancel;
  }
}

}  // namespace pim
