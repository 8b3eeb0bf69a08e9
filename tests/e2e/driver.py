"""Drives yanqing.exe under Wine and Xvfb the way a user does.

A Session has its own X display, its own fresh copy of the template Wine
prefix and its own program directory holding only the program. It clicks at
client coordinates of the main window, takes screenshots, answers message
boxes, and reads back files and registry values. What the program shows is
read with the probe (a small Windows program in the same Wine session).
Standard library only; xdotool and ImageMagick's import do the X work.
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
import nginx_site  # noqa: E402
DEJAVU = "/usr/share/fonts/truetype/dejavu/"
WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
def _project_version():
    """The program's version, from the one place it is set (CMake's project())."""
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        return re.search(r"project\(yanqing VERSION ([0-9.]+)", f.read()).group(1)


VERSION = _project_version()
TITLE = "砚青" + VERSION


def wait_for(condition, timeout=30.0, interval=0.1, what="condition"):
    """Polls condition() until it returns a true value; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TimeoutError("timed out waiting for " + what)
        time.sleep(interval)


def read_text(path):
    with open(path, errors="replace") as f:
        return f.read()


def read_ini(path):
    """Sections of a Windows profile file as {section: {key: value}}, GBK decoded.
    Lines outside any section and lines without "=" are skipped, as Windows does."""
    sections, current = {}, None
    with open(path, "rb") as f:
        text = f.read().decode("gbk", "replace")
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("[") and "]" in line:
            current = sections.setdefault(line[1:line.index("]")].lower(), {})
        elif current is not None and "=" in line:
            key, value = line.split("=", 1)
            current.setdefault(key.strip().lower(), value.strip())
    return sections


def wine_env(prefix, display=None):
    env = dict(os.environ)
    env.update({
        "WINEPREFIX": prefix,
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
        "LANG": "zh_CN.UTF-8",
        "LC_ALL": "zh_CN.UTF-8",
    })
    if display:
        env["DISPLAY"] = display
    else:
        env.pop("DISPLAY", None)
    return env


def template_prefix():
    """The template prefix the scripts make (scripts/wine/env.sh names it)."""
    env = os.path.join(ROOT, "scripts", "wine", "env.sh")
    return subprocess.run(["bash", "-c", '. "$1" && printf %s "$YQ_WINE_TEMPLATE"', "-", env],
                          capture_output=True, text=True, check=True).stdout


class Image:
    """A screenshot's pixels: image.get(x, y) -> (r, g, b)."""

    def __init__(self, path):
        data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], capture_output=True,
                              check=True).stdout
        # P6 header: magic, width, height, maxval, each followed by whitespace.
        fields, pos = [], 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            start = pos
            while not data[pos:pos + 1].isspace():
                pos += 1
            fields.append(data[start:pos])
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = data[pos + 1:]

    def get(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])


def write_bmp(path, width, height, ink):
    """A 24-bit BMP, white, with ink(x, y) -> (r, g, b) or None per pixel."""
    import struct
    row = (width * 3 + 3) & ~3
    body = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray()
        for x in range(width):
            c = ink(x, y) or (255, 255, 255)
            line += bytes((c[2], c[1], c[0]))
        body += line + bytes(row - len(line))
    header = struct.pack("<2sIHHIIiiHHIIiiII", b"BM", 54 + len(body), 0, 0, 54, 40, width, height,
                         1, 24, 0, len(body), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + body)


def make_catalogue(native, layout_lines, out):
    """Writes a catalogue database from layout lines (see tests/e2e/tools/make_catalogue.cpp)."""
    layout = out + ".layout"
    with open(layout, "w", encoding="utf-8") as f:
        f.write("\n".join("\t".join(line) for line in layout_lines) + "\n")
    subprocess.run([os.path.join(native, "tests", "e2e", "make_catalogue"), layout, out], check=True)
    return out


SERVER_PORT = 18080  # the port the program's built-in server address names


