#!/usr/bin/python3
"""fesk serve worked in a real (headless) browser: sign-in, the tour of the
records done in the page, values shown as text, and what the server refuses.

Usage: serve_in_browser.py FESK_PROGRAM
"""
import http.client
import os
import shutil
import signal
import socket
import subprocess
import tempfile
import time
import unittest

from selenium import webdriver
from selenium.common.exceptions import (NoAlertPresentException, NoSuchElementException,
                                        StaleElementReferenceException)
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.wheel_input import ScrollOrigin
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

import served
from served import PASSWORD, USER, free_port

FESK = served.program()
# Markup that would make an element (and run a handler) if a value were ever
# taken as HTML; a name holds 20 characters.
HOSTILE = "<img src onerror=f>"
# Enough records that a search through them lasts long enough to be seen
# under way (a good part of a second).
LONG_FIND_RECORDS = 400000
BROWSER = []


def screenshot():
    if BROWSER:  # what the page showed, for the person reading the failure
        BROWSER[0].save_screenshot(os.path.abspath("web-failure.png"))


def wait_for(what, condition, timeout=served.TIMEOUT):
    # Redrawn meanwhile, or not there yet (the page still loading after a
    # form went): look again.
    return served.wait_for(what, condition, timeout,
                           (StaleElementReferenceException, NoSuchElementException), screenshot)


def websocket_answer(port, origin, cookie=None):
    """Opens the session's WebSocket by hand; answers the first bytes the
    server sends after the handshake (b"" when it closed without a frame)."""
    with socket.create_connection(("127.0.0.1", port), timeout=5) as s:
        headers = ["GET /session HTTP/1.1", f"Host: 127.0.0.1:{port}", "Upgrade: websocket",
                   "Connection: Upgrade", "Sec-WebSocket-Version: 13",
                   "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==", f"Origin: {origin}"]
        if cookie:
            headers.append("Cookie: fesk_session=" + cookie)
        s.sendall(("\r\n".join(headers) + "\r\n\r\n").encode())
        data = b""
        try:
            while b"\r\n\r\n" not in data or len(data.split(b"\r\n\r\n", 1)[1]) < 4:
                chunk = s.recv(4096)
                if not chunk:
                    break
                data += chunk
        except socket.timeout:
            pass
        return data.split(b"\r\n\r\n", 1)[1] if b"\r\n\r\n" in data else b""


