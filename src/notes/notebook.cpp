#include "notes/notebook.h"

#include "base/atomic_file.h"
#include "base/file.h"
#include "base/gbk.h"
#include "xmldoc/xml.h"

namespace pim {

const std::array<std::string_view, 6> NoteBook::kCategories = {
    "\xC8\xAB\xB2\xBF",  // 全部
    "\xC6\xD5\xCD\xA8",  // 普通
    "\xC8\xD5\xBC\xC7",  // 日记
    "\xCB\xE6\xB8\xD0",  // 随感
    "\xB1\xCA\xBC\xC7",  // 笔记
    "\xC6\xE4\xCB\xFC",  // 其它
};

NoteBook::NoteBook(Prompter& prompter, const Clock& clock)
    : prompter_(prompter), clock_(clock), counter_("NOTE", "note", "n.") {}

void NoteBook::Open() {
  counter_.Load();
  current_ = counter_.maxid();
  text_.clear();
  buildtime_.clear();
  label_ = "id:";
}

void NoteBook::SetCurrent(int number) {
  current_ = number;
  label_ = Format("%d:", number);
}

void NoteBook::New(int category) {
  if (category == kDiary) {
    const LocalTime t = clock_.Now();
    // "    \t%2d 月 %2d 日,%4d\t星期 %1d\r\n  "
    text_ = Format("    \t%2d \xD4\xC2 %2d \xC8\xD5,%4d\t\xD0\xC7\xC6\xDA %1d\r\n  ", t.month,
                   t.day, t.year, t.weekday);
  } else {
    text_.assign(1, ' ');  // not = " ", which trips a false -Wrestrict of GCC 12 at -O3
  }
  SetCurrent(counter_.maxid());
  buildtime_.clear();
}

bool NoteBook::Save(const std::string& text, int category) {
  const std::string path = PathOf(current_);
  // The number is on disk before the note is, so no later run can hand it out again.
  if (!counter_.TakeFor(current_, prompter_)) return false;
  text_ = text;
  const std::string buildtime = buildtime_.empty() ? NowStamp(clock_) : buildtime_;
  std::string document;
  XML(prompter_, clock_).WriteNote(document, category, text, buildtime);
  if (!WriteFileAtomic(path, document)) {
    prompter_.ShowMessage("Can`t Open " + path + " to write!", path, MsgButtons::Ok);
    return false;
  }
  buildtime_ = buildtime;
  prompter_.ShowMessage("Message send to " + path + " Sucesful!", "notice", MsgButtons::Ok,
                        MsgIcon::Information);
  SetCurrent(current_);
  return true;
}

// The rest of a note document into the panel, as note `number`; a failed read changes nothing.
bool NoteBook::ReadInto(XML& xml, LineReader& reader, int number) {
  if (!xml.ReadNote(reader) || reader.failed()) {
    // "读取 xml 文件时发生错误!"
    prompter_.ShowMessage(
        "\xB6\xC1\xC8\xA1 xml \xCE\xC4\xBC\xFE\xCA\xB1\xB7\xA2\xC9\xFA\xB4\xED\xCE\xF3!",
        "xml error", MsgButtons::Ok, MsgIcon::Error);
    return false;
  }
  text_ = xml.note.content;
  buildtime_ = xml.note.buildtime;
  SetCurrent(number);
  return true;
}

std::optional<NoteBook::Step> NoteBook::ShowIfOfType(int number, int filter) {
  File file;
  if (!file.Open(PathOf(number), File::Mode::Read)) return std::nullopt;
  LineReader reader(file);
  XML xml(prompter_, clock_);
  if (filter != kAll && xml.ReadNoteType(reader) != filter) return std::nullopt;
  return ReadInto(xml, reader, number) ? Step::Shown : Step::Unchanged;
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
  // "你确实要删除 " path " 文件吗?", "确认"
  if (prompter_.ShowMessage(
          "\xC4\xE3\xC8\xB7\xCA\xB5\xD2\xAA\xC9\xBE\xB3\xFD " + path + " \xCE\xC4\xBC\xFE\xC2\xF0?",
          "\xC8\xB7\xC8\xCF", MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
    return false;
  const bool removed = RemoveFile(path);
  // "成功删除 " path "!" or "删除文件 " path "时出错,请手动删除.", "信息"
  prompter_.ShowMessage(
      removed ? "\xB3\xC9\xB9\xA6\xC9\xBE\xB3\xFD " + path + "!"
              : "\xC9\xBE\xB3\xFD\xCE\xC4\xBC\xFE " + path +
                    "\xCA\xB1\xB3\xF6\xB4\xED,\xC7\xEB\xCA\xD6\xB6\xAF\xC9\xBE\xB3\xFD.",
      "\xD0\xC5\xCF\xA2", MsgButtons::Ok, MsgIcon::Information);
  return removed;
}

void NoteBook::Close() { counter_.Persist(); }

}  // namespace pim