class Session:
    """One program run: display, prefix and program directory of its own, and
    (as root) a network namespace of its own, so that the catalogue server it
    talks to on 127.0.0.1 is this session's alone."""

    def __init__(self, exe, probe, artifacts, name="session", native=None):
        self.exe, self.probe_exe = exe, probe
        self.native = native
        self.server = None
        self.nginx, self.renderers = None, []
        self.netns = None
        self.artifacts = artifacts
        os.makedirs(artifacts, exist_ok=True)
        self.name = name
        self.tmp = tempfile.mkdtemp(prefix="yq-e2e-")
        self.prefix = os.path.join(self.tmp, "prefix")
        self.program_dir = os.path.join(self.tmp, "程序")
        os.makedirs(self.program_dir)
        shutil.copy(exe, os.path.join(self.program_dir, "yanqing.exe"))
        self.xvfb = self.app = None
        self.window = None
        self.geometry = None
        self.log = open(os.path.join(self.tmp, "program.log"), "w")
        subprocess.run([os.path.join(ROOT, "scripts", "wine", "fresh-prefix.sh"), self.prefix],
                       check=True)
        self._start_display()
        self._start_netns()
        self.env = wine_env(self.prefix, self.display)
        self._start_wine()
        self.wait_for_desktop()

    def use_program(self, exe):
        """Runs `exe` in place of the released program: a test build, for the
        tests of its test switches (the README lists them)."""
        assert exe, "this test needs --test-exe"
        shutil.copy(exe, os.path.join(self.program_dir, "yanqing.exe"))

    def _start_wine(self):
        # Wine finds a prefix's wineserver by the inode of the prefix folder,
        # and removed folders' inodes are soon reused: a server of another
        # session or test still answering for this inode (it would make this
        # session's sockets outside its network namespace) is stopped first.
        subprocess.run([WINESERVER, "-k"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=self.env, timeout=30)
        # Wine's daemons detached from our pipes; they live until stop(). The
        # wineserver makes the sockets of every Wine process, so it runs in the
        # session's network namespace.
        subprocess.run(self.in_netns([WINESERVER, "-p"]), env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def _restart_wine(self, why):
        """Stops every Wine process of the session (its desktop included) and
        starts Xvfb and the wineserver again. It is called when no window of
        the session can be made, as when its display has gone or can no
        longer be reached (seen once under heavy load), so nothing shown is
        lost."""
        if self.xvfb.poll() is not None:
            with open(os.path.join(self.tmp, "xvfb.log"), errors="replace") as f:
                why += "; Xvfb had ended with %s, saying: %s" % (self.xvfb.returncode,
                                                                 f.read()[-1000:].strip())
        sys.stderr.write("%s; starting the session's X display and Wine again\n" % why)
        subprocess.run([WINESERVER, "-k"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        if self.xvfb.poll() is None:
            self.xvfb.terminate()
            self.xvfb.wait()
        self._start_display()
        self.env["DISPLAY"] = self.display
        self._start_wine()

    def wait_for_desktop(self, timeout=120, restart_after=40):
        """Starts the session's Wine desktop and waits until a top-level window
        can be made. Wine starts its desktop process when the first window of
        a session asks for it and waits only so long; on a loaded machine it
        can take longer, and the program's main window then fails with error
        1400. Asking first, and again until it works, takes that wait out of
        the program's start. A desktop still refusing windows after
        `restart_after` seconds is stopped and Wine started once more."""
        start = time.monotonic()
        deadline = start + timeout
        restarted = False
        report = os.path.join(self.tmp, "desktop.log")
        while True:
            # Output to a file: the desktop process this starts inherits the
            # probe's handles, and would keep a pipe open for its whole life.
            with open(report, "wb") as f:
                try:
                    rc = subprocess.run(self.in_netns([WINE, self.probe_exe, "desktop"]),
                                        env=self.env, stdin=subprocess.DEVNULL, stdout=f,
                                        stderr=subprocess.STDOUT, timeout=restart_after).returncode
                except subprocess.TimeoutExpired:
                    rc = None
            if rc == 0:
                return
            with open(report, errors="replace") as f:
                said = f.read().strip() or "no answer from the probe (%s)" % rc
            if time.monotonic() > deadline:
                raise RuntimeError("the Wine desktop did not come up: " + said)
            if not restarted and time.monotonic() > start + restart_after:
                self._restart_wine("the Wine desktop refuses windows (%s)" % said)
                restarted = True
            time.sleep(0.5)

    # --- display --------------------------------------------------------------------
    def _start_display(self):
        # Xvfb picks a free display itself and writes its number once it
        # accepts connections (-displayfd), so parallel sessions never race.
        read_end, write_end = os.pipe()
        with open(os.path.join(self.tmp, "xvfb.log"), "ab") as log:
            self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                                          "1280x1024x24", "-nolisten", "tcp"],
                                         pass_fds=(write_end,), stdout=log, stderr=log)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as f:
            while not number.endswith(b"\n"):
                chunk = f.read(1)
                if not chunk:
                    break
                number += chunk
        if not number.strip():
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.decode().strip()

    def _start_netns(self):
        """A network namespace of the session's own and, with it, a mount
        namespace in which the host's fonts are read-only: under Wine, Z: is
        the whole host, and the prefix registers the host's fonts by their Z:
        paths, so a deletion the program is driven to would otherwise reach
        the machine's own font files."""
        if os.geteuid() != 0 or not shutil.which("unshare") or os.environ.get("YQ_E2E_SHARED_NET"):
            return
        readonly = ["/usr"] + [d for d in (os.path.expanduser("~/.fonts"),
                                           os.path.expanduser("~/.local/share/fonts"))
                               if os.path.isdir(d)]
        script = "ip link set lo up && mount --make-rprivate / && "
        script += "".join("mount --bind '%s' '%s' && mount -o remount,ro,bind '%s' '%s' && "
                          % (d, d, d, d) for d in readonly)
        self.netns = subprocess.Popen(["unshare", "--net", "--mount", "sh", "-c",
                                       script + "touch /tmp/.yq-ns-$$ && exec sleep 100000"],
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        pid = str(self.netns.pid)
        # The namespaces are ready once their set-up has run to its end.
        ready = "/tmp/.yq-ns-" + pid
        wait_for(lambda: os.path.exists(ready), 10, what="the namespaces")
        os.remove(ready)

    def in_netns(self, argv, cwd=None):
        """argv run in the session's network and mount namespaces. Entering a
        mount namespace moves a process to its root folder, so the working
        folder it is to have (`cwd`) is named again."""
        if not self.netns:
            return argv
        return ["nsenter", "-t", str(self.netns.pid), "-n", "-m",
                "--wd=" + (cwd or os.getcwd())] + argv

    # --- the catalogue server -------------------------------------------------------------
    def serve(self, folder, *faults, current=True):
        """Starts yanqing-server on the program's server port (stopping one
        that runs), with the given --fault modes. With `current`, pos.ini
        records the served catalogue version as installed, so that the
        program's start-up check offers no update."""
        self.stop_server()
        version = os.path.join(folder, "ztpz.txt")
        if current and os.path.isfile(version):
            with open(version, "rb") as f:
                self.set_setting("bbh", f.read().decode("gbk"))
        argv = [os.path.join(self.native, "server", "yanqing-server"), "serve", folder,
                "--port", str(SERVER_PORT)]
        for f in faults:
            argv += ["--fault", f]
        self.server_log = open(os.path.join(self.tmp, "server.log"), "a")
        self.server = subprocess.Popen(self.in_netns(argv), stdout=self.server_log,
                                       stderr=self.server_log)
        wait_for(lambda: subprocess.run(self.in_netns(
            ["curl", "-s", "-o", "/dev/null", "http://127.0.0.1:%d/ztpz.txt" % SERVER_PORT]))
                 .returncode == 0, 20, what="the server")

    def serve_behind_nginx(self, folder, renderers=2, current=True):
        """Publishes `folder` as a publisher does with server/deploy/: nginx
        on the program's server port, made from the site template, sends the
        static files itself and passes /text.php and /identify/ to
        `renderers` yanqing-server processes on the next ports, started with
        the renderer unit's own command line. nginx's access log is
        self.nginx_log; the renderers' logs are self.renderer_logs. With
        `current`, as serve()."""
        self.stop_server()
        version = os.path.join(folder, "ztpz.txt")
        if current and os.path.isfile(version):
            with open(version, "rb") as f:
                self.set_setting("bbh", f.read().decode("gbk"))
        ports = [SERVER_PORT + 1 + i for i in range(renderers)]
        server = os.path.join(self.native, "server", "yanqing-server")
        self.renderers, self.renderer_logs = [], []
        for port in ports:
            log = os.path.join(self.tmp, "renderer-%d.log" % port)
            self.renderer_logs.append(log)
            with open(log, "w") as f:
                self.renderers.append(subprocess.Popen(
                    self.in_netns(nginx_site.renderer_command(server, folder, port)), stdout=f,
                    stderr=f))
        for log, proc in zip(self.renderer_logs, self.renderers):
            wait_for(lambda: proc.poll() is not None or "serving " in read_text(log), 20,
                     what="the renderer of " + log)
            assert proc.poll() is None, read_text(log)

        prefix = os.path.join(self.tmp, "nginx")
        command = nginx_site.write_conf(prefix, folder, "127.0.0.1:%d" % SERVER_PORT,
                                        ["127.0.0.1:%d" % p for p in ports])
        self.nginx_log = os.path.join(prefix, "access.log")
        self.nginx_errors = open(os.path.join(prefix, "error.log"), "a")
        self.nginx = subprocess.Popen(self.in_netns(command), stdout=self.nginx_errors,
                                      stderr=self.nginx_errors)
        wait_for(lambda: self.nginx.poll() is not None or subprocess.run(self.in_netns(
            ["curl", "-s", "-o", "/dev/null", "http://127.0.0.1:%d/ztpz.txt" % SERVER_PORT]))
                 .returncode == 0, 20, what="nginx")
        if self.nginx.poll() is not None:
            with open(self.nginx_errors.name, errors="replace") as f:
                raise RuntimeError("nginx did not start: " + f.read()[-2000:])

    def logs_tail(self, chars=4000):
        """The ends of the server's and the program's output, for a failure
        message."""
        parts = []
        for name, path in (("server", os.path.join(self.tmp, "server.log")),
                           ("program", self.log.name)):
            if name == "server" and self.server:
                self.server_log.flush()
            if name == "program":
                self.log.flush()
            try:
                with open(path, errors="replace") as f:
                    parts.append("--- %s:\n%s" % (name, f.read()[-chars:]))
            except OSError:
                pass
        return "\n".join(parts)

    def settings(self):
        """pos.ini's section potpz as {key: value} (empty when missing)."""
        values = {}
        try:
            with open(self.file("pos.ini"), "rb") as f:
                lines = f.read().decode("gbk").splitlines()
        except OSError:
            return values
        section = None
        for line in lines:
            line = line.strip()
            if line.startswith("["):
                section = line.strip("[]")
            elif section == "potpz" and "=" in line:
                key, value = line.split("=", 1)
                values[key.strip()] = value.strip()
        return values

    def set_setting(self, key, value):
        """Sets pos.ini's potpz key (creating the file), keeping the rest."""
        path = self.file("pos.ini")
        lines = []
        if os.path.isfile(path):
            with open(path, "rb") as f:
                lines = f.read().decode("gbk").splitlines()
        out, section, done = [], None, False
        for line in lines:
            stripped = line.strip()
            if stripped.startswith("["):
                if section == "potpz" and not done:
                    out.append("%s=%s" % (key, value))
                    done = True
                section = stripped.strip("[]")
            elif section == "potpz" and stripped.split("=", 1)[0].strip() == key:
                if not done:
                    out.append("%s=%s" % (key, value))
                    done = True
                continue
            out.append(line)
        if not done:
            if section != "potpz":
                out.append("[potpz]")
            out.append("%s=%s" % (key, value))
        with open(path, "wb") as f:
            f.write(("\r\n".join(out) + "\r\n").encode("gbk"))

    def stop_server(self):
        if self.server and self.server.poll() is None:
            self.server.kill()
            self.server.wait()
        if self.server:
            self.server_log.close()
        self.server = None
        for proc in [self.nginx] + self.renderers:
            if proc and proc.poll() is None:
                proc.terminate()
                proc.wait(timeout=20)
        if self.nginx:
            self.nginx_errors.close()
        self.nginx, self.renderers = None, []

    def x(self, *args, check=True):
        out = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env,
                             capture_output=True, text=True, check=False)
        if check and out.returncode != 0:
            raise RuntimeError("xdotool %s: %s" % (args, out.stderr))
        return out.stdout

    # --- the program --------------------------------------------------------------------
    def start(self, cwd=None):
        """Starts the program (current directory: the program directory unless
        given) and waits for its main window."""
        exe = os.path.join(self.program_dir, "yanqing.exe")

        def find():
            out = self.x("search", "--onlyvisible", "--name", "^%s$" % TITLE, check=False).split()
            return out[0] if out else None

        for attempt in range(2):
            # Wine's own errors go to the program's log, for a failure to show.
            env = dict(self.env, WINEDEBUG="err+all,fixme-all")
            self.app = subprocess.Popen(self.in_netns([WINE, exe], cwd or self.program_dir),
                                        cwd=cwd or self.program_dir,
                                        env=env, stdin=subprocess.DEVNULL, stdout=self.log,
                                        stderr=self.log)
            self.t_start = time.monotonic()
            # A program that ends before its window shows could not reach the
            # display (seen once under heavy load): start it once more.
            try:
                wait_for(lambda: find() or self.app.poll() is not None, 60, 0.05, "the window")
            except TimeoutError:
                break
            if self.app.poll() is None or attempt:
                break
            self.log.flush()
            with open(self.log.name, errors="replace") as f:
                tail = f.read()[-2000:]
            sys.stderr.write("program ended at once (%s); its output:\n%s\n"
                             % (self.app.returncode, tail))
            self._restart_wine("program ended at once")
            self.wait_for_desktop()

        try:
            self.window = wait_for(find, 60, 0.05, "the main window")
        except TimeoutError:
            self.log.flush()
            with open(self.log.name, errors="replace") as f:
                tail = f.read()[-3000:]
            state = "running" if self.running() else "exited with %s" % self.app.returncode
            sys.stderr.write("program %s; its output:\n%s\n" % (state, tail))
            raise
        self.t_window = time.monotonic()
        self.refresh_geometry()
        return self

    def refresh_geometry(self):
        out = self.x("getwindowgeometry", "--shell", self.window)
        g = dict(line.split("=", 1) for line in out.split() if "=" in line)
        self.geometry = (int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"]))
        return self.geometry

    def running(self):
        return self.app is not None and self.app.poll() is None

    def move(self, x, y):
        gx, gy, _, _ = self.geometry
        # --sync waits for the pointer to move, so it would wait in vain (for
        # about 15 s) when the pointer is there already.
        here = dict(f.split("=", 1) for f in self.x("getmouselocation", "--shell").split()
                    if "=" in f)
        if (int(here.get("X", -1)), int(here.get("Y", -1))) != (gx + x, gy + y):
            self.x("mousemove", "--sync", gx + x, gy + y)

    def click(self, x, y, button=1):
        """Clicks at main-window client coordinates."""
        self.move(x, y)
        self.x("click", button)

    def press(self, x, y):
        self.move(x, y)
        self.x("mousedown", 1)

    def release(self, x, y):
        self.move(x, y)
        self.x("mouseup", 1)

    def screenshot(self, name):
        path = os.path.join(self.artifacts, "%s-%s.png" % (self.name, name))
        gx, gy, w, h = self.refresh_geometry()
        subprocess.run(["import", "-display", self.display, "-window", "root",
                        "-crop", "%dx%d+%d+%d" % (w, h, gx, gy), "+repage", path], check=True,
                       env=self.env)
        return path

    def image(self, name):
        return Image(self.screenshot(name))

    def pixel(self, path, x, y):
        out = subprocess.run(["convert", path, "-format", "%%[pixel:p{%d,%d}]" % (x, y), "info:"],
                             capture_output=True, text=True, check=True).stdout
        return out.strip()

    # --- reading back -------------------------------------------------------------------
    # Probe commands that always answer in JSON: an empty answer means the
    # probe itself did not run through (a loaded machine), never "nothing".
    JSON_PROBES = {"tree", "cell", "grid", "checks", "fonts", "boxes", "menus", "design", "windows",
                   "status", "popup_state", "memory"}

    def probe(self, *args):
        for attempt in range(3):
            out = subprocess.run(self.in_netns([WINE, self.probe_exe] + [str(a) for a in args]),
                                 env=self.env, capture_output=True, check=False, timeout=60)
            text = out.stdout.decode("utf-8", "replace").strip()
            if text or args[0] not in self.JSON_PROBES:
                break
            sys.stderr.write("probe %s gave nothing (exit %d): %s\n"
                             % (args[0], out.returncode, out.stderr.decode("utf-8", "replace")[-500:]))
        else:
            raise RuntimeError("the probe did not answer: %s" % (args,))
        return json.loads(text) if text and text[0] in "[{\"" else text

    def watch(self, name, seconds):
        """Starts recording every caption the control `name` shows, for
        `seconds`, and returns once the recording runs; finish() of the
        returned object waits for the end and gives the captions in order."""
        ready = os.path.join(self.tmp, "watch-%d.ready" % time.monotonic_ns())
        out = open(ready + ".out", "w+b")
        proc = subprocess.Popen(self.in_netns([WINE, self.probe_exe, "watch", name,
                                               str(int(seconds * 1000)),
                                               "Z:" + ready.replace("/", "\\")]),
                                env=self.env, stdin=subprocess.DEVNULL, stdout=out,
                                stderr=subprocess.DEVNULL)
        wait_for(lambda: os.path.exists(ready), 60, what="the caption watch")

        class Watch:
            def finish(_):
                proc.wait(timeout=seconds + 60)
                out.seek(0)
                text = out.read().decode("utf-8", "replace").strip()
                out.close()
                return json.loads(text)
        return Watch()

    def read_only(self, path):
        """Makes a folder read-only for the program (a bind mount in the
        session's mount namespace; nothing changes outside it)."""
        assert self.netns, "read-only folders need the session's own mount namespace"
        subprocess.run(["nsenter", "-t", str(self.netns.pid), "-m", "sh", "-c",
                        "mount --bind \"$0\" \"$0\" && mount -o remount,ro,bind \"$0\" \"$0\"",
                        path], check=True)

    def grid(self, name):
        """Every cell text of a grid: a list of rows of texts."""
        return self.probe("grid", name)

    def checks(self, name):
        """Every cell's check mark of a grid: a list of rows of 0/1."""
        return self.probe("checks", name)

    def type_into(self, name, text):
        """Clicks into an edit box, selects what it holds and types `text` in
        its place, one key at a time as a user would (Chinese through the
        clipboard, which is how xdotool can enter it). An empty text empties
        the box."""
        c = self.control(name)
        self.click(c["cx"] + c["w"] - 3, c["cy"] + c["h"] // 2)
        self.x("key", "End", "shift+Home")
        if not text:
            self.x("key", "BackSpace")
        elif all(ord(ch) < 128 for ch in text):
            self.x("type", "--delay", "30", text)
        else:
            subprocess.run(["xclip", "-selection", "clipboard", "-i"], input=text.encode("utf-8"),
                           env=self.env, check=True, timeout=10)
            self.x("key", "ctrl+v")

    def tree(self):
        return self.probe("tree")

    def control(self, name):
        return self.tree()["controls"][name]

    def click_control(self, name, dx=None, dy=None):
        c = self.control(name)
        self.click(c["cx"] + (c["w"] // 2 if dx is None else dx),
                   c["cy"] + (c["h"] // 2 if dy is None else dy))

    def message_boxes(self):
        return self.probe("boxes")

    def answer_box(self, title="", button=""):
        return self.probe("press", title, button) == "pressed"

    def answer_next_box(self, seen, timeout=20):
        """Waits for a message box not in `seen` (a set of handles), answers it
        and returns it; the handle is added to `seen`."""
        box = wait_for(lambda: next((b for b in self.message_boxes() if b["hwnd"] not in seen),
                                    None), timeout, what="a message box")
        seen.add(box["hwnd"])
        self.answer_box(box["title"])
        wait_for(lambda: all(b["hwnd"] != box["hwnd"] for b in self.message_boxes()), timeout,
                 what="the box to close")
        return box

    # --- the system font page ----------------------------------------------------------
    def search_fonts(self, text):
        """Types a search into 编辑框1 and waits until its grid or label shows."""
        self.type_into("编辑框1", text)

        def settled():
            c = self.tree()["controls"]
            shown = [n for n in ("系统字体表格", "系统字体表格2", "标签20") if c[n]["visible"]]
            return len(shown) == 1 and (not text or shown[0] != "系统字体表格") and shown
        wait_for(settled, 20, what="the search of %r" % text)
        if not text:
            wait_for(lambda: self.control("系统字体表格")["visible"], 10, what="the full grid")

    def batch_uninstall(self, query):
        """Searches, ticks every result (全选), presses 卸载 and answers Yes."""
        self.search_fonts(query)
        if not self.checks("系统字体表格2")[0][2]:
            self.click_control("选择框4", 6)
        wait_for(lambda: all(r[2] for r in self.checks("系统字体表格2")), 10, what="ticks")
        self.click_control("图形按钮17")
        box = wait_for(lambda: self.message_boxes(), 20, what="the question")[0]
        self.answer_box(box["title"], "是")
        wait_for(lambda: not self.message_boxes() and not self.control("标签18")["visible"], 120,
                 what="the batch")

    def reg_query(self, key, value):
        out = subprocess.run(self.in_netns([WINE, "reg", "query", key, "/v", value]), env=self.env,
                             capture_output=True, check=False)
        text = out.stdout.decode("gbk", "replace")
        import re
        for line in text.splitlines():
            # "    NAME    REG_SZ    DATA": names and data may hold single blanks.
            m = re.match(r"^ {4}(.*?) {4}(REG_\w+) {4}(.*)$", line.rstrip("\r"))
            if m and m.group(1) == value:
                return m.group(3)
        return None

    def reg_values(self, key):
        """Every value of a registry key as {name: data}."""
        out = subprocess.run(self.in_netns([WINE, "reg", "query", key]), env=self.env,
                             capture_output=True, check=False)
        import re
        values = {}
        for line in out.stdout.decode("gbk", "replace").splitlines():
            m = re.match(r"^ {4}(.*?) {4}(REG_\w+) {4}(.*)$", line.rstrip("\r"))
            if m:
                values[m.group(1)] = m.group(3)
        return values

    FONTS_KEY = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts"
    USER_FONTS_KEY = r"HKCU\Software\Microsoft\Windows NT\CurrentVersion\Fonts"

    def set_font_values(self, values, only=False, user=False):
        """Writes fonts key values {name: data} through a UTF-16 .reg file,
        into the user's key with `user`; with `only`, the key holds nothing
        else afterwards."""
        if only:
            subprocess.run(self.in_netns([WINE, "reg", "delete",
                                          self.USER_FONTS_KEY if user else self.FONTS_KEY,
                                          "/va", "/f"]),
                           env=self.env, check=False, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
        root = "HKEY_CURRENT_USER" if user else "HKEY_LOCAL_MACHINE"
        lines = ["Windows Registry Editor Version 5.00", "",
                 "[%s\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts]" % root]
        for name, data in values.items():
            lines.append('"%s"="%s"' % (name, data.replace("\\", "\\\\")))
        path = os.path.join(self.tmp, "fonts.reg")
        with open(path, "w", encoding="utf-16") as f:
            f.write("\r\n".join(lines) + "\r\n")
        subprocess.run(self.in_netns([WINE, "regedit", "/S", "Z:" + path.replace("/", "\\")]),
                       env=self.env, check=True)

    def register_fonts(self, fonts, only=False):
        """Puts {file name in the Fonts folder: (source file, face)} into the
        Fonts folder and the fonts key, as an installer would. A source of None
        registers the name as it is (an absolute path of a font elsewhere)."""
        for name, (source, face) in fonts.items():
            if source:
                shutil.copy(source, self.drive_c("windows", "Fonts", name))
        self.set_font_values({face + " (TrueType)": name for name, (source, face) in fonts.items()},
                             only)

    def user_fonts_dir(self):
        """The user's own Fonts folder of this prefix (host path, made if
        missing), as %LOCALAPPDATA%\\Microsoft\\Windows\\Fonts."""
        users = self.drive_c("users")
        user = next(u for u in sorted(os.listdir(users))
                    if u != "Public" and os.path.isdir(os.path.join(users, u, "AppData")))
        path = os.path.join(users, user, "AppData", "Local", "Microsoft", "Windows", "Fonts")
        os.makedirs(path, exist_ok=True)
        return path

    def windows_path(self, path):
        """The host path of a Windows path of this prefix (C: or Z:), or None."""
        if len(path) < 3 or path[1:3] != ":\\":
            return None
        rest = path[3:].split("\\")
        drive = path[0].lower()
        if drive == "c":
            return os.path.join(self.prefix, "drive_c", *rest)
        if drive == "z":
            return os.path.join("/", *rest)
        return None

    def file(self, *parts):
        return os.path.join(self.program_dir, *parts)

    def drive_c(self, *parts):
        return os.path.join(self.prefix, "drive_c", *parts)

    # --- memory -----------------------------------------------------------------------
    def memory(self):
        """The running program's memory as the kernel counts it, in bytes:
        `private` (its resident anonymous memory and swap, which is what Wine
        reports as the process's private bytes), `resident`, and `peak`, the
        most it held resident since it started or since reset_peak()."""
        fields = {}
        with open("/proc/%d/status" % self.app.pid) as f:
            for line in f:
                key, _, value = line.partition(":")
                if value.strip().endswith(" kB"):
                    fields[key] = int(value.split()[0]) * 1024
        return {"private": fields.get("RssAnon", 0) + fields.get("VmSwap", 0),
                "resident": fields["VmRSS"], "peak": fields["VmHWM"]}

    def reset_peak(self):
        """Starts a new peak at what the program holds now, and returns
        memory() then."""
        with open("/proc/%d/clear_refs" % self.app.pid, "w") as f:
            f.write("5")  # the kernel's high-water mark of resident memory, reset
        return self.memory()

    def memory_rise(self, since):
        """How far the program's memory rose above `since` (an answer of
        reset_peak()): {"peak": the highest resident memory since then less
        the resident memory then, "private": private bytes now less then}.
        Wine reports no peak of private bytes of its own (its peak is the
        current figure), so the resident high-water mark stands in: while
        nothing is swapped out its rise bounds the rise of private bytes
        from above (it counts mapped files as well)."""
        now = self.memory()
        return {"peak": now["peak"] - since["resident"], "private": now["private"] - since["private"]}

    def windows_memory(self):
        """The program's counters as Windows gives them to another process
        (GetProcessMemoryInfo), as a text to print. Under Wine PrivateUsage
        is 0 and the peak is the current figure, which is why the bounds are
        read from the kernel."""
        c = self.probe("memory")
        return "PrivateUsage %s, PagefileUsage %s, PeakPagefileUsage %s" % (
            mib(c["private"]), mib(c["pagefile"]), mib(c["peak_pagefile"]))

    # --- the end ----------------------------------------------------------------------
    def stop_program(self):
        if self.app and self.app.poll() is None:
            self.app.kill()
            self.app.wait()
        subprocess.run([WINESERVER, "-k"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=self.env, timeout=30)
        self.app = None

    def close(self):
        try:
            self.stop_program()
            self.stop_server()
        finally:
            if self.netns:
                self.netns.kill()
                self.netns.wait()
            if self.xvfb:
                self.xvfb.terminate()
                self.xvfb.wait()
            self.log.close()
            if os.environ.get("YQ_KEEP_E2E"):
                print("kept", self.tmp, file=sys.stderr)
            else:
                shutil.rmtree(self.tmp, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def build_font_catalogue(tmp, native, categories, source_font=DEJAVU + "DejaVuSans.ttf",
                         version=None, name="published"):
    """A published catalogue of fonts made for the test. categories:
    {category: [face, ...]} in the 中文字体 group (a face may carry make_fonts.py's
    "|licence" ending; the face is named without it). Returns the published
    folder, {face: (address, font file)} and {category: [face, ...]} in the
    catalogue's row order."""
    src = os.path.join(tmp, "src-" + name)
    fonts = {}
    for category, faces in categories.items():
        folder = os.path.join(src, "中文字体", category)
        subprocess.run(["/usr/bin/python3", os.path.join(HERE, "make_fonts.py"), source_font,
                        folder] + faces, check=True)
        for i, face in enumerate(faces):
            fonts[face.partition("|")[0]] = os.path.join(folder, "%02d.ttf" % i)
    out = os.path.join(tmp, name)
    server = os.path.join(native, "server", "yanqing-server")
    subprocess.run([server, "build", src, out] + (["--version", version] if version else []),
                   check=True, capture_output=True)
    dump = json.loads(subprocess.run([server, "dump", os.path.join(out, "ztdata.mdb")],
                                     check=True, capture_output=True).stdout)
    rows = {}
    for table in dump["tables"]:
        if table["name"] in categories:
            rows[table["name"]] = [r["字体名"] for r in table["rows"]]
            for r in table["rows"]:
                fonts[r["字体名"]] = (r["字体地址"], fonts[r["字体名"]])
    return out, fonts, rows


def wait_started_without_catalogue(s):
    """Waits until the start-up work has listed the installed fonts and handed
    the catalogue open over. With no catalogue database in the program
    directory the open reports it in a message box, which is answered."""
    wait_for(lambda: s.control("标签2")["text"].startswith("系统字体数:"), 60,
             what="the start-up work")
    box = s.answer_next_box(set())
    assert "ztdata.mdb" in box["text"], box


def mib(n):
    """Bytes as MiB, for the figures a test prints."""
    return "%.1f MiB" % (n / 1048576.0)


def parse_args():
    """--exe, --probe, --artifacts from the command line (the rest goes to unittest)."""
    import argparse
    p = argparse.ArgumentParser(add_help=False)
    p.add_argument("--exe", required=True, help="the released yanqing.exe")
    p.add_argument("--test-exe", help="a test build of it, for tests of its test switches")
    p.add_argument("--probe", required=True)
    p.add_argument("--artifacts", default=os.path.join(tempfile.gettempdir(), "yq-e2e"))
    p.add_argument("--native", default=os.path.join(ROOT, "build", "native"),
                   help="native build with yanqing-server and make_catalogue")
    args, rest = p.parse_known_args()
    sys.argv = [sys.argv[0]] + rest
    return args
