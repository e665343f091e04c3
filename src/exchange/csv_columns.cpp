#include "exchange/csv_columns.h"

#include <map>
#include <string_view>

#include "base/gb18030.h"
#include "base/gbk.h"

namespace pim {

namespace {

struct Named {
  const char* english;
  const char* chinese;  // or nullptr
  CsvColumn::Kind kind;
  unsigned types;
  int part;
  const char* label;  // Extra's label, UTF-8
};

// Outlook's columns by their English and Chinese names, Google's fixed ones, Thunderbird's
// and the few our own files add.
constexpr Named kNamed[] = {
    {"Name", "姓名", CsvColumn::FullName, 0, 0, nullptr},
    {"Display Name", "显示名称", CsvColumn::FullName, 0, 0, nullptr},
    {"First Name", "名", CsvColumn::NamePart, 0, 1, nullptr},
    {"Given Name", nullptr, CsvColumn::NamePart, 0, 1, nullptr},
    {"Middle Name", "中间名", CsvColumn::NamePart, 0, 2, nullptr},
    {"Additional Name", nullptr, CsvColumn::NamePart, 0, 2, nullptr},
    {"Last Name", "姓", CsvColumn::NamePart, 0, 0, nullptr},
    {"Family Name", nullptr, CsvColumn::NamePart, 0, 0, nullptr},
    {"Title", "称谓", CsvColumn::NamePart, 0, 3, nullptr},
    {"Name Prefix", "英文称谓", CsvColumn::NamePart, 0, 3, nullptr},
    {"Suffix", "后缀", CsvColumn::NamePart, 0, 4, nullptr},
    {"Name Suffix", "中文称谓", CsvColumn::NamePart, 0, 4, nullptr},
    {"Business Phone", "商务电话", CsvColumn::Tel, kTypeWork, 0, nullptr},
    {"Business Phone 2", "商务电话 2", CsvColumn::Tel, kTypeWork, 0, nullptr},
    {"Work Phone", "工作电话", CsvColumn::Tel, kTypeWork, 0, nullptr},
    {"Home Phone", "住宅电话", CsvColumn::Tel, kTypeHome, 0, nullptr},
    {"Home Phone 2", "住宅电话 2", CsvColumn::Tel, kTypeHome, 0, nullptr},
    {"Mobile Phone", "移动电话", CsvColumn::Tel, kTypeCell, 0, nullptr},
    {"Mobile Number", "手机", CsvColumn::Tel, kTypeCell, 0, nullptr},
    {"Pager", "寻呼机", CsvColumn::Tel, kTypePager, 0, nullptr},
    {"Pager Number", "传呼", CsvColumn::Tel, kTypePager, 0, nullptr},
    {"Business Fax", "商务传真", CsvColumn::Tel, kTypeWork | kTypeFax, 0, nullptr},
    {"Home Fax", "住宅传真", CsvColumn::Tel, kTypeHome | kTypeFax, 0, nullptr},
    {"Other Fax", "其他传真", CsvColumn::Tel, kTypeFax, 0, nullptr},
    {"Fax Number", "传真", CsvColumn::Tel, kTypeFax, 0, nullptr},
    {"Primary Phone", "主要电话", CsvColumn::Tel, 0, 0, nullptr},
    {"Other Phone", "其他电话", CsvColumn::Tel, 0, 0, nullptr},
    {"E-mail Address", "电子邮件地址", CsvColumn::Email, 0, 1, nullptr},
    {"Primary Email", nullptr, CsvColumn::Email, 0, 1, nullptr},
    {"E-mail 2 Address", "电子邮件 2 地址", CsvColumn::Email, 0, 2, nullptr},
    {"Secondary Email", nullptr, CsvColumn::Email, 0, 2, nullptr},
    {"E-mail 3 Address", "电子邮件 3 地址", CsvColumn::Email, 0, 0, nullptr},
    {"Web Page", "网页", CsvColumn::Url, kTypeWork, 0, nullptr},
    {"Web Page 1", nullptr, CsvColumn::Url, kTypeWork, 0, nullptr},
    {"Personal Web Page", "个人网页", CsvColumn::Url, kTypeHome, 0, nullptr},
    {"Web Page 2", nullptr, CsvColumn::Url, kTypeHome, 0, nullptr},
    {"Birthday", "生日", CsvColumn::Birthday, 0, 0, nullptr},
    {"Anniversary", "纪念日", CsvColumn::DateExtra, 0, 0, "纪念日"},
    {"Gender", "性别", CsvColumn::Gender, 0, 0, nullptr},
    {"Categories", "类别", CsvColumn::Categories, 0, 0, nullptr},
    {"Labels", "标签", CsvColumn::Labels, 0, 0, nullptr},
    {"Group Membership", nullptr, CsvColumn::Labels, 0, 0, nullptr},
    {"Notes", "附注", CsvColumn::Note, 0, 0, nullptr},
    {"Note", "备注", CsvColumn::Note, 0, 0, nullptr},
    {"QQ", "OICQ", CsvColumn::Qq, 0, 0, nullptr},
    {"ICQ", nullptr, CsvColumn::Icq, 0, 0, nullptr},
    {"Company", "单位", CsvColumn::Extra, 0, 0, "单位"},
    {"Organization", "公司", CsvColumn::Extra, 0, 0, "单位"},
    {"Organization Name", nullptr, CsvColumn::Extra, 0, 0, "单位"},
    {"Department", "部门", CsvColumn::Extra, 0, 0, "部门"},
    {"Organization Department", nullptr, CsvColumn::Extra, 0, 0, "部门"},
    {"Job Title", "职务", CsvColumn::Extra, 0, 0, "职务"},
    {"Organization Title", nullptr, CsvColumn::Extra, 0, 0, "职务"},
    {"Nickname", "昵称", CsvColumn::Extra, 0, 0, "昵称"},
    {"Spouse", "配偶", CsvColumn::Extra, 0, 0, "配偶"},
    {"IMAddress", nullptr, CsvColumn::Extra, 0, 0, "即时通讯"},
    {"Photo", "照片", CsvColumn::Photo, 0, 0, nullptr},
    {"Priority", "优先级", CsvColumn::Ignore, 0, 0, nullptr},
    {"Sensitivity", "敏感度", CsvColumn::Ignore, 0, 0, nullptr},
    {"Private", "私有", CsvColumn::Ignore, 0, 0, nullptr},
    {"Initials", "缩写", CsvColumn::Ignore, 0, 0, nullptr},
    {"File As", nullptr, CsvColumn::Ignore, 0, 0, nullptr},
    {"Internet Free Busy", "Internet 忙闲", CsvColumn::Ignore, 0, 0, nullptr},
    {"E-mail Type", "电子邮件类型", CsvColumn::Ignore, 0, 0, nullptr},
    {"E-mail Display Name", "电子邮件显示名称", CsvColumn::Ignore, 0, 0, nullptr},
    {"E-mail 2 Type", "电子邮件 2 类型", CsvColumn::Ignore, 0, 0, nullptr},
    {"E-mail 2 Display Name", "电子邮件 2 显示名称", CsvColumn::Ignore, 0, 0, nullptr},
    {"E-mail 3 Type", "电子邮件 3 类型", CsvColumn::Ignore, 0, 0, nullptr},
    {"E-mail 3 Display Name", "电子邮件 3 显示名称", CsvColumn::Ignore, 0, 0, nullptr},
    {nullptr, "电子邮件 2 显示名", CsvColumn::Ignore, 0, 0, nullptr},
    {nullptr, "电子邮件 3 显示名", CsvColumn::Ignore, 0, 0, nullptr},
};

// Outlook's three addresses and Thunderbird's two, part by part.
struct AddressCsvColumns {
  const char* english;
  const char* chinese;
  unsigned types;
  int group;
};
constexpr AddressCsvColumns kAddresses[] = {
    {"Business", "商务地址", kTypeWork, 1},
    {"Home", "住宅地址", kTypeHome, 2},
    {"Other", "其他地址", 0, 3},
    {"Work", nullptr, kTypeWork, 1},
};
constexpr struct {
  const char* english;
  const char* chinese;
  int part;
} kAddressParts[] = {
    {" Street", " 街道", 2},        {" Street 2", " 街道 2", 2},
    {" Street 3", " 街道 3", 2},    {" Address", nullptr, 2},
    {" Address 2", nullptr, 2},     {" City", " 市/县", 3},
    {" State", " 省/市/自治区", 4}, {" Postal Code", " 邮政编码", 5},
    {" ZipCode", nullptr, 5},       {" Country/Region", " 国家/地区", 6},
    {" Country", nullptr, 6},       {" Address PO Box", " - 邮箱", 0},
};

const std::map<std::string, CsvColumn>& FixedCsvColumns() {
  static const std::map<std::string, CsvColumn> columns = [] {
    std::map<std::string, CsvColumn> m;
    const auto add = [&](const char* name, const CsvColumn& c) {
      if (name) m.emplace(Gb(name), c);
    };
    for (const Named& n : kNamed) {
      CsvColumn c;
      c.kind = n.kind;
      c.types = n.types;
      c.part = n.part;
      if (n.label) c.label = Gb(n.label);
      add(n.english, c);
      add(n.chinese, c);
    }
    for (const AddressCsvColumns& a : kAddresses) {
      for (const auto& p : kAddressParts) {
        CsvColumn c;
        c.kind = CsvColumn::AdrPart;
        c.types = a.types;
        c.group = a.group;
        c.part = p.part;
        m.emplace(std::string(a.english) + p.english, c);
        if (a.chinese && p.chinese) m.emplace(Gb(a.chinese) + Gb(p.chinese), c);
      }
    }
    return m;
  }();
  return columns;
}

// "Phone 1 - Value" and the like: Google's numbered columns.
bool GoogleCsvColumn(std::string_view header, CsvColumn& column) {
  const size_t dash = header.find(" - ");
  if (dash == std::string_view::npos) return false;
  const std::string_view head = header.substr(0, dash);
  const size_t space = head.rfind(' ');
  if (space == std::string_view::npos) return false;
  int n = 0;
  for (char c : head.substr(space + 1)) {
    if (c < '0' || c > '9' || n > 1000) return false;
    n = n * 10 + (c - '0');
  }
  column.kind = CsvColumn::Google;
  column.googleKind = head.substr(0, space);
  column.group = n;
  column.sub = header.substr(dash + 3);
  if (column.sub == "Type") column.sub = "Label";
  return true;
}

}  // namespace

CsvColumn ResolveCsvColumn(const std::string& header) {
  const auto& fixed = FixedCsvColumns();
  if (const auto found = fixed.find(header); found != fixed.end()) return found->second;
  CsvColumn column;
  if (GoogleCsvColumn(header, column)) return column;
  if (header.starts_with("Phonetic") || header.find("Yomi") != std::string::npos) {
    column.kind = CsvColumn::Extra;
    column.label = Gb("读音");
    return column;
  }
  column.label = header;
  return column;
}

}  // namespace pim
