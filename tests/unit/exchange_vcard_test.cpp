// vCards in and out: the exports of phones and mail programs field by field, character sets,
// damaged files, the file we write, and 1,000 contacts through a write and a read.
#include "exchange/charsets.h"
#include "exchange/contact_draft.h"
#include "exchange/vcard.h"
#include "exchange_samples.h"
#include "test_support.h"

namespace pim {
namespace {

// Quoted-printable as phones write it: every byte beyond ASCII as =XX.
std::string Qp(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes)
    out += c >= 0x80 || c == '=' ? Format("=%02X", c) : std::string(1, c);
  return out;
}

ComuRecord Only(const ContactImport& report) {
  EXPECT_EQ(report.error, ImportError::None);
  EXPECT_EQ(report.contacts.size(), 1u);
  return report.contacts.empty() ? ComuRecord{} : report.contacts[0];
}

std::vector<std::string> Names(const ContactImport& report) {
  std::vector<std::string> names;
  for (const ComuRecord& c : report.contacts) names.push_back(c.name);
  return names;
}

TEST(VCardImport, CardsOfPhonesAndMailProgramsReadFieldByField) {
  // The pictures counted, the card, and its fields read.
  const std::tuple<int, std::string, std::string> cases[] = {
      // Android, version 2.1 in quoted-printable: a note cut by two soft breaks, the second in
      // the middle of a character. No gender: the format's default (male) stays.
      {1,
       "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:" + Qp("张") + ";" +
           Qp("三") + ";;;\r\nFN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:" + Qp("张三") +
           "\r\nX-ANDROID-CUSTOM:vnd.android.cursor.item/nickname;Sam;1;;;;;;;;;;;;;\r\n"
           "TEL;CELL:138 0013 8000\r\nTEL;HOME:010-6275 1234\r\nTEL;WORK;PREF:010-8888 6666\r\n"
           "TEL;CELL:139 1111 2222\r\nEMAIL;HOME:zhangsan@example.cn\r\n"
           "ADR;HOME;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;;" +
           Qp("中关村大街1号") + ";" + Qp("北京") + ";;100080;" + Qp("中国") +
           "\r\nNOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:" + Qp("第一行") + "=0A" + Qp("第二") +
           "=\r\n" + Qp("行").substr(0, 6) + "=\r\n" + Qp("行").substr(6) +
           "\r\nX-QQ:123456\r\nBDAY:1985-07-09\r\n"
           "PHOTO;ENCODING=BASE64;JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD\r\n "
           "AAAQABAAD/2wBDAAgGBgcGBQg\r\n\r\n"
           "END:VCARD\r\n",
       Gb("name=张三; class_=-1; sex=1; birthday=1985/6/8; telOffice=010-8888 6666; "
          "telHome=010-6275 1234; telHandset=138 0013 8000; email=zhangsan@example.cn; "
          "oicq=123456; address=中国北京中关村大街1号; postnumber=100080; "
          "note=第一行\r\n第二行\r\n昵称：Sam\r\n手机：139 1111 2222")},
      // iPhone: groups, labels and a birthday without its year. "Main" has no field: the next
      // one free, the office's.
      {1, R"(BEGIN:VCARD
VERSION:3.0
PRODID:-//Apple Inc.//iPhone OS 17.2//EN
N:李;四;;;
FN:李四
ORG:示例公司;研发部;
TITLE:工程师
item1.EMAIL;type=INTERNET;type=pref:lisi@example.com
item2.EMAIL;type=INTERNET:si.li@example.org
EMAIL;type=INTERNET:third@example.net
TEL;type=CELL;type=VOICE;type=pref:+86 139 0000 0000
TEL;type=IPHONE;type=CELL;type=VOICE:+86 137 0000 0000
item3.TEL:+86 10 1234 5678
item3.X-ABLabel:_$!<Main>!$_
item4.URL;type=pref:https://lisi.example
item4.X-ABLabel:_$!<HomePage>!$_
IMPP;X-SERVICE-TYPE=QQ;type=HOME;type=pref:x-apple:88886666
BDAY;X-APPLE-OMIT-YEAR=1604:1604-02-29
item5.ADR;type=HOME;type=pref:;;望京街10号;北京;北京;100102;中国
item5.X-ABADR:cn
NOTE:见面：咖啡馆\n周五
PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD
 /2wCEAAgGBgcGBQgHBwcJCQgKDBQNDAsLDBkSEw8UHRofHh0aHBwgJC4nICIsIxwcKDcpLDAx
END:VCARD
)",
       Gb("name=李四; class_=-1; sex=1; birthday=/1/28; telOffice=+86 10 1234 5678; "
          "telHandset=+86 139 0000 0000; email=lisi@example.com; email2=si.li@example.org; "
          "homepage=https://lisi.example; oicq=88886666; address=中国北京北京望京街10号; "
          "postnumber=100102; note=见面：咖啡馆\r\n周五\r\n单位：示例公司 "
          "研发部\r\n职务：工程师\r\n"
          "E-mail：third@example.net\r\n手机：+86 137 0000 0000")},
      // Outlook, version 2.1 in GB2312: X-WAB-GENDER 1 is female; the formatted LABEL only
      // repeats the address.
      {0,
       "BEGIN:VCARD\r\nVERSION:2.1\r\nN;LANGUAGE=zh-cn;CHARSET=gb2312:" + Gb("王;五") +
           "\r\nFN;CHARSET=gb2312:" + Gb("王五") + "\r\nORG;CHARSET=gb2312:" + Gb("某某有限公司") +
           "\r\nTEL;WORK;VOICE:(010) 5555-0101\r\nTEL;HOME;VOICE:(010) 5555-0102\r\n"
           "TEL;CELL;VOICE:135-5555-0103\r\nTEL;WORK;FAX:(010) 5555-0104\r\n"
           "ADR;WORK;PREF;CHARSET=gb2312:;;" +
           Gb("建国路88号;北京") + ";;100022;" + Gb("中国") +
           "\r\nLABEL;WORK;PREF;CHARSET=gb2312;ENCODING=QUOTED-PRINTABLE:" + Qp(Gb("建国路88号")) +
           "=0D=0A=\r\n" + Qp(Gb("北京")) +
           " 100022\r\n"
           "X-MS-OL-DEFAULT-POSTAL-ADDRESS:2\r\nURL;WORK:http://www.example.com.cn\r\n"
           "EMAIL;PREF;INTERNET:wangwu@example.com.cn\r\nX-MS-IMADDRESS:wangwu@im.example\r\n"
           "BDAY:19790101\r\nX-MS-OL-DESIGN;CHARSET=utf-8:<card xmlns=\"http://schemas.example/"
           "cards\" ver=\"1.0\"><fld prop=\"name\"/></card>\r\nX-WAB-GENDER:1\r\n"
           "REV:20240105T093000Z\r\nEND:VCARD\r\n",
       Gb("name=王五; class_=-1; sex=0; birthday=1979/0/0; telOffice=(010) 5555-0101; "
          "telHome=(010) 5555-0102; telHandset=135-5555-0103; email=wangwu@example.com.cn; "
          "companyweb=http://www.example.com.cn; address=中国北京建国路88号; "
          "postnumber=100022; note=单位：某某有限公司\r\n传真(公)：(010) 5555-0104\r\n"
          "即时通讯：wangwu@im.example")},
      // Thunderbird, version 4.0: PREF=1 comes first.
      {0, R"(BEGIN:VCARD
VERSION:4.0
FN:Grace Hopper
N:Hopper;Grace;Brewster;;
EMAIL;PREF=2:grace@example.com
EMAIL;PREF=1:ghopper@example.org
TEL;TYPE=work;VALUE=TEXT:+1 555 0100
TEL;TYPE="cell,voice";VALUE=uri:tel:+1-555-0101
TEL;TYPE=pager;VALUE=TEXT:+1 555 0102
ADR;TYPE=work:;;1 Navy Way;Arlington;VA;22201;USA
BDAY;VALUE=DATE:19061209
ANNIVERSARY;VALUE=DATE:--0709
URL;TYPE=work;VALUE=URL:https://navy.example
GENDER:F;woman
NOTE:COBOL\nand compilers
UID:urn:uuid:0b3c7a1e-0000-4000-8000-000000000001
END:VCARD
)",
       Gb("name=Grace Hopper; class_=-1; sex=0; birthday=1906/11/8; telOffice=+1 555 0100; "
          "telHandset=+1-555-0101; telBP=+1 555 0102; email=ghopper@example.org; "
          "email2=grace@example.com; companyweb=https://navy.example; "
          "address=1 Navy Way, Arlington, VA, USA; postnumber=22201; note=COBOL\r\nand "
          "compilers\r\n纪念日：--0709")},
      // Evolution: folds inside values, its own properties, and no final line end.
      {0,
       "BEGIN:VCARD\nVERSION:3.0\nX-EVOLUTION-FILE-AS:Doe\\, John\nFN:John Doe\nN:Doe;John;;;\n"
       "TEL;X-COUCHDB-UUID=\"c2fa1caa-2926\";TYPE=CELL:905-666\n -1234\n"
       "X-EVOLUTION-SPOUSE:Maria\nX-ICQ;TYPE=HOME:123456789\nCATEGORIES:VIP,朋友,Golf\n"
       "NOTE:A note folded in the mid\n dle of a word\\, and at a space \n before it.\n"
       "BDAY:1980-03-22\nX-EVOLUTION-ANNIVERSARY:2005-06-01\nEND:VCARD",
       Gb("name=John Doe; class_=0; sex=1; birthday=1980/2/21; telHandset=905-666-1234; "
          "icq=123456789; note=A note folded in the middle of a word, and at a space "
          "before it.\r\n配偶：Maria\r\n类别：VIP，Golf\r\n纪念日：2005-06-01")},
  };
  for (const auto& [photos, card, fields] : cases) {
    const ContactImport report = ReadVCards(card);
    EXPECT_EQ(test::Fields(Only(report)), fields) << card;
    EXPECT_EQ(report.photos, photos) << card;
  }
}

