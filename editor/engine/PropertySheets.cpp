// SPDX-License-Identifier: MIT
#include "PropertySheets.h"

#include <QRegularExpression>
#include <array>

namespace velmora::editor {

namespace {

const QList<Choice> kHorizontal = {{QString(), QStringLiteral("默认")},
                                   {QStringLiteral("left"), QStringLiteral("左")},
                                   {QStringLiteral("center"), QStringLiteral("居中")},
                                   {QStringLiteral("right"), QStringLiteral("右")}};
const QList<Choice> kVertical = {{QString(), QStringLiteral("默认")},
                                 {QStringLiteral("top"), QStringLiteral("顶端")},
                                 {QStringLiteral("middle"), QStringLiteral("居中")},
                                 {QStringLiteral("bottom"), QStringLiteral("底端")},
                                 {QStringLiteral("baseline"), QStringLiteral("基线")}};
const QList<Choice> kPictureAlign = {{QString(), QStringLiteral("默认")},
                                     {QStringLiteral("left"), QStringLiteral("左")},
                                     {QStringLiteral("right"), QStringLiteral("右")},
                                     {QStringLiteral("top"), QStringLiteral("顶端")},
                                     {QStringLiteral("middle"), QStringLiteral("居中")},
                                     {QStringLiteral("bottom"), QStringLiteral("底端")},
                                     {QStringLiteral("center"), QStringLiteral("水平居中")}};
const QList<Choice> kSizes = {{QString(), QStringLiteral("默认")},
                              {QStringLiteral("1"), QStringLiteral("1 (8 磅)")},
                              {QStringLiteral("2"), QStringLiteral("2 (10 磅)")},
                              {QStringLiteral("3"), QStringLiteral("3 (12 磅)")},
                              {QStringLiteral("4"), QStringLiteral("4 (14 磅)")},
                              {QStringLiteral("5"), QStringLiteral("5 (18 磅)")},
                              {QStringLiteral("6"), QStringLiteral("6 (24 磅)")},
                              {QStringLiteral("7"), QStringLiteral("7 (36 磅)")}};

const Field kBgColour{QStringLiteral("bgcolor"), QStringLiteral("背景颜色(&K)"), FieldKind::Colour};
const Field kBackground{QStringLiteral("background"), QStringLiteral("背景图片(&P)"),
                        FieldKind::Picture};
const Field kWidth{QStringLiteral("width"), QStringLiteral("宽度(&W)"), FieldKind::Number};

const std::array<Sheet, 10> kSheets{{
    {SheetKind::Page,
     QStringLiteral("网页属性"),
     QStringLiteral("page"),
     {{QStringLiteral("title"), QStringLiteral("标题(&T)"), FieldKind::Text},
      {QStringLiteral("bgcolor"), QStringLiteral("背景颜色(&K)"), FieldKind::Colour},
      kBackground,
      {QStringLiteral("text"), QStringLiteral("文字颜色(&X)"), FieldKind::Colour}}},
    {SheetKind::Font,
     QStringLiteral("字体"),
     QStringLiteral("font"),
     {{QStringLiteral("face"), QStringLiteral("字体(&F)"), FieldKind::Face},
      {QStringLiteral("size"), QStringLiteral("大小(&S)"), FieldKind::Choice, kSizes},
      {QStringLiteral("color"), QStringLiteral("颜色(&C)"), FieldKind::Colour},
      {QStringLiteral("bold"), QStringLiteral("加粗(&B)"), FieldKind::Check},
      {QStringLiteral("italic"), QStringLiteral("倾斜(&I)"), FieldKind::Check},
      {QStringLiteral("underline"), QStringLiteral("下划线(&U)"), FieldKind::Check}}},
    {SheetKind::Paragraph,
     QStringLiteral("段落"),
     QStringLiteral("paragraph"),
     {{QStringLiteral("align"),
       QStringLiteral("对齐方式(&A)"),
       FieldKind::Choice,
       {{QStringLiteral("left"), QStringLiteral("左")},
        {QStringLiteral("center"), QStringLiteral("居中")},
        {QStringLiteral("right"), QStringLiteral("右")},
        {QStringLiteral("justify"), QStringLiteral("两端对齐")}}}}},
    {SheetKind::Picture,
     QStringLiteral("图片属性"),
     QStringLiteral("img"),
     {{QStringLiteral("src"), QStringLiteral("图片文件(&F)"), FieldKind::Picture},
      {QStringLiteral("width"), QStringLiteral("宽度(&W)"), FieldKind::Number},
      {QStringLiteral("height"), QStringLiteral("高度(&H)"), FieldKind::Number},
      {QStringLiteral("border"), QStringLiteral("边框粗细(&B)"), FieldKind::Number},
      {QStringLiteral("align"), QStringLiteral("对齐方式(&A)"), FieldKind::Choice, kPictureAlign},
      {QStringLiteral("alt"), QStringLiteral("替代文字(&T)"), FieldKind::Text}}},
    {SheetKind::Link,
     QStringLiteral("超链接"),
     QStringLiteral("link"),
     {{QStringLiteral("href"), QStringLiteral("地址(&A)"), FieldKind::Link},
      {QStringLiteral("text"), QStringLiteral("显示文字(&T)"), FieldKind::Text}}},
    {SheetKind::Rule,
     QStringLiteral("水平线属性"),
     QStringLiteral("hr"),
     {{QStringLiteral("color"), QStringLiteral("颜色(&C)"), FieldKind::Colour},
      {QStringLiteral("size"), QStringLiteral("粗细(&S)"), FieldKind::Number},
      kWidth,
      {QStringLiteral("align"), QStringLiteral("对齐方式(&A)"), FieldKind::Choice, kHorizontal},
      {QStringLiteral("noshade"), QStringLiteral("实线(&N)"), FieldKind::Check}}},
    {SheetKind::NewTable,
     QStringLiteral("插入表格"),
     QStringLiteral("table"),
     {{QStringLiteral("rows"), QStringLiteral("行数(&R)"), FieldKind::Number},
      {QStringLiteral("cols"), QStringLiteral("列数(&C)"), FieldKind::Number},
      {QStringLiteral("border"), QStringLiteral("边框粗细(&B)"), FieldKind::Number},
      kWidth}},
    {SheetKind::Table,
     QStringLiteral("表格属性"),
     QStringLiteral("table"),
     {{QStringLiteral("border"), QStringLiteral("边框粗细(&B)"), FieldKind::Number},
      {QStringLiteral("bordercolor"), QStringLiteral("边框颜色(&C)"), FieldKind::Colour},
      kBgColour,
      kBackground,
      kWidth,
      {QStringLiteral("align"), QStringLiteral("对齐方式(&A)"), FieldKind::Choice, kHorizontal}}},
    {SheetKind::Cell,
     QStringLiteral("单元格属性"),
     QStringLiteral("cell"),
     {kBgColour,
      kBackground,
      {QStringLiteral("align"), QStringLiteral("水平对齐(&H)"), FieldKind::Choice, kHorizontal},
      {QStringLiteral("valign"), QStringLiteral("垂直对齐(&V)"), FieldKind::Choice, kVertical},
      kWidth}},
    {SheetKind::Marquee,
     QStringLiteral("滚动字幕"),
     QStringLiteral("marquee"),
     {{QStringLiteral("text"), QStringLiteral("文字(&T)"), FieldKind::Text},
      {QStringLiteral("behavior"),
       QStringLiteral("表现方式(&B)"),
       FieldKind::Choice,
       {{QString(), QStringLiteral("滚动条")},
        {QStringLiteral("slide"), QStringLiteral("幻灯片")},
        {QStringLiteral("alternate"), QStringLiteral("交替")}}},
      {QStringLiteral("direction"),
       QStringLiteral("方向(&D)"),
       FieldKind::Choice,
       {{QString(), QStringLiteral("左")}, {QStringLiteral("right"), QStringLiteral("右")}}},
      kBgColour,
      {QStringLiteral("loop"), QStringLiteral("重复次数(&R)"), FieldKind::Number}}},
}};

} // namespace

const Sheet& sheet(SheetKind kind)
{
    for (const Sheet& s : kSheets) {
        if (s.kind == kind) {
            return s;
        }
    }
    return kSheets.front();
}

const QList<Choice>& basicColours()
{
    static const QList<Choice> colours = {
        {QStringLiteral("#000000"), QStringLiteral("黑色")},
        {QStringLiteral("#800000"), QStringLiteral("深红")},
        {QStringLiteral("#008000"), QStringLiteral("绿色")},
        {QStringLiteral("#808000"), QStringLiteral("橄榄色")},
        {QStringLiteral("#000080"), QStringLiteral("深蓝")},
        {QStringLiteral("#800080"), QStringLiteral("紫色")},
        {QStringLiteral("#008080"), QStringLiteral("青色")},
        {QStringLiteral("#808080"), QStringLiteral("灰色")},
        {QStringLiteral("#C0C0C0"), QStringLiteral("银色")},
        {QStringLiteral("#FF0000"), QStringLiteral("红色")},
        {QStringLiteral("#00FF00"), QStringLiteral("亮绿")},
        {QStringLiteral("#FFFF00"), QStringLiteral("黄色")},
        {QStringLiteral("#0000FF"), QStringLiteral("蓝色")},
        {QStringLiteral("#FF00FF"), QStringLiteral("紫红")},
        {QStringLiteral("#00FFFF"), QStringLiteral("浅蓝")},
        {QStringLiteral("#FFFFFF"), QStringLiteral("白色")},
    };
    return colours;
}

const QStringList& fontFaces()
{
    static const QStringList faces = {QStringLiteral("宋体"),
                                      QStringLiteral("黑体"),
                                      QStringLiteral("楷体_GB2312"),
                                      QStringLiteral("仿宋_GB2312"),
                                      QStringLiteral("隶书"),
                                      QStringLiteral("幼圆"),
                                      QStringLiteral("Times New Roman"),
                                      QStringLiteral("Arial")};
    return faces;
}

QString normalizeColour(const QString& typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty()) {
        return QStringLiteral("");
    }
    for (const Choice& c : basicColours()) {
        if (text == c.label || text.compare(c.value, Qt::CaseInsensitive) == 0) {
            return c.value;
        }
    }
    static const QRegularExpression hex(QStringLiteral("^#?([0-9A-Fa-f]{6})$"));
    const QRegularExpressionMatch m = hex.match(text);
    if (!m.hasMatch()) {
        return {};
    }
    return u'#' + m.captured(1).toUpper();
}

bool validNumber(const Field& field, const QString& text)
{
    static const QRegularExpression whole(QStringLiteral("^[0-9]{1,5}$"));
    static const QRegularExpression percent(QStringLiteral("^[0-9]{1,3}%$"));
    const QString t = text.trimmed();
    if (t.isEmpty() || whole.match(t).hasMatch()) {
        return true;
    }
    return field.name == QStringLiteral("width") && percent.match(t).hasMatch();
}

} // namespace velmora::editor
