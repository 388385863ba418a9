#!/usr/bin/python3
"""The web front-end's figures, taken in a headless browser on a data directory
whose FESK1 holds 1,000,000 records (bench/web_data_set makes it):

  web_first_rows_ms_1M    from the sign-in's answer to the frame painted, plus
                          from the menu choice to the browse's first rows
                          painted (the time the bench takes to choose the menu
                          item is left out), from the page's own clock
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

Usage: web_bench.py FESK_PROGRAM DATA_DIRECTORY
"""
import os
import socket
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

FESK, DATA = sys.argv[1], sys.argv[2]
USER, PASSWORD = "bench", "bench password"
PAGE_DOWNS = 30
ADDED_SESSIONS = 4

# Runs in the page before its own scripts: counts the messages its WebSocket
# receives, and notes on the page's clock when the menu bar and the first list
# rows are painted (a task queued from an animation frame runs once the
# frame is painted) and when a menu item is chosen.
OBSERVER = """
window.bench = { received: 0 };
const PageSocket = window.WebSocket;
window.WebSocket = class extends PageSocket {
  constructor(...a) { super(...a); this.addEventListener('message', () => bench.received++); }
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


def wait_for(what, condition, timeout=120):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.01)
    raise SystemExit("web_bench: waited in vain for " + what)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


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
        # The browse is an item of the menu bar itself.
        next(t for t in b.find_elements(By.CSS_SELECTOR, "#menubar button.top")
             if t.text == "fesk").click()
        wait_for("the first rows", self.first_code)

    def first_rows_ms(self):
        wait_for("the rows painted", lambda: self.script("return bench.rows"))
        return self.script("""
            const n = performance.getEntriesByType('navigation')[0];
            const signedIn = n.redirectEnd || n.fetchStart;
            return (bench.frame - signedIn) + (bench.rows - bench.menu);""")

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


def main():
    subprocess.run([FESK, "serve", "--add-user", USER, "--data-dir", DATA],
                   input=PASSWORD + "\n", text=True, check=True, capture_output=True)
    work = tempfile.mkdtemp(prefix="fesk-web-bench-")
    port = free_port()
    server = subprocess.Popen([FESK, "serve", "--listen", f"127.0.0.1:{port}", "--data-dir", DATA],
                              stderr=subprocess.PIPE, text=True)
    browser = None
    try:
        wait_for("the server", lambda: "serving" in server.stderr.readline())
        options = webdriver.ChromeOptions()
        for a in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                  "--disable-component-update", "--disable-sync",
                  "--user-data-dir=" + os.path.join(work, "profile")]:
            options.add_argument(a)
        options.binary_location = "/usr/bin/chromium"
        browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        browser.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": OBSERVER})
        page = Page(browser, f"http://127.0.0.1:{port}/")

        page.sign_in_and_browse()
        print(f"web_first_rows_ms_1M={page.first_rows_ms():.0f}")
        print(f"web_messages_per_pgdn={page.messages_per_page_down():.2f}")

        time.sleep(1)
        before = memory_kib(server, private_kib), memory_kib(server, resident_kib)
        for _ in range(ADDED_SESSIONS):
            browser.switch_to.new_window("tab")
            page.sign_in_and_browse()
        time.sleep(1)
        added = [(memory_kib(server, f) - b) / ADDED_SESSIONS / 1024
                 for f, b in zip((private_kib, resident_kib), before)]
        print(f"web_session_rss_mb={added[0]:.1f}")
        print(f"# with the pages shared among sessions counted in each: {added[1]:.1f} MB")
    finally:
        if browser:
            browser.quit()
        server.terminate()
        server.wait(30)
        subprocess.run(["rm", "-rf", work])


main()
