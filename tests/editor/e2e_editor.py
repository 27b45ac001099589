#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The page editor driven by real keyboard input under a virtual X server.

Starts velmora-editor on set 1's working page (a copy of the starting page in
a fresh home folder), does questions 1 and 5 from the keyboard through the
menus (查找, the 字体 dialog, Ctrl+E, 网页属性), saves with Ctrl+S, and marks
the saved page with velmora-mark: both questions must give their 5 points.

Usage: e2e_editor.py <build>/bin <source folder>
Screenshots of a failed run land in ./e2e-editor-output.
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

SET_NAME = "第一套"
PAGE = "hu.htm"
SCREEN = "-screen 0 1280x1024x24"
TIMEOUT = 30.0


class Failure(Exception):
    pass


def xdo(*args):
    r = subprocess.run(["xdotool", *args], capture_output=True, text=True)
    return r.stdout.strip()


def wait_window(name, timeout=TIMEOUT):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        out = xdo("search", "--onlyvisible", "--name", name)
        if out:
            # A window is mapped before its first field takes the keyboard:
            # the first typed character could be lost on a loaded machine.
            found = out.split()[0]
            xdo("windowfocus", "--sync", found)
            time.sleep(0.8)
            return found
        time.sleep(0.1)
    raise Failure(f"no window named {name!r}")


def wait_gone(name, back_to, timeout=TIMEOUT):
    # No window manager runs: the keyboard goes back to the editor by hand.
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if not xdo("search", "--onlyvisible", "--name", name):
            time.sleep(0.3)
            xdo("windowfocus", "--sync", back_to)
            # The page view takes the keyboard back, and the dialog's edit
            # reaches the page, a moment later; on a loaded machine a key
            # sent at once can be lost.
            time.sleep(1.0)
            return
        time.sleep(0.1)
    raise Failure(f"window {name!r} stayed open")


def key(combo):
    # Modifiers held down on their own, a moment before the key: pressed all
    # at once, the browser view sometimes sees the letter without them.
    *mods, last = combo.split("+")
    for m in mods:
        xdo("keydown", m)
    time.sleep(0.1)
    xdo("key", last)
    time.sleep(0.1)
    for m in reversed(mods):
        xdo("keyup", m)
    time.sleep(0.3)


def type_text(text):
    xdo("type", "--delay", "40", text)
    if not text.isascii():
        # xdotool types other characters through a borrowed key; the keyboard
        # map is set afresh so that Alt and Ctrl keep working afterwards.
        subprocess.run(["setxkbmap", "us"], capture_output=True)
    time.sleep(0.3)


def screenshot(out, name):
    os.makedirs(out, exist_ok=True)
    subprocess.run(["import", "-window", "root", os.path.join(out, name + ".png")],
                   capture_output=True)


def inner(bindir, source):
    out = os.path.abspath("e2e-editor-output")
    home = tempfile.mkdtemp(prefix="velmora-editor-e2e-")
    folder = os.path.join(home, "WebDo", SET_NAME)
    shutil.copytree(os.path.join(source, "student", "material", "wf", SET_NAME, SET_NAME), folder)
    page = os.path.join(folder, PAGE)
    before = open(page, "rb").read()
    env = dict(os.environ, HOME=home, XDG_DATA_HOME=os.path.join(home, ".local", "share"))
    env.setdefault("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu")
    editor = subprocess.Popen([os.path.join(bindir, "velmora-editor"), page], env=env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        window = wait_window("网页编辑器 - " + PAGE)
        xdo("windowfocus", "--sync", window)
        time.sleep(3.0)  # the page loads after the window shows
        xdo("mousemove", "--window", window, "300", "300", "click", "1")
        time.sleep(0.3)

        # Question 1: the title found, its font set, centred.
        key("ctrl+f")
        wait_window("^查找$")
        type_text("动物乐园")
        key("Return")
        wait_gone("^查找$", window)
        key("alt+o")
        key("f")
        wait_window("^字体$")
        type_text("隶书")
        key("alt+s")
        type_text("7")
        key("alt+c")
        type_text("#0000FF")
        screenshot(out, "font-dialog")
        key("Return")
        wait_gone("^字体$", window)
        key("ctrl+e")

        # Question 5: the page's background picture.
        key("alt+f")
        key("i")
        wait_window("^网页属性$")
        key("alt+p")
        type_text("花.jpg")
        screenshot(out, "page-dialog")
        key("Return")
        wait_gone("^网页属性$", window)

        key("ctrl+s")
        end = time.monotonic() + TIMEOUT
        while open(page, "rb").read() == before:
            if time.monotonic() > end:
                raise Failure("the page was not saved")
            time.sleep(0.1)
        screenshot(out, "saved")
    except Failure:
        screenshot(out, "failure")
        raise
    finally:
        editor.kill()
        editor.wait()

    r = subprocess.run([os.path.join(bindir, "velmora-mark"), "--set", "1", "--json", page],
                       capture_output=True, text=True)
    result = json.loads(r.stdout)
    questions = result.get("questions")
    print("marked:", questions, "total", result.get("total"))
    if not questions or questions[0] != 5 or questions[4] != 5:
        raise Failure(f"questions 1 and 5 should have 5 points each: {questions}")
    shutil.rmtree(home, ignore_errors=True)


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    bindir, source = sys.argv[1], sys.argv[2]
    if os.environ.get("VELMORA_E2E_INNER") != "1":
        env = dict(os.environ, VELMORA_E2E_INNER="1")
        return subprocess.run(["xvfb-run", "-a", "-s", SCREEN, sys.executable, __file__, bindir, source],
                              env=env).returncode
    try:
        inner(bindir, source)
    except Failure as e:
        print("e2e_editor: FAILED:", e, file=sys.stderr)
        return 1
    print("e2e_editor: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
