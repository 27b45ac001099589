#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the exercise material of the nine sets and their model answers.

  student/material/wf/<k>.txt              task text of set k (GBK, CR LF)
  student/material/wf/<folder>/<folder>/   the set's starting site (GBK pages)
  tests/material/answers/<k>/<page>        the starting page completed as the task says

Four small sites are shared: sets 1-2 (animal park), 3-5 (Spring Festival),
6-7 (personal home page), 8-9 (Olympic Games). Every set folder of a site
holds the whole site in its starting state, so the links between its pages
work whatever set the student opens.

Pictures are drawn straight into the set folders by draw_pictures.py; run it
first (or pass --pictures). This script only checks that they are there.
"""

import argparse
import pathlib
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
WF = ROOT / "student" / "material" / "wf"
ANSWERS = ROOT / "tests" / "material" / "answers"

FOLDERS = ["第一套", "第二套", "第三套", "第四套", "第五套", "第六套", "第七套", "第八套", "第九套"]


def page(title, body):
    """A page as FrontPage saves it: GBK charset meta, two-space indents."""
    return (
        "<html>\n\n<head>\n"
        '<meta http-equiv="Content-Language" content="zh-cn">\n'
        '<meta http-equiv="Content-Type" content="text/html; charset=gb2312">\n'
        f"<title>{title}</title>\n</head>\n\n" + body.strip("\n") + "\n\n</html>\n"
    )


# ---------------------------------------------------------------- animal park
ZOO_HU = page("动物乐园——老虎", """
<body>

<table border="1" width="100%">
  <tr>
    <td width="100%" colspan="2">动物乐园</td>
  </tr>
  <tr>
    <td width="100%" colspan="2">&nbsp;</td>
  </tr>
  <tr>
    <td width="45%">&nbsp;</td>
    <td width="55%">
      <p><b>老虎</b></p>
      <p>　　老虎是亚洲特有的大型猫科动物，身上长着黄色的皮毛和黑色的横条纹，额头上的花纹很像一个“王”字，所以人们叫它“百兽之王”。</p>
      <p>　　老虎喜欢独自生活在森林里，擅长游泳。野生老虎越来越少，东北虎和华南虎都是国家一级保护动物。</p>
    </td>
  </tr>
  <tr>
    <td width="100%" colspan="2"><a href="index.htm">返回首页</a></td>
  </tr>
</table>

</body>
""")

ZOO_INDEX = page("动物乐园", """
<body>

<table border="0" width="100%">
  <tr>
    <td width="100%" colspan="2"><img border="0" src="syt.jpg" width="520" height="90"></td>
  </tr>
  <tr>
    <td width="25%" align="center">
      <p>虎</p>
      <p>梅花鹿</p>
      <p>天堂鸟</p>
      <p>鸭嘴兽</p>
    </td>
    <td width="75%">
      <p>　　欢迎来到动物乐园！这里住着威风的老虎、温顺的梅花鹿、美丽的天堂鸟和奇特的鸭嘴兽。点一点左边的动物名字，就能认识它们。</p>
    </td>
  </tr>
  <tr>
    <td width="100%" colspan="2">保护环境保护动物</td>
  </tr>
  <tr>
    <td width="100%" colspan="2">有问题请写信给管理员：阿禾</td>
  </tr>
</table>

</body>
""")


def zoo_animal(title, paragraphs):
    text = "\n".join(f"<p>　　{p}</p>" for p in paragraphs)
    return page(f"动物乐园——{title}", f"""
<body background="花.jpg">

<p align="center"><font face="隶书" size="6" color="#0000FF">{title}</font></p>
<p align="center"><img border="0" src="barflow.gif" width="500" height="16"></p>
{text}
<p><a href="index.htm">返回首页</a></p>

