"""What the tests that drive `fesk serve` from a browser share, whatever the
browser: a scratch data set with its user, a server on a free port, waiting on
a condition, and what a window must measure on each screen."""
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

USER = "ann"
PASSWORD = "correct horse"
TIMEOUT = 15


def program():
    """The program under test: the script's first argument (taken off the
    command line, so that unittest sees only its own), else the build's."""
    return os.path.abspath(sys.argv.pop(1)) if len(sys.argv) > 1 else "build/fesk"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(what, condition, timeout=TIMEOUT, again_on=(), on_failure=None):
    """Answers the condition's first true value; again_on are the errors that
    mean "not there yet", on_failure keeps what the page showed."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            value = condition()
        except again_on:
            value = None
        if value:
            return value
        time.sleep(0.05)
    if on_failure:
        on_failure()
    raise AssertionError("waited in vain for " + what)


class DataSet:
    """A data directory of its own in a scratch directory, with USER able to
    sign in; the scratch directory also holds what the browser writes."""

    def __init__(self, fesk):
        self.fesk = fesk
        self.work = tempfile.mkdtemp(prefix="fesk-web-")
        self.data = os.path.join(self.work, "data")
        os.mkdir(self.data)
        subprocess.run([fesk, "serve", "--add-user", USER, "--data-dir", self.data],
                       input=PASSWORD + "\n", text=True, check=True, capture_output=True)

    def run(self, *arguments, stdin=None):
        """Runs the program's command on the data set; answers its output."""
        return subprocess.run([self.fesk, *arguments, "--data-dir", self.data], input=stdin,
                              text=True, capture_output=True, check=True).stdout

    def export(self):
        return self.run("export", "FESK1")

    def remove(self):
        shutil.rmtree(self.work, ignore_errors=True)


class Server:
    """`fesk serve` on the data set at a free port of 127.0.0.1, with the
    options given; ready once it says it is serving."""

    def __init__(self, data_set, *options):
        self.port = free_port()
        self.url = f"http://127.0.0.1:{self.port}/"
        self.data = data_set.data
        self.process = subprocess.Popen(
            [data_set.fesk, "serve", "--listen", f"127.0.0.1:{self.port}", "--data-dir",
             data_set.data, *options], stderr=subprocess.PIPE, text=True)
        wait_for("the server", lambda: "serving" in self.process.stderr.readline())

    def session_programs(self):
        """The process ids of the session programs that have the data set
        open, the last started last (the one started ahead of a sign-in has
        not opened it)."""
        found = []
        for pid in subprocess.run(["pgrep", "-P", str(self.process.pid)], capture_output=True,
                                  text=True).stdout.split():
            try:
                files = [os.readlink(f"/proc/{pid}/fd/{fd}") for fd in os.listdir(f"/proc/{pid}/fd")]
                with open(f"/proc/{pid}/stat") as f:
                    # The start time is the 22nd field, the 20th after the
                    # command's closing parenthesis.
                    started = int(f.read().rsplit(")", 1)[1].split()[19])
            except OSError:
                continue
            if any(name.startswith(self.data + os.sep) for name in files):
                found.append((started, pid))
        return [pid for _, pid in sorted(found)]

    def stop(self):
        self.process.terminate()
        self.process.wait(10)
        self.process.stderr.close()


# A function's body run in the page with the browse's window as its argument:
# the sizes that say whether the window suits the screen.
MEASURE_WINDOW = """
    const w = arguments[0], list = w.querySelector('.list');
    const rows = [...list.querySelectorAll('tr[data-row]')];
    // Text, not the scroll bar's arrows.
    const texts = [...w.querySelectorAll('*')].filter((e) => e.offsetParent &&
        !e.closest('.scrollbar') &&
        [...e.childNodes].some((n) => n.nodeType === 3 && n.textContent.trim()));
    const rect = (e) => e.getBoundingClientRect();
    const body = getComputedStyle(document.body).backgroundColor.match(/\\d+/g);
    return {
      smallest: Math.min(...texts.map((e) => parseFloat(getComputedStyle(e).fontSize))),
      pageWidth: document.documentElement.clientWidth,
      window: rect(w).toJSON(), list: rect(list).toJSON(),
      rowHeight: rect(rows[0]).height,
      offScreen: [...w.querySelectorAll('.control')].filter((e) => e.offsetParent &&
          (rect(e).left < -1 || rect(e).right > document.documentElement.clientWidth + 1)).length,
      desk: rect(document.getElementById('desktop')).toJSON(),
      brightness: body.slice(0, 3).reduce((a, c) => a + Number(c), 0) / 3,
    };"""

# The screens every browser is tried at, and whether it prefers a dark page
# there.
SCREENS = [(1366, 768, False), (1920, 1080, True), (390, 844, False)]
NARROW = 700  # the widest screen that shows one window at a time


def assert_suits_screen(test, page, width, height, dark):
    """The window measured by MEASURE_WINDOW is drawn at a readable size and
    fits the page; on a narrow screen it is the page's width; the page is
    dark when the browser prefers it."""
    size = f"{width}x{height}"
    test.assertGreaterEqual(page["smallest"], 14, size)
    # Rows as high as their text at least; on a wide screen the window, and
    # with it the browse's list, takes the room given.
    test.assertGreaterEqual(page["rowHeight"], page["smallest"], size)
    test.assertEqual(page["brightness"] < 100, dark, size)
    test.assertEqual(page["offScreen"], 0, size)
    if width <= NARROW:
        test.assertAlmostEqual(page["window"]["width"], page["pageWidth"], delta=2, msg=size)
    else:
        test.assertGreater(page["window"]["bottom"], page["desk"]["bottom"] - 60, size)
        test.assertGreater(page["list"]["bottom"], page["window"]["bottom"] - 160, size)