class ServeInBrowser(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.data_set = served.DataSet(FESK)
        cls.work, cls.data = cls.data_set.work, cls.data_set.data
        cls.server = served.Server(cls.data_set)
        cls.port, cls.url = cls.server.port, cls.server.url
        options = webdriver.ChromeOptions()
        for a in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                  "--disable-component-update", "--disable-sync",
                  "--user-data-dir=" + os.path.join(cls.work, "profile")]:
            options.add_argument(a)
        options.binary_location = "/usr/bin/chromium"
        cls.browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        cls.browser.set_window_size(1024, 768)
        BROWSER.append(cls.browser)

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        cls.server.stop()
        cls.data_set.remove()

    # ---- what a person does in the page ----

    def sign_in(self, name, password, url=None):
        b = self.browser
        b.get(url or self.url)
        b.find_element(By.ID, "name").send_keys(name)
        b.find_element(By.ID, "password").send_keys(password)
        b.find_element(By.ID, "sign-in").click()

    def open_browse(self, url=None):
        self.sign_in(USER, PASSWORD, url)
        wait_for("the menu", lambda: self.browser.find_elements(By.CSS_SELECTOR, "#menubar button"))
        # The program's page was built in place of the sign-in page: the
        # browser loaded no page after it.
        self.assertTrue(self.browser.execute_script(
            "return performance.getEntriesByType('resource').some((r) => r.name.endsWith('/sign-in'))"))
        self.menu("fesk")
        return self.window("Browse the fesk1 File")

    def exit_program(self):
        self.menu("Exit")
        wait_for("the session's end", lambda: self.browser.find_element(
            By.TAG_NAME, "body").get_attribute("data-ended"))

    def window(self, title):
        return wait_for("the window " + title, lambda: self.browser.execute_script(
            "return [...document.querySelectorAll('.window')]"
            ".find((w) => w.querySelector('.title span').textContent === arguments[0])", title))

    def gone(self, title):
        wait_for("the window " + title + " to close", lambda: not self.browser.execute_script(
            "return [...document.querySelectorAll('.window .title span')]"
            ".some((s) => s.textContent === arguments[0])", title))

    def menu(self, text):
        for top in self.browser.find_elements(By.CSS_SELECTOR, "#menubar button.top"):
            if top.text == text:
                return top.click()
            if top.get_attribute("aria-haspopup") != "true":
                continue
            top.click()
            for item in top.find_elements(By.XPATH, "../div[@role='menu']/button"):
                if item.text == text:
                    return item.click()
            top.click()
        raise AssertionError("no menu item " + text)

    def click(self, window, text):
        control = wait_for(text + " enabled", lambda: next(
            (c for c in window.find_elements(By.CSS_SELECTOR, "button.control, label.control")
             if c.text == text and c.is_enabled() and c.is_displayed()), None))
        control.click()

    def type_into(self, window, label, text):
        self.click(window, label)
        wait_for("the focus in " + label, lambda: self.browser.switch_to.active_element
                 .get_attribute("aria-label") == label)
        self.browser.switch_to.active_element.send_keys(text)

    # Lists are drawn anew as they change: they are read in one step.
    def rows(self, window):
        return self.browser.execute_script(
            "return [...arguments[0].querySelectorAll('tr[data-row]')]"
            ".map((tr) => [...tr.cells].map((td) => td.textContent))", window)

    def selected(self, window):
        return self.browser.execute_script(
            "const td = arguments[0].querySelector('tr[aria-selected=\"true\"] td');"
            "return td && td.textContent.trim()", window)

    def click_row(self, window, n):
        self.browser.execute_script(
            "arguments[0].querySelectorAll('tr[data-row]')[arguments[1]].click()", window, n - 1)

    def insert(self, browse, code, name):
        self.click(browse, "Insert")
        form = self.window("Adding a fesk1 Record")
        self.type_into(form, "code:", code)
        self.type_into(form, "name:", name)
        self.click(form, "OK")
        self.gone("Adding a fesk1 Record")

    # The code typed into a new record, in the form or in the list's row, as
    # the browse was left; not saved.
    def type_new_code(self, browse, code):
        self.click(browse, "Insert")
        wait_for("the code's entry", lambda: self.browser.switch_to.active_element
                 .get_attribute("aria-label") in ("code", "code:"))
        self.browser.switch_to.active_element.send_keys(code)

    def export(self):
        return self.data_set.export()

    # ---- the tests, in order (they share one server and one browser) ----

    def test_1_refusals(self):
        refused = subprocess.run([FESK, "serve", "--listen", "0.0.0.0:1", "--data-dir", self.data],
                                 capture_output=True, text=True)
        self.assertEqual(refused.returncode, 2)
        self.assertIn("needs TLS", refused.stderr)

        self.sign_in(USER, "wrong")
        wait_for("the refusal", lambda: "The name or the password is wrong." in
                 self.browser.find_element(By.ID, "message").text)
        self.assertEqual(self.browser.find_elements(By.ID, "menubar"), [])
        # The name stays as typed; the password is asked again.
        self.assertEqual(self.browser.find_element(By.ID, "name").get_attribute("value"), USER)
        password = self.browser.find_element(By.ID, "password")
        self.assertEqual((password.get_attribute("value"), self.browser.switch_to.active_element),
                         ("", password))
        # Without a session, the page's socket is closed at once with a policy
        # violation (a close frame, code 1008).
        answer = websocket_answer(self.port, f"http://127.0.0.1:{self.port}")
        self.assertEqual(answer[:1], b"\x88")
        self.assertEqual(answer[2:4], (1008).to_bytes(2, "big"))

    def test_2_tour(self):
        time.sleep(2)  # the address waits after the failed sign-in of test_1
        browse = self.open_browse()
        # The session's cookie opens no socket from another site's page.
        cookie = self.browser.get_cookie("fesk_session")
        self.assertTrue(cookie["httpOnly"])
        self.assertEqual(cookie["sameSite"], "Strict")
        answer = websocket_answer(self.port, "http://evil.example", cookie["value"])
        self.assertEqual(answer[:1], b"\x88")
        # F1 shows the window's help page in the page; Esc closes it.
        wait_for("the list focused", lambda: self.browser.switch_to.active_element
                 .get_attribute("role") == "grid")
        self.browser.switch_to.active_element.send_keys(Keys.F1)
        frame = wait_for("the help", lambda: self.browser.find_elements(By.CSS_SELECTOR,
                                                                         ".help iframe"))[0]
        self.browser.switch_to.frame(frame)
        wait_for("the browse's help page", lambda: self.browser.find_elements(
            By.XPATH, "//h2[text()='Browsing the fesk1 file']"))
        self.browser.switch_to.default_content()
        self.browser.switch_to.active_element.send_keys(Keys.ESCAPE)
        wait_for("the help closed", lambda: not self.browser.find_elements(By.CSS_SELECTOR, ".help"))
        self.click(browse, "InLine On")
        for code, name in [("P01", "Mercury"), ("P02", "Venus"), ("P03", "Earth"),
                           ("P04", HOSTILE), ("P05", "Jupiter")]:
            self.insert(browse, code, name)
        # The keyboard alone: Alt+I opens the form on its first entry, Tab
        # goes on, Enter leaves the entry for OK and presses it. An entry
        # takes no more than its picture holds.
        ActionChains(self.browser).key_down(Keys.ALT).send_keys("i").key_up(Keys.ALT).perform()
        self.window("Adding a fesk1 Record")
        wait_for("the focus in code:", lambda: self.browser.switch_to.active_element
                 .get_attribute("aria-label") == "code:")
        self.browser.switch_to.active_element.send_keys("P06", Keys.TAB)
        wait_for("the focus in name:", lambda: self.browser.switch_to.active_element
                 .get_attribute("aria-label") == "name:")
        self.browser.switch_to.active_element.send_keys("Saturn and its rings", "!!", Keys.ENTER)
        wait_for("the focus on OK", lambda: self.browser.switch_to.active_element.text == "OK")
        self.browser.switch_to.active_element.send_keys(Keys.ENTER)
        self.gone("Adding a fesk1 Record")
        wait_for("six rows", lambda: len([r for r in self.rows(browse) if r[0].strip()]) == 6)

        # The hostile name is shown as typed and runs nothing.
        self.assertIn(HOSTILE, [r[1].strip() for r in self.rows(browse)])
        self.assertEqual(self.browser.find_elements(By.CSS_SELECTOR, "#desktop img"), [])
        with self.assertRaises(NoAlertPresentException):
            self.browser.switch_to.alert.text

        # Locating: in name order, a typed letter goes to the first name with it.
        next(t for t in browse.find_elements(By.CSS_SELECTOR, "[role=tab]")
             if t.text == "FES:Keyname").click()
        wait_for("the list focused", lambda: self.browser.switch_to.active_element
                 .get_attribute("role") == "grid")
        self.browser.switch_to.active_element.send_keys("m")
        wait_for("Mercury located", lambda: self.selected(browse) == "P01")
        self.browser.switch_to.active_element.send_keys("j")
        wait_for("Jupiter located", lambda: self.selected(browse) == "P05")
        # Find: Ctrl+F opens a search line over the list; the whole text typed
        # finds the first name that starts with it, Enter the next that holds it.
        find_line = lambda: browse.find_element(By.CSS_SELECTOR, ".findline")
        self.browser.switch_to.active_element.send_keys(Keys.CONTROL, "f")
        wait_for("the search line", lambda: find_line().is_displayed())
        self.browser.switch_to.active_element.send_keys("sat")
        # "sa" finds it already: the line says the whole text once it is read.
        wait_for("Saturn found", lambda: self.selected(browse) == "P06")
        wait_for("the text searched", lambda: find_line().text.startswith("Find: sat"))
        self.browser.switch_to.active_element.send_keys(Keys.ENTER)
        wait_for("none after it", lambda: '"sat" not found' in find_line().text)
        self.browser.switch_to.active_element.send_keys(Keys.ESCAPE)
        wait_for("the line closed", lambda: not find_line().is_displayed())
        self.assertEqual(self.selected(browse), "P06")
        self.window("Browse the fesk1 File")
        next(t for t in browse.find_elements(By.CSS_SELECTOR, "[role=tab]")
             if t.text == "FES:Keycode").click()

        # Changing Earth's code and name through the form, keys only for the
        # first row: Ctrl+Home goes to the first page, where Up goes nowhere
        # and rings the bell.
        self.browser.switch_to.active_element.send_keys(Keys.CONTROL, Keys.HOME)
        wait_for("the first row", lambda: self.selected(browse) == "P01")
        self.browser.switch_to.active_element.send_keys(Keys.UP)
        wait_for("the bell", lambda: self.browser.find_element(By.ID, "status").text == "Bell!")
        self.click_row(browse, 3)
        wait_for("Earth selected", lambda: self.selected(browse) == "P03")
        self.click(browse, "Change")
        form = self.window("Changing a fesk1 Record")
        self.type_into(form, "code:", "E03")
        # The browser's own copy and paste work in an entry, and what they
        # make is what is stored.
        self.type_into(form, "name:", "Earth")
        name = self.browser.switch_to.active_element
        name.send_keys(Keys.CONTROL, "a")
        name.send_keys(Keys.CONTROL, "c")
        name.send_keys(Keys.END, " (")
        name.send_keys(Keys.CONTROL, "v")
        name.send_keys(")")
        self.click(form, "OK")
        self.gone("Changing a fesk1 Record")

        # Deleting Venus, confirmed in the message box.
        self.click_row(browse, [r[0].strip() for r in self.rows(browse)].index("P02") + 1)
        wait_for("Venus selected", lambda: self.selected(browse) == "P02")
        self.click(browse, "Delete")
        box = wait_for("the question", lambda: self.browser.find_elements(
            By.CSS_SELECTOR, "[role=alertdialog]"))
        next(b for b in box[0].find_elements(By.TAG_NAME, "button") if b.text == "OK").click()
        wait_for("Venus gone", lambda: "P02" not in [r[0].strip() for r in self.rows(browse)])

        # In-line editing: Insert opens the editor over a new row of the list.
        self.click(browse, "InLine Off")
        self.click(browse, "Insert")
        wait_for("the editor in the row", lambda: self.browser.switch_to.active_element
                 .get_attribute("aria-label") == "code")
        editor = self.browser.switch_to.active_element
        row = self.browser.execute_script(
            "return arguments[0].closest('.window').querySelector('tr[aria-selected=\"true\"]')"
            ".getBoundingClientRect().top", editor)
        self.assertAlmostEqual(editor.rect["y"], row, delta=2)
        editor.send_keys("P07", Keys.TAB)
        wait_for("the editor's second cell", lambda: self.browser.switch_to.active_element
                 .get_attribute("aria-label") == "name")
        self.browser.switch_to.active_element.send_keys("Uranus", Keys.ENTER)
        wait_for("Uranus stored", lambda: ["P07", "Uranus"] in
                 [[c.strip() for c in r] for r in self.rows(browse)])

        self.click(browse, "Close")
        self.gone("Browse the fesk1 File")
        self.exit_program()
        stored = self.export()
        for expected in ["P01", "Mercury", "E03,Earth (Earth)\n", "P05", "Jupiter", "P04",
                         "P06,Saturn and its rings\n", "P07,Uranus\n"]:
            self.assertIn(expected, stored)
        self.assertNotIn("Venus", stored)
        self.assertNotIn("P03", stored)
        self.assertIn(HOSTILE, stored)

    def test_3_mouse(self):
        # More records than the list shows.
        rows = "".join(f"R{i:03d},Row {i}\n" for i in range(1, 121))
        self.data_set.run("import", "FESK1", "-", stdin="CODE,NAME\n" + rows)
        browse = self.open_browse()
        codes = lambda: [r[0].strip() for r in self.rows(browse)]
        wait_for("the first page", lambda: codes()[:1] == ["E03"])
        grid = browse.find_element(By.CSS_SELECTOR, "[role=grid]")
        act = lambda: ActionChains(self.browser)

        # The wheel goes on through the records and back, as on the desktop.
        shown = lambda: (codes()[0], self.selected(browse))
        start = shown()
        act().scroll_from_origin(ScrollOrigin.from_element(grid), 0, 120).perform()
        wait_for("the wheel down", lambda: shown() != start)
        act().scroll_from_origin(ScrollOrigin.from_element(grid), 0, -120).perform()
        wait_for("the wheel up", lambda: shown() == start)

        # The scroll bar: a click on the track below the thumb is a PgDn (to
        # the page's last row, then on); the thumb dragged to the bottom shows
        # the last records.
        first_page = codes()
        for step in ("to the page's last row", "a page down"):
            track = browse.find_element(By.CSS_SELECTOR, ".scrollbar .track")
            act().move_to_element_with_offset(track, 0, track.size["height"] // 2 - 4).click() \
                .perform()
            wait_for(step, lambda: self.selected(browse) == first_page[-1]
                     if step.startswith("to") else codes()[0] > first_page[-1])
        thumb = browse.find_element(By.CSS_SELECTOR, ".scrollbar .thumb")
        track = browse.find_element(By.CSS_SELECTOR, ".scrollbar .track")
        act().click_and_hold(thumb).move_by_offset(0, track.size["height"]).release().perform()
        wait_for("the last page", lambda: codes()[-1] == "R120")
        self.assertEqual(browse.find_element(By.CSS_SELECTOR, ".scrollbar")
                         .get_attribute("aria-valuenow"), "100")

        # A double click on a row opens its change form, as on the desktop
        # (with in-line editing off, which the tour left on), however soon
        # the answer to its first click is drawn: here, held back by the
        # page until the second click is pressed, before it is let go.
        self.click(browse, "InLine On")
        row = wait_for("a row not selected", lambda: browse.find_element(
            By.CSS_SELECTOR, "tr[data-row][aria-selected='false']"))
        code = row.find_element(By.TAG_NAME, "td").text.strip()
        self.browser.execute_script(
            "window.heldForTest = []; window.receiveForTest = receive;"
            "receive = (m) => heldForTest.push(m);")
        act().move_to_element(row).click().click_and_hold().perform()
        wait_for("the first click's answer", lambda: self.browser.execute_script(
            "return heldForTest.some((m) => m.t === 'window')"))
        self.browser.execute_script("receive = receiveForTest; heldForTest.forEach(receive)")
        self.assertEqual(self.selected(browse), code)
        act().release().perform()
        form = self.window("Changing a fesk1 Record")
        wait_for("the form on the row", lambda: form.find_element(
            By.CSS_SELECTOR, "input[aria-label='code:']").get_attribute("value").strip() == code)
        self.click(form, "Cancel")
        self.gone("Changing a fesk1 Record")

        # A drop-down list as the runtime shows one (the program's own windows
        # have none): the page draws its chosen row and asks the runtime for
        # everything else, by mouse and by keyboard.
        self.browser.execute_script(
            "window.sentForTest = [];"
            "window.pageSend = socket.send; socket.send = (m) => sentForTest.push(JSON.parse(m));")
        picker = {"t": "window", "handle": 9999, "kind": "dialog", "title": "Pick", "width": 120,
                  "height": 90, "focus": 7, "acceptsInput": True, "busy": False, "removed": [],
                  "order": [7],
                  "controls": [{"field": 7, "kind": "droplist", "rect": [4, 4, 100, 60],
                                "rows": [["C001"], ["C002"], [HOSTILE]], "columns": [],
                                "selected": 2, "scrollBar": True, "thumb": 50,
                                "droppedDown": False, "shown": True, "enabled": True}]}
        show = lambda dropped, selected: self.browser.execute_script(
            "arguments[0].controls[0].droppedDown = arguments[1];"
            "arguments[0].controls[0].selected = arguments[2]; receive(arguments[0])",
            picker, dropped, selected)
        sent = lambda: self.browser.execute_script("return sentForTest.splice(0)")
        show(False, 2)
        drop = self.window("Pick").find_element(By.CSS_SELECTOR, "[role=combobox]")
        self.assertEqual(drop.find_element(By.CSS_SELECTOR, ".shown").text, "C002")
        self.assertFalse(drop.find_element(By.CSS_SELECTOR, ".popup").is_displayed())
        wait_for("the drop-down focused", lambda: self.browser.switch_to.active_element == drop)
        drop.send_keys(Keys.F4)
        drop.send_keys(Keys.DOWN)
        self.assertEqual([(m["t"], m["w"], m["code"]) for m in sent()],
                         [("key", 9999, 115), ("key", 9999, 40)])
        drop.find_element(By.CSS_SELECTOR, ".dropbutton").click()
        self.assertEqual(sent(), [{"t": "drop", "w": 9999, "f": 7}])
        show(True, 2)
        popup = drop.find_element(By.CSS_SELECTOR, ".popup")
        wait_for("the open list", popup.is_displayed)
        choices = popup.find_elements(By.CSS_SELECTOR, "tr[data-row]")
        self.assertEqual([c.text for c in choices], ["C001", "C002", HOSTILE])
        choices[2].click()
        self.assertEqual(sent(), [{"t": "row", "w": 9999, "f": 7, "row": 3, "mouse": 1}])
        show(False, 3)
        self.assertEqual(drop.find_element(By.CSS_SELECTOR, ".shown").text, HOSTILE)
        self.assertEqual(self.browser.find_elements(By.CSS_SELECTOR, "#desktop img"), [])
        self.browser.execute_script("receive({t: 'closed', handle: 9999}); socket.send = pageSend")
        self.gone("Pick")

        self.click(browse, "Close")
        self.gone("Browse the fesk1 File")
        self.exit_program()

    def test_4_idle_end(self):
        # A server whose sessions end after 3 s without input, on the same
        # data directory.
        server = served.Server(self.data_set, "--idle-minutes", "0.05")
        try:
            browse = self.open_browse(server.url)
            self.type_new_code(browse, "IDLE1")
            program = wait_for("the session's program", server.session_programs)[-1]
            # Nobody answers whether the typing may go: it is not saved, and
            # the program ends in order (its files closed, no marker left).
            wait_for("the idle end", lambda: self.browser.find_element(By.ID, "status").text ==
                     "The session ended after a time without input. "
                     "Typing that was not saved was not kept.")
            wait_for("the session's program gone", lambda: not os.path.exists(f"/proc/{program}"))
            self.assertNotIn("IDLE1", self.export())
            self.assertTrue(program)
            self.assertEqual([f for f in os.listdir(self.data) if f.endswith("-" + program)], [])
        finally:
            server.stop()

    def answer_box(self, button):
        wait_for("the question's " + button, lambda: next(
            (b for b in self.browser.find_elements(By.CSS_SELECTOR, ".box button")
             if b.text == button), None)).click()

    def test_5_sign_out(self):
        # A Sign out whose question about typing not saved is answered Cancel
        # signs nothing out: the program goes on, and its later Exit ends the
        # session as an Exit does, offering to sign in again.
        self.type_new_code(self.open_browse(), "OUT1")
        self.browser.find_element(By.ID, "sign-out").click()
        self.answer_box("Cancel")
        self.menu("Exit")
        self.answer_box("Exit anyway")
        wait_for("the offer to sign in again",
                 lambda: self.browser.find_elements(By.ID, "sign-in-again"))
        self.assertFalse(self.browser.find_elements(By.ID, "sign-in"))

        self.sign_in(USER, PASSWORD)
        wait_for("the menu", lambda: self.browser.find_elements(By.CSS_SELECTOR, "#menubar button"))
        cookie = self.browser.get_cookie("fesk_session")["value"]
        self.browser.find_element(By.ID, "sign-out").click()
        wait_for("the sign-in page", lambda: self.browser.find_elements(By.ID, "sign-in"))
        # The session is gone: its cookie opens nothing any more.
        answer = websocket_answer(self.port, f"http://127.0.0.1:{self.port}", cookie)
        self.assertEqual(answer[:1], b"\x88")

    def test_6_any_screen(self):
        """At each size the windows are drawn at a readable size and fit the
        page; on a phone's screen the top window alone, the page's width;
        the browser's dark preference gives a dark page."""
        b = self.browser
        shots = os.environ.get("FESK_WEB_SCREENSHOTS")
        try:
            for width, height, dark in served.SCREENS:
                b.set_window_size(width, height)
                b.execute_cdp_cmd("Emulation.setEmulatedMedia", {"features": [
                    {"name": "prefers-color-scheme", "value": "dark" if dark else "light"}]})
                browse = self.open_browse()
                wait_for("the rows", lambda: self.rows(browse))
                page = b.execute_script(served.MEASURE_WINDOW, browse)
                if shots:
                    b.save_screenshot(os.path.join(shots, f"web-{width}x{height}.png"))
                served.assert_suits_screen(self, page, width, height, dark)
                self.exit_program()
        finally:
            b.execute_cdp_cmd("Emulation.setEmulatedMedia", {"features": []})
            b.set_window_size(1024, 768)

    def test_7_downloads(self):
        """The lists the program writes reach the browser's downloads, for
        that session's page alone."""
        downloads = os.path.join(self.work, "downloads")
        os.mkdir(downloads)
        self.browser.execute_cdp_cmd("Browser.setDownloadBehavior",
                                     {"behavior": "allow", "downloadPath": downloads})
        browse = self.open_browse()
        wait_for("the rows", lambda: self.rows(browse))
        self.menu("Export List...")
        self.answer_box("OK")
        csv = os.path.join(downloads, "fesk1.csv")
        wait_for("the CSV downloaded", lambda: os.path.exists(csv))
        with open(csv, "rb") as f:
            written = f.read()
        self.assertEqual(written.decode().splitlines(), self.export().splitlines())
        self.menu("Print List...")
        self.answer_box("OK")
        pdf = os.path.join(downloads, "fesk1.pdf")
        wait_for("the PDF downloaded", lambda: os.path.exists(pdf))
        with open(pdf, "rb") as f:
            self.assertEqual(f.read(5), b"%PDF-")
        # Another station, signed in or not, reaches none of it, nor anything
        # beside it.
        cookie = "fesk_session=" + self.browser.get_cookie("fesk_session")["value"]
        _, other = sign_in_status(self.port, USER, PASSWORD)
        for path, headers in [("/files/fesk1.csv", {}),
                              ("/files/fesk1.csv", {"Cookie": other.split(";")[0]}),
                              ("/files/..%2Fdata%2FFESK1.sqlite", {"Cookie": cookie}),
                              ("/files/.", {"Cookie": cookie})]:
            connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=20)
            connection.request("GET", path, headers=headers)
            self.assertEqual(connection.getresponse().status, 404, path)
            connection.close()
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=20)
        connection.request("GET", "/files/fesk1.csv", headers={"Cookie": cookie})
        response = connection.getresponse()
        self.assertEqual(response.getheader("Content-Disposition"),
                         'attachment; filename="fesk1.csv"')
        self.assertEqual(response.read(), written)
        connection.close()
        self.exit_program()

    def test_8_long_find_stopped(self):
        """A Find Next that reads on through many records shows its progress
        in a box, whose Cancel (or Esc) stops it where it is; left alone it
        goes on to the end, and the box goes with it."""
        rows = "".join(f"L{i:06d},Listed {i}\n" for i in range(1, LONG_FIND_RECORDS))
        self.data_set.run("import", "FESK1", "-",
                          stdin=f"CODE,NAME\n{rows}L{LONG_FIND_RECORDS:06d},Buzzard\n")
        browse = self.open_browse()
        wait_for("the rows", lambda: self.rows(browse))
        program = wait_for("the session's program", self.server.session_programs)[-1]
        find_line = lambda: browse.find_element(By.CSS_SELECTOR, ".findline").text
        progress = lambda: self.browser.find_elements(By.CSS_SELECTOR, ".box.progress")
        status = lambda: self.browser.find_element(By.ID, "status").text
        grid = lambda: self.browser.switch_to.active_element
        wait_for("the list focused", lambda: grid().get_attribute("role") == "grid")
        grid().send_keys(Keys.CONTROL, "f")
        # Only the last record's name holds it, and none starts with it.
        grid().send_keys("zz")
        wait_for("the search line", lambda: find_line() == 'Find: zz   "zz" not found')

        def search_held():
            """Find Next, its program held while the search is under way (a
            search as long as anyone likes, on any machine)."""
            grid().send_keys(Keys.ENTER)
            wait_for("the search under way", lambda: status() == 'Find Looking for "zz"...')
            os.kill(int(program), signal.SIGSTOP)
            return wait_for("the progress box", progress)[0]

        for stop in ("the mouse", "the keyboard"):
            before = self.selected(browse)
            try:
                box = search_held()
                self.assertEqual(box.find_element(By.CSS_SELECTOR, ".title").text, "Find")
                self.assertEqual(box.find_element(By.TAG_NAME, "p").text, 'Looking for "zz"...')
                self.assertTrue(box.find_element(By.TAG_NAME, "progress").is_displayed())
                cancel = box.find_element(By.TAG_NAME, "button")
                self.assertEqual((cancel.text, grid()), ("Cancel", cancel))
                if stop == "the mouse":
                    cancel.click()
                else:
                    cancel.send_keys(Keys.ESCAPE)
                wait_for("the box gone", lambda: not progress())
            finally:
                os.kill(int(program), signal.SIGCONT)
            # Stopped, not through: the search line says so, the work's
            # report is gone, the row stays where it was and the list has
            # the keys again.
            wait_for("the search stopped", lambda: find_line().endswith("Find stopped"))
            wait_for("the report gone", lambda: status() == "")
            self.assertEqual(self.selected(browse), before, stop)
            self.assertEqual(grid().get_attribute("role"), "grid", stop)
            # A letter typed and taken back leaves the search line as it was
            # before the search.
            grid().send_keys("z", Keys.BACKSPACE)
            wait_for("the search line again", lambda: find_line() == 'Find: zz   "zz" not found')

        # Left alone, the search goes on to the record that holds it, and
        # the box goes when it ends.
        search_held()
        os.kill(int(program), signal.SIGCONT)
        wait_for("the record found", lambda: self.selected(browse) == f"L{LONG_FIND_RECORDS:06d}",
                 timeout=60)
        wait_for("the box gone", lambda: not progress())
        self.assertEqual(find_line(), "Find: zz")
        # The browser's back gesture closes the window on top, as its close
        # box does.
        self.browser.back()
        self.gone("Browse the fesk1 File")
        self.exit_program()

