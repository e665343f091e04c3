// What backup and restore need of the file system beyond src/base/file.h: whole trees,
// renames, and file dates. Paths are data paths (GBK, "\"-separated).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/clock.h"

namespace pim {

// What a move to another volume renames its source to before removing it; like every
// temporary name of ours it ends "~pimtmp", which sync services are told to leave alone.
inline constexpr std::string_view kGoneSuffix = ".gone~pimtmp";

// Renames a file or a folder; never replaces anything. Counts as a write step of the
// fault switch (ArmWriteFault), so tests can fail any move of a restore. Onto another volume
// it copies, then removes the source; a kill between the two leaves both, with the same bytes.
bool MovePath(std::string_view from, std::string_view to);
// `path` with `suffix`, in the same folder as `path`: beside a record folder, in the data folder.
std::string Beside(std::string_view path, std::string_view suffix);
// Whether two files, or two folders with everything in them, hold the same names and bytes.
bool SameTree(std::string_view a, std::string_view b);
// After a move killed between its copy and the removal of its source: when `kept` and
// `dropped` both exist with the same bytes, `dropped` goes. True when it went.
bool SettleHalfMove(std::string_view kept, std::string_view dropped);
// Test-only: the k-th MovePath from now ends the process before it moves anything, as a
// kill would; 0 disarms. Never armed by the program.
void ArmMoveKill(int k);
// A second name `to` for the file `from`, the same file with its bytes and times; never
// replaces anything. False where the disk has no such names (FAT) or `to` exists.
bool LinkFile(std::string_view from, std::string_view to);
// Test-only: every LinkFile fails from now on, as on a FAT disk; false ends that.
void ArmLinkRefusal(bool refuse);
// Gives `path` the last write time of `model`.
bool CopyModifiedTime(std::string_view model, std::string_view path);
// Makes a folder and every folder on its way that is missing.
bool CreateFolders(std::string_view folder);
// Removes a folder with everything in it; true when it is gone (or never was).
bool RemoveTree(std::string_view folder);
// The local time a file was last written; false when it cannot be read.
bool ModifiedTime(std::string_view path, LocalTime& time);

// Everything below `folder`, as paths relative to it ("a\b.xml"), folders before their
// contents, in name order. False when a folder could not be read.
struct TreeListing {
  std::vector<std::string> folders;
  std::vector<std::string> files;
};
bool ListTree(std::string_view folder, TreeListing& listing);

// The "key=value" lines of a journal, which is written whole (atomically) from its line `head`
// to its line "end"; false when it is missing or not whole, so not ours.
using JournalLines = std::vector<std::pair<std::string, std::string>>;
bool ReadJournalLines(std::string_view path, std::string_view head, JournalLines& lines);

// `folder` + "\" + `name`, without a doubled separator.
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace pim