TEST(VCardImport, GmailCardsOfOneFileWithEscapesAndAnUnnamedCard) {
  const std::string file = R"(BEGIN:VCARD
VERSION:3.0
FN:Ada Lovelace
N:Lovelace;Ada;;;
EMAIL;TYPE=INTERNET;TYPE=HOME:ada@example.com
EMAIL;TYPE=INTERNET;TYPE=WORK:ada@work.example
TEL;TYPE=CELL:+44 20 7946 0000
TEL:+44 20 7946 0001
item1.TEL:+44 20 7946 0002
item1.X-ABLabel:GRAND_CENTRAL
TEL;TYPE=HOME;TYPE=FAX:+44 20 7946 0003
ADR;TYPE=HOME:;;12 St James's Square;London;;SW1Y 4JH;United Kingdom
BDAY:1815-12-10
URL:http\://ada.example
item2.URL:http\://blog.ada.example
item2.X-ABLabel:BLOG
CATEGORIES:myContacts,同学
NOTE:Met at the library\, twice\; tea
END:VCARD
BEGIN:VCARD
VERSION:3.0
FN:
N:;;;;
EMAIL;TYPE=INTERNET:noname@example.com
END:VCARD
)";
  const ContactImport report = ReadVCards(file);
  // A page without WORK is no company's: the home page.
  EXPECT_EQ(test::Fields(Only(report)),
            Gb("name=Ada Lovelace; class_=2; sex=1; birthday=1815/11/9; "
               "telOffice=+44 20 7946 0001; telHome=+44 20 7946 0002; telHandset=+44 20 7946 0000; "
               "email=ada@example.com; email2=ada@work.example; homepage=http://ada.example; "
               "address=12 St James's Square, London, United Kingdom; postnumber=SW1Y 4JH; "
               "note=Met at the library, twice; tea\r\n传真(宅)：+44 20 7946 0003\r\n"
               "网址(BLOG)：http://blog.ada.example"));
  ASSERT_EQ(report.skipped.size(), 1u);
  EXPECT_EQ(std::pair(report.skipped[0].position, report.skipped[0].reason),
            std::pair(2, SkipReason::NoName));
  EXPECT_EQ(ImportSummary(report, 1, 2),
            Gb("导入 1 个联系人，跳过 3 个\r\n没有姓名：1 个\r\n与通讯录中已有的联系人相同：2 个"));
}

