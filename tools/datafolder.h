// The data folder that an installation starts with. The program itself never creates
// these files; it only updates keys that are already there and appends to the indexes.
#pragma once

namespace pim {

// Writes the installed data folder into the working folder: folders, settings, lists,
// the empty line indexes and the type definitions. False when anything cannot be written.
bool WriteDataFolder();

}  // namespace pim
