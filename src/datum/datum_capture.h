// The capture panel behind CDatumDlg: the untrimmed cards paged with "←" and "→", and the
// card being typed, stored as a card file and an entry of the untrimmed index.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/file.h"
#include "base/prompter.h"
#include "datum/datum_store.h"
#include "records/record_events.h"

namespace pim {

// What the panel's fields hold.
struct CardText {
  std::string category;
  std::string title;
  std::string content;
  std::string source = {};  // a card typed without one needs no mention of it
};

class DatumCapture {
 public:
  // `dataFolder` is the folder of the records, named in the DTD.
  // `events`, when given, hears of every card written.
  DatumCapture(Prompter& prompter, const Clock& clock, std::string dataFolder,
               RecordEvents* events = nullptr);

  // The panel is created: reads the card number, the categories and the untrimmed index,
  // and stands at the new-card position. Returns the category names in file order.
  std::vector<std::string> Open();
  // The records moved to another data folder: new cards name the DTD there.
  void SetDataFolder(const std::string& dataFolder);

  // Stores `card` when the content changed and is not empty: a new card takes the card
  // number, a stored one is rewritten where it is. False when it could not be stored
  // (refused category, or the user gave up choosing a path); nothing is changed then.
  bool StoreCard(const CardText& card);

  // A card taken by the capture key, stored at once as a new card in "未分类" with its
  // source, whatever the panel shows or holds unstored: the panel stays where it is (at the
  // new-card position it stays there). Never asks: "" when the card could not be stored.
  // The title comes from the text's first line, "资料卡<number>" when it has none; line ends
  // become CR LF. Its index entry, or nothing when there is no text or it cannot be stored.
  std::optional<IndexEntry> Capture(std::string_view text, std::string_view source);

  // Each step stores the card first and is not taken when that fails; true when the card
  // shown changed (then read shown()).
  bool ShowPanel(const CardText& card);  // a fresh card at the new-card position
  bool Previous(const CardText& card);
  bool Next(const CardText& card);
  // The untrimmed card stored at `url` (opened from a search), at its position; the new-card
  // position when the index no longer holds it.
  bool GoToCard(const std::string& url, const CardText& card);

  // After trimming: the untrimmed index and the categories read again; the fields and the
  // modified flag stay. Returns the category names in file order.
  std::vector<std::string> ReloadLists();
  // The lists changed on disk (another computer, a merge): the index, the categories and the
  // card number read again, the card shown kept where it is now in the index. True when the
  // card shown went (trimmed elsewhere) and, unedited, a new card stands in its place.
  bool FollowLists();
  // Before trimming: the cards stored here joined to the index as it is on disk, which may
  // hold cards captured elsewhere and no longer those trimmed elsewhere.
  bool WriteIndex();
  // The close handling: the card being typed is stored, then the card number and the
  // untrimmed index are written. The chain stays, so a panel that goes on still works.
  void Close(const CardText& card);

  // The content edit changed.
  void MarkModified() { modified_ = true; }
  bool modified() const { return modified_; }
  int position() const { return position_; }
  int count() const { return static_cast<int>(entries_.size()); }
  int32_t cardNumber() const { return number_; }
  bool CanGoBack() const { return position_ > 1; }
  bool CanGoForward() const { return position_ <= count(); }
  // True at the new-card position, where the content edit takes the focus.
  bool AtNewCard() const { return position_ > count(); }
  const CardText& shown() const { return shown_; }
  const ClassTable& classes() const { return classes_; }
  const std::vector<IndexEntry>& entries() const { return entries_; }

  // The content of a card file, lines joined by CR LF; "" when it cannot be read. `whole`
  // tells whether everything in the file was read; `head`, when given, gets its other fields.
  std::string LoadContent(const std::string& path, bool* whole = nullptr,
                          DatumRecord* head = nullptr);

 private:
  // A new card in `classPath` under the next number, joined to the index. With `mayAsk` a
  // path that cannot be written is asked for; without, nothing is asked. The path, or "".
  std::string StoreNewCard(const CardText& card, const std::string& classPath, bool mayAsk);
  // Writes the card document, stamped found at `foundDate` ("" for now); the path, or "".
  std::string WriteCard(const std::string& path, const CardText& card,
                        const std::string& foundDate = {}, const std::string& keyword = {}) const;
  // Says that `path` failed and asks for another until one is written; "" when the user
  // cancels.
  std::string AskForPath(std::string path, const CardText& card, const std::string& foundDate = {},
                         const std::string& keyword = {});
  // The card number as it is now: the larger of disk and memory, so it never goes back.
  void CatchUpCardNumber();
  bool WriteCardNumber();
  void StartNewCard();
  void ShowEntry();
  // The stored card shown changed on disk since (another computer): asks, and keeps the
  // other version as a card of its own when told.
  enum class Go { Write, Skip, Stop };  // Skip: the edit was dropped, Stop: nothing changes
  Go AskIfChanged();

  Prompter& prompter_;
  const Clock& clock_;
  RecordEvents* events_;
  std::string dtdPath_;
  ClassTable classes_;
  std::vector<IndexEntry> entries_;
  int position_ = 1;  // 1-based; count + 1 is the new-card position
  bool modified_ = false;
  int32_t number_ = 0;
  CardText shown_;
  bool shownPartial_ = false;  // the stored card shown was read only in part
  FileStamp shownStamp_;       // of the stored card shown, as read or as written here
  std::string shownFound_;     // its found date and keywords, which a rewrite keeps
  std::string shownKeyword_;
  bool indexWhole_ = true;     // the untrimmed index was read to its end
  bool indexChanged_ = false;  // a card was added to it or renamed since Open
  // What this panel did to the index since it was last written: cards stored anew, and
  // entries changed (by their url then).
  std::vector<IndexEntry> added_;
  std::vector<std::pair<std::string, IndexEntry>> edited_;
};

}  // namespace pim