</body>
""")


ZOO = {
    "hu.htm": ZOO_HU,
    "index.htm": ZOO_INDEX,
    "mhl.htm": zoo_animal("梅花鹿", [
        "梅花鹿身上长着许多白色的斑点，好像一朵朵梅花，因此得名。",
        "雄鹿头上有漂亮的角，每年春天脱落，再长出新的鹿角。梅花鹿性情温顺，是国家一级保护动物。"]),
    "ttn.htm": zoo_animal("天堂鸟", [
        "天堂鸟又叫极乐鸟，生活在新几内亚一带的热带森林里。",
        "雄鸟的羽毛色彩艳丽，尾羽又细又长，飞起来像仙女的彩带，所以人们称它为“天堂里的鸟”。"]),
    "yzs.htm": zoo_animal("鸭嘴兽", [
        "鸭嘴兽生活在澳大利亚，长着像鸭子一样的扁嘴，脚上有蹼，擅长游泳。",
        "它是少见的会下蛋的哺乳动物，被称为“活化石”。"]),
}

# ------------------------------------------------------------ Spring Festival
FEST_CJJJ = page("春节", """
<body>

<p>春节简介</p>
<table border="1" width="100%">
  <tr>
    <td width="100%">
      <p>　　春节是我国最隆重、最热闹的传统节日，民间俗称“过年”。它是农历的新年，一般在公历一月下旬到二月中旬之间。</p>
      <p>　　春节前，家家户户打扫房屋、贴春联、贴年画、挂灯笼；除夕夜，全家人围坐在一起吃年夜饭、守岁；从大年初一开始，人们穿上新衣，走亲访友，互相拜年。</p>
      <p>　　春节寄托着人们对新一年的美好期盼，到处洋溢着欢乐祥和的气氛。</p>
      <p>返回主页</p>
    </td>
  </tr>
</table>

</body>
""")

FEST_INDEX = page("欢度春节", """
<body>

<table border="0" width="100%">
  <tr>
    <td width="70%">
      <p><font size="6" color="#FF0000">欢度春节</font></p>
      <p>　　欢迎来到“欢度春节”小网站！在这里你可以了解春节的来历、习俗和美丽的传说。</p>
    </td>
    <td width="30%"><img border="0" src="a-7.gif" width="150" height="150"></td>
  </tr>
  <tr>
    <td width="100%" colspan="2">
      <p>春节简介　　春节由来与传说</p>
    </td>
  </tr>
  <tr>
    <td width="100%" colspan="2">想知道更多春节知识？请用搜索网站：百度</td>
  </tr>
  <tr>
    <td width="100%" colspan="2">站长信箱：webmaster@example.com</td>
  </tr>
</table>

</body>
""")

FEST_CJYL = page("春节故事", """
<body>

<p align="center"><font size="6" color="#CC0000">春节的由来与传说</font></p>
<p align="center">春节快乐</p>
<table border="0" width="100%">
  <tr>
    <td width="25%" align="center"><img border="0" src="chunlian.jpg" width="90" height="320"></td>
    <td width="50%">
      <p>　　相传在中国古代神话里，有一种叫“年”的怪兽，头长尖角，凶猛异常。每到除夕，它就出来伤害人畜。</p>
      <p>　　后来人们发现，“年”最怕红色、火光和响声。于是每到除夕，家家户户贴红春联、挂红灯笼、燃放爆竹，把“年”吓跑了。这个习俗越传越广，就成了最隆重的传统节日。</p>
      <p>　　人们还在大门上贴门神像，盼望门神守住家门，保佑全家平安。</p>
    </td>
    <td width="25%" align="center">&nbsp;</td>
  </tr>
  <tr>
    <td width="100%" colspan="3" align="center"><img border="0" src="home.gif" width="48" height="48"></td>
  </tr>
  <tr>
    <td width="100%" colspan="3" align="center"><font color="#FFFF00">祝大家新春快乐，万事如意！</font></td>
  </tr>
</table>

</body>
""")

FESTIVAL = {"index.htm": FEST_INDEX, "cjjj.htm": FEST_CJJJ, "cjyl.htm": FEST_CJYL}

# ---------------------------------------------------------- personal home page
HOME_HOME = page("我的网上小家", """
<body>

