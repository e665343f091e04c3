#include "contacts/address_book.h"

#include "base/atomic_file.h"
#include "base/file.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "base/line_reader.h"
#include "records/disk_change.h"

namespace pim {

namespace {
RecordCounter Contacts() { return RecordCounter("COMU", "communication", "com."); }
}  // namespace

std::string ContactPath(int number) { return Contacts().PathOf(number); }

bool ReadContactDates(int number, ContactDates& dates) {
  File file;
  if (!file.Open(ContactPath(number), File::Mode::Read)) return false;
  LineReader reader(file);
  SilentPrompter silent;
  SystemClock clock;
  XML xml(silent, clock);
  xml.ReadComu(reader);  // what follows the birthday does not matter here
  if (!xml.comuBirthday) return false;
  dates = {xml.comu.name, *xml.comuBirthday};
  return true;
}

ComuRecord AddressBook::AsShown(ComuRecord entry) {
  const auto listed = [](int index, int count) { return index >= 0 && index < count ? index : -1; };
  entry.class_ = listed(entry.class_, static_cast<int>(kContactCategories.size()));
  entry.birthMonth = listed(entry.birthMonth, 12);
  entry.birthDay = listed(entry.birthDay, 31);
  entry.sex = entry.sex ? 1 : 0;
  return entry;
}

ComuRecord AddressBook::Blank() {
  ComuRecord entry;
  entry.class_ = entry.birthMonth = entry.birthDay = -1;
  entry.sex = 0;  // neither button checked reads as female
  return entry;
}

AddressBook::AddressBook(Prompter& prompter, RecordEvents* events)
    : prompter_(prompter), events_(events), counter_(Contacts()) {}

void AddressBook::Initialise() {
  counter_.Load();
  current_ = counter_.maxid();
  label_ = "id:";
  shown_ = Blank();
  shownStamp_ = {};
}

AddressBook::Step AddressBook::Reopen(ComuRecord& shown) {
  const int was = current_;
  const bool fromFile = shownStamp_.size >= 0;
  Initialise();
  return fromFile && Open(was, shown) ? Step::Loaded : Step::Emptied;
}

void AddressBook::SetLabel() { label_ = Format("%d:", current_); }

void AddressBook::New() {
  current_ = counter_.maxid();
  SetLabel();
  shown_ = Blank();
  shownStamp_ = {};
}

bool AddressBook::Save(const ComuRecord& entry) {
  for (const std::string* field :
       {&entry.name, &entry.birthYear, &entry.telOffice, &entry.telHome, &entry.telHandset,
        &entry.telBP, &entry.email, &entry.email2, &entry.companyweb, &entry.homepage, &entry.oicq,
        &entry.icq, &entry.address, &entry.postnumber}) {
    if (HasLineBreak(*field)) {
      prompter_.ShowMessage(Gb("一行的栏目不能含有换行, 联系人没有保存!"), "notice", MsgButtons::Ok,
                            MsgIcon::Warning);
      return false;
    }
  }
  if (ChangedOnDisk(counter_.PathOf(current_), shownStamp_)) {
    switch (AskAboutDiskChange(prompter_)) {
      case DiskChoice::KeepBoth:
        current_ = counter_.maxid();
        break;
      case DiskChoice::Overwrite:
        break;
      case DiskChoice::TakeTheirs: {
        ComuRecord now;
        if (!Load(current_, now)) {
          New();
          now = Blank();
        }
        tookDisk_ = now;
        return false;
      }
      case DiskChoice::Cancel:
        return false;
    }
  }
  // Taken before writing, so a number is never handed out twice, even after a failure.
  if (!counter_.TakeFor(current_, prompter_)) return false;
  const std::string path = counter_.PathOf(current_);
  XML xml(prompter_, clock_);
  xml.comu = entry;
  std::string bytes;
  xml.WriteComu(bytes);
  if (!WriteFileAtomic(path, bytes)) {
    prompter_.ShowMessage("Can`t Open " + path + " to write!", path, MsgButtons::Ok);
    return false;
  }
  shown_ = AsShown(entry);
  shownStamp_ = StampOf(path);
  if (events_) events_->Written(RecordKind::Contact, current_);
  prompter_.ShowMessage("Message send to " + path + " Sucesful!", "notice", MsgButtons::Ok,
                        MsgIcon::Information);
  SetLabel();
  return true;
}

bool AddressBook::Load(int number, ComuRecord& shown) {
  File file;
  if (!file.Open(counter_.PathOf(number), File::Mode::Read)) return false;
  // A damaged document still shows what it holds, and the start values of the rest; one
  // whose bytes could not all be read is not shown.
  XML xml(prompter_, clock_);
  LineReader reader(file);
  xml.ReadComu(reader);
  if (reader.failed()) {
    // "读取 xml 文件时发生错误!": shown in part, the contact would be saved back shorter.
    prompter_.ShowMessage(Gb("读取 xml 文件时发生错误!"), "xml error", MsgButtons::Ok,
                          MsgIcon::Error);
    return false;
  }
  shown = xml.comu;
  shown_ = AsShown(shown);
  shownStamp_ = file.Stamp();
  current_ = number;
  SetLabel();
  return true;
}

bool AddressBook::Arrived(int number) {
  const bool begun = current_ == counter_.maxid() && shownStamp_.size < 0;
  counter_.Follow(number);
  if (!begun || current_ == counter_.maxid()) return false;
  current_ = counter_.maxid();
  if (label_ != "id:") SetLabel();
  return true;
}

AddressBook::Step AddressBook::Refresh(const ComuRecord& fields, ComuRecord& shown) {
  if (!ChangedOnDisk(counter_.PathOf(current_), shownStamp_) || Changed(fields))
    return Step::Unchanged;
  if (Load(current_, shown)) return Step::Loaded;
  New();
  return Step::Emptied;
}

bool AddressBook::Open(int number, ComuRecord& shown) {
  return number >= 0 && number < counter_.maxid() && Load(number, shown);
}

AddressBook::Step AddressBook::Previous(ComuRecord& shown) {
  if (counter_.maxid() == 0) return Step::Unchanged;
  // Nearest first; from number 0 the nearest is 0 itself, which is loaded again.
  const std::vector<int> numbers = counter_.Existing();
  const int upper = current_ > 0 ? current_ - 1 : 0;
  for (auto it = numbers.rbegin(); it != numbers.rend(); ++it)
    if (*it <= upper && Load(*it, shown)) return Step::Loaded;
  return Step::Unchanged;
}

AddressBook::Step AddressBook::Next(ComuRecord& shown) {
  const int maxid = counter_.maxid();
  if (maxid == 0) return Step::Unchanged;
  if (current_ >= maxid - 1) {
    New();
    return Step::Emptied;
  }
  for (int number : counter_.Existing())
    if (number > current_ && number <= maxid - 1 && Load(number, shown)) return Step::Loaded;
  return Step::Unchanged;
}

void AddressBook::Delete() {
  const std::string path = counter_.PathOf(current_);
  if (prompter_.ShowMessage(Gb("你确实要删除 ") + path + Gb(" 文件吗?"), Gb("确认"),
                            MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
    return;
  // "成功删除 " ... "!", or "删除文件 " ... "时出错,请手动删除."; "信息"
  const bool removed = RemoveFile(path);
  if (removed) shownStamp_ = {};  // saved again, it is written anew without a question
  if (removed && events_) events_->Removed(RecordKind::Contact, current_);
  const std::string text =
      removed ? Gb("成功删除 ") + path + "!" : Gb("删除文件 ") + path + Gb("时出错,请手动删除.");
  prompter_.ShowMessage(text, Gb("信息"), MsgButtons::Ok, MsgIcon::Information);
}

void AddressBook::Close() { counter_.Persist(); }

bool AddressBook::Leave(const ComuRecord& fields) {
  if (!Changed(fields)) return true;
  switch (prompter_.ShowMessage(Gb("保存修改吗?"), "Pimbrel", MsgButtons::YesNoCancel,
                                MsgIcon::Question)) {
    case MsgResult::Yes:
      return Save(fields);
    case MsgResult::No:
      return true;
    default:
      return false;
  }
}

}  // namespace pim
