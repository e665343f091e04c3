// Contacts as CSV: spreadsheets' quoting, Google's and Outlook's layouts, and the files we write.
#include "exchange/charsets.h"
#include "exchange/contact_csv.h"
#include "exchange/csv.h"
#include "exchange_samples.h"
#include "test_support.h"

namespace pim {
namespace {

TEST(Csv, QuotingAsSpreadsheetsWriteIt) {
  const CsvTable t = ParseCsv(
      "a,\"b,1\",\"say "
      "\"\"hi\"\"\",\"two\r\nlines\"\r\nx,,\r\n\r\n\"\"\nlast\rcr,\"q\"tail,mid\"dle",
      ',');
  EXPECT_FALSE(t.cut);
  EXPECT_EQ(t.rows, (std::vector<CsvRow>{{"a", "b,1", "say \"hi\"", "two\r\nlines"},
                                         {"x", "", ""},
                                         {""},
                                         {""},
                                         {"last"},
                                         {"cr", "qtail", "mid\"dle"}}));
  const CsvTable cut = ParseCsv("a,b\r\n1,\"open\r\n", ',');
  EXPECT_TRUE(cut.cut && cut.rows.back() == (CsvRow{"1", "open\r\n"}));

  EXPECT_EQ(GuessSeparator("a;b;\"c,d,e\";f\r\n1,2,3,4,5"), ';');
  EXPECT_EQ(GuessSeparator("a\tb\tc,d"), '\t');
  EXPECT_EQ(GuessSeparator("a,b;c"), ',');

  std::string out;
  for (const std::string& f :
       std::vector<std::string>{"plain", "a,b", "q\"q", "l\nl", " lead", "", Gb("中文")})
    AppendCsvField(out, f), out += ',';
  EXPECT_EQ(out, "plain,\"a,b\",\"q\"\"q\",\"l\nl\",\" lead\",," + Gb("中文") + ",");
}

TEST(ContactCsv, GoogleExportWithMarkLabelsAndSeveralValuesInACell) {
  const std::string file =
      "\xEF\xBB\xBF"
      "First Name,Middle Name,Last Name,Phonetic First Name,Phonetic Middle Name,"
      "Phonetic Last Name,Name Prefix,Name Suffix,Nickname,File As,Organization Name,"
      "Organization Title,Organization Department,Birthday,Notes,Photo,Labels,"
      "E-mail 1 - Label,E-mail 1 - Value,E-mail 2 - Label,E-mail 2 - Value,Phone 1 - Label,"
      "Phone 1 - Value,Phone 2 - Label,Phone 2 - Value,Address 1 - Label,Address 1 - Formatted,"
      "Address 1 - Street,Address 1 - City,Address 1 - PO Box,Address 1 - Region,"
      "Address 1 - Postal Code,Address 1 - Country,Address 1 - Extended Address,"
      "Website 1 - Label,Website 1 - Value,IM 1 - Label,IM 1 - Service,IM 1 - Value,"
      "Custom Field 1 - Label,Custom Field 1 - Value\r\n"
      // 三 with the family name 张, two numbers in one cell, a note of two lines.
      "三,,张,San,,Zhang,,,小张,,示例公司,经理,,--07-09,\"第一行\n第二行\",https://photo.example/1,"
      "* myContacts ::: 同事 ::: Golf,* Work,zs@example.com,Home,zs@home.example,Mobile,"
      "138 0013 8000 ::: 139 0013 9000,Work Fax,010-1234,Home,\"北京市\n朝阳区\",建国路1号,"
      "朝阳区,,北京市,100022,中国,,Blog,https://blog.example,Other,QQ,10001,Shoe size,42\r\n"
      ",,,,,,,,,,,,,,,,* myContacts,* ,nobody@example.com,,,,,,,,,,,,,,,,,,,,,,,\r\n"
      ",,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,\r\n";
  const ContactImport report = ReadContactsCsv(file);
  ASSERT_EQ(report.error, ImportError::None);
  ASSERT_EQ(report.contacts.size(), 1u);
  EXPECT_EQ(
      test::Fields(report.contacts[0]),
      Gb("name=张三; class_=1; sex=1; birthday=/6/8; telHandset=138 0013 8000; "
         "email=zs@example.com; email2=zs@home.example; homepage=https://blog.example; "
         "oicq=10001; address=中国北京市朝阳区建国路1号; postnumber=100022; "
         "note=第一行\r\n第二行\r\n读音：San\r\n读音：Zhang\r\n昵称：小张\r\n单位：示例公司\r\n"
         "职务：经理\r\n类别：Golf\r\nShoe size：42\r\n手机：139 0013 9000\r\n"
         "传真(公)：010-1234"));
  EXPECT_EQ(report.photos, 1);
  // The row without a name is told; the empty one is no row at all.
  ASSERT_EQ(report.skipped.size(), 1u);
  EXPECT_EQ(std::pair(report.skipped[0].position, report.skipped[0].reason),
            std::pair(2, SkipReason::NoName));
}

// Outlook writes every column it has, most of them empty or with its defaults.
const char* const kOutlookHeader =
    "\"Title\",\"First Name\",\"Middle Name\",\"Last Name\",\"Suffix\",\"Company\","
    "\"Department\",\"Job Title\",\"Business Street\",\"Business Street 2\",\"Business City\","
    "\"Business State\",\"Business Postal Code\",\"Business Country/Region\",\"Home Street\","
    "\"Home City\",\"Home Postal Code\",\"Business Fax\",\"Business Phone\",\"Home Phone\","
    "\"Mobile Phone\",\"Pager\",\"Car Phone\",\"Anniversary\",\"Birthday\",\"Categories\","
    "\"E-mail Address\",\"E-mail Type\",\"E-mail Display Name\",\"E-mail 2 Address\","
    "\"Gender\",\"Notes\",\"Priority\",\"Private\",\"Sensitivity\",\"Web Page\"\r\n";

TEST(ContactCsv, GooglesOlderLayoutAndOutlookInEnglishAndChineseReadFieldByField) {
  const std::pair<std::string, std::string> cases[] = {
      {"Name,Given Name,Additional Name,Family Name,Birthday,Gender,Group Membership,"
       "E-mail 1 - Type,E-mail 1 - Value,Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,"
       "Phone 2 - Value,Website 1 - Type,Website 1 - Value\n"
       "Ada Lovelace,Ada,,Lovelace,1815-12-10,female,* My Contacts ::: Friends,* Home,"
       "ada@example.com,Pager,5550100,Main,5550101,Home Page,http://ada.example\n",
       Gb("name=Ada Lovelace; class_=-1; sex=0; birthday=1815/11/9; telHandset=5550101; "
          "telBP=5550100; email=ada@example.com; homepage=http://ada.example; "
          "note=类别：Friends")},
      {kOutlookHeader +
           std::string("\"Dr.\",\"John\",\"Q.\",\"Public\",\"Jr.\",\"Acme\","
                       "\"R&D\",\"Lead\",\"1 Main St\",\"Suite "
                       "2\",\"Springfield\",\"IL\",\"62701\",\"USA\","
                       "\"\",\"\",\"\",\"555-0104\",\"555-0101\",\"555-0102\",\"555-0103\","
                       "\"\",\"555-0105\",\"0/0/00\",\"3/15/1980\",\"同学;VIP\","
                       "\"jq@acme.example\",\"SMTP\",\"John Public (jq@acme.example)\",\"\","
                       "\"Unspecified\",\"Likes \"\"tea\"\"\",\"Normal\",\"False\",\"Normal\","
                       "\"acme.example\"\r\n"),
       Gb("name=Dr. John Q. Public Jr.; class_=2; sex=1; birthday=1980/2/14; "
          "telOffice=555-0101; telHome=555-0102; telHandset=555-0103; email=jq@acme.example; "
          "companyweb=acme.example; address=1 Main St Suite 2, Springfield, IL, USA; "
          "postnumber=62701; note=Likes \"tea\"\r\n单位：Acme\r\n部门：R&D\r\n职务：Lead\r\n"
          "传真(公)：555-0104\r\nCar Phone：555-0105\r\n类别：VIP")},
      // Outlook's Chinese columns, in GBK.
      {Gb("姓,名,商务电话,移动电话,住宅地址 街道,住宅地址 邮政编码,电子邮件地址,电子邮件 2 地址,"
          "生日,性别,类别,附注,网页\r\n"
          "欧阳,修,010-5555,13900000000,醉翁亭路1号,239000,ouyang@example.cn,xiu@example.cn,"
          "1007/8/1,男,老师,\"宋代\r\n文学家\",http://ouyang.example\r\n"),
       Gb("name=欧阳修; class_=3; sex=1; birthday=1007/7/0; telOffice=010-5555; "
          "telHandset=13900000000; email=ouyang@example.cn; email2=xiu@example.cn; "
          "companyweb=http://ouyang.example; address=醉翁亭路1号; postnumber=239000; "
          "note=宋代\r\n文学家")}};
  for (const auto& [file, fields] : cases) {
    const ContactImport report = ReadContactsCsv(file);
    ASSERT_EQ(report.contacts.size(), 1u) << file;
    EXPECT_EQ(test::Fields(report.contacts[0]), fields) << file;
  }
  // Excel's "Unicode text": UTF-16 LE with its mark, TABs, the family name last as named.
  const ContactImport excel =
      ReadContactsCsv(test::Utf16(u"First Name\tLast Name\tMobile Phone\r\n鲁\t迅\t1881\r\n"));
  ASSERT_EQ(excel.contacts.size(), 1u);
  EXPECT_EQ(excel.contacts[0].name + "|" + excel.contacts[0].telHandset, Gb("迅鲁|1881"));
}

TEST(ContactCsv, FilesThatAreNoContactList) {
  EXPECT_EQ(ReadContactsCsv("").error, ImportError::NotContacts);
  EXPECT_EQ(ReadContactsCsv("Date,Amount\r\n2024-01-01,3\r\n").error, ImportError::NotContacts);
  EXPECT_EQ(ReadContactsCsv(std::string("PK\3\4\0\0\x14\0", 8)).error, ImportError::NotText);
  const ContactImport cut = ReadContactsCsv("Name,Notes\r\nA,x\r\nB,\"open\r\nC,y\r\n");
  ASSERT_EQ(std::pair(cut.contacts.size(), cut.skipped.size()), std::pair(size_t{1}, size_t{1}));
  EXPECT_EQ(std::pair(cut.skipped[0].position, cut.skipped[0].reason),
            std::pair(2, SkipReason::Unterminated));
}

TEST(ContactCsv, OutlookFileWeWriteAndBothLayoutsComeBackFieldForField) {
  std::vector<ComuRecord> contacts = {test::SampleContact()};
  const std::string utf8 = WriteContactsCsv(contacts, CsvLayout::Outlook, CsvEncoding::Utf8);
  EXPECT_EQ(utf8,
            "\xEF\xBB\xBF"
            "First Name,Middle Name,Last Name,Business Phone,Home Phone,Mobile Phone,Pager,"
            "E-mail Address,E-mail 2 Address,Web Page,Personal Web Page,Home Street,"
            "Home Postal Code,Birthday,Gender,Categories,Notes,QQ,ICQ\r\n" +
                Utf8FromText(Gb("钱七") + "\x95\x34\xB2\x35") +
                ",,,1,2,3,4,a@b.c,d@e.f,\"http://w/a,b\",http://h,\"" +
                Utf8FromText(Gb("路\"\"1\"\"号;\\")) + "\",100080,1990-01-31,Female," +
                Utf8FromText(Gb("亲属")) + ",\"" + Utf8FromText(Gb("两行\r\n备注")) + "\",5,6\r\n");

  // GBK cannot hold 𠮷: the contact is named before, and "?" stands in the file.
  EXPECT_EQ(ContactsBeyondGbk(contacts), (std::vector<size_t>{0}));
  EXPECT_EQ(ContactsBeyondGbk(std::vector<ComuRecord>{ComuRecord{}}), (std::vector<size_t>{}));
  const std::string gbk = WriteContactsCsv(contacts, CsvLayout::Outlook, CsvEncoding::Gbk);
  EXPECT_NE(gbk.find("\r\n" + Gb("钱七") + "?,"), std::string::npos);
  EXPECT_FALSE(BeyondGbk(gbk));

  contacts.resize(6, test::SampleContact());
  contacts[1].birthYear = "";  // no year
  contacts[1].email = "";      // the second e-mail alone keeps its column
  contacts[2].birthMonth = contacts[2].birthDay = -1;
  contacts[2].birthYear = "2001";
  contacts[2].class_ = -1;
  contacts[3].address = "";  // a postal code alone
  contacts[3].name = "Ann Lee";
  // Years Google's date form cannot carry: beside a day without its month, and short.
  contacts[4].birthYear = "1007", contacts[4].birthMonth = -1;
  contacts[5].birthYear = "7", contacts[5].birthDay = -1;
  for (CsvLayout layout : {CsvLayout::Google, CsvLayout::Outlook}) {
    const ContactImport back =
        ReadContactsCsv(WriteContactsCsv(contacts, layout, CsvEncoding::Utf8));
    ASSERT_EQ(back.contacts.size(), contacts.size());
    for (size_t i = 0; i < contacts.size(); ++i)
      EXPECT_EQ(back.contacts[i], contacts[i]) << static_cast<int>(layout) << " " << i;
  }
}

}  // namespace
}  // namespace pim
