// What every panel below the bar has in common, and the one way a panel reaches the bar.
#pragma once

#include <string>

#include "records/record_events.h"
#include "records/record_ref.h"
#include "win/dialog.h"
#include "win/gdi.h"
#include "win/win_system.h"

namespace pim {

class CPanel;

// The panels' look, which the bar's other windows share.
inline constexpr COLORREF kPanelColour = RGB(194, 245, 66);
inline constexpr COLORREF kTextBackground = RGB(180, 230, 50);
// Answers a control's colour request with the panel look; false for any other message.
bool PaintPanelColours(UINT message, WPARAM wp, HBRUSH brush, INT_PTR& result);

// What a panel may ask of whoever shows it; the bar implements it, and a panel knows
// nothing else of the bar.
class PanelHost {
 public:
  // The screen rectangle the panels hang below.
  virtual RECT BarRect() const = 0;
  // `panel` is now the one shown below the bar (the browser takes the datum panel's place).
  virtual void MakeCurrent(CPanel& panel) = 0;
  // `panel` has hidden itself and is no longer current.
  virtual void Collapsed(const CPanel& panel) = 0;
  // Hides the bar with its current panel, or shows them again: around a modal dialog.
  virtual void ToggleBar() = 0;
  // A modal dialog or message box of a panel opens, and has returned. Commands that
  // delete or replace panels wait until none is open.
  virtual void ModalStarted() = 0;
  virtual void ModalEnded() = 0;
  // The channel every record written or removed is told through, which the panels hear too.
  virtual RecordEvents& Records() = 0;
  // The search window, on `scope`.
  virtual void OpenSearch(SearchScope scope) = 0;
  // Shows `record` below the bar in the panel that edits it, once no dialog is open.
  virtual void OpenRecord(const RecordRef& record) = 0;

 protected:
  ~PanelHost() = default;
};

// Tells the host of a modal dialog for as long as it lives.
class ModalScope {
 public:
  explicit ModalScope(PanelHost& host) : host_(host) { host_.ModalStarted(); }
  ~ModalScope() { host_.ModalEnded(); }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

 private:
  PanelHost& host_;
};

// A panel's message boxes and pickers: owned by the panel, and known to the host.
class PanelPrompter final : public Prompter {
 public:
  PanelPrompter(const win::Dialog& owner, PanelHost& host) : owner_(owner), host_(host) {}
  MsgResult ShowMessage(const std::string& text, const std::string& caption, MsgButtons buttons,
                        MsgIcon icon) override;
  std::string PickFolder(const std::string& title) override;
  std::string PickFile(const FileChoice& choice) override;
  int Choose(const std::string& text, const std::string& caption,
             const std::vector<std::string>& buttons) override;

 private:
  win::DialogPrompter owned() const { return win::DialogPrompter(owner_); }

  const win::Dialog& owner_;
  PanelHost& host_;
};

class CPanel : public win::Dialog, public RecordListener {
 public:
  CPanel(int templateId, PanelHost& host) : Dialog(templateId), host_(host) {}
  ~CPanel() override;

  // Moves the panel's top-left corner to the bar's bottom-left corner, raises it, and shows
  // or hides it with `command`.
  void ShowBelowParent(int command);
  // The "∧" button: hides the panel, which is then no longer the bar's current panel.
  void CollapsePanel();
  // The panel's own show operation; the datum panel may show another window in its place.
  virtual void ShowPanel() { ShowBelowParent(SW_SHOW); }
  // The closing work the bar's exit procedure runs before it deletes the panel; closing
  // the window runs it too.
  virtual void OnExit() {}
  // Reads the panel's files again, after they changed underneath.
  virtual void ReloadData() {}
  // While the window lives: a replaced data folder is read again (ReloadData).
  void OnRecordChange(const RecordChange& change) override;
  // Shows `record` below the bar as the current panel (or the browser in the datum panel's
  // place). A changed record on show is saved first if the user wants. False when nothing
  // new is shown: the user cancelled, the save failed or the record cannot be read.
  virtual bool ShowRecord(const RecordRef& /*record*/) { return false; }
  // Work waiting for the user in the panel (cards not yet trimmed), and the dialog that
  // does it, run modally; it returns when the user is done.
  virtual int PendingCount() const { return 0; }
  virtual void ProcessPending() {}

 protected:
  bool OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) override;
  // Enter and Escape never close a panel.
  bool OnCommand(int id, int code) override;
  // A modal dialog of the panel's, which the host knows of while it is open.
  INT_PTR RunModal(win::Dialog& dialog, HWND owner) {
    ModalScope modal(host_);
    return dialog.DoModal(owner);
  }

  // Places what the panel lays out in pixels, at scale_.
  virtual void PlaceFixedFigures() {}
  void OnScaleChanged() override;

  PanelHost& host_;
  // The panel's messages are its own message boxes.
  PanelPrompter prompter_{*this, host_};

 private:
  win::HeldBrush brush_;
  RecordEvents* heard_ = nullptr;  // while the window lives
};

}  // namespace pim
