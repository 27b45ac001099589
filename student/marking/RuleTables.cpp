// SPDX-License-Identifier: MIT
// The rule tables of the nine exercise sets. Each question lists its segments,
// then its checks in the order they are judged, with their points and a short
// Chinese phrase of what they look for.
#include "ExerciseSets.h"
#include "FixedText.h"
#include "RuleTable.h"

namespace velmora::marking {

namespace {

// Composite snippets: one piece of text each, searched as a whole.
constexpr auto SampleMailLink = join(u"href=\"mailto:", SampleMailAddress, u"\"");
constexpr auto WebmasterLinkText = join(WebmasterMailAddress, u"</a>");
constexpr auto WebmasterMailTarget = join(u"mailto:", WebmasterMailAddress);

// Set 1: the tiger page of the animal park.
constexpr RuleTable kSet1{
    u"hu.htm",
    {{
        {{Span(u"<tr", u"</tr>", 0)},
         {Contains(u"动物乐园", 1, u"标题行有文字“动物乐园”"),
          Contains(u"size=\"7\"", 1, u"标题字号为7"),
          Contains(u"face=\"隶书\"", 1, u"标题字体为隶书"),
          Contains(u"color=\"#0000FF\"", 1, u"标题文字为蓝色"),
          Contains(u"center", 1, u"标题居中")}},
        {{From(u"</tr>", 180)},
         {ContainsAll({u"<img", u"barflow.gif"}, 3, u"标题行后紧接着插入图片barflow.gif"),
          Contains(u"center", 2, u"图片barflow.gif居中")}},
        {{Row(3, u"</td>", 5)},
         {ContainsAll({u"<img", u"hu.jpg"}, 5, u"第三行第一个单元格插入老虎图片hu.jpg")}},
        {{Span(u"<table", u"<tr", 5)}, {Contains(u"border=\"0\"", 5, u"表格边框粗细为0")}},
        {{Span(u"<body", u"<table", 5)},
         {ContainsAll({u"background", u"花.jpg"}, 5, u"网页背景图片为花.jpg")}},
    }},
};

// Set 2: the home page of the animal park.
constexpr RuleTable kSet2{
    u"index.htm",
    {{
        {{Before(u"syt.jpg", 100)},
         {ContainsAll({ScienceSiteHost, u"<a href"}, 5, u"图片syt.jpg链接到科普网站")}},
        {{ShiftedSpan(u"虎", u"鸭嘴兽", 100)},
         {RelativeLink(u"hu.htm\">虎</a>", LinkScope::WholePage, 1,
                       u"文字“虎”用相对地址链接到hu.htm"),
          RelativeLink(u"mhl.htm\">梅花鹿</a>", LinkScope::WholePage, 1,
                       u"文字“梅花鹿”用相对地址链接到mhl.htm"),
          RelativeLink(u"ttn.htm\">天堂鸟</a>", LinkScope::WholePage, 1,
                       u"文字“天堂鸟”用相对地址链接到ttn.htm"),
          RelativeLink(u"yzs.htm\">鸭嘴兽</a>", LinkScope::WholePage, 1,
                       u"文字“鸭嘴兽”用相对地址链接到yzs.htm"),
          Contains(u"bgcolor=\"#008080\"", 1, u"链接所在区域背景色为#008080")}},
        {{Span(u"鸭嘴兽", u"</table>", 0)},
         {Contains(u"<marquee", 1, u"插入滚动字幕"), Contains(u"alternate", 1, u"字幕来回滚动"),
          Contains(u"bgcolor=\"#C0C0C0\"", 1, u"字幕背景为灰色"),
          Contains(u"保护环境保护动物", 1, u"字幕文字为“保护环境保护动物”"),
          ContainsAll({u"楷体_GB2312", u"color=\"#0000FF\"", u"size=\"4\""}, 1,
                      u"字幕文字为楷体_GB2312、蓝色、字号4")}},
        {{WholePage()},
         {ContainsAll({SampleMailLink, u"阿禾</a>"}, 5, u"文字“阿禾”链接到电子邮件地址")}},
        {{Span(u"<table", u"<tr", 5)},
         {ContainsAll({u"background", u"cittext.gif"}, 5, u"表格背景图片为cittext.gif")}},
    }},
};

// Set 3: the introduction page of the Spring Festival site.
constexpr RuleTable kSet3{
    u"cjjj.htm",
    {{
        {{Before(u"春节简介", 180)},
         {Contains(u"<b>", 1, u"标题加粗"), Contains(u"size=\"4\"", 1, u"标题字号为4"),
          Contains(u"face=\"宋体\"", 1, u"标题字体为宋体"),
          Contains(u"color=\"#FF0000\"", 1, u"标题文字为红色"),
          Contains(u"center", 1, u"标题居中")}},
        {{Span(u"春节简介", u"过年", 0)},
         {Contains(u"hr", 3, u"标题与正文之间插入水平线"),
          Contains(u"color=\"#FF0000\"", 2, u"水平线为红色")}},
        {{Span(u"过年", u"欢乐祥和", 0)},
         {ContainsAll({u"<img", u"chunjie02.jpg"}, 3, u"正文中插入图片chunjie02.jpg"),
          Contains(u"center", 2, u"图片居中")}},
        {{Before(u"返回主页", 50)},
         {RelativeLink(u"index.htm\">返回主页</a>", LinkScope::WholePage, 5,
                       u"文字“返回主页”用相对地址链接到index.htm")}},
        {{Span(u"<table", u"<tr", 5)},
         {ContainsAny(u"border=\"0\"", u"border=0", 5, u"表格边框粗细为0")}},
    }},
};

// Set 4: the home page of the Spring Festival site.
constexpr RuleTable kSet4{
    u"index.htm",
    {{
        {{Span(u"<body", u"<table", 5)},
         {Contains(u"bgcolor=\"#C0C0C0\"", 5, u"网页背景色为灰色#C0C0C0")}},
        {{Before(u"a-7.gif", 150)},
         {Contains(u"right", 2, u"图片a-7.gif靠右"), Contains(u"top", 3, u"图片a-7.gif顶端对齐")}},
        {{Before(u"春节简介", 80), Before(u"春节由来与传说", 80)},
         {RelativeLink(u"cjjj.htm", LinkScope::SameSegment, 2,
                       u"文字“春节简介”用相对地址链接到cjjj.htm")
              .on(S1),
          RelativeLink(u"cjyl.htm", LinkScope::SameSegment, 3,
                       u"文字“春节由来与传说”用相对地址链接到cjyl.htm")
              .on(S2)}},
        {{Before(u"百度", 80)}, {Contains(SearchSiteDomain, 5, u"文字“百度”链接到百度网站")}},
        {{WholePage()},
         {Guarded(WebmasterLinkText, 100, WebmasterMailTarget, 5,
                  u"站长邮箱地址作为链接文字，并链接到该邮箱")}},
    }},
};

// Set 5: the origin and legends page of the Spring Festival site.
constexpr RuleTable kSet5{
    u"cjyl.htm",
    {{
        {{Span(u"<body", u"<table", 5)},
         {ContainsAll({u"background", u"bg.gif"}, 5, u"网页背景图片为bg.gif")}},
        {{Span(u"春节的由来与传说", u"中国古代神话", 0)},
         {Contains(u"<marquee", 1, u"插入滚动字幕"),
          Contains(u"bgcolor=\"#FF0000\"", 1, u"字幕背景为红色"),
          Contains(u"春节快乐", 1, u"字幕文字为“春节快乐”"),
          Contains(u"隶书", 1, u"字幕字体为隶书"), Contains(u"size=\"5\"", 1, u"字幕字号为5")}},
        {{Span(u"chunlian.jpg", u"home.gif", 5)},
         {ContainsAll({u"src=", u"menshen.jpg"}, 5,
                      u"对联图片与主页图标之间插入门神图片menshen.jpg")}},
        {{Before(u"home.gif", 100)},
         {RelativeLink(u"index.htm", LinkScope::SameSegment, 5,
                       u"主页图标用相对地址链接到index.htm")}},
        {{Span(u"home.gif", u"</BODY>", 5)},
         {ContainsAll({u"bgcolor", u"#FF0000"}, 5, u"主页图标之后的单元格或行为红色")}},
    }},
};

// Set 6: a student's personal home page.
constexpr RuleTable kSet6{
    u"home.htm",
    {{
        {{Span(u"<body", u"<table", 5)},
         {ContainsAll({u"background", u"花.jpg"}, 5, u"网页背景图片为花.jpg")}},
        {{Span(u"<body", u"<tr", 5)}, {Contains(u"center", 5, u"表格在网页中居中")}},
        {{Span(u"<table", u"<tr", 5)},
         {ContainsAll({u"bgcolor", u"#FFFFFF"}, 5, u"表格背景色为白色")}},
        {{Row(4, u"</tr>", 5)},
         {Contains(u"<marquee", 2, u"第四行插入滚动字幕"),
          Contains(u"欢迎光临我的网上小家", 2, u"字幕文字为“欢迎光临我的网上小家”"),
          Contains(u"color=\"#800000\"", 1, u"字幕文字为深红色")}},
        {{Before(u"成长笔记", 100), Before(u"创作园地", 100), Before(u"校园逸趣", 100),
          Before(u"诗苑履痕", 100)},
         {InBoth(u"bgcolor=\"#800000\"", S1, S2, 1, u"“成长笔记”“创作园地”单元格背景为深红色"),
          InBoth(u"bgcolor=\"#800000\"", S3, S4, 1, u"“校园逸趣”“诗苑履痕”单元格背景为深红色"),
          InBoth(u"color=\"#FFFF00\"", S1, S2, 1, u"“成长笔记”“创作园地”文字为黄色"),
          InBoth(u"color=\"#FFFF00\"", S3, S4, 2, u"“校园逸趣”“诗苑履痕”文字为黄色")}},
    }},
};

// Set 7: the personal home page, second exercise.
constexpr RuleTable kSet7{
    u"home.htm",
    {{
        {{Span(u"<body", u"<table", 5)},
         {Contains(u"bgcolor=\"#C0C0C0\"", 5, u"网页背景色为灰色#C0C0C0")}},
        {{Span(u"<table", u"<tr", 5)},
         {ContainsAll({u"background", u"bg.gif"}, 5, u"表格背景图片为bg.gif")}},
        {{Span(u"wawj.JPG", u"青春", 5)},
         {Contains(u"<hr", 2, u"图片与文字之间插入水平线"),
          Contains(u"color=\"#FF0000\"", 1, u"水平线为红色"),
          Contains(u"size=\"3\"", 2, u"水平线粗细为3")}},
        {{Before(u"</table>", 200)},
         {ContainsAll({u"background", u"树叶.jpg"}, 5, u"表格最后的单元格背景图片为树叶.jpg")}},
        {{Before(u"成长笔记", 80)},
         {RelativeLink(u"czbj.htm\">成长笔记</a>", LinkScope::WholePage, 5,
                       u"文字“成长笔记”用相对地址链接到czbj.htm")}},
    }},
};

// Set 8: the Olympic Games page.
constexpr RuleTable kSet8{
    u"aoyun.htm",
    {{
        {{Span(u"<table", u"<tr", 5)},
         {ContainsAll({u"bordercolor", u"#FF0000"}, 5, u"表格边框为红色")}},
        {{Row(2, u"</tr>", 5)}, {Contains(u"bgcolor=\"#FF0000\"", 5, u"第二行背景为红色")}},
        {{Row(2, u"</tr>", 5)},
         {Contains(u"<marquee", 2, u"第二行插入滚动字幕"),
          Contains(u"北京欢迎您", 1, u"字幕文字为“北京欢迎您”"),
          Contains(u"alternate", 2, u"字幕来回滚动")}},
        {{Row(4, u"</td>", 15)},
         {ContainsAll({u"jingjing.jpg", u"src"}, 5, u"第四行插入吉祥物图片jingjing.jpg")}},
        {{Row(8, u"</tr>", 15)},
         {ContainsAll({u"background", u"印.gif"}, 5, u"第八行背景图片为印.gif")}},
    }},
};

// Set 9: the Olympic Games page, second exercise.
constexpr RuleTable kSet9{
    u"aoyun.htm",
    {{
        {{Before(u"2008.gif", 100)},
         {ContainsAll({GamesSiteHost, u"href"}, 5, u"图片2008.gif链接到奥运会网站")}},
        {{Span(u"<table", u"<tr", 5)},
         {ContainsAny(u"border=\"0\"", u"border=0", 5, u"表格边框粗细为0")}},
        {{Span(u"<body", u"<table", 5)},
         {ContainsAll({u"background", u"中国龙.gif"}, 5, u"网页背景图片为中国龙.gif")}},
        {{Span(u"<table", u"<tr", 5)},
         {ContainsAll({u"bgcolor", u"#FFFFFF"}, 5, u"表格背景色为白色")}},
        {{Before(u"</table>", 120)},
         {Contains(u"hr", 2, u"表格末尾插入水平线"),
          Contains(u"color=\"#FF0000\"", 1, u"水平线为红色"),
          Contains(u"size=\"1\"", 1, u"水平线粗细为1"),
          Contains(u"width=\"90%\"", 1, u"水平线宽度为90%")}},
    }},
};

constexpr const RuleTable* kTables[] = {&kSet1, &kSet2, &kSet3, &kSet4, &kSet5,
                                        &kSet6, &kSet7, &kSet8, &kSet9};
// One table for each set, in set order.
static_assert(int(std::size(kTables)) == sets::kCount);

// Every question is worth exactly five points, so every set is worth 25.
constexpr bool everyQuestionWorthFive()
{
    for (const RuleTable* table : kTables) {
        for (const Question& q : table->questions) {
            if (q.points() != kQuestionPoints || q.segmentCount == 0 || q.checkCount == 0) {
                return false;
            }
        }
    }
    return true;
}
static_assert(everyQuestionWorthFive());

} // namespace

const RuleTable* ruleTable(int set)
{
    if (!sets::isSet(set)) {
        return nullptr;
    }
    return kTables[set - sets::kFirst];
}

QStringView kindName(CheckKind kind)
{
    switch (kind) {
    case CheckKind::Contains:
        return u"Contains";
    case CheckKind::ContainsAll:
        return u"ContainsAll";
    case CheckKind::ContainsAny:
        return u"ContainsAny";
    case CheckKind::RelativeLink:
        return u"RelativeLink";
    case CheckKind::InBoth:
        return u"InBoth";
    case CheckKind::Guarded:
        return u"Guarded";
    }
    return {};
}

QStringView kindName(SegmentKind kind)
{
    switch (kind) {
    case SegmentKind::WholePage:
        return u"WholePage";
    case SegmentKind::Span:
        return u"Span";
    case SegmentKind::From:
        return u"From";
    case SegmentKind::Before:
        return u"Before";
    case SegmentKind::ShiftedSpan:
        return u"ShiftedSpan";
    case SegmentKind::Row:
        return u"Row";
    }
    return {};
}

} // namespace velmora::marking
