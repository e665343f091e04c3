// The program's other ways into the system besides message boxes: system hotkeys, the
// registry and the shell. The program passes the Win32 implementations, tests pass fakes.
#pragma once

#include <cstdint>
#include <string>

namespace pim {

// System hotkeys of one window.
class HotkeyRegistrar {
 public:
  virtual ~HotkeyRegistrar() = default;
  // `modifiers` in the platform's encoding: 1 Alt, 2 Control, 4 Shift.
  virtual bool Register(int id, uint32_t modifiers, uint32_t virtualKey) = 0;
  virtual void Unregister(int id) = 0;
};

enum class RegistryRoot { LocalMachine, CurrentUser };
enum class RegistryResult { Ok, KeyFailed, ValueFailed };

class Registry {
 public:
  virtual ~Registry() = default;
  // Creates or opens `subkey` and writes `text` (GBK) as a string value.
  virtual RegistryResult WriteString(RegistryRoot root, const std::string& subkey,
                                     const std::string& name, const std::string& text) = 0;
};

class Shell {
 public:
  virtual ~Shell() = default;
  // Opens a file, document or program as the shell would on a double click.
  virtual bool Open(const std::string& file, const std::string& parameters,
                    const std::string& folder) = 0;
};

}  // namespace pim
