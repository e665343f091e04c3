// The panels below the bar, one line each: its button and menu command, how it is made, its
// place in the exit, and the records it edits. They are made, and read their files again after
// a restore, in the order of the lines. A new panel is a line here and its own folder.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "contacts/reminder_switch.h"
#include "records/record_ref.h"
#include "win/panel.h"

namespace pim {

// What a panel may be given when it is made.
struct PanelServices {
  PanelHost& host;
  ReminderSwitch& reminders;
};

struct PanelLine {
  int button;   // the bar's picture button
  int command;  // the menu's command, which acts as the button
  std::unique_ptr<CPanel> (*make)(const PanelServices& services);
  int exitRank;  // the exit closes the panels in this order, 0 first
  std::optional<RecordKind> edits;
  bool placedHidden;  // hidden below the bar when made, not only hidden
};

class PanelRoster {
 public:
  static const std::array<PanelLine, 5> kLines;

  // Makes the next panel whose turn has not come, owned by `owner` and hidden; false once every
  // panel has had its turn. `failed` is told of each that could not be made, and the program
  // goes on without it. The bar makes one a tick, so it answers between them.
  bool CreateNext(HWND owner, const PanelServices& services, const std::function<void()>& failed);
  // The panel of `line`, made now when its turn has not come yet; null when it cannot be.
  CPanel* Ensure(const PanelLine& line, HWND owner, const PanelServices& services,
                 const std::function<void()>& failed);
  // The line of a button or menu command, or of the panel that edits records of `kind`; null.
  static const PanelLine* LineOf(int control);
  static const PanelLine* LineEditing(RecordKind kind);
  CPanel* Get(const PanelLine& line) const;
  // The panel that edits records of `kind`, once made.
  CPanel* Editing(RecordKind kind) const;
  // The first panel with work waiting for the user (cards to trim), or null.
  CPanel* WithPendingWork() const;
  // Each made panel's closing work, in the exit's order; with `destroy` it goes too.
  void CloseAll(bool destroy);
  // After their closing work: each made panel reads its files again and goes on.
  void ReloadAll();
  void ScaleAll(int dpi);

 private:
  void Create(size_t i, HWND owner, const PanelServices& services,
              const std::function<void()>& failed);

  std::array<std::unique_ptr<CPanel>, kLines.size()> panels_;
  std::array<bool, kLines.size()> tried_{};
};

}  // namespace pim