<table border="0" width="620">
  <tr>
    <td width="100%" colspan="4" align="center"><font size="6" color="#008000">我的网上小家</font></td>
  </tr>
  <tr>
    <td width="25%" align="center">成长笔记</td>
    <td width="25%" align="center">创作园地</td>
    <td width="25%" align="center">校园逸趣</td>
    <td width="25%" align="center">诗苑履痕</td>
  </tr>
  <tr>
    <td width="50%" colspan="2" align="center"><img border="0" src="wawj.JPG" width="240" height="180"></td>
    <td width="50%" colspan="2">
      <p>　　青春是一首歌，青春是一幅画。我是一名初三学生，喜欢读书、画画和打篮球。左边是我和家人的合影，我爱我家！</p>
    </td>
  </tr>
  <tr>
    <td width="100%" colspan="4" align="center">欢迎光临我的网上小家</td>
  </tr>
  <tr>
    <td width="100%" colspan="4" align="center">同学们，常来我的小家做客，记得给我留言哦！</td>
  </tr>
</table>

</body>
""")

HOME_CZBJ = page("成长笔记", """
<body background="树叶.jpg">

<p align="center"><font size="5" color="#800000">成长笔记</font></p>
<p>　　九月一日，晴。今天是初三开学的第一天，新的书本散发着油墨的香味。我在日记本的第一页写下：努力，不留遗憾！</p>
<p>　　十月八日，多云。运动会上我跑了八百米，虽然只得了第五名，但同学们的加油声让我坚持到了终点。</p>
<p><a href="home.htm">返回我的网上小家</a></p>

</body>
""")

HOME = {"home.htm": HOME_HOME, "czbj.htm": HOME_CZBJ}

# ------------------------------------------------------------ Olympic Games
GAMES_AOYUN = page("北京奥运", """
<body>

<table border="1" width="640">
  <tr>
    <td width="35%" align="center"><img border="0" src="2008.gif" width="200" height="80"></td>
    <td width="65%" align="center"><font size="6" color="#CC0000">北京2008年奥运会</font></td>
  </tr>
  <tr>
    <td width="100%" colspan="2">北京欢迎您</td>
  </tr>
  <tr>
    <td width="100%" colspan="2"><b>奥运吉祥物：福娃晶晶</b></td>
  </tr>
  <tr>
    <td width="35%" align="center">&nbsp;</td>
    <td width="65%">　　晶晶是一只憨态可掬的大熊猫，走到哪里都给人们带来欢乐。它来自茂密的森林，象征着人与自然和谐相处。</td>
  </tr>
  <tr>
    <td width="100%" colspan="2"><b>会徽：中国印·舞动的北京</b></td>
  </tr>
  <tr>
    <td width="100%" colspan="2">　　会徽以中国印章为主体，一个“京”字化作舞动的人形，张开双臂欢迎八方来客。</td>
  </tr>
  <tr>
    <td width="100%" colspan="2"><b>奥运会口号</b></td>
  </tr>
  <tr>
    <td width="100%" colspan="2" align="center" height="100">同一个世界　同一个梦想</td>
  </tr>
</table>