TEST(VCardImport, CharacterSetsAndFileEncodings) {
  const auto card = [](const std::string& name) {
    return "BEGIN:VCARD\r\nVERSION:2.1\r\nFN" + name + "\r\nEND:VCARD\r\n";
  };
  const std::string jiJi = Gb("吉") + "\x95\x34\xB2\x35";  // 吉 and 𠮷, beyond GBK
  const std::u16string wide = u"BEGIN:VCARD\r\nFN:钱七\r\nEND:VCARD\r\n";
  const std::pair<std::string, std::string> cases[] = {
      {card(";CHARSET=BIG5:\xB3\xAF\xA4\x6A\xA4\xE5"), Gb("陳大文")},
      {card(";CHARSET=Big5;ENCODING=QUOTED-PRINTABLE:=B3=AF=A4j=A4=E5"), Gb("陳大文")},
      {card(";CHARSET=GB18030:" + jiJi), jiJi},
      {card(";CHARSET=UTF-8:\xE5\x90\x89\xF0\xA0\xAE\xB7"), jiJi},
      {card(":\xE5\x90\x89\xF0\xA0\xAE\xB7"), jiJi},  // no CHARSET, a UTF-8 file
      {card(";CHARSET=ISO-8859-1:Jos\xE9"), "Jos" + Gb("é")},
      {card(";CHARSET=windows-1252:\x80uro"), Gb("€") + "uro"},
      {card(";ENCODING=BASE64;CHARSET=UTF-8:5byg5LiJ"), Gb("张三")},
      {card(":" + Gb("赵六")), Gb("赵六")},  // a file in GBK names no character set at all
      {"\xEF\xBB\xBF" + card(":\xE9\x92\xB1\xE4\xB8\x83"), Gb("钱七")},
      {test::Utf16(wide), Gb("钱七")},  // UTF-16 with its mark, and without one
      {test::Utf16(wide, true), Gb("钱七")},
      {test::Utf16(wide, false, false), Gb("钱七")},
  };
  for (const auto& [bytes, name] : cases) EXPECT_EQ(Only(ReadVCards(bytes)).name, name) << bytes;

  // An unknown set is read as UTF-8 and counted; broken bytes become "?" and are counted.
  const ContactImport koi = ReadVCards(card(";CHARSET=KOI8-R:\xF0\xD2\xC9"));
  EXPECT_EQ(std::tuple(Only(koi).name, koi.unknownCharsets, koi.replacedChars),
            std::tuple("???", 1, 3));
}

