#include "contacts/address_book.h"

#include "base/atomic_file.h"
#include "base/file.h"
#include "base/gbk.h"
#include "base/line_reader.h"

namespace pim {

namespace {
RecordCounter Contacts() { return RecordCounter("COMU", "communication", "com."); }
}  // namespace

std::string ContactPath(int number) { return Contacts().PathOf(number); }

AddressBook::AddressBook(Prompter& prompter, ContactsObserver* observer)
    : prompter_(prompter), observer_(observer), counter_(Contacts()) {}

void AddressBook::Initialise() {
  counter_.Load();
  current_ = counter_.maxid();
  label_ = "id:";
}

void AddressBook::SetLabel() { label_ = Format("%d:", current_); }

void AddressBook::New() {
  current_ = counter_.maxid();
  SetLabel();
}

bool AddressBook::Save(const ComuRecord& entry) {
  const std::string path = counter_.PathOf(current_);
  // Taken before writing, so a number is never handed out twice, even after a failure.
  if (current_ == counter_.maxid()) counter_.Take();
  XML xml(prompter_, clock_);
  xml.comu = entry;
  std::string bytes;
  xml.WriteComu(bytes);
  if (!WriteFileAtomic(path, bytes)) {
    prompter_.ShowMessage("Can`t Open " + path + " to write!", path, MsgButtons::Ok);
    return false;
  }
  prompter_.ShowMessage("Message send to " + path + " Sucesful!", "notice", MsgButtons::Ok,
                        MsgIcon::Information);
  SetLabel();
  return true;
}

bool AddressBook::Load(int number, ComuRecord& shown) {
  File file;
  if (!file.Open(counter_.PathOf(number), File::Mode::Read)) return false;
  // A document that cannot be read to its end still shows what was read, and the start
  // values of the rest.
  XML xml(prompter_, clock_);
  LineReader reader(file);
  xml.ReadComu(reader);
  shown = xml.comu;
  current_ = number;
  SetLabel();
  return true;
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
  // "你确实要删除 " ... " 文件吗?", "确认"
  if (prompter_.ShowMessage(
          "\xC4\xE3\xC8\xB7\xCA\xB5\xD2\xAA\xC9\xBE\xB3\xFD " + path + " \xCE\xC4\xBC\xFE\xC2\xF0?",
          "\xC8\xB7\xC8\xCF", MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
    return;
  // "成功删除 " ... "!", or "删除文件 " ... "时出错,请手动删除."; "信息"
  const bool removed = RemoveFile(path);
  if (removed && observer_) observer_->ContactDeleted(current_);
  const std::string text =
      removed ? "\xB3\xC9\xB9\xA6\xC9\xBE\xB3\xFD " + path + "!"
              : "\xC9\xBE\xB3\xFD\xCE\xC4\xBC\xFE " + path +
                    "\xCA\xB1\xB3\xF6\xB4\xED,\xC7\xEB\xCA\xD6\xB6\xAF\xC9\xBE\xB3\xFD.";
  prompter_.ShowMessage(text, "\xD0\xC5\xCF\xA2", MsgButtons::Ok, MsgIcon::Information);
}

void AddressBook::Close() { counter_.Persist(); }

void AddressBook::ShowSearchMessage() {
  prompter_.ShowMessage("Sorry,The search not support in this version!", "info", MsgButtons::Ok,
                        MsgIcon::Information);
}

}  // namespace pim