def sign_in_status(port, name, password):
    """Signs in over plain HTTP; answers the status and the cookie set."""
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=20)
    body = f"name={name}&password={password.replace(' ', '+')}"
    connection.request("POST", "/sign-in", body,
                       {"Content-Type": "application/x-www-form-urlencoded",
                        "Origin": f"http://127.0.0.1:{port}"})
    try:
        response = connection.getresponse()
        return response.status, response.getheader("Set-Cookie") or ""
    finally:
        connection.close()


class ServeServerDataSet(unittest.TestCase):
    """On a PostgreSQL data set people sign in with their role, and their
    session's program connects as that role."""

    def test_roles_sign_in(self):
        root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..")
        script = os.path.join(root, "scripts", "pg-test-server")
        work = tempfile.mkdtemp(prefix="fesk-web-pg-")
        state = os.path.join(work, "state")
        subprocess.run([script, "start", state], check=True, capture_output=True)
        server = None
        try:
            with open(state) as f:
                admin = f.read().strip()
            socket_dir = admin.split()[0].split("=", 1)[1]
            psql = lambda sql: subprocess.run(["psql", admin, "-qtAc", sql], check=True,
                                              capture_output=True, text=True).stdout.strip()
            psql("CREATE ROLE web_ann LOGIN PASSWORD 'pw secret'")
            psql("CREATE DATABASE web_shop OWNER web_ann")
            # The role signs in with its password, not as the server trusts
            # the socket's users.
            hba = os.path.join(socket_dir, "data", "pg_hba.conf")
            with open(hba) as f:
                lines = f.read()
            with open(hba, "w") as f:
                f.write("local all web_ann scram-sha-256\n" + lines)
            psql("SELECT pg_reload_conf()")

            database = f"host={socket_dir} dbname=web_shop"
            named = subprocess.run([FESK, "serve", "--database", database + " user=web_ann"],
                                   capture_output=True, text=True)
            self.assertEqual(named.returncode, 2)
            self.assertIn("own PostgreSQL role", named.stderr)

            port = free_port()
            server = subprocess.Popen([FESK, "serve", "--listen", f"127.0.0.1:{port}",
                                       "--database", database], stderr=subprocess.PIPE, text=True)
            wait_for("the server", lambda: "serving" in server.stderr.readline())
            self.assertEqual(sign_in_status(port, "web_ann", "wrong")[0], 403)
            time.sleep(1.1)  # the address waits after a failure
            self.assertEqual(sign_in_status(port, "web_ann", "")[0], 403)
            time.sleep(2.1)
            status, cookie = sign_in_status(port, "web_ann", "pw secret")
            self.assertEqual(status, 303)
            self.assertIn("fesk_session=", cookie)
            wait_for("the session connected as the role", lambda: psql(
                "SELECT count(*) FROM pg_stat_activity WHERE datname = 'web_shop' "
                "AND usename = 'web_ann'") != "0")
        finally:
            if server:
                server.terminate()
                server.wait(10)
                server.stderr.close()
            subprocess.run([script, "stop", state], capture_output=True)
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    unittest.main(verbosity=2)
