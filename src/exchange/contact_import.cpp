#include "exchange/contact_import.h"

#include <unordered_map>

#include "base/gb18030.h"
#include "base/gbk.h"
#include "exchange/contact_draft.h"

namespace pim {

namespace {

const std::string kIdeographicSpace = Gb("　");

// The name without blanks and with ASCII letters in lower case.
std::string NameKey(std::string_view name) {
  std::string key;
  for (size_t i = 0; i < name.size();) {
    const size_t size = GbCharSize(name, i);
    const std::string_view c = name.substr(i, size);
    i += size;
    if (c == " " || c == "\t" || c == kIdeographicSpace) continue;
    if (size == 1 && c[0] >= 'A' && c[0] <= 'Z')
      key.push_back(static_cast<char>(c[0] + 32));
    else
      key.append(c);
  }
  return key;
}

std::string Digits(std::string_view phone) {
  std::string d;
  for (char c : phone)
    if (c >= '0' && c <= '9') d.push_back(c);
  return d;
}

// One number written with or without its country and trunk prefixes.
bool SamePhone(std::string_view a, std::string_view b) {
  const std::string x = Digits(a), y = Digits(b);
  const std::string& shorter = x.size() <= y.size() ? x : y;
  const std::string& longer = x.size() <= y.size() ? y : x;
  return shorter.size() >= 7 && longer.ends_with(shorter);
}

std::string MailKey(std::string_view mail) {
  std::string key(TrimText(mail));
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return key;
}

}  // namespace

bool LooksAlike(const ComuRecord& a, const ComuRecord& b) {
  const std::string name = NameKey(a.name);
  if (name.empty() || name != NameKey(b.name)) return false;
  for (const std::string* x : {&a.telOffice, &a.telHome, &a.telHandset, &a.telBP})
    for (const std::string* y : {&b.telOffice, &b.telHome, &b.telHandset, &b.telBP})
      if (SamePhone(*x, *y)) return true;
  for (const std::string* x : {&a.email, &a.email2}) {
    const std::string key = MailKey(*x);
    if (!key.empty() && (key == MailKey(b.email) || key == MailKey(b.email2))) return true;
  }
  return false;
}

std::vector<size_t> LikelyDuplicates(std::span<const ComuRecord> book,
                                     std::span<const ComuRecord> incoming) {
  std::unordered_multimap<std::string, size_t> byName;
  byName.reserve(book.size());
  for (size_t i = 0; i < book.size(); ++i) byName.emplace(NameKey(book[i].name), i);
  std::vector<size_t> found;
  for (size_t i = 0; i < incoming.size(); ++i) {
    const auto [first, last] = byName.equal_range(NameKey(incoming[i].name));
    for (auto it = first; it != last; ++it) {
      if (LooksAlike(book[it->second], incoming[i])) {
        found.push_back(i);
        break;
      }
    }
  }
  return found;
}

std::string ImportErrorText(ImportError error) {
  switch (error) {
    case ImportError::None:
      break;
    case ImportError::TooLarge:
      return Gb("文件太大（超过 256 MB），没有导入。");
    case ImportError::NotContacts:
      return Gb("文件中没有找到联系人：它不是 vCard 文件，也不是带姓名列的 CSV 文件。");
    case ImportError::NotText:
      return Gb("无法识别文件的编码，没有导入。");
  }
  return {};
}

std::string SkipReasonText(SkipReason reason) {
  switch (reason) {
    case SkipReason::NoName:
      return Gb("没有姓名");
    case SkipReason::Unterminated:
      return Gb("文件在这个联系人中间结束，文件可能已损坏");
  }
  return {};
}

std::string ImportSummary(const ContactImport& report, int imported, int duplicates) {
  const int skipped = static_cast<int>(report.skipped.size()) + duplicates;
  const auto count = [](int n) { return std::to_string(n) + Gb(" 个"); };
  std::string text = Gb("导入 ") + count(imported) + Gb("联系人，跳过 ") + count(skipped);
  const auto line = [&](int n, const char* what) {
    if (n > 0) text += "\r\n" + Gb(what) + Gb("：") + count(n);
  };
  int noName = 0, cut = 0;
  for (const SkippedContact& s : report.skipped) ++(s.reason == SkipReason::NoName ? noName : cut);
  line(noName, "没有姓名");
  line(cut, "文件在联系人中间结束，文件可能已损坏");
  line(duplicates, "与通讯录中已有的联系人相同");
  line(report.photos, "照片和声音没有导入");
  line(report.keys, "密钥没有导入");
  line(report.lineBreaks, "换行改为“；”的字段");
  line(report.closingTags, "“<”“>”改为“＜”“＞”的字段");
  line(report.replacedChars, "无法识别、改为“?”的字符");
  line(report.unknownCharsets, "字符集未知、按 UTF-8 读取的字段");
  return text;
}

}  // namespace pim
