#include "records/record_counter.h"

#include <algorithm>
#include <limits>

#include "base/file.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "base/prompter.h"
#include "config/config_file.h"

namespace pim {

namespace {

// ASCII letters compared case-blind; the names' other bytes exactly.
bool SameLettersNoCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

RecordCounter::RecordCounter(std::string section, std::string folder, std::string prefix)
    : section_(std::move(section)), folder_(std::move(folder)), prefix_(std::move(prefix)) {}

std::string RecordCounter::PathOf(int number) const {
  return folder_ + "\\" + prefix_ + Format("%d", number) + ".xml";
}

void RecordCounter::Load() {
  int32_t value = 0;
  CConfigFile conf;
  conf.Load(kSettingsPath);
  ScanInt(conf.GetValue(section_, "maxid"), value);
  conf.Close();
  maxid_ = saved_ = written_ = value < 0 ? 0 : value;
  // Files at or above the stored number were saved by a run that never wrote it back, or came
  // from another computer.
  MovePastFiles();
  if (maxid_ != saved_) Write();
}

void RecordCounter::MovePastFiles() {
  const std::vector<int> numbers = Existing();
  if (!numbers.empty() && numbers.back() >= maxid_ &&
      numbers.back() < std::numeric_limits<int>::max())
    maxid_ = numbers.back() + 1;
}

std::vector<int> RecordCounter::Existing() const {
  std::vector<int> numbers;
  for (const std::string& name : ListFolder(folder_)) {
    // Windows file names are case-blind: "N.3.XML" is note 3 and opens as "n.3.xml".
    if (name.size() <= prefix_.size() + 4 ||
        !SameLettersNoCase(name.substr(0, prefix_.size()), prefix_) ||
        !SameLettersNoCase(name.substr(name.size() - 4), ".xml"))
      continue;
    const std::string digits = name.substr(prefix_.size(), name.size() - prefix_.size() - 4);
    int32_t number = -1;
    // Only the names the program writes: plain digits, no leading zeros.
    if (digits.find_first_not_of("0123456789") == std::string::npos &&
        (digits.size() == 1 || digits[0] != '0') && ScanInt(digits, number) &&
        Format("%d", number) == digits)
      numbers.push_back(number);
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  return numbers;
}

bool RecordCounter::TakeFor(int& number, Prompter& prompter) {
  if (number != maxid_) return true;
  MovePastFiles();
  number = maxid_;
  if (maxid_ == std::numeric_limits<int>::max()) {
    prompter.ShowMessage(Gb("编号已用到最大值, 不能再新建记录!"), Gb("警告"), MsgButtons::Ok,
                         MsgIcon::Warning);
    return false;
  }
  Take();
  return true;
}

bool RecordCounter::Reserve(int count, int& first) {
  MovePastFiles();
  if (count < 0 || count > std::numeric_limits<int>::max() - maxid_) return false;
  first = maxid_;
  maxid_ += count;
  if (Write()) return true;
  maxid_ = first;
  return false;
}

bool RecordCounter::Take() {
  if (maxid_ == std::numeric_limits<int>::max()) return false;
  ++maxid_;
  return Write();
}

bool RecordCounter::Persist() { return maxid_ > written_ ? Write() : true; }

bool RecordCounter::Write() {
  const std::string text = Format("%d", maxid_);
  CConfigFile conf;
  if (conf.Load(kSettingsPath) != 1) return false;
  const int set = conf.SetValue(section_, "maxid", text);
  const bool ok =
      set == 1 ? conf.Save() == 1 : AddConfigValue(kSettingsPath, section_, "maxid", text) == 1;
  if (ok) written_ = maxid_;
  return ok;
}

}  // namespace pim
