#!/usr/bin/python3
"""The web front-end's figures, taken in a headless browser on a data directory
whose FESK1 holds 1,000,000 records (bench/web_data_set makes it):

  web_first_rows_ms_1M    from the sign-in's answer to the frame painted, plus
                          from the menu choice to the browse's first rows
                          painted (the time the bench takes to choose the menu
                          item is left out), from the page's own clock; the
                          median of the five sessions' sign-ins
  web_messages_per_pgdn   WebSocket messages the page receives per PgDn while
                          paging on through the list
  web_session_rss_mb      memory per added session, each with a browse open:
                          the resident memory of its program that is its own
                          (private pages: the libraries' and the program's
                          file pages are resident once for every session and
                          the serve process) plus what the serve process's
                          resident memory grew by; the same counting every
                          session's shared pages in full is printed after it
                          as a comment
  web_vs_qt_first_rows    web_first_rows_ms_1M over the same span on the
                          desktop (bench/desktop_first_rows: from its start
                          to the frame painted, plus from the browse chosen
                          to its first rows painted, the median of five
                          runs), on the same data directory, when that
                          program is given

Usage: web_bench.py FESK_PROGRAM DATA_DIRECTORY [DESKTOP_FIRST_ROWS_PROGRAM]
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

from web_bench_support import PASSWORD, USER, Server, wait_for

FESK, DATA = sys.argv[1], sys.argv[2]
DESKTOP = sys.argv[3] if len(sys.argv) > 3 else None
PAGE_DOWNS = 30
ADDED_SESSIONS = 4
# The desktop's first rows are the median of this many runs; the web's are
# that of the first session's and the added sessions'.
DESKTOP_RUNS = 5

# Runs in the page before its own scripts: counts the messages its WebSocket
# receives, and notes on the page's clock when the menu bar and the first list
# rows are painted (a task queued from an animation frame runs once the
# frame is painted) and when a menu item is chosen; and, to tell where the
# time goes, when the socket opened, its first message came and the first
# one after the choice.
OBSERVER = """
window.bench = { received: 0 };
const PageSocket = window.WebSocket;
window.WebSocket = class extends PageSocket {
  constructor(...a) {
    super(...a);
    this.addEventListener('open', () => { bench.open = performance.now(); });
    this.addEventListener('message', () => {
      bench.received++;
      bench.firstMessage ??= performance.now();
      if ('menu' in bench) bench.answer ??= performance.now();
    });
  }
};
function whenPainted(name) {
  if (name in bench) return;
  bench[name] = null;
  requestAnimationFrame(() => setTimeout(() => { bench[name] = performance.now(); }));
}
new MutationObserver(() => {
  if (document.querySelector('#menubar button')) whenPainted('frame');
  const cell = document.querySelector('#desktop tr[data-row] td');
  if (cell && cell.textContent.trim()) whenPainted('rows');
}).observe(document, { subtree: true, childList: true, characterData: true });
document.addEventListener('click', (ev) => {
  if (!('menu' in bench) && ev.target.closest('#menubar button'))
    bench.menu = performance.now();
}, true);
"""


def resident_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        return next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))


def private_kib(pid):
    """The resident pages that no other process shares."""
    with open(f"/proc/{pid}/smaps_rollup") as f:
        return sum(int(line.split()[1]) for line in f
                   if line.startswith(("Private_Clean:", "Private_Dirty:")))


def children_of(pid):
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as f:
                    # The parent follows the command's closing parenthesis.
                    if int(f.read().rsplit(")", 1)[1].split()[1]) == pid:
                        found.append(int(entry))
            except (OSError, IndexError):
                pass
    return found


def memory_kib(server, of_session):
    """The serve process's resident memory and, by `of_session`, that of its
    session programs."""
    return resident_kib(server.pid) + sum(of_session(c) for c in children_of(server.pid))


class Page:
    def __init__(self, browser, url):
        self.browser, self.url = browser, url

    def script(self, text, *arguments):
        return self.browser.execute_script(text, *arguments)

    def sign_in_and_browse(self):
        b = self.browser
        b.get(self.url)
        b.delete_all_cookies()  # a session of its own
        b.get(self.url)
        b.find_element(By.ID, "name").send_keys(USER)
        b.find_element(By.ID, "password").send_keys(PASSWORD)
        b.find_element(By.ID, "sign-in").click()
        wait_for("the frame", lambda: self.script("return document.querySelector('#menubar button')"))
        # The time the page's script takes to draw what each message brings
        # (its layout forced included), for the span of the browse (in the
        # first tab, which has the observer).
        self.script("""
            if (!window.bench) return;
            const draw = receive;
            bench.drawing = [];
            window.receive = (m) => {
              const at = performance.now();
              draw(m);
              bench.drawing.push(performance.now() - at);
            };""")
        # The browse is an item of the menu bar itself.
        next(t for t in b.find_elements(By.CSS_SELECTOR, "#menubar button.top")
             if t.text == "fesk").click()
        wait_for("the first rows", self.first_code)

    def first_rows_ms(self):
        wait_for("the rows painted", lambda: self.script("return bench.rows"))
        # From the sign-in's answer (the redirect to the program's page), which
        # the sign-in page's own fetch receives when it signs in in place.
        spans = self.script("""
            const signIn = performance.getEntriesByType('resource')
                .find((r) => r.name.endsWith('/sign-in'));
            const at = (t) => Math.round(t - signIn.redirectEnd);
            return { answered: at(signIn.responseEnd),
                     drawing: bench.drawing.map(Math.round).join(' + '),
                     frame: at(bench.frame), open: at(bench.open),
                     firstMessage: at(bench.firstMessage),
                     rows: Math.round(bench.rows - bench.menu),
                     answer: Math.round(bench.answer - bench.menu) };""")
        print(f"# from the sign-in's answer: the program's page answered at {spans['answered']} "
              f"ms, its socket open at {spans['open']}, the first message at "
              f"{spans['firstMessage']}, the frame painted at {spans['frame']}; from the "
              f"choice: the first message at {spans['answer']} ms, drawn in {spans['drawing']} "
              f"ms of script, the rows painted at {spans['rows']}")
        return spans["frame"] + spans["rows"]

    def first_code(self):
        return self.script("const td = document.querySelector('#desktop tr[data-row] td');"
                           "return td && td.textContent")

    def messages_per_page_down(self):
        grid = self.browser.switch_to.active_element
        assert grid.get_attribute("role") == "grid", "the list is not focused"
        grid.send_keys(Keys.PAGE_DOWN)  # the first step may load more than a page
        time.sleep(0.5)
        before = self.script("return bench.received")
        for _ in range(PAGE_DOWNS):
            shown = self.first_code()
            grid.send_keys(Keys.PAGE_DOWN)
            wait_for("the next page", lambda: self.first_code() != shown, 20)
        time.sleep(0.5)  # what the last one still sends
        return (self.script("return bench.received") - before) / PAGE_DOWNS


def desktop_first_rows_ms():
    """The desktop program's first rows on the same data directory, as it
    prints them (the span's two parts follow as a comment)."""
    started = time.monotonic()
    done = subprocess.run([DESKTOP, DATA, repr(started)], capture_output=True, text=True,
                          timeout=300)
    figures = dict(line.split("=", 1) for line in done.stdout.splitlines() if "=" in line
                   and not line.startswith("#"))
    if done.returncode != 0 or "desktop_first_rows_ms_1M" not in figures:
        raise SystemExit("web bench: the desktop's first rows were not taken: " + done.stderr)
    print(next(line for line in done.stdout.splitlines() if line.startswith("#")))
    return float(figures["desktop_first_rows_ms_1M"])


def main():
    work = tempfile.mkdtemp(prefix="fesk-web-bench-")
    # The sessions added and the first, beyond the most a user has by default.
    server = Server(FESK, DATA, "--sessions-per-user", str(ADDED_SESSIONS + 1))
    browser = None
    try:
        options = webdriver.ChromeOptions()
        for a in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                  "--disable-component-update", "--disable-sync",
                  "--user-data-dir=" + os.path.join(work, "profile")]:
            options.add_argument(a)
        options.binary_location = "/usr/bin/chromium"
        browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        browser.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": OBSERVER})
        page = Page(browser, server.origin + "/")

        page.sign_in_and_browse()
        first_rows = [page.first_rows_ms()]
        messages_per_pgdn = page.messages_per_page_down()

        time.sleep(1)
        before = memory_kib(server.process, private_kib), memory_kib(server.process, resident_kib)
        for _ in range(ADDED_SESSIONS):
            browser.switch_to.new_window("tab")
            browser.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": OBSERVER})
            # A sign-in finds the program started ahead, as one to a server
            # that was waiting for it does.
            time.sleep(1)
            page.sign_in_and_browse()
            first_rows.append(page.first_rows_ms())
        # Long enough for the program that waits for the next sign-in to be
        # started, as it was before.
        time.sleep(3)
        added = [(memory_kib(server.process, f) - b) / ADDED_SESSIONS / 1024
                 for f, b in zip((private_kib, resident_kib), before)]
        first_rows_ms = statistics.median(first_rows)
        print(f"web_first_rows_ms_1M={first_rows_ms:.0f}")
        print(f"web_messages_per_pgdn={messages_per_pgdn:.2f}")
        print(f"web_session_rss_mb={added[0]:.1f}")
        print(f"# with the pages shared among sessions counted in each: {added[1]:.1f} MB")
    finally:
        if browser:
            browser.quit()
        server.stop()
        subprocess.run(["rm", "-rf", work])
    if DESKTOP:
        desktop_ms = statistics.median(desktop_first_rows_ms() for _ in range(DESKTOP_RUNS))
        print(f"web_vs_qt_first_rows={first_rows_ms / desktop_ms:.2f}")


main()