TEST(VCardImport, OneLineValuesKeepTheDocumentReadable) {
  const std::string card =
      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:a</name>b\r\nADR:;;Street 4\\nBuilding 6;City;;;\r\n"
      "TEL;TYPE=CELL:123\\n\\n456\r\nNOTE:x</note>y\\nz\r\nBDAY:--0101\r\nEND:VCARD\r\n";
  const ContactImport report = ReadVCards(card);
  const ComuRecord c = Only(report);
  EXPECT_EQ(test::Fields(c),
            Gb("name=a＜/name＞b; class_=-1; sex=1; birthday=/0/0; telHandset=123；456; "
               "address=Street 4；Building 6, City; note=x＜/note＞y\r\nz"));
  EXPECT_EQ(std::pair(report.lineBreaks, report.closingTags), std::pair(2, 2));
  // Every imported value survives the contact document.
  std::string doc;
  test::RecordingPrompter prompter;
  const FixedClock clock({2024, 1, 1, 0, 0, 1});
  XML xml(prompter, clock);
  EXPECT_TRUE(c.WriteComu(doc) && xml.ReadComu(test::Doc(doc).lines()) && xml.comu == c);
}

TEST(VCardImport, DamagedFilesGiveAClearResult) {
  // No card at all, binary bytes, and a card inside a card (version 2.1's AGENT).
  EXPECT_EQ(ReadVCards("").error, ImportError::NotContacts);
  EXPECT_EQ(ReadVCards(std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)).error,
            ImportError::NotContacts);
  const ComuRecord agent = Only(
      ReadVCards("BEGIN:VCARD\nVERSION:2.1\nFN:Boss\nAGENT:\nBEGIN:VCARD\nFN:Assistant\nEND:VCARD\n"
                 "TEL;WORK:5550105\nEND:VCARD\n"));
  EXPECT_EQ(agent.name + "|" + agent.telOffice, "Boss|5550105");
  // A card whose END is lost ends where the next begins; one cut by the file's end is not read.
  const ContactImport cut = ReadVCards(
      "BEGIN:VCARD\nFN:One\nBEGIN:VCARD\nFN:Two\nEND:VCARD\nBEGIN:VCARD\nFN:Three\nNOTE:half");
  EXPECT_EQ(Names(cut), (std::vector<std::string>{"One", "Two"}));
  ASSERT_EQ(cut.skipped.size(), 1u);
  EXPECT_EQ(std::pair(cut.skipped[0].position, cut.skipped[0].reason),
            std::pair(3, SkipReason::Unterminated));
  // Old Macs end lines with CR alone. A soft break at a value's end does not take END:VCARD
  // with it, and a property without a colon is passed over.
  for (const char* file : {"BEGIN:VCARD\rFN:A\rEND:VCARD\rBEGIN:VCARD\rFN:B\rEND:VCARD",
                           "BEGIN:VCARD\nFN;ENCODING=QUOTED-PRINTABLE:A=\nEND:VCARD\nBEGIN:VCARD\n"
                           "no colon\nFN:B\nEND:VCARD\n"})
    EXPECT_EQ(Names(ReadVCards(file)), (std::vector<std::string>{"A", "B"})) << file;
}

