// What the program does before its bar exists: the folder argument and the run marker.
#pragma once

#include <string>
#include <string_view>

#include "base/held_file.h"

namespace pim {

inline constexpr std::string_view kRunMarkerPath = "set\\run.ing.m";

// The folder named on the command line (the text after the program's own path), or "" for
// none. The log-on entry quotes a folder with blanks, so one pair of quotes is taken off.
std::wstring FolderArgument(std::wstring_view commandTail);

enum class MarkerResult {
  Started,         // the marker now says "runing"
  AlreadyRunning,  // another copy runs on these files: refuse the start
  NoSetFolder,     // the folder "set" is missing
  Unwritable,      // the marker can be neither opened nor written
};

// The run marker, held open for the whole run. Whether another copy runs comes from the
// held file, not from its bytes: a marker left at "runing" by a crash does not refuse the
// start, and a copy that reaches the folder by another name is refused all the same.
class RunMarker {
 public:
  // Unless another copy holds it, writes "runing" over the marker's first six bytes and
  // keeps it open.
  MarkerResult Claim();
  // Six blanks over the first six bytes, and the marker closed: the orderly end of a run.
  bool Release();

 private:
  HeldFile file_;
};

// The refusal of a second copy, and its caption.
extern const std::string kAlreadyRunningText;
inline constexpr const char* kAlreadyRunningCaption = "Pimbrel";
// Said when the folder "set" is missing.
extern const std::string kNoSetFolderText;
// Said when the marker exists or could be made but cannot be written.
extern const std::string kMarkerUnwritableText;

}  // namespace pim
