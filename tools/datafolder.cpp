#include "datafolder.h"

namespace pim {

bool WriteDataFolder() { return false; }

}  // namespace pim
