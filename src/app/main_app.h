// The application object: prepares the process, refuses a second copy, and runs the bar
// for the whole life of the process.
#pragma once

#include <windows.h>

namespace pim {

class CMainApp {
 public:
  int Run(const wchar_t* commandLine);
};

}  // namespace pim
