#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Draws the pictures of the exercise sites with ImageMagick's convert.

Each picture is drawn once and written into every set folder of its site
(student/material/wf/<folder>/<folder>/). Simple flat art, small files.
"""

import math
import pathlib
import shutil
import subprocess
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
WF = ROOT / "student" / "material" / "wf"
CONVERT = "/usr/bin/convert" if pathlib.Path("/usr/bin/convert").exists() else "convert"
FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

SITE_FOLDERS = {
    "zoo": ["第一套", "第二套"],
    "festival": ["第三套", "第四套", "第五套"],
    "home": ["第六套", "第七套"],
    "games": ["第八套", "第九套"],
}


def convert(*args):
    subprocess.run([CONVERT, *[str(a) for a in args]], check=True)


def text(x, y, size, colour, words):
    """Arguments that write words with the Chinese font at x, y (baseline)."""
    return ["-font", FONT, "-pointsize", size, "-fill", colour, "-stroke", "none",
            "-annotate", f"+{x}+{y}", words]


def barflow(out):
    # A bar of leafy green fading to sand, with a trail of paw prints.
    draw = []
    for i in range(12):
        x = 20 + i * 40
        y = 8 if i % 2 else 9
        draw += ["-draw", f"circle {x},{y} {x + 3},{y}",
                 "-draw", f"circle {x - 4},{y - 4} {x - 3},{y - 4}",
                 "-draw", f"circle {x},{y - 6} {x + 1},{y - 6}",
                 "-draw", f"circle {x + 4},{y - 4} {x + 5},{y - 4}"]
    convert("-size", "16x500", "gradient:#2E8B57-#F0E68C", "-rotate", "-90",
            "-fill", "#5A3A1A", *draw, out)


def tiger(out):
    stripes = []
    for dx in (-40, -20, 20, 40):
        stripes += ["-draw", f"line {150 + dx},{150} {150 + dx + 6},{185}"]
    body = [
        "-fill", "#E8871E", "-stroke", "#3A2000", "-strokewidth", "2",
        "-draw", "ellipse 150,165 95,45 0,360",                      # body
        "-draw", "ellipse 95,80 14,14 0,360", "-draw", "ellipse 205,80 14,14 0,360",  # ears
        "-draw", "ellipse 150,110 58,50 0,360",                      # head
        "-fill", "#FFF5E0", "-draw", "ellipse 150,132 30,20 0,360",  # muzzle
        "-fill", "black", "-draw", "ellipse 128,100 7,8 0,360",
        "-draw", "ellipse 172,100 7,8 0,360",                        # eyes
        "-fill", "#C0392B", "-draw", "polygon 142,122 158,122 150,132",  # nose
        "-stroke", "black", "-strokewidth", "4",
        "-draw", "line 138,70 162,70", "-draw", "line 136,80 164,80",
        "-draw", "line 150,70 150,90", "-draw", "line 134,90 166,90",  # the 王 mark
        "-draw", "line 95,105 110,108", "-draw", "line 205,105 190,108",
        "-draw", "line 96,120 112,120", "-draw", "line 204,120 188,120",
        *stripes,
        "-strokewidth", "1", "-draw", "line 130,138 100,132", "-draw", "line 170,138 200,132",
        "-fill", "none", "-stroke", "#E8871E", "-strokewidth", "10",
        "-draw", "bezier 240,165 275,150 270,110 285,95",            # tail
    ]
    convert("-size", "300x225", "gradient:#9BD77A-#3F7F2A", *body,
            *text(10, 215, 18, "white", "百兽之王"), "-quality", "80", out)


def flowers(out):
    # A pale tile with small five-petal flowers; it repeats as a page backdrop.
    draw = ["-fill", "#F7B7C8"]
    centres = [(30, 30), (90, 75), (40, 100), (100, 15)]
    for cx, cy in centres:
        for ox, oy in ((0, -9), (9, -3), (6, 8), (-6, 8), (-9, -3)):
            draw += ["-draw", f"circle {cx + ox},{cy + oy} {cx + ox + 6},{cy + oy}"]
    for cx, cy in centres:
        draw += ["-fill", "#F5D142", "-draw", f"circle {cx},{cy} {cx + 4},{cy}"]
    convert("-size", "120x120", "xc:#FFF4F7", *draw, "-quality", "85", out)


def science_banner(out):
    convert("-size", "90x520", "gradient:#0B3D91-#1E90FF", "-rotate", "-90",
            "-fill", "none", "-stroke", "#BFE3FF", "-strokewidth", "2",
            "-draw", "ellipse 60,45 40,14 0,360", "-draw", "ellipse 60,45 14,40 0,360",
            "-fill", "#FFD700", "-stroke", "none", "-draw", "circle 60,45 68,45",
            "-fill", "white", "-draw", "circle 460,25 463,25", "-draw", "circle 490,60 492,60",
            "-draw", "circle 430,70 432,70",
            *text(120, 55, 34, "white", "走进科学　中国科普"),
            *text(122, 80, 14, "#DDEEFF", "点击图片，去科普网站看一看"), "-quality", "85", out)


def paper_tile(out):
    # Light squared paper for the table backdrop.
    convert("-size", "40x40", "xc:#FBF8EC", "-stroke", "#E6DFC4",
            "-draw", "line 0,39 39,39", "-draw", "line 39,0 39,39",
            "-fill", "#E9E1C0", "-stroke", "none", "-draw", "circle 20,20 22,20", out)


def festival_picture(out):
    draw = []
    for x in (60, 260):  # two lanterns
        draw += ["-fill", "#8B0000", "-draw", f"line {x},0 {x},30",
                 "-fill", "#E60012", "-stroke", "#FFD700", "-strokewidth", "2",
                 "-draw", f"ellipse {x},65 38,34 0,360",
                 "-fill", "#FFD700", "-stroke", "none",
                 "-draw", f"rectangle {x - 14},27 {x + 14},33",
                 "-draw", f"rectangle {x - 14},97 {x + 14},103",
                 "-draw", f"line {x},103 {x},125"]
    for cx, cy in ((160, 45), (120, 150), (210, 160)):  # fireworks
        for a in range(0, 360, 30):

            dx = round(28 * math.cos(math.radians(a)))
            dy = round(28 * math.sin(math.radians(a)))
            draw += ["-stroke", "#FFE066", "-strokewidth", "2",
                     "-draw", f"line {cx},{cy} {cx + dx},{cy + dy}"]
    convert("-size", "320x213", "gradient:#5A0A0A-#B01E1E", *draw,
            *text(92, 205, 40, "#FFD700", "欢度春节"), "-quality", "80", out)


def lantern(out):
    convert("-size", "150x150", "xc:none",
            "-stroke", "#8B4513", "-strokewidth", "3", "-draw", "line 75,0 75,25",
            "-fill", "#E60012", "-stroke", "#FFD700", "-strokewidth", "3",
            "-draw", "ellipse 75,75 55,48 0,360",
            "-fill", "#FFD700", "-stroke", "none",
            "-draw", "rectangle 52,22 98,30", "-draw", "rectangle 52,120 98,128",
            "-stroke", "#FFD700", "-strokewidth", "2",
            "-draw", "line 66,128 62,148", "-draw", "line 75,128 75,150",
            "-draw", "line 84,128 88,148",
            *text(52, 92, 44, "#FFD700", "福"), out)


def festive_tile(out):
    # Pale paper with faint red diamonds: quiet enough to read text on.
    convert("-size", "64x64", "xc:#FFF8E7", "-fill", "#F6D2C4",
            "-draw", "polygon 32,20 44,32 32,44 20,32",
            "-draw", "polygon 0,0 6,0 0,6", "-draw", "polygon 64,64 58,64 64,58", out)


def couplet(out):
    args = ["-size", "90x320", "xc:#C8102E", "-fill", "none", "-stroke", "#FFD700",
            "-strokewidth", "3", "-draw", "rectangle 6,6 83,313"]
    for i, ch in enumerate("天增岁月人增寿"):
        args += text(24, 52 + i * 42, 38, "black", ch)
    convert(*args, "-quality", "85", out)


def door_god(out):
    convert("-size", "110x320", "xc:#F3E3C3",
            "-fill", "#C8102E", "-stroke", "#5A2E00", "-strokewidth", "2",
            "-draw", "polygon 20,110 90,110 100,260 10,260",                 # armour
            "-fill", "#D4A017", "-draw", "rectangle 30,130 80,200",           # breastplate
            "-fill", "#1F4E9A", "-draw", "rectangle 15,260 48,310",
            "-draw", "rectangle 62,260 95,310",                               # boots
            "-fill", "#F1C27D", "-draw", "ellipse 55,75 28,32 0,360",         # face
            "-fill", "#2B2B2B", "-draw", "polygon 25,55 85,55 75,25 35,25",   # helmet
            "-fill", "#D4A017", "-draw", "circle 55,28 60,28",
            "-fill", "black", "-draw", "ellipse 44,72 4,3 0,360", "-draw", "ellipse 66,72 4,3 0,360",
            "-stroke", "black", "-strokewidth", "3", "-draw", "line 36,62 50,66",
            "-draw", "line 74,62 60,66",                                      # frowning brows
            "-fill", "#2B2B2B", "-stroke", "none",
            "-draw", "polygon 38,92 72,92 66,125 55,132 44,125",              # beard
            "-stroke", "#8B8B8B", "-strokewidth", "5", "-draw", "line 95,90 95,300",  # spear
            "-fill", "#C0C0C0", "-stroke", "none", "-draw", "polygon 88,90 102,90 95,65",
            "-quality", "85", out)


def home_icon(out):
    convert("-size", "48x48", "xc:none",
            "-fill", "#D62828", "-stroke", "#7A1010", "-strokewidth", "2",
            "-draw", "polygon 4,24 24,5 44,24",
            "-fill", "#FFF3D6", "-stroke", "#7A5A2A", "-draw", "rectangle 10,24 38,44",
            "-fill", "#8B5A2B", "-draw", "rectangle 20,30 28,44",
            "-fill", "#87CEEB", "-draw", "rectangle 30,28 35,33", out)


def family_photo(out):
    figures = []
    for x, h, shirt in ((80, 70, "#1F77B4"), (120, 62, "#E377C2"), (155, 45, "#FF7F0E")):
        top = 160 - h
        figures += ["-fill", "#F1C27D", "-stroke", "#7A5A2A", "-strokewidth", "1",
                    "-draw", f"circle {x},{top} {x + 9},{top}",
                    "-fill", shirt, "-draw", f"rectangle {x - 10},{top + 10} {x + 10},{top + h // 2 + 10}",
                    "-stroke", "#333333", "-strokewidth", "3",
                    "-draw", f"line {x - 5},{top + h // 2 + 10} {x - 6},160",
                    "-draw", f"line {x + 5},{top + h // 2 + 10} {x + 6},160"]
    convert("-size", "240x180", "gradient:#BFE6FF-#E8F7D8",
            "-fill", "#FFD93D", "-draw", "circle 205,30 222,30",
            "-fill", "#7CB342", "-draw", "rectangle 0,160 240,180",
            "-fill", "#C8553D", "-draw", "polygon 160,90 200,55 240,90",
            "-fill", "#FFF3D6", "-draw", "rectangle 168,90 232,160",
            "-fill", "#8B5A2B", "-draw", "rectangle 192,120 208,160",
            *figures, *text(12, 30, 22, "#C8102E", "我爱我家"), "-quality", "85", out)


def leaves(out):
    draw = []
    for cx, cy, angle in ((25, 25, 30), (75, 30, -40), (30, 75, -20), (78, 78, 50)):
        draw += ["-fill", "#CFE8B8", "-stroke", "#A9CC8C",
                 "-draw", f"translate {cx},{cy} rotate {angle} ellipse 0,0 18,8 0,360",
                 "-stroke", "#A9CC8C", "-draw", f"translate {cx},{cy} rotate {angle} line -18,0 18,0"]
    convert("-size", "100x100", "xc:#EEF7E6", *draw, "-quality", "85", out)


def blue_tile(out):
    convert("-size", "64x64", "xc:#F2F7FF", "-stroke", "#DCE8FA", "-strokewidth", "2",
            "-draw", "line 0,16 64,16", "-draw", "line 0,48 64,48",
            "-fill", "#E1ECFB", "-stroke", "none", "-draw", "circle 32,32 36,32", out)


def games_logo(out):
    rings = []
    for (cx, cy), colour in zip(((112, 30), (136, 30), (160, 30), (124, 42), (148, 42)),
                                ("#0081C8", "#000000", "#EE334E", "#FCB131", "#00A651")):
        rings += ["-fill", "none", "-stroke", colour, "-strokewidth", "3",
                  "-draw", f"circle {cx},{cy} {cx + 10},{cy}"]
    convert("-size", "200x80", "xc:white", *rings,
            "-fill", "#C8102E", "-stroke", "none", "-draw", "roundrectangle 10,8 90,72 8,8",
            *text(22, 52, 26, "white", "京"), *text(50, 52, 12, "white", "2008"),
            *text(104, 74, 16, "#C8102E", "Beijing 2008"), out)


def panda(out):
    convert("-size", "150x150", "xc:#E6F4EA",
            "-fill", "black", "-draw", "circle 40,35 56,35", "-draw", "circle 110,35 126,35",
            "-fill", "white", "-stroke", "#333333", "-strokewidth", "2",
            "-draw", "ellipse 75,80 55,50 0,360",
            "-fill", "black", "-stroke", "none",
            "-draw", "translate 53,72 rotate -30 ellipse 0,0 14,10 0,360",
            "-draw", "translate 97,72 rotate 30 ellipse 0,0 14,10 0,360",
            "-fill", "white", "-draw", "circle 55,70 59,70", "-draw", "circle 95,70 99,70",
            "-fill", "black", "-draw", "ellipse 75,95 8,5 0,360",
            "-fill", "none", "-stroke", "black", "-strokewidth", "2",
            "-draw", "arc 63,98 87,112 20,160",
            "-fill", "#F7A6A6", "-stroke", "none",
            "-draw", "circle 45,98 50,98", "-draw", "circle 105,98 110,98",
            *text(52, 145, 18, "#2E7D32", "晶晶"), "-quality", "85", out)


def seal(out):
    # The emblem as the backdrop of a 640-pixel table row: a red seal with a
    # dancing figure at each end, the middle left clear for the row's text.
    draw = []
    for x in (20, 550):
        draw += ["-fill", "#D93A3A", "-stroke", "none",
                 "-draw", f"roundrectangle {x},12 {x + 70},88 6,6",
                 "-fill", "#FFF8EC", "-draw", f"circle {x + 37},28 {x + 44},28",
                 "-stroke", "#FFF8EC", "-strokewidth", "6", "-fill", "none",
                 "-draw", f"bezier {x + 15},45 {x + 30},38 {x + 45},40 {x + 57},36",
                 "-draw", f"bezier {x + 35},40 {x + 33},55 {x + 31},62 {x + 25},80",
                 "-draw", f"bezier {x + 31},62 {x + 41},66 {x + 47},72 {x + 53},82"]
    convert("-size", "640x100", "xc:#FFF8EC", *draw, out)


def dragon(out):
    # A pale golden dragon winding across the tile: a wavy scaled body that
    # thickens from the tail, a horned head with whiskers, and the pearl it chases.
    body = []
    for i in range(0, 156, 6):
        y = 70 - round(22 * math.sin(i / 150 * 2 * math.pi * 1.5))
        r = 4 + i // 30
        body += ["-draw", f"circle {i + 10},{y} {i + 10 + r},{y}"]
    for x in (50, 110):  # claws under the body
        body += ["-draw", f"line {x},{84} {x - 6},{100}", "-draw", f"line {x + 6},{84} {x + 8},{100}"]
    convert("-size", "220x130", "xc:#FFF9E6",
            "-fill", "#F4CF7E", "-stroke", "#E0A83E", "-strokewidth", "1", *body,
            "-fill", "#F4CF7E", "-stroke", "#C98A1E", "-strokewidth", "2",
            "-draw", "ellipse 180,64 20,13 0,360",                          # head
            "-draw", "polygon 174,52 166,34 178,48", "-draw", "polygon 184,52 186,32 192,50",
            "-fill", "#C0392B", "-stroke", "none", "-draw", "circle 184,60 187,60",
            "-fill", "none", "-stroke", "#C98A1E", "-strokewidth", "2",
            "-draw", "bezier 198,70 213,74 216,86 208,96",                  # whiskers
            "-draw", "bezier 196,72 206,82 204,92 194,100",
            "-draw", "line 186,72 200,70",
            "-fill", "#F7A35C", "-stroke", "#E67E22", "-draw", "circle 208,30 215,30",  # pearl
            out)


DRAWINGS = {
    "zoo": {"barflow.gif": barflow, "hu.jpg": tiger, "花.jpg": flowers,
            "syt.jpg": science_banner, "cittext.gif": paper_tile},
    "festival": {"chunjie02.jpg": festival_picture, "a-7.gif": lantern, "bg.gif": festive_tile,
                 "chunlian.jpg": couplet, "menshen.jpg": door_god, "home.gif": home_icon},
    "home": {"花.jpg": flowers, "wawj.JPG": family_photo, "树叶.jpg": leaves, "bg.gif": blue_tile},
    "games": {"2008.gif": games_logo, "jingjing.jpg": panda, "印.gif": seal, "中国龙.gif": dragon},
}


def main():
    with tempfile.TemporaryDirectory() as tmp:
        for site, drawings in DRAWINGS.items():
            for name, draw in drawings.items():
                # ImageMagick picks the format from the suffix; upper-case JPG works too.
                drawn = pathlib.Path(tmp) / f"{site}-{name}"
                draw(drawn)
                for folder in SITE_FOLDERS[site]:
                    target = WF / folder / folder
                    target.mkdir(parents=True, exist_ok=True)
                    shutil.copyfile(drawn, target / name)


if __name__ == "__main__":
    main()
