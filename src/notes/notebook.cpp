#include "notes/notebook.h"

#include "base/atomic_file.h"
#include "base/file.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "records/disk_change.h"
#include "xmldoc/xml.h"

namespace pim {

NoteBook::NoteBook(Prompter& prompter, const Clock& clock, RecordEvents* events)
    : prompter_(prompter), clock_(clock), events_(events), counter_("NOTE", "note", "n.") {}

void NoteBook::Open() {
  counter_.Load();
  current_ = counter_.maxid();
  text_.clear();
  buildtime_.clear();
  shownStamp_ = {};
  category_ = kOrdinary;
  label_ = "id:";
}

bool NoteBook::Reopen() {
  const int was = current_;
  const bool fromFile = shownStamp_.size >= 0;
  Open();
  return fromFile && Show(was);
}

void NoteBook::SetCurrent(int number) {
  current_ = number;
  label_ = Format("%d:", number);
}

void NoteBook::New(int category) {
  if (category == kDiary) {
    const LocalTime t = clock_.Now();
    text_ = Format("    \t%2d ", t.month) + Gb("月") + Format(" %2d ", t.day) + Gb("日") +
            Format(",%4d\t", t.year) + Gb("星期") + Format(" %1d\r\n  ", t.weekday);
  } else {
    text_.assign(1, ' ');  // not = " ", which trips a false -Wrestrict of GCC 12 at -O3
  }
  SetCurrent(counter_.maxid());
  buildtime_.clear();
  category_ = category;
  shownStamp_ = {};
}

bool NoteBook::Save(const std::string& text, int category) {
  if (ChangedOnDisk(PathOf(current_), shownStamp_)) {
    switch (AskAboutDiskChange(prompter_)) {
      case DiskChoice::KeepBoth:
        SetCurrent(counter_.maxid());
        buildtime_.clear();
        break;
      case DiskChoice::Overwrite:
        break;
      case DiskChoice::TakeTheirs:
        if (!Show(current_)) New(category);
        tookDisk_ = true;
        return false;
      case DiskChoice::Cancel:
        return false;
    }
  }
  // The number is on disk before the note is, so no later run can hand it out again.
  if (!counter_.TakeFor(current_, prompter_)) return false;
  const std::string path = PathOf(current_);
  text_ = text;
  const std::string buildtime = buildtime_.empty() ? NowStamp(clock_) : buildtime_;
  std::string document;
  XML(prompter_, clock_).WriteNote(document, category, text, buildtime);
  if (!WriteFileAtomic(path, document)) {
    prompter_.ShowMessage("Can`t Open " + path + " to write!", path, MsgButtons::Ok);
    return false;
  }
  buildtime_ = buildtime;
  category_ = category;
  shownStamp_ = StampOf(path);
  if (events_) events_->Written(RecordKind::Note, current_);
  prompter_.ShowMessage("Message send to " + path + " Sucesful!", "notice", MsgButtons::Ok,
                        MsgIcon::Information);
  SetCurrent(current_);
  return true;
}

// The rest of a note document into the panel, as note `number`; a failed read changes nothing.
bool NoteBook::ReadInto(XML& xml, LineReader& reader, int number, const FileStamp& stamp) {
  if (!xml.ReadNote(reader) || reader.failed()) {
    prompter_.ShowMessage(Gb("读取 xml 文件时发生错误!"), "xml error", MsgButtons::Ok,
                          MsgIcon::Error);
    return false;
  }
  text_ = xml.note.content;
  buildtime_ = xml.note.buildtime;
  SetCurrent(number);
  shownStamp_ = stamp;
  return true;
}

NoteBook::Step NoteBook::Refresh(const std::string& text, int category) {
  if (!ChangedOnDisk(PathOf(current_), shownStamp_) || Changed(text, category))
    return Step::Unchanged;
  if (Show(current_)) return Step::Shown;
  New(category_ >= 0 ? category_ : kOrdinary);
  return Step::Started;
}

bool NoteBook::Arrived(int number) {
  const bool begun = current_ == counter_.maxid() && shownStamp_.size < 0;
  counter_.Follow(number);
  if (!begun || current_ == counter_.maxid()) return false;
  current_ = counter_.maxid();
  if (label_ != "id:") SetCurrent(current_);
  return true;
}

std::optional<NoteBook::Step> NoteBook::ShowIfOfType(int number, int filter) {
  // Types known in memory spare opening every note that is not shown.
  if (filter != kAll && events_)
    if (const std::optional<int> type = events_->KnownNoteType(number); type && *type != filter)
      return std::nullopt;
  File file;
  if (!file.Open(PathOf(number), File::Mode::Read)) return std::nullopt;
  LineReader reader(file);
  XML xml(prompter_, clock_);
  if (filter != kAll && xml.ReadNoteType(reader) != filter) return std::nullopt;
  if (!ReadInto(xml, reader, number, file.Stamp())) return Step::Unchanged;
  category_ = filter;
  return Step::Shown;
}

bool NoteBook::Show(int number) {
  int type = -1;
  {
    // Read on its own: a note without a type line still shows.
    File file;
    if (number < 0 || !file.Open(PathOf(number), File::Mode::Read)) return false;
    LineReader reader(file);
    type = XML(prompter_, clock_).ReadNoteType(reader);
  }
  File file;
  if (!file.Open(PathOf(number), File::Mode::Read)) return false;
  LineReader reader(file);
  XML xml(prompter_, clock_);
  if (!ReadInto(xml, reader, number, file.Stamp())) return false;
  category_ = type >= 0 && type < static_cast<int>(kCategories.size()) ? type : -1;
  return true;
}

bool NoteBook::Leave(const std::string& text, int category) {
  if (!Changed(text, category)) return true;
  switch (prompter_.ShowMessage(Gb("保存修改吗?"), "Pimbrel", MsgButtons::YesNoCancel,
                                MsgIcon::Question)) {
    case MsgResult::Yes:
      return Save(text, category);
    case MsgResult::No:
      return true;
    default:
      return false;
  }
}

NoteBook::Step NoteBook::Previous(int filter) {
  if (counter_.maxid() == 0) return Step::Unchanged;
  // Nearest first; from note 0 the nearest is note 0 itself, which is shown again.
  const std::vector<int> numbers = counter_.Existing();
  const int upper = current_ > 0 ? current_ - 1 : 0;
  for (auto it = numbers.rbegin(); it != numbers.rend(); ++it)
    if (*it <= upper)
      if (const std::optional<Step> step = ShowIfOfType(*it, filter)) return *step;
  return Step::Unchanged;
}

NoteBook::Step NoteBook::Next(int filter) {
  const int last = counter_.maxid() - 1;
  if (counter_.maxid() == 0) return Step::Unchanged;
  if (current_ >= last) {
    New(filter);
    return Step::Started;
  }
  for (int number : counter_.Existing())
    if (number > current_ && number <= last)
      if (const std::optional<Step> step = ShowIfOfType(number, filter)) return *step;
  return Step::Unchanged;
}

bool NoteBook::Delete() {
  const std::string path = PathOf(current_);
  if (prompter_.ShowMessage(Gb("你确实要删除 ") + path + Gb(" 文件吗?"), Gb("确认"),
                            MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
    return false;
  const bool removed = RemoveFile(path);
  if (removed) shownStamp_ = {};  // saved again, it is written anew without a question
  if (removed && events_) events_->Removed(RecordKind::Note, current_);
  // "成功删除 " path "!" or "删除文件 " path "时出错,请手动删除.", "信息"
  prompter_.ShowMessage(
      removed ? Gb("成功删除 ") + path + "!" : Gb("删除文件 ") + path + Gb("时出错,请手动删除."),
      Gb("信息"), MsgButtons::Ok, MsgIcon::Information);
  return removed;
}

void NoteBook::Close() { counter_.Persist(); }

}  // namespace pim