TEST(VCardImport, AHundredMegabytesOfPicturesIsCountedNotKept) {
  std::string file =
      "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:First\r\nPHOTO;ENCODING=BASE64;TYPE=JPEG:\r\n";
  const std::string line = "  " + std::string(72, 'A') + "\r\n";
  while (file.size() < (size_t{100} << 20)) file += line;
  file +=
      "\r\nTEL;CELL:1\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nFN:Second\r\n"
      "KEY;ENCODING=b:MIIBIjANBgkqh\r\nEND:VCARD\r\n";
  const ContactImport report = ReadVCards(file);
  ASSERT_EQ(report.contacts.size(), 2u);
  EXPECT_EQ(std::tuple(report.contacts[0].telHandset, report.contacts[0].note, report.photos,
                       report.keys),
            std::tuple("1", "", 1, 1));
}

TEST(VCardImport, BirthdaysInEveryForm) {
  // A text read as "year/month/day", whether Apple's year is to be left out or not.
  const auto parsed = [](const std::string& text, bool omitYear = false) {
    std::string year = "x";
    int month = 99, day = 99;
    EXPECT_TRUE(ParseBirthday(text, omitYear, year, month, day)) << text;
    return year + "/" + std::to_string(month) + "/" + std::to_string(day);
  };
  for (const std::string& text :
       std::vector<std::string>{"1980-03-15", "19800315", "3/15/1980", "1980-03-15T00:00:00Z",
                                "1980/3/15", "15/3/1980", Gb("1980年3月15日")})
    EXPECT_EQ(parsed(text), "1980/2/14") << text;
  for (const char* text : {"--0315", "--03-15", "0000-03-15"}) EXPECT_EQ(parsed(text), "/2/14");
  EXPECT_EQ(parsed("1604-03-15", true), "/2/14");
  const std::pair<const char*, const char*> partial[] = {
      {"1980-03", "1980/2/-1"}, {"1980", "1980/-1/-1"},  {"--03", "/2/-1"},
      {"---15", "/-1/14"},      {"80-03-15", "80/2/14"}, {"0/0/00", "/-1/-1"}};
  for (const auto& [text, read] : partial) EXPECT_EQ(parsed(text), read);
  std::string year;
  int month, day;
  for (const char* bad : {"", "soon", "1980-13-01", "1980-02-32", "3/15/80", "--13", "12345",
                          "1007/33333333333333333338/1", "1980/4294967299/1"})
    EXPECT_FALSE(ParseBirthday(bad, false, year, month, day)) << bad;

  // Apple's placeholder year goes only when it is the one named; a date of nothing is no
  // date, and text no date is kept in the remark.
  const auto read = [](const std::string& bday) {
    return Only(ReadVCards("BEGIN:VCARD\nFN:A\nBDAY" + bday + "\nEND:VCARD\n"));
  };
  EXPECT_EQ(read(";X-APPLE-OMIT-YEAR=1604:1990-03-15").birthYear, "1990");
  EXPECT_EQ(read(";X-APPLE-OMIT-YEAR=\"1604\";VALUE=date:1604-02-29").birthYear, "");
  EXPECT_EQ(read(";VALUE=text:circa 1800").note, Gb("生日：circa 1800"));
  EXPECT_EQ(read(":0/0/00").note, "");
}

TEST(VCardImport, DuplicatesByNameAndPhoneOrMail) {
  ComuRecord a, b;
  a.name = Gb("张三"), a.telHandset = "+86 138-0013-8000", a.email = "Zhang@Example.com";
  b.name = Gb("张 三"), b.telOffice = "13800138000";
  EXPECT_TRUE(LooksAlike(a, b));  // the same number, written without country code
  b.telOffice = "", b.email2 = "zhang@example.COM ";
  EXPECT_TRUE(LooksAlike(a, b));
  b.email2 = "other@example.com";
  EXPECT_FALSE(LooksAlike(a, b));  // the name alone is not enough
  b.telBP = "8000";
  EXPECT_FALSE(LooksAlike(a, b));  // nor are a few digits in common
  b = a, b.name = Gb("张四");
  EXPECT_FALSE(LooksAlike(a, b));

  const std::vector<ComuRecord> book = {b, a};
  const std::vector<ComuRecord> incoming = {b, ComuRecord{}, a};
  EXPECT_EQ(LikelyDuplicates(book, incoming), (std::vector<size_t>{0, 2}));
}

