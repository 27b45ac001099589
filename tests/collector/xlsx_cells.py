#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Reads an .xlsx file back for the tests and prints it as JSON: the sheets in
# workbook order, each with its cells as text rows, a row of kinds per row
# ("n" number, "s" text, "" empty), the frozen top-left cell, the column
# widths, the number of charts drawn on it and whether it is the sheet the
# file opens on.
import json
import re
import sys
import zipfile
import xml.etree.ElementTree as ET

NS = {
    "m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main",
    "r": "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
    "p": "http://schemas.openxmlformats.org/package/2006/relationships",
}
REL_ID = "{%s}id" % NS["r"]


def text_of(node):
    return "".join(t.text or "" for t in node.iter("{%s}t" % NS["m"]))


def column_index(ref):
    letters = re.match(r"[A-Z]+", ref).group(0)
    n = 0
    for ch in letters:
        n = n * 26 + ord(ch) - 64
    return n - 1


def number_text(value):
    v = float(value)
    if v.is_integer():
        return str(int(v))
    return ("%.2f" % v).rstrip("0").rstrip(".")


def rels_of(z, path):
    folder, name = path.rsplit("/", 1)
    rels_path = folder + "/_rels/" + name + ".rels"
    if rels_path not in z.namelist():
        return {}
    root = ET.fromstring(z.read(rels_path))
    out = {}
    for rel in root.findall("p:Relationship", NS):
        target = rel.get("Target")
        if not target.startswith("/"):
            parts = (folder + "/" + target).split("/")
            stack = []
            for part in parts:
                if part == "..":
                    stack.pop()
                elif part:
                    stack.append(part)
            target = "/".join(stack)
        out[rel.get("Id")] = target.lstrip("/")
    return out


def read(path):
    z = zipfile.ZipFile(path)
    shared = []
    if "xl/sharedStrings.xml" in z.namelist():
        root = ET.fromstring(z.read("xl/sharedStrings.xml"))
        shared = [text_of(si) for si in root.findall("m:si", NS)]
    book = ET.fromstring(z.read("xl/workbook.xml"))
    book_rels = rels_of(z, "xl/workbook.xml")
    view = book.find("m:bookViews/m:workbookView", NS)
    active = int(view.get("activeTab", "0")) if view is not None else 0
    sheets = []
    for sheet in book.find("m:sheets", NS).findall("m:sheet", NS):
        sheet_path = book_rels[sheet.get(REL_ID)]
        root = ET.fromstring(z.read(sheet_path))
        rows, kinds = [], []
        for row in root.iter("{%s}row" % NS["m"]):
            r = int(row.get("r")) - 1
            while len(rows) <= r:
                rows.append([])
                kinds.append([])
            for c in row.findall("m:c", NS):
                col = column_index(c.get("r"))
                while len(rows[r]) <= col:
                    rows[r].append("")
                    kinds[r].append("")
                t = c.get("t")
                v = c.find("m:v", NS)
                if t == "s":
                    rows[r][col], kinds[r][col] = shared[int(v.text)], "s"
                elif t == "inlineStr":
                    rows[r][col], kinds[r][col] = text_of(c.find("m:is", NS)), "s"
                elif t == "str":
                    rows[r][col], kinds[r][col] = v.text or "", "s"
                elif v is not None:
                    rows[r][col], kinds[r][col] = number_text(v.text), "n"
        pane = root.find(".//m:pane", NS)
        frozen = pane.get("topLeftCell") if pane is not None and pane.get("state") == "frozen" else ""
        widths = [float(c.get("width")) for c in root.iter("{%s}col" % NS["m"])]
        charts = 0
        sheet_rels = rels_of(z, sheet_path)
        for drawing in root.iter("{%s}drawing" % NS["m"]):
            drawing_path = sheet_rels[drawing.get(REL_ID)]
            charts += sum(1 for t in rels_of(z, drawing_path).values() if "/charts/" in t)
        sheets.append({"name": sheet.get("name"), "rows": rows, "kinds": kinds,
                       "frozen": frozen, "widths": widths, "charts": charts,
                       "active": len(sheets) == active})
    return {"sheets": sheets}


if __name__ == "__main__":
    sys.stdout.write(json.dumps(read(sys.argv[1]), ensure_ascii=False))
