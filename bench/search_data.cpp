#include "search_data.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "base/file.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "bench_data.h"
#include "config/config_file.h"
#include "datum/datum_store.h"
#include "settings/sys_settings.h"
#include "xmldoc/xml.h"

namespace bench {
namespace {

// Common words, the most frequent first; text draws them by a Zipf law.
constexpr const char* kWords =
    "我们 他们 你们 自己 这个 那个 什么 没有 一个 可以 时候 已经 因为 所以 但是 如果 还是 "
    "就是 现在 今天 明天 昨天 知道 觉得 开始 工作 问题 时间 生活 朋友 孩子 学习 学校 老师 "
    "同学 公司 发展 经济 社会 国家 世界 中国 北京 上海 广州 深圳 城市 地方 事情 东西 方面 "
    "情况 关系 部分 需要 可能 应该 一起 非常 特别 重要 主要 一定 一些 许多 大家 人们 希望 "
    "认为 表示 进行 提高 增加 出现 使用 电话 电脑 手机 网络 信息 技术 科学 文化 历史 文学 "
    "音乐 电影 艺术 体育 健康 医院 医生 身体 家庭 父母 妈妈 爸爸 儿子 女儿 丈夫 妻子 早上 "
    "中午 晚上 周末 假期 春节 中秋 生日 天气 下雨 阳光 春天 夏天 秋天 冬天 学生 考试 作业 "
    "图书馆 书店 报纸 杂志 新闻 消息 会议 讨论 计划 项目 经理 客户 合同 市场 产品 价格 银行 "
    "工资 办法 方法 结果 原因 目标 机会 经验 能力 水平 环境 自然 空气 河流 山区 农村 公园 "
    "饭店 超市 商店 火车 飞机 汽车 地铁 公交 旅游 旅行 出差 路上 回家 吃饭 睡觉 休息 运动 "
    "跑步 游泳 散步 读书 写字 唱歌 跳舞 画画 做饭 买菜 打扫 洗衣 安排 准备 完成 解决 决定 "
    "选择 参加 组织 介绍 了解 研究 分析 管理 服务 设计 系统 软件 文件 数据 资料 记录 笔记 "
    "日记 文章 故事 小说 诗歌 语言 汉语 英语 数学 物理 化学 地理 政治 法律 教育 医疗 交通 "
    "安全 质量 标准 规定 要求 责任 条件 影响 作用 意见 建议 想法 感觉 心情 高兴 快乐 幸福 "
    "美丽 漂亮 干净 安静 热闹 辛苦 容易 困难 简单 复杂 清楚 明白 认真 努力 坚持 成功 失败 "
    "改变 变化 发现 注意 记得 忘记 相信 担心 害怕 喜欢 讨厌 感谢 帮助 支持 关心 照顾 联系 "
    "见面 聊天 邮件 地址 门口 楼下 办公室 教室 厨房 客厅 窗户 桌子 椅子 衣服 鞋子 眼睛 头发 "
    "米饭 面条 水果 苹果 牛奶 茶叶 咖啡 蔬菜 早饭 晚饭 中心 大学 研究生 工程师 人民 群众 "
    "领导 企业 工厂 农业 工业 建设 改革 开放 政策 制度 传统 现代 未来 过去 以后 以前 最近 "
    "当时 后来 终于 突然 马上 立刻 慢慢 经常 总是 从来 一直 仍然 也许 大概 差不多 左右 之间 "
    "之后 之前 里面 外面 上面 下面 旁边 附近 对面";
constexpr const char* kLatin = "Windows Excel Word Email PDF WiFi Python Java Linux iPhone USB GPS";
constexpr const char* kPunctuation = "， ， ， 。 。 ； ！ ？ 、";
constexpr const char* kRare = "麒麟";  // in about one record of 300
constexpr const char* kSurnames =
    "王 李 张 刘 陈 杨 赵 黄 周 吴 徐 孙 胡 朱 高 林 何 郭 马 罗 梁 宋 郑 谢 韩 唐 冯 于 董 萧 "
    "程 曹 袁 邓 许 傅 沈 曾 彭 吕";
constexpr const char* kGiven =
    "小 明 伟 芳 娜 敏 静 丽 强 磊 军 洋 勇 艳 杰 娟 涛 超 秀 霞 平 刚 英 华 玉 兰 红 建 国 文 "
    "辉 鹏 飞 海 波 宁 雪 梅 晨 阳 晓 新 志 春";
constexpr const char* kCardClasses =
    "计算机 编程 历史 文学 诗词 健康 养生 烹饪 旅游 经济 投资 管理 教育 心理 法律 音乐 电影 "
    "摄影 体育 科学 地理 哲学 育儿 园艺 汽车 家居 语言 新闻 工作 生活";
constexpr const char* kSources =
    "人民日报 新华网 读者 百科 图书馆 朋友推荐 课堂笔记 杂志 网络 广播 电视 报纸";
constexpr const char* kCities = "北京市 上海市 广州市 深圳市 杭州市 南京市 成都市 武汉市 西安市";
constexpr const char* kDistricts = "海淀区 朝阳区 东城区 西湖区 浦东新区 天河区 南山区 武侯区";
constexpr const char* kRoads = "中山路 人民路 解放路 建设路 长安街 和平路 学院路 花园街";

std::vector<std::string> Split(const char* utf8) {
  std::vector<std::string> list;
  for (std::string_view rest = utf8; !rest.empty();) {
    const size_t space = rest.find(' ');
    if (space != 0) list.push_back(pim::Gb(rest.substr(0, space)));
    rest = space == std::string_view::npos ? "" : rest.substr(space + 1);
  }
  return list;
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "search bench: %s\n", what);
  std::exit(3);
}

class Maker {
 public:
  Maker() {
    std::vector<double> weights(words_.size());
    for (size_t i = 0; i < weights.size(); ++i) weights[i] = 1.0 / static_cast<double>(i + 10);
    zipf_ = std::discrete_distribution<size_t>(weights.begin(), weights.end());
  }
  int Below(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }
  const std::string& Pick(const std::vector<std::string>& list) {
    return list[static_cast<size_t>(Below(static_cast<int>(list.size())))];
  }
  const std::string& Word() { return words_[zipf_(random_)]; }
  std::string Words(int count) {
    std::string out;
    while (count-- > 0) out += Word();
    return out;
  }
  std::string Name() {
    std::string name = Pick(surnames_) + Pick(given_);
    return Below(3) ? name + Pick(given_) : name;
  }
  // Sentences of 4 to 12 words with a Latin word or a number now and then, in paragraphs,
  // filled up to at most `bytes` (no piece is longer than 8 bytes).
  std::string Text(size_t bytes) {
    std::string text, piece;
    for (int left = 4 + Below(9);; --left) {
      if (left == 0) {
        piece = Pick(punctuation_) + (Below(8) ? "" : "\r\n");
        left = 4 + Below(9);
      } else if (const int r = Below(40); r == 0) {
        piece = Pick(latin_);
      } else if (r == 1) {
        piece = pim::Format("%d", Below(2027));
      } else {
        piece = Below(100000) ? Word() : rare_;
      }
      if (text.size() + piece.size() > bytes) return text;
      text += piece;
    }
  }
  size_t Length() { return static_cast<size_t>(500 + Below(1501)); }
  // Every record a minute or so after the one before, over the years.
  const pim::Clock& Tick() {
    minute_ += 1 + Below(300);
    clock_.Set({2020 + minute_ / 525600 % 7, 1 + minute_ / 43200 % 12, 1 + minute_ / 1440 % 28,
                minute_ / 60 % 24, minute_ % 60, 0});
    return clock_;
  }