TEST(VCardExport, BytesOfOneContact) {
  ComuRecord c = test::SampleContact();
  const auto u8 = [](const char* text) { return Utf8FromText(Gb(text)); };
  const auto vcard = [&c] { return WriteVCards(std::span(&c, 1)); };
  EXPECT_EQ(vcard(),
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + u8("钱七") + Utf8FromText(test::kJi) +
                "\r\nN:" + u8("钱七") + Utf8FromText(test::kJi) +
                ";;;;\r\nX-GENDER:Female\r\nBDAY:1990-01-31\r\nTEL;TYPE=WORK,VOICE:1\r\n"
                "TEL;TYPE=HOME,VOICE:2\r\nTEL;TYPE=CELL:3\r\nTEL;TYPE=PAGER:4\r\n"
                "EMAIL;TYPE=INTERNET,PREF:a@b.c\r\nEMAIL;TYPE=INTERNET:d@e.f\r\n"
                "URL;TYPE=WORK:http://w/a\\,b\r\nURL;TYPE=HOME:http://h\r\nX-QQ:5\r\nX-ICQ:6\r\n"
                "ADR;TYPE=HOME:;;" +
                u8("路\"1\"号\\;\\\\") + ";;;100080;\r\nCATEGORIES:" + u8("亲属") +
                "\r\nNOTE:" + u8("两行\\n备注") + "\r\nEND:VCARD\r\n");
  // A Latin name splits at its last blank.
  c.name = "Ada King Lovelace";
  EXPECT_NE(vcard().find("\r\nN:Lovelace;Ada King;;;\r\n"), std::string::npos);

  // A birthday without a year, or with one the date cannot carry.
  c = {};
  c.name = "A", c.birthMonth = 2, c.birthDay = 14;
  EXPECT_NE(vcard().find("\r\nBDAY:--0315\r\n"), std::string::npos);
  c.birthYear = "80";
  EXPECT_NE(vcard().find("\r\nBDAY:--0315\r\nX-PIMBREL-BIRTH-YEAR:80\r\n"), std::string::npos);
}

TEST(VCardExport, LongLinesFoldAt75OctetsBetweenCharacters) {
  ComuRecord c;
  c.name = "A";
  for (int i = 0; i < 60; ++i) c.note += Gb("长") + "\x95\x34\xB2\x35" + "x,";
  const std::string out = WriteVCards(std::span(&c, 1));
  size_t lines = 0;
  for (size_t start = 0, end; start < out.size(); start = end + 2, ++lines) {
    end = out.find("\r\n", start);
    ASSERT_NE(end, std::string::npos);
    const std::string_view line(out.data() + start, end - start);
    EXPECT_LE(line.size(), 75u);
    EXPECT_TRUE(IsUtf8(line)) << "a line ends inside a character";
  }
  EXPECT_GT(lines, 10u);
  std::string unfolded = out;
  for (size_t fold; (fold = unfolded.find("\r\n ")) != std::string::npos;) unfolded.erase(fold, 3);
  EXPECT_NE(unfolded.find("\r\nNOTE:" + Utf8FromText(Gb("长") + "\x95\x34\xB2\x35") + "x\\,"),
            std::string::npos);
}

TEST(VCardExport, AThousandContactsComeBackFieldForField) {
  const std::vector<ComuRecord> contacts = test::GeneratedContacts(1000, 20240601);
  const ContactImport back = ReadVCards(WriteVCards(contacts));
  EXPECT_EQ(back.error, ImportError::None);
  EXPECT_TRUE(back.skipped.empty());
  EXPECT_EQ(back.lineBreaks + back.closingTags + back.replacedChars, 0);
  ASSERT_EQ(back.contacts.size(), contacts.size());
  for (size_t i = 0; i < contacts.size(); ++i) EXPECT_EQ(back.contacts[i], contacts[i]) << i;
}

}  // namespace
}  // namespace pim
