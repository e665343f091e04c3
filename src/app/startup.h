// What the program does before its bar exists: the folder argument and the run marker.
#pragma once

#include <string>
#include <string_view>

namespace pim {

inline constexpr std::string_view kRunMarkerPath = "set\\run.ing.m";

// The folder named on the command line (the text after the program's own path), or "" for
// none. The log-on entry quotes a folder with blanks, so one pair of quotes is taken off.
std::wstring FolderArgument(std::wstring_view commandTail);

enum class MarkerResult {
  Started,         // the marker now says "runing"
  AlreadyRunning,  // another copy runs: refuse the start
  Unavailable,     // the marker can be neither opened nor created
};

// Unless another copy runs, writes "runing" over the marker's first six bytes. Whether a
// copy runs comes from a named mutex, which two copies cannot both hold; a marker left at
// "runing" by a crash therefore no longer refuses the start.
MarkerResult ClaimRunMarker(bool anotherCopyRuns);

// Six blanks over the first six bytes: the orderly end of a run.
bool ReleaseRunMarker();

// The refusal of a second copy, and its caption.
extern const char* const kAlreadyRunningText;
inline constexpr const char* kAlreadyRunningCaption = "Pimbrel";
// Said when the marker cannot be written because the folder "set" is missing or locked.
extern const char* const kNoSetFolderText;

}  // namespace pim
