// The one way the program writes a whole file.
#pragma once

#include <functional>
#include <string_view>

namespace pim {

// What a file being written is called beside its target until it is whole.
inline constexpr std::string_view kTempSuffix = "~pimtmp";

// Writes `bytes` to a temporary file in the target's folder, flushes it to the disk and
// then replaces the target in one step. On any failure the target keeps its old content,
// the temporary file is removed and the result is false.
bool WriteFileAtomic(std::string_view dataPath, std::string_view bytes);

class File;
// The same for bytes made piece by piece: `produce` writes them in order to the temporary
// file and returns false to give up, which leaves the target as it was. A file of many
// megabytes then never sits in memory whole.
bool WriteFileAtomic(std::string_view dataPath, const std::function<bool(File& out)>& produce);

enum class Placed {
  Done,
  Exists,  // the name was taken and nothing was replaced
  Failed,
};

// The same for a file that must not replace one: a copy made without asking. When the name
// is taken, or on any failure, nothing changes and the temporary file is gone.
Placed CreateFileAtomic(std::string_view dataPath, std::string_view bytes);

// The last step of both, for a file written and flushed elsewhere: `from` becomes `to` in one
// step, pushed to the disk; with `replace` false an existing `to` is never replaced. `from`
// stays where it was unless the result is Done. A write step of the fault switch.
Placed PlaceFile(std::string_view from, std::string_view to, bool replace);

}  // namespace pim
