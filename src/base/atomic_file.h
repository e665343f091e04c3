// The one way the program writes a whole file.
#pragma once

#include <string_view>

namespace pim {

// Writes `bytes` to a temporary file in the target's folder, flushes it to the disk and
// then replaces the target in one step. On any failure the target keeps its old content,
// the temporary file is removed and the result is false.
bool WriteFileAtomic(std::string_view dataPath, std::string_view bytes);

}  // namespace pim
