#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The road of one score through the real programs, driven by real input.

Starts the real Velcoll and a copy of the real Velmora under one virtual X
server, types a name and the teacher address like a student, opens set 1,
puts the model answer page into the working folder, marks it, uploads the
score and confirms, then saves the collector's list through its file dialog
like a teacher and checks the saved line byte by byte.

Usage: e2e_score_road.py <build>/bin <source folder>
Screenshots and program logs of a failed run land in ./e2e-output.
"""

import fcntl
import os
import random
import re
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import traceback

STUDENT_TITLE = "Velmora系统  V1.0"
COLLECTOR_TITLE = "Velmora系统(Velcoll程序)"
SET_NAME = "第一套"
PAGE_FILE = "hu.htm"
STUDENT_NAME = "张小明"
TEACHER_ADDRESS = "127.0.0.1"
COLLECTOR_PORT = 1202
FULL_MARKS = 25
# Titles of the student program's messages that mean something went wrong; a
# message without a title of its own carries the program's name.
STUDENT_TROUBLE = ("提示", "错误", "警告", "Velmora")
COLLECTOR_TROUBLE = ("提示", "错误")

# Control geometry in twips (left, top, width, height), relative to the form's
# client area. The forms are frameless, so the window origin is the client
# origin.
LOGIN_NAME_BOX = (2040, 1560, 855, 270)  # txt_UserName
LOGIN_ADDRESS_BOX = (3960, 1560, 1455, 270)  # txt_ServerIP
LOGIN_SET_1 = (1200, 2040, 1335, 615)  # f(1)
EXERCISE_MARK = (5400, 3840, 1215, 735)  # Command2 "批改"
EXERCISE_UPLOAD = (3960, 3840, 1215, 735)  # btn_sendscore "上传成绩"
COLLECTOR_SAVE = (480, 6120, 1695, 495)  # QQButton1 "1.保存成绩(.txt)"
COLLECTOR_HELP = (6240, 6120, 1215, 495)  # QQButton4 "帮助"

TWIPS_PER_PIXEL = 15
STEP_TIMEOUT = 20.0
POLL = 0.05

SCREEN = "-screen 0 1280x1024x24"
# How long the X server may take to answer, and the exit code that asks the
# outer run to try once more on another display.
X_READY_TIMEOUT = 15.0
X_NOT_READY = 75
# Left in the output folder by a run whose X server went away.
X_LOST_MARK = "x-server-lost"
INSIDE_MARK = "VELMORA_E2E_INSIDE_XVFB"
PID_FILE = "VELMORA_E2E_PID_FILE"


class E2EFailure(Exception):
    pass


class XServerLost(E2EFailure):
    """A program could not reach the X server: the display, not the program,
    failed (another xvfb-run can take the same display number at once)."""


def twips_to_pixels(twips):
    # Half a pixel rounds away from zero, as the programs' own conversion does.
    half = TWIPS_PER_PIXEL // 2
    if twips >= 0:
        return (twips + half) // TWIPS_PER_PIXEL
    return -((-twips + half) // TWIPS_PER_PIXEL)


def centre_of(rect):
    left, top, width, height = rect
    return twips_to_pixels(left + width // 2), twips_to_pixels(top + height // 2)


# ---------------------------------------------------------------- the machine


def sender_address(teacher):
    """The address the student program sends: the local address the system
    uses to reach the teacher (a connected UDP socket sends nothing)."""
    try:
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
            s.connect((teacher, COLLECTOR_PORT))
            return s.getsockname()[0]
    except OSError:
        return own_ipv4()


def own_ipv4():
    """Without a route to the teacher: the first IPv4 address of the first
    interface that is up, running and not loopback, else 127.0.0.1."""
    SIOCGIFFLAGS = 0x8913
    SIOCGIFADDR = 0x8915
    IFF_UP, IFF_LOOPBACK, IFF_RUNNING = 0x1, 0x8, 0x40
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        for _, name in sorted(socket.if_nameindex()):
            request = struct.pack("256s", name.encode()[:15])
            try:
                flags = struct.unpack_from("H", fcntl.ioctl(s.fileno(), SIOCGIFFLAGS, request), 16)[0]
            except OSError:
                continue
            if not (flags & IFF_UP) or not (flags & IFF_RUNNING) or (flags & IFF_LOOPBACK):
                continue
            try:
                reply = fcntl.ioctl(s.fileno(), SIOCGIFADDR, request)
            except OSError:
                continue  # no IPv4 address on this interface
            address = socket.inet_ntoa(reply[20:24])
            if not address.startswith("127."):
                return address
    return "127.0.0.1"


def wait_for_x_server():
    deadline = time.monotonic() + X_READY_TIMEOUT
    while True:
        answered = subprocess.run(["xdpyinfo"], stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL).returncode == 0
        if answered:
            return True
        if time.monotonic() > deadline:
            return False
        time.sleep(0.1)


def port_is_free(port):
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        try:
            s.bind(("0.0.0.0", port))
        except OSError:
            return False
    return True


# ------------------------------------------------------------------ the road


class Road:
    def __init__(self, bin_dir, source_dir, output_dir):
        self.bin_dir = bin_dir
        self.source_dir = source_dir
        self.output_dir = output_dir
        self.started = time.monotonic()
        self.step = "start"
        self.processes = {}
        self.logs = {}
        self.work = tempfile.mkdtemp(prefix="velmora-e2e-")

    # -- reporting

    def say(self, text):
        print(f"[{time.monotonic() - self.started:6.2f}s] {text}", flush=True)

    def begin(self, step):
        self.step = step
        self.say(step)

    # -- X input through xdotool

    def xdotool(self, *args, check=True):
        began = time.monotonic()
        result = subprocess.run(["xdotool", *args], capture_output=True, text=True)
        if os.environ.get("VELMORA_E2E_TRACE"):
            self.say(f"  xdotool {' '.join(args)} [{time.monotonic() - began:.2f}s]")
        if check and result.returncode != 0:
            raise E2EFailure(f"xdotool {' '.join(args)} failed: {result.stderr.strip()}")
        return result.stdout

    def windows(self, title, pid):
        """Visible windows of one process whose title is exactly `title`
        (nothing appended, such as a program name after a dash)."""
        pattern = "^" + re.sub(r"([.\[\](){}*+?|^$\\])", r"\\\1", title) + "$"
        out = self.xdotool("search", "--all", "--onlyvisible", "--pid", str(pid), "--name", pattern,
                           check=False)
        return [int(w) for w in out.split()]

    def geometry(self, window):
        out = self.xdotool("getwindowgeometry", "--shell", str(window))
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def click(self, window, rect):
        """A left click at the centre of a control given in twips."""
        x, y, _, _ = self.geometry(window)
        dx, dy = centre_of(rect)
        # Arrive, rest a moment (hover), press, release: as a hand would.
        self.move_pointer(x + dx, y + dy)
        time.sleep(0.1)
        self.xdotool("click", "1")

    def move_pointer(self, x, y):
        # "mousemove --sync" waits for a motion that never comes when the
        # pointer already rests there, so poll the pointer instead.
        self.xdotool("mousemove", str(x), str(y))
        deadline = time.monotonic() + 5
        while True:
            out = self.xdotool("getmouselocation", "--shell")
            where = dict(line.split("=", 1) for line in out.split() if "=" in line)
            if (int(where["X"]), int(where["Y"])) == (x, y):
                return
            if time.monotonic() > deadline:
                raise E2EFailure(f"the pointer did not reach {x},{y}")
            time.sleep(POLL)

    def focus(self, window):
        self.xdotool("windowfocus", "--sync", str(window))

    def keys(self, window, *keys):
        self.focus(window)
        self.xdotool("key", "--clearmodifiers", *keys)

    def type_into(self, window, rect, text, delay=40):
        self.focus(window)
        self.click(window, rect)
        self.xdotool("key", "--clearmodifiers", "ctrl+a")
        self.xdotool("type", "--delay", str(delay), text)

    def type_and_leave(self, window, rect, text, leave_rect, stored_file):
        """Types into a box of the start form and leaves it, which stores the
        box in its settings file; checks what was stored.

        xdotool types a character missing from the keyboard map by mapping it
        onto a spare key just before pressing it; a program that reads the new
        map a moment late sees another character. That race lies in the input
        tool, so a box whose stored text came out wrong is typed again, more
        slowly; the stored text itself must then be exact."""
        expected = text.encode("gbk")
        stored = None
        for delay in (150, 300, 600):
            self.type_into(window, rect, text, delay)
            time.sleep(0.2)
            self.click(window, leave_rect)
            deadline = time.monotonic() + 2
            while time.monotonic() < deadline:
                stored = self.read_or_none(stored_file)
                if stored == expected:
                    return
                time.sleep(POLL)
            self.say(f"typed {text!r} but {os.path.basename(stored_file)} holds {stored!r}; "
                     "typing again more slowly")
        raise E2EFailure(f"typing {text!r} into the start form stored {stored!r} "
                         f"in {stored_file}")

    @staticmethod
    def read_or_none(path):
        try:
            with open(path, "rb") as f:
                return f.read()
        except OSError:
            return None

    # -- waiting

    def wait_for(self, what, probe, timeout=STEP_TIMEOUT):
        deadline = time.monotonic() + timeout
        while True:
            for name, process in self.processes.items():
                if process.poll() is not None:
                    ended = (f"{name} ended (exit code {process.returncode}) "
                             f"while waiting for {what}")
                    log = self.read_or_none(os.path.join(self.work, name + ".log")) or b""
                    if b"could not connect to display" in log:
                        raise XServerLost(ended)
                    raise E2EFailure(ended)
            value = probe()
            if value:
                return value
            if time.monotonic() > deadline:
                raise E2EFailure(f"timed out after {timeout:.0f}s waiting for {what}")
            time.sleep(POLL)

    def wait_window(self, title, program, unexpected=(), exclude=(), timeout=STEP_TIMEOUT):
        """Waits for a visible window of `program` titled `title`; fails at once
        when a window with one of the `unexpected` titles shows instead."""
        pid = self.processes[program].pid

        def probe():
            self.fail_if_shown(program, unexpected, instead_of=title)
            found = [w for w in self.windows(title, pid) if w not in exclude]
            return found[0] if found else None

        return self.wait_for(f"{program} window '{title}'", probe, timeout)

    def fail_if_shown(self, program, titles, instead_of=None):
        pid = self.processes[program].pid
        for title in titles:
            if self.windows(title, pid):
                wanted = f" instead of '{instead_of}'" if instead_of else ""
                raise E2EFailure(f"{program} showed a window titled '{title}'{wanted}")

    def wait_gone(self, window, title, program, timeout=STEP_TIMEOUT):
        pid = self.processes[program].pid
        self.wait_for(f"{program} window '{title}' to close",
                      lambda: window not in self.windows(title, pid), timeout)

    # -- processes

    def environment(self, home):
        env = dict(os.environ)
        # A plain X session: Qt's own dialogs, no desktop theme, no offscreen.
        for name in ("QT_QPA_PLATFORMTHEME", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION",
                     "GNOME_DESKTOP_SESSION_ID", "KDE_FULL_SESSION", "XDG_CONFIG_HOME",
                     "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "QT_SCALE_FACTOR",
                     "QT_SCREEN_SCALE_FACTORS", "QT_FONT_DPI"):
            env.pop(name, None)
        runtime = os.path.join(home, ".runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env.update(HOME=home, XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="xcb",
                   QT_AUTO_SCREEN_SCALE_FACTOR="0", QT_ENABLE_HIGHDPI_SCALING="0",
                   LANG="C.UTF-8", LC_ALL="C.UTF-8")
        return env

    def start(self, name, program, cwd, home):
        os.makedirs(home)
        log = open(os.path.join(self.work, name + ".log"), "wb")
        self.logs[name] = log
        self.processes[name] = subprocess.Popen([program], cwd=cwd, env=self.environment(home),
                                                stdout=log, stderr=subprocess.STDOUT,
                                                stdin=subprocess.DEVNULL)
        self.say(f"started {name} (pid {self.processes[name].pid})")

    def stop_all(self):
        for process in self.processes.values():
            if process.poll() is None:
                process.terminate()
        for name, process in self.processes.items():
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        for log in self.logs.values():
            log.close()

    # -- evidence of a failure

    def keep_evidence(self):
        os.makedirs(self.output_dir, exist_ok=True)
        shot = os.path.join(self.output_dir, "e2e-failure.png")
        taken = subprocess.run(["import", "-window", "root", shot], capture_output=True)
        if taken.returncode == 0:
            print(f"screenshot of the failure: {shot}", flush=True)
        else:
            print(f"no screenshot: {taken.stderr.decode(errors='replace').strip()}", flush=True)
        listing = self.xdotool("search", "--onlyvisible", "--name", ".", check=False).split()
        for window in listing:
            name = self.xdotool("getwindowname", window, check=False).strip()
            print(f"  visible window {window}: '{name}'", flush=True)

    def keep_logs(self):
        for name in self.logs:
            path = os.path.join(self.work, name + ".log")
            if os.path.exists(path):
                shutil.copy(path, os.path.join(self.output_dir, name + ".log"))
                with open(path, "rb") as f:
                    text = f.read().decode("utf-8", errors="replace").strip()
                if text:
                    print(f"--- {name} output ---\n{text}", flush=True)
        print(f"program logs kept in {self.output_dir}", flush=True)

    # -- the road itself

    def run(self):
        student_bin = os.path.join(self.bin_dir, "Velmora")
        collector_bin = os.path.join(self.bin_dir, "Velcoll")
        answer = os.path.join(self.source_dir, "tests", "material", "answers", "1", PAGE_FILE)
        for needed in (student_bin, collector_bin, os.path.join(self.bin_dir, "wf", SET_NAME),
                       answer):
            if not os.path.exists(needed):
                raise E2EFailure(f"missing {needed}: build Velmora, Velcoll and the material first")

        # The student program writes its settings files into its own folder:
        # run a copy so the build folder stays as it is.
        self.begin("copying Velmora and its material into a program folder")
        program_folder = os.path.join(self.work, "student-program")
        os.makedirs(program_folder)
        student_copy = shutil.copy2(student_bin, program_folder)
        shutil.copytree(os.path.join(self.bin_dir, "wf"), os.path.join(program_folder, "wf"))
        student_home = os.path.join(self.work, "student-home")
        teacher_home = os.path.join(self.work, "teacher-home")
        build_settings = {f: self.stat_or_none(os.path.join(self.bin_dir, f))
                          for f in ("host.wf", "UserName.wf")}

        self.begin(f"waiting for UDP port {COLLECTOR_PORT} to be free")
        self.wait_for(f"UDP port {COLLECTOR_PORT} to be free (another collector runs?)",
                      lambda: port_is_free(COLLECTOR_PORT), timeout=30)

        self.begin("starting Velcoll")
        self.start("Velcoll", collector_bin, teacher_home, teacher_home)
        collector = self.wait_window(COLLECTOR_TITLE, "Velcoll", unexpected=COLLECTOR_TROUBLE)

        self.begin("starting Velmora (the copy)")
        self.start("Velmora", student_copy, student_home, student_home)
        login = self.wait_window(STUDENT_TITLE, "Velmora", unexpected=STUDENT_TROUBLE)

        self.begin("typing the name and the teacher address")
        # Leaving the name box for the address box stores the name.
        self.type_and_leave(login, LOGIN_NAME_BOX, STUDENT_NAME, LOGIN_ADDRESS_BOX,
                            os.path.join(program_folder, "UserName.wf"))
        # The click on the set button stores the address as the form goes.
        self.type_into(login, LOGIN_ADDRESS_BOX, TEACHER_ADDRESS)

        self.begin("opening set 1")
        self.click(login, LOGIN_SET_1)
        working_folder = os.path.join(student_home, "WebDo", SET_NAME)
        exercise = self.wait_window(STUDENT_TITLE, "Velmora", unexpected=STUDENT_TROUBLE,
                                    exclude=(login,))
        self.wait_for(f"the working folder {working_folder}",
                      lambda: os.path.isfile(os.path.join(working_folder, PAGE_FILE)))

        self.begin("putting the model answer into the working folder")
        shutil.copyfile(answer, os.path.join(working_folder, PAGE_FILE))

        self.begin("marking (批改) and dismissing the report")
        self.click(exercise, EXERCISE_MARK)
        report = self.wait_window("批改", "Velmora", unexpected=STUDENT_TROUBLE)
        self.keys(report, "Return")
        self.wait_gone(report, "批改", "Velmora")

        self.begin("uploading (上传成绩) and confirming with Yes")
        self.click(exercise, EXERCISE_UPLOAD)
        question = self.wait_window("确定要上传吗？", "Velmora", unexpected=STUDENT_TROUBLE)
        self.keys(question, "alt+y")  # 是(&Y); No is the default button
        self.wait_gone(question, "确定要上传吗？", "Velmora")
        success = self.wait_window("成绩上传成功！", "Velmora", unexpected=STUDENT_TROUBLE)
        self.keys(success, "Return")
        self.wait_gone(success, "成绩上传成功！", "Velmora")

        self.begin("saving the scores in Velcoll (1.保存成绩(.txt))")
        saved = os.path.join(self.work, "saved", "scores.txt")
        os.makedirs(os.path.dirname(saved))
        self.click(collector, COLLECTOR_SAVE)
        dialog = self.wait_window("保存文件", "Velcoll", unexpected=COLLECTOR_TROUBLE)
        self.focus(dialog)
        self.xdotool("type", "--delay", "20", saved)
        self.confirm_dialog(dialog)

        self.begin("answering the create question")
        pid = self.processes["Velcoll"].pid

        def question_or_file():
            self.fail_if_shown("Velcoll", COLLECTOR_TROUBLE)
            if os.path.exists(saved):
                return "file"
            shown = [w for w in self.windows("保存文件", pid) if w != dialog]
            return shown[0] if shown else None

        found = self.wait_for("the create question or the saved file", question_or_file)
        if found != "file":
            self.keys(found, "alt+y")

            def written():
                # A failed write shows its reason instead of a file.
                self.fail_if_shown("Velcoll", COLLECTOR_TROUBLE)
                return os.path.exists(saved)

            self.wait_for(f"the saved file {saved}", written)

        self.begin("checking the saved line")
        with open(saved, "rb") as f:
            content = f.read()
        self.check_saved(content)

        self.begin("Velcoll: 帮助 opened with Enter takes a real mouse click")
        self.box_from_keyboard(collector)

        self.begin("checking the settings files of the program copy and the build folder")
        self.check_settings(program_folder, build_settings)
        self.say(f"the score made its whole road in {time.monotonic() - self.started:.1f}s")

    def box_from_keyboard(self, collector):
        """A button that the pointer rests on, activated with Enter: the box
        it opens must take the mouse (the button must not keep the pointer)."""
        self.click(collector, COLLECTOR_HELP)  # a left click arms Enter
        first = self.wait_window("帮助", "Velcoll", unexpected=COLLECTOR_TROUBLE)
        self.keys(first, "Return")
        self.wait_gone(first, "帮助", "Velcoll")
        # Nudge the resting pointer: the button shows hover and holds it.
        x, y, _, _ = self.geometry(collector)
        dx, dy = centre_of(COLLECTOR_HELP)
        self.move_pointer(x + dx + 3, y + dy + 1)
        time.sleep(0.2)
        self.keys(collector, "Return")
        box = self.wait_window("帮助", "Velcoll", unexpected=COLLECTOR_TROUBLE)
        bx, by, width, height = self.geometry(box)
        pid = self.processes["Velcoll"].pid
        # The OK button sits in the bottom right corner; the exact spot
        # depends on the style, so try the likely points until the box goes.
        for up in (22, 18, 28, 14, 34):
            for left in (50, 40, 60, 30, 75, 90):
                self.move_pointer(bx + width - left, by + height - up)
                self.xdotool("click", "1")
                deadline = time.monotonic() + 0.5
                while time.monotonic() < deadline:
                    if box not in self.windows("帮助", pid):
                        return
                    time.sleep(POLL)
        raise E2EFailure("the 帮助 box opened with Enter ignored every mouse click")

    def confirm_dialog(self, dialog):
        # Enter accepts the typed name; a completion list still open takes the
        # first Enter, so press again until the dialog has gone.
        pid = self.processes["Velcoll"].pid
        for _ in range(3):
            self.keys(dialog, "Return")
            deadline = time.monotonic() + 3
            while time.monotonic() < deadline:
                if dialog not in self.windows("保存文件", pid):
                    return
                time.sleep(POLL)
        raise E2EFailure("the save dialog did not accept the typed file name")

    def check_saved(self, content):
        address = sender_address(TEACHER_ADDRESS)
        host = socket.gethostname()
        expected = f"{address}#{host}#{STUDENT_NAME}#{FULL_MARKS}#{SET_NAME}\r\n".encode("gbk")
        if content != expected:
            raise E2EFailure("the saved file is not the expected single GBK line\n"
                             f"  expected: {expected!r} ({expected.decode('gbk')!r})\n"
                             f"  got:      {content!r} ({content.decode('gbk', 'replace')!r})")
        self.say(f"saved line: {content.decode('gbk')!r}")

    def check_settings(self, program_folder, build_settings):
        for file, value in (("host.wf", TEACHER_ADDRESS), ("UserName.wf", STUDENT_NAME)):
            path = os.path.join(program_folder, file)
            if not os.path.exists(path):
                raise E2EFailure(f"the student program did not write {path}")
            with open(path, "rb") as f:
                stored = f.read()
            if stored != value.encode("gbk"):
                raise E2EFailure(f"{file} holds {stored!r}, expected {value.encode('gbk')!r}")
        for file, before in build_settings.items():
            if self.stat_or_none(os.path.join(self.bin_dir, file)) != before:
                raise E2EFailure(f"{file} in the build folder {self.bin_dir} was touched")

    @staticmethod
    def stat_or_none(path):
        try:
            st = os.stat(path)
        except FileNotFoundError:
            return None
        return (st.st_size, st.st_mtime_ns)


def main():
    if len(sys.argv) != 3:
        print("usage: e2e_score_road.py <build>/bin <source folder>", file=sys.stderr)
        return 2
    bin_dir, source_dir = (os.path.abspath(a) for a in sys.argv[1:])
    output_dir = os.path.join(os.getcwd(), "e2e-output")

    # One virtual X server for both programs: re-run this script inside it.
    if os.environ.get(INSIDE_MARK) != "1":
        for tool in ("xvfb-run", "xdotool", "import", "xdpyinfo"):
            if shutil.which(tool) is None:
                print(f"{tool} not found: run scripts/setup-debian.sh", file=sys.stderr)
                return 1
        pid_file = tempfile.NamedTemporaryFile(prefix="velmora-e2e-", suffix=".pid", delete=False)
        pid_file.close()
        env = dict(os.environ, **{INSIDE_MARK: "1", PID_FILE: pid_file.name})
        inner = None

        def forward(signum, _frame):
            if inner is None:
                sys.exit(1)
            # The run inside takes its screenshot and ends both programs while
            # the X server still runs; xvfb-run then ends the server.
            # Whatever still runs after a grace period is killed outright.
            grace = threading.Timer(15, lambda: os.killpg(inner.pid, signal.SIGKILL))
            grace.daemon = True
            grace.start()
            try:
                with open(pid_file.name) as f:
                    os.kill(int(f.read()), signal.SIGTERM)
            except (OSError, ValueError):
                os.killpg(inner.pid, signal.SIGKILL)

        signal.signal(signal.SIGTERM, forward)
        signal.signal(signal.SIGINT, forward)
        try:
            # A server that never answers gets one more try on another
            # display: -n is where xvfb-run -a starts looking for a free one.
            for display in (None, random.randrange(200, 600)):
                where = [] if display is None else ["-n", str(display)]
                inner = subprocess.Popen(["xvfb-run", "-a", *where, "-s", SCREEN, sys.executable,
                                          os.path.abspath(__file__), bin_dir, source_dir],
                                         env=env, start_new_session=True)
                code = inner.wait()
                # xvfb-run may replace the run's own code with its own when
                # the server's files went missing: the mark the run left says
                # that the display, not a program, failed.
                lost = os.path.exists(os.path.join(output_dir, X_LOST_MARK))
                if code != X_NOT_READY and not lost:
                    return code
                print("the X server did not answer; trying once more on another display",
                      flush=True)
            return 1
        finally:
            os.unlink(pid_file.name)

    # Evidence of an earlier failed run would only mislead.
    shutil.rmtree(output_dir, ignore_errors=True)

    # xvfb-run may start the run before its server takes connections: a
    # program started then fails with "could not connect to display".
    if not wait_for_x_server():
        print(f"FAILED: the X server on {os.environ.get('DISPLAY')} did not answer within "
              f"{X_READY_TIMEOUT:.0f}s", flush=True)
        return X_NOT_READY

    def stopped(signum, _frame):
        raise E2EFailure(f"stopped by signal {signum}")

    # A test runner's time-out still ends both programs and keeps the evidence.
    signal.signal(signal.SIGTERM, stopped)
    if os.environ.get(PID_FILE):
        with open(os.environ[PID_FILE], "w") as f:
            f.write(str(os.getpid()))

    road = Road(bin_dir, source_dir, output_dir)
    failed = False
    x_lost = False
    try:
        road.run()
    except XServerLost as failure:
        failed = x_lost = True
        print(f"FAILED at '{road.step}': {failure}: the X server went away", flush=True)
        road.keep_evidence()
        os.makedirs(output_dir, exist_ok=True)
        open(os.path.join(output_dir, X_LOST_MARK), "w").close()
    except E2EFailure as failure:
        failed = True
        print(f"FAILED at '{road.step}': {failure}", flush=True)
        road.keep_evidence()
    except Exception:  # a fault of the test itself still leaves its evidence
        failed = True
        print(f"FAILED at '{road.step}':\n{traceback.format_exc()}", flush=True)
        road.keep_evidence()
    finally:
        road.stop_all()
        if failed:
            road.keep_logs()
        shutil.rmtree(road.work, ignore_errors=True)
    if not failed:
        print("PASSED", flush=True)
    if x_lost:
        return X_NOT_READY
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
