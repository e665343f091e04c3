// The list files that have their own readers on top of the settings format, chosen by
// FUZZ_QUICKLIST (a quick-launch list) or FUZZ_DATUMLIST (the category and source lists).
// Each loads arbitrary bytes the way its panel does, writes, and checks nothing was lost.
#include <unistd.h>

#include <cstdlib>

#include "base/atomic_file.h"
#include "base/path.h"
#include "datum/datum_store.h"
#include "fuzz_support.h"

namespace {

using pim::fuzz::Check;

// The data paths are relative to the working folder: one private folder per process, in
// memory where possible.
void EnterWorkFolder() {
  static const bool entered = [] {
    const std::string base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    const std::string dir = base + "/pimbrel-fuzz-lists-" + std::to_string(::getpid());
    Check(pim::CreateFolder(dir) && ::chdir(dir.c_str()) == 0);
    static const std::string folder = dir;
    std::atexit([] { std::filesystem::remove_all(folder); });
    Check(pim::CreateFolder("set") && pim::CreateFolder("datum"));
    return true;
  }();
  (void)entered;
}

[[maybe_unused]] std::string Flat(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EnterWorkFolder();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
#if defined(FUZZ_QUICKLIST)
  pim::test::RecordingPrompter prompter;
  pim::test::FakeHotkeys hotkeys;
  pim::test::FakeShell shell;
  pim::test::FakeImages images;
  Check(pim::WriteFileAtomic(pim::LaunchLists::kFiles[0], bytes));
  pim::LaunchLists first(prompter, hotkeys, shell, images);
  Check(first.LoadList(0) && first.count(0) <= pim::LaunchLists::kMaxItems);
  // Saved and read again, every record comes back; a value keeps its line, so a lone CR
  // or LF in it becomes a blank.
  Check(first.SaveList(0));
  std::string once;
  Check(pim::ReadWholeFile(pim::LaunchLists::kFiles[0], once));
  pim::LaunchLists second(prompter, hotkeys, shell, images);
  Check(second.LoadList(0) && second.count(0) == first.count(0));
  for (int i = 0; i < first.count(0); ++i) {
    const pim::RunItem& a = first.item(0, i);
    const pim::RunItem& b = second.item(0, i);
    Check(Flat(a.name) == b.name && Flat(a.path) == b.path && Flat(a.icon) == b.icon &&
          Flat(a.workdir) == b.workdir && Flat(a.keydes) == b.keydes && a.hotkey == b.hotkey &&
          a.iconint == b.iconint);
  }
  // A second save of the same records changes nothing.
  Check(second.SaveList(0));
  std::string twice;
  Check(pim::ReadWholeFile(pim::LaunchLists::kFiles[0], twice) && twice == once);
#elif defined(FUZZ_DATUMLIST)
  // The same bytes as both lists; a new category and a new source must then be found.
  Check(pim::WriteFileAtomic(pim::kClassListPath, bytes));
  Check(pim::WriteFileAtomic(pim::kSourceListPath, bytes));
  pim::ClassTable classes;
  pim::SourceTable sources;
  pim::LoadClassList(classes);
  pim::LoadSourceList(sources);
  Check(classes.count >= 0 && classes.count <= pim::kDatumTableSize);
  const std::string name = "fuzz" + std::to_string(classes.count);
  const int classCount = classes.count, sourceCount = sources.count;
  if (!pim::FindClassPath(name, classes).empty() && classes.count > classCount) {
    pim::ClassTable again;
    pim::LoadClassList(again);
    Check(again.count == classes.count && again.entries[again.count - 1].name == name);
  }
  if (pim::FindSource(name, sources) && sources.count > sourceCount) {
    pim::SourceTable again;
    pim::LoadSourceList(again);
    Check(again.count == sources.count && again.names[again.count - 1] == name);
  }
#else
#error "choose the list kind to fuzz"
#endif
  return 0;
}