</body>
""")

GAMES = {"aoyun.htm": GAMES_AOYUN}

SITES = {
    "zoo": (ZOO, ["barflow.gif", "hu.jpg", "花.jpg", "syt.jpg", "cittext.gif"]),
    "festival": (FESTIVAL, ["chunjie02.jpg", "a-7.gif", "bg.gif", "chunlian.jpg", "menshen.jpg",
                            "home.gif"]),
    "home": (HOME, ["花.jpg", "wawj.JPG", "树叶.jpg", "bg.gif"]),
    "games": (GAMES, ["2008.gif", "jingjing.jpg", "印.gif", "中国龙.gif"]),
}

# ------------------------------------------------------------------ the sets
# For each set: site, page file, task text, and the edits a student makes in
# the editor, as (starting text, finished text) pairs applied to the page.

INTRO = ("请用网页编辑器（或其他网页编辑软件）打开工作文件夹里的网页 {page}："
         "在本窗口按 Ctrl+E，或在本窗口上点右键，选“用网页编辑器打开网页”。"
         "工作文件夹就是窗口上方红字写的那个文件夹，点一下红字就能打开它。"
         "网页要用到的图片都已经放在这个文件夹里了。")
OUTRO = ("做完后请保存网页（文件名不变，仍叫 {page}），再回到本窗口点击“批改”。"
         "颜色值要和上面写的完全一样；做超链接时，本网站的网页请直接从文件夹里选择。"
         "用网页编辑器时，“文件”菜单的“保存”（Ctrl+S）就是保存。想从头再来，可以点击“重做本题”（先关闭网页编辑器）。")

SETS = {
    1: dict(site="zoo", page="hu.htm", title="动物乐园——老虎", steps=[
        "表格第一行的标题“动物乐园”：字体设为“隶书”，字号设为 7，颜色设为蓝色 #0000FF，并让它居中。",
        "在表格第二行（标题下面的空行）里插入图片 barflow.gif，并让这张图片居中。",
        "在表格第三行左边的空单元格里插入老虎图片 hu.jpg。",
        "打开“表格属性”，把表格的边框粗细设为 0。",
        "打开“网页属性”（或“格式”菜单的“背景”），把网页的背景图片设为 花.jpg。",
    ], edits=[
        ('<td width="100%" colspan="2">动物乐园</td>',
         '<td width="100%" colspan="2" align="center"><font face="隶书" size="7" '
         'color="#0000FF">动物乐园</font></td>'),
        ('<td width="100%" colspan="2">&nbsp;</td>',
         '<td width="100%" colspan="2" align="center"><img border="0" src="barflow.gif" '
         'width="500" height="16"></td>'),
        ('<td width="45%">&nbsp;</td>',
         '<td width="45%"><img border="0" src="hu.jpg" width="300" height="225"></td>'),
        ('<table border="1" width="100%">', '<table border="0" width="100%">'),
        ("<body>", '<body background="花.jpg">'),
    ]),
    2: dict(site="zoo", page="index.htm", title="动物乐园——首页", steps=[
        "选中表格第一行的图片 syt.jpg，插入超链接，链接到中国科普博览网站 http://www.kepu.net.cn。",
        "给左边单元格里的四个动物名字分别做超链接（只选中名字本身）：“虎”链接到 hu.htm，"
        "“梅花鹿”链接到 mhl.htm，“天堂鸟”链接到 ttn.htm，“鸭嘴兽”链接到 yzs.htm；"
        "再把这个单元格的背景颜色设为 #008080。",
        "选中第三行的文字“保护环境保护动物”，把它做成滚动字幕：表现方式选“交替”，背景颜色设为灰色 #C0C0C0；"
        "字幕文字的字体设为“楷体_GB2312”，颜色设为蓝色 #0000FF，字号设为 4。",
        "把最后一行的名字“阿禾”做成电子邮件超链接，邮件地址是 ahe@example.com（链接文字仍是“阿禾”）。",
        "打开“表格属性”，把整个表格的背景图片设为 cittext.gif。",
    ], edits=[
        ('<img border="0" src="syt.jpg" width="520" height="90">',
         '<a href="http://www.kepu.net.cn"><img border="0" src="syt.jpg" width="520" '
         'height="90"></a>'),
        ('<td width="25%" align="center">', '<td width="25%" align="center" bgcolor="#008080">'),
        ("<p>虎</p>", '<p><a href="hu.htm">虎</a></p>'),
        ("<p>梅花鹿</p>", '<p><a href="mhl.htm">梅花鹿</a></p>'),
        ("<p>天堂鸟</p>", '<p><a href="ttn.htm">天堂鸟</a></p>'),
        ("<p>鸭嘴兽</p>", '<p><a href="yzs.htm">鸭嘴兽</a></p>'),
        ('<td width="100%" colspan="2">保护环境保护动物</td>',
         '<td width="100%" colspan="2"><marquee behavior="alternate" bgcolor="#C0C0C0">'
         '<font face="楷体_GB2312" size="4" color="#0000FF">保护环境保护动物</font></marquee></td>'),
        ("管理员：阿禾", '管理员：<a href="mailto:ahe@example.com">阿禾</a>'),
        ('<table border="0" width="100%">',
         '<table border="0" width="100%" background="cittext.gif">'),
    ]),
    3: dict(site="festival", page="cjjj.htm", title="春节简介", steps=[
        "把网页最上面的标题“春节简介”设为：加粗，字体“宋体”，字号 4，颜色红色 #FF0000，并让它居中。",
        "在标题“春节简介”和下面的表格之间插入一条水平线，把水平线的颜色设为红色 #FF0000。",
        "在第二段文字（“春节前，家家户户……”）的后面插入图片 chunjie02.jpg，并让这张图片居中。",
        "把最下面的文字“返回主页”做成超链接，链接到同一文件夹里的 index.htm。",
        "打开“表格属性”，把表格的边框粗细设为 0。",
    ], edits=[
        ("<p>春节简介</p>",
         '<p align="center"><b><font face="宋体" size="4" color="#FF0000">春节简介</font></b></p>\n'
         '<hr color="#FF0000">'),
        ("互相拜年。</p>",
         "互相拜年。</p>\n"
         '      <p align="center"><img border="0" src="chunjie02.jpg" width="320" height="213"></p>'),
        ("<p>返回主页</p>", '<p><a href="index.htm">返回主页</a></p>'),
        ('<table border="1" width="100%">', '<table border="0" width="100%">'),
    ]),
    4: dict(site="festival", page="index.htm", title="欢度春节——主页", steps=[
        "打开“网页属性”（或“格式”菜单的“背景”），把网页的背景颜色设为灰色 #C0C0C0。",
        "打开放着图片 a-7.gif 的单元格的“单元格属性”：水平对齐方式选“右”（右对齐），"
        "垂直对齐方式选“顶端”（靠上）。",
        "给第二行的文字做超链接：“春节简介”链接到 cjjj.htm，“春节由来与传说”链接到 cjyl.htm。",
        "把第三行的文字“百度”做成超链接，链接到百度网站 http://www.baidu.com。",
        "把最后一行的邮件地址 webmaster@example.com 做成电子邮件超链接，"
        "邮件地址也是 webmaster@example.com（链接文字保持不变）。",
    ], edits=[
        ("<body>", '<body bgcolor="#C0C0C0">'),
        ('<td width="30%"><img', '<td width="30%" align="right" valign="top"><img'),
        ("<p>春节简介　　春节由来与传说</p>",
         '<p><a href="cjjj.htm">春节简介</a>　　<a href="cjyl.htm">春节由来与传说</a></p>'),
        ("搜索网站：百度", '搜索网站：<a href="http://www.baidu.com">百度</a>'),
        ("站长信箱：webmaster@example.com",
         '站长信箱：<a href="mailto:webmaster@example.com">webmaster@example.com</a>'),
    ]),
    5: dict(site="festival", page="cjyl.htm", title="春节的由来与传说", steps=[
        "打开“网页属性”（或“格式”菜单的“背景”），把网页的背景图片设为 bg.gif。",
        "选中标题下面的文字“春节快乐”，把它做成滚动字幕，字幕的背景颜色设为红色 #FF0000；"
        "字幕文字的字体设为“隶书”，字号设为 5。",
        "在表格第一行最右边的空单元格里插入门神图片 menshen.jpg。",
        "把表格第二行的小房子图标 home.gif 做成超链接，链接到同一文件夹里的 index.htm。",
        "把表格最后一行（“祝大家新春快乐，万事如意！”）的单元格背景颜色设为红色 #FF0000。",
    ], edits=[
        ("<body>", '<body background="bg.gif">'),
        ('<p align="center">春节快乐</p>',
         '<p align="center"><marquee bgcolor="#FF0000"><font face="隶书" size="5">春节快乐'
         "</font></marquee></p>"),
        ('<td width="25%" align="center">&nbsp;</td>',
         '<td width="25%" align="center"><img border="0" src="menshen.jpg" width="110" '
         'height="320"></td>'),
        ('<img border="0" src="home.gif" width="48" height="48">',
         '<a href="index.htm"><img border="0" src="home.gif" width="48" height="48"></a>'),
        ('<td width="100%" colspan="3" align="center"><font color="#FFFF00">',
         '<td width="100%" colspan="3" align="center" bgcolor="#FF0000"><font color="#FFFF00">'),
    ]),
    6: dict(site="home", page="home.htm", title="我的网上小家（一）", steps=[
        "打开“网页属性”（或“格式”菜单的“背景”），把网页的背景图片设为 花.jpg。",
        "打开“表格属性”，把表格的对齐方式设为“居中”，让整个表格位于网页中间。",
        "还是在“表格属性”里，把表格的背景颜色设为白色 #FFFFFF。",
        "选中表格第四行的文字“欢迎光临我的网上小家”，把它做成滚动字幕，字幕文字的颜色设为深红色 #800000。",
        "导航栏（表格第二行）的四个单元格“成长笔记”“创作园地”“校园逸趣”“诗苑履痕”："
        "单元格背景颜色都设为深红色 #800000，文字颜色都设为黄色 #FFFF00。",
    ], edits=[
        ("<body>", '<body background="花.jpg">'),
        ('<table border="0" width="620">',
         '<div align="center">\n  <center>\n  <table border="0" width="620" bgcolor="#FFFFFF">'),
        ("</table>", "</table>\n  </center>\n</div>"),
        ('<td width="100%" colspan="4" align="center">欢迎光临我的网上小家</td>',
         '<td width="100%" colspan="4" align="center"><marquee><font color="#800000" size="5">'
         "欢迎光临我的网上小家</font></marquee></td>"),
    ] + [(f'<td width="25%" align="center">{w}</td>',
          f'<td width="25%" align="center" bgcolor="#800000"><font color="#FFFF00">{w}</font></td>')
         for w in ("成长笔记", "创作园地", "校园逸趣", "诗苑履痕")]),
    7: dict(site="home", page="home.htm", title="我的网上小家（二）", steps=[
        "打开“网页属性”（或“格式”菜单的“背景”），把网页的背景颜色设为灰色 #C0C0C0。",
        "打开“表格属性”，把表格的背景图片设为 bg.gif。",
        "在照片右边那段文字（“青春是一首歌……”）的上面插入一条水平线：颜色红色 #FF0000，高度（粗细）设为 3。",
        "打开表格最后一行单元格的“单元格属性”，把它的背景图片设为 树叶.jpg。",
        "把导航栏里的“成长笔记”做成超链接，链接到同一文件夹里的 czbj.htm。",
    ], edits=[
        ("<body>", '<body bgcolor="#C0C0C0">'),
        ('<table border="0" width="620">', '<table border="0" width="620" background="bg.gif">'),
        ("      <p>　　青春是一首歌", '      <hr color="#FF0000" size="3">\n      <p>　　青春是一首歌'),
        ('<td width="100%" colspan="4" align="center">同学们',
         '<td width="100%" colspan="4" align="center" background="树叶.jpg">同学们'),
        ('<td width="25%" align="center">成长笔记</td>',
         '<td width="25%" align="center"><a href="czbj.htm">成长笔记</a></td>'),
    ]),
    8: dict(site="games", page="aoyun.htm", title="北京奥运（一）", steps=[
        "打开“表格属性”，把表格的边框颜色设为红色 #FF0000。",
        "把表格第二行（“北京欢迎您”那一行）单元格的背景颜色设为红色 #FF0000。",
        "选中第二行的文字“北京欢迎您”，把它做成滚动字幕，表现方式选“交替”。",
        "在表格第四行左边的空单元格里插入福娃图片 jingjing.jpg。",
        "打开表格第八行（最后一行，“同一个世界　同一个梦想”）单元格的“单元格属性”，把背景图片设为 印.gif。",
    ], edits=[
        ('<table border="1" width="640">', '<table border="1" width="640" bordercolor="#FF0000">'),
        ('<td width="100%" colspan="2">北京欢迎您</td>',
         '<td width="100%" colspan="2" bgcolor="#FF0000"><marquee behavior="alternate">'
         '<font size="5" color="#FFFF00"><b>北京欢迎您</b></font></marquee></td>'),
        ('<td width="35%" align="center">&nbsp;</td>',
         '<td width="35%" align="center"><img border="0" src="jingjing.jpg" width="150" '
         'height="150"></td>'),
        ('align="center" height="100">', 'align="center" height="100" background="印.gif">'),
    ]),
    9: dict(site="games", page="aoyun.htm", title="北京奥运（二）", steps=[
        "选中表格第一行的图片 2008.gif，插入超链接，链接到北京奥运会网站 http://www.beijing2008.cn。",
        "打开“表格属性”，把表格的边框粗细设为 0。",
        "打开“网页属性”（或“格式”菜单的“背景”），把网页的背景图片设为 中国龙.gif。",
        "在“表格属性”里把表格的背景颜色设为白色 #FFFFFF。",
        "在表格最后一行的文字“同一个世界　同一个梦想”下面插入一条水平线：颜色红色 #FF0000，"
        "高度（粗细）设为 1，宽度设为 90%。",
    ], edits=[
        ('<img border="0" src="2008.gif" width="200" height="80">',
         '<a href="http://www.beijing2008.cn"><img border="0" src="2008.gif" width="200" '
         'height="80"></a>'),
        ('<table border="1" width="640">', '<table border="0" width="640" bgcolor="#FFFFFF">'),
        ("<body>", '<body background="中国龙.gif">'),
        ("同一个世界　同一个梦想</td>",
         "<p>同一个世界　同一个梦想</p>\n"
         '      <hr color="#FF0000" size="1" width="90%"></td>'),
    ]),
}


def task_text(k, task):
    lines = [f"{FOLDERS[k - 1]}　{task['title']}", "",
             INTRO.format(page=task["page"]), "",
             "请按下面 5 个要求完成网页（每题 5 分，共 25 分）：", ""]
    lines += [f"{i}. {step}" for i, step in enumerate(task["steps"], 1)]
    lines += ["", OUTRO.format(page=task["page"])]
    return "\n".join(lines) + "\n"


def model_answer(task):
    text = SITES[task["site"]][0][task["page"]]
    for old, new in task["edits"]:
        if text.count(old) != 1:
            sys.exit(f"edit target not unique in {task['page']}: {old!r}")
        text = text.replace(old, new)
    return text


def gbk_crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("gbk")


def write(path, data):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--pictures", action="store_true", help="redraw the pictures first")
    args = parser.parse_args()
    if args.pictures:
        subprocess.run([sys.executable, str(pathlib.Path(__file__).with_name("draw_pictures.py"))],
                       check=True)

    for k, task in SETS.items():
        folder = FOLDERS[k - 1]
        write(WF / f"{k}.txt", gbk_crlf(task_text(k, task)))
        pages, pictures = SITES[task["site"]]
        target = WF / folder / folder
        for name, html in pages.items():
            write(target / name, gbk_crlf(html))
        for name in pictures:
            if not (target / name).exists():
                sys.exit(f"missing picture {target / name}: run draw_pictures.py first")
        write(ANSWERS / str(k) / task["page"], gbk_crlf(model_answer(task)))


if __name__ == "__main__":
    main()