  std::vector<std::string> words_ = Split(kWords), latin_ = Split(kLatin),
                           punctuation_ = Split(kPunctuation), surnames_ = Split(kSurnames),
                           given_ = Split(kGiven), classes_ = Split(kCardClasses),
                           sources_ = Split(kSources), cities_ = Split(kCities),
                           districts_ = Split(kDistricts), roads_ = Split(kRoads);
  std::string rare_ = pim::Gb(kRare);

 private:
  std::mt19937 random_{20261207};
  std::discrete_distribution<size_t> zipf_;
  pim::FixedClock clock_{{2020, 1, 1, 8, 0, 0}};
  int minute_ = 0;
};

uint64_t Write(const std::string& path, const std::string& document) {
  if (!pim::WriteFileAtomic(path, document)) Fail("cannot write a record");
  return document.size();
}

uint64_t WriteNotes(Maker& make, int count, int types) {
  SilentPrompter prompter;
  uint64_t bytes = 0;
  for (int i = 0; i < count; ++i) {
    const int type = i % types;
    const size_t length = make.Length();
    std::string text = type == 2 ? pim::Gb("    \t12 月  6 日,2026\t星期 0\r\n  ")
                                 : make.Words(2 + make.Below(3)) + "\r\n";
    text += make.Text(length - text.size());
    std::string document;
    pim::XML(prompter, make.Tick()).WriteNote(document, type, text, "");
    bytes += Write(pim::Format("note\\n.%d.xml", i), document);
  }
  return bytes;
}

uint64_t WriteContacts(Maker& make, int count) {
  uint64_t bytes = 0;
  for (int i = 0; i < count; ++i) {
    pim::ComuRecord c;
    c.name = i == count / 2 ? pim::Gb("王小明") : make.Name();
    c.class_ = make.Below(9);
    c.sex = make.Below(2);
    c.birthYear = pim::Format("%d", 1950 + make.Below(55));
    c.birthMonth = make.Below(12);
    c.birthDay = make.Below(28);
    c.telOffice = pim::Format("010-6%07d", make.Below(10000000));
    c.telHandset = pim::Format("13%09d", make.Below(1000000000));
    c.email = pim::Format("user%d@example.com", i);
    c.oicq = pim::Format("%d", 10000 + make.Below(90000000));
    c.address = make.Pick(make.cities_) + make.Pick(make.districts_) + make.Pick(make.roads_) +
                pim::Format("%d", 1 + make.Below(300)) + pim::Gb("号");
    c.postnumber = pim::Format("%d", 100000 + make.Below(800000));
    c.note = make.Text(make.Length() - 100);  // the other fields hold about 100 bytes
    std::string document;
    c.WriteComu(document);
    bytes += Write(pim::Format("communication\\com.%d.xml", i), document);
  }
  return bytes;
}

// Nine cards of ten in the trimmed index, the tenth in the untrimmed one; one trimmed card of
// fifty is bookmarked, one of forty is in the index list.
uint64_t WriteCards(Maker& make, int count) {
  pim::CConfigFile list;
  if (list.Load(pim::kClassListPath) != 1) Fail("no class.list");
  list.SetValue("count", std::to_string(make.classes_.size()));
  for (size_t c = 0; c < make.classes_.size(); ++c) {
    list.SetValue("name" + std::to_string(c), make.classes_[c]);
    list.SetValue("path" + std::to_string(c), "datum\\" + make.classes_[c] + "\\");
    if (!pim::CreateFolder("datum\\" + make.classes_[c])) Fail("cannot make a category folder");
  }
  if (list.Save() != 1) Fail("cannot write class.list");

  SilentPrompter prompter;
  const std::string dtd = "C:\\Pimbrel" + std::string(pim::kDatumDtdLocalPath);
  std::vector<pim::IndexEntry> untrimmed, trimmed, bookmarks, indexed;
  uint64_t bytes = 0;
  for (int i = 0; i < count; ++i) {
    pim::IndexEntry e;
    e.name = make.Words(2 + make.Below(3));
    e.class_ = make.Pick(make.classes_);
    e.url = pim::CardPath("datum\\" + e.class_ + "\\", e.name, i);
    e.keyword = make.Word() + " " + make.Word();
    e.source = make.Pick(make.sources_);
    const pim::Clock& clock = make.Tick();
    e.date = pim::NowStamp(clock);
    std::string document;
    pim::XML(prompter, clock)
        .WriteDatum(document, e.name, e.class_, make.Text(make.Length()), dtd, e.date, e.source,
                    e.keyword, {});
    bytes += Write(e.url, document);
    if (i % 50 == 0) bookmarks.push_back(e);
    if (i % 40 == 1) indexed.push_back(e);
    (i % 10 == 9 ? untrimmed : trimmed).push_back(std::move(e));
  }
  if (!pim::WriteUntrimmedIndex(untrimmed) ||
      !pim::AppendToIndex(pim::kTrimmedIndexPath, trimmed) ||
      !pim::AppendToIndex(pim::kBookmarkListPath, bookmarks) ||
      !pim::AppendToIndex(pim::kIndexListPath, indexed))
    Fail("cannot write the indexes");
  return bytes;
}

}  // namespace

uint64_t WriteSearchCollection(const Collection& collection) {
  Maker make;
  const uint64_t bytes = WriteNotes(make, collection.notes, collection.noteTypes) +
                         WriteContacts(make, collection.contacts) +
                         WriteCards(make, collection.cards);
  pim::CConfigFile settings;
  if (settings.Load(pim::kSettingsPath) != 1 ||
      settings.SetValue("NOTE", "maxid", std::to_string(collection.notes)) != 1 ||
      settings.SetValue("COMU", "maxid", std::to_string(collection.contacts)) != 1 ||
      settings.Save() != 1)
    Fail("cannot write the counters");
  return bytes;
}

}  // namespace bench
