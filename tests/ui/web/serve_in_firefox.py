#!/usr/bin/python3
"""fesk serve worked in a headless Firefox ESR, driven through the browser's
own WebDriver BiDi agent: sign-in, the tour of the records done in the page,
and the windows at a readable size on a laptop's, a wide and a phone's screen.

Usage: serve_in_firefox.py FESK_PROGRAM
"""
import os
import unittest

import served
from firefox_bidi import Firefox, ScriptError
from served import PASSWORD, USER

FESK = served.program()
# More records than a page of the browse shows, so that a page down moves.
IMPORTED = "".join(f"R{i:03d},Row {i}\n" for i in range(1, 61))
BROWSE = "Browse the fesk1 File"


class ServeInFirefox(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.data_set = served.DataSet(FESK)
        cls.data_set.run("import", "FESK1", "-", stdin="CODE,NAME\n" + IMPORTED)
        cls.server = served.Server(cls.data_set)
        try:
            cls.browser = Firefox(os.path.join(cls.data_set.work, "firefox"))
        except Exception:
            cls.tearDownClass()
            raise
        cls.browser.set_viewport(1366, 768)

    @classmethod
    def tearDownClass(cls):
        if hasattr(cls, "browser"):
            cls.browser.stop()
        cls.server.stop()
        cls.data_set.remove()

    # ---- what a person does in the page ----

    def screenshot(self):  # what the page showed, for the person reading the failure
        self.browser.screenshot(os.path.abspath("firefox-failure.png"))

    def wait_page(self, what, body, *arguments):
        """Waits until the function body run in the page answers a true value;
        a page still loading (its script not there yet) is looked at again."""
        return served.wait_for(what, lambda: self.browser.call(body, *arguments),
                               again_on=(ScriptError,), on_failure=self.screenshot)

    def sign_in(self):
        b = self.browser
        b.navigate(self.server.url)
        for field, text in [("name", USER), ("password", PASSWORD)]:
            b.click(b.call("return document.getElementById(arguments[0])", field))
            b.type(text)
        b.click(b.call("return document.getElementById('sign-in')"))
        self.wait_page("the menu", "return document.querySelector('#menubar button')")
        # Built in place of the sign-in page: no page was loaded after it.
        self.assertTrue(b.call("return performance.getEntriesByType('resource')"
                               ".some((r) => r.name.endsWith('/sign-in'))"))

    def open_browse(self):
        self.sign_in()
        self.menu("fesk")
        return self.window(BROWSE)

    def exit_program(self):
        self.menu("Exit")
        self.wait_page("the session's end", "return document.body.dataset.ended")

    def window(self, title):
        return self.wait_page("the window " + title, """
            return [...document.querySelectorAll('.window')]
              .find((w) => w.querySelector('.title span').textContent === arguments[0])""", title)

    def gone(self, title):
        self.wait_page("the window " + title + " to close", """
            return ![...document.querySelectorAll('.window .title span')]
              .some((s) => s.textContent === arguments[0])""", title)

    def menu(self, text):
        """Chooses the menu bar's item of that text, opening its menu first."""
        top, item = self.wait_page("the menu item " + text, """
            for (const top of document.querySelectorAll('#menubar button.top')) {
              if (top.innerText.trim() === arguments[0]) return [top, null];
              const item = [...top.parentNode.querySelectorAll('[role=menu] button')]
                .find((b) => b.textContent.trim() === arguments[0] && !b.disabled);
              if (item) return [top, item];
            }""", text)
        self.browser.click(top)
        if item:
            self.wait_page("the menu open", "return arguments[0].offsetParent", item)
            self.browser.click(item)

    def click(self, window, text):
        self.browser.click(self.wait_page(text + " enabled", """
            return [...arguments[0].querySelectorAll('button.control, label.control')]
              .find((c) => c.innerText.trim() === arguments[1] && !c.disabled && c.offsetParent)""",
                                          window, text))

    def focus_on(self, label):
        self.wait_page("the focus in " + label,
                       "return document.activeElement.getAttribute('aria-label') === arguments[0]",
                       label)

    def type_into(self, window, label, text):
        self.click(window, label)
        self.focus_on(label)
        self.browser.type(text)

    # Lists are drawn anew as they change: they are read in one step.
    def codes(self, window):
        return self.browser.call("""
            return [...arguments[0].querySelectorAll('tr[data-row]')]
              .map((tr) => tr.cells[0].textContent.trim()).filter((c) => c)""", window)

    def row(self, window, code):
        return self.wait_page("the row of " + code, """
            return [...arguments[0].querySelectorAll('tr[data-row]')]
              .find((tr) => tr.cells[0].textContent.trim() === arguments[1])""", window, code)

    def selected(self, window):
        return self.browser.call("""
            const td = arguments[0].querySelector('tr[aria-selected="true"] td');
            return td && td.textContent.trim()""", window)

    def answer_box(self, button):
        self.browser.click(self.wait_page("the question's " + button, """
            return [...document.querySelectorAll('[role=alertdialog] button')]
              .find((b) => b.textContent.trim() === arguments[0])""", button))

    # ---- the tests, in order (they share one server and one browser) ----

    def test_1_tour(self):
        """Records added by mouse and by keys alone, a page down, a record
        changed and one deleted, all stored as done."""
        b = self.browser
        browse = self.open_browse()
        self.click(browse, "InLine On")  # changes through the form, not in the row
        self.click(browse, "Insert")
        form = self.window("Adding a fesk1 Record")
        self.type_into(form, "code:", "P01")
        self.type_into(form, "name:", "Mercury")
        self.click(form, "OK")
        self.gone("Adding a fesk1 Record")
        # The keyboard alone: Alt+I opens the form on its first entry, Tab
        # goes on, Enter leaves the entry for OK and presses it.
        b.type("i", held=["Alt"])
        self.window("Adding a fesk1 Record")
        self.focus_on("code:")
        b.type("P02", "Tab")
        self.focus_on("name:")
        b.type("Venus", "Enter")
        self.wait_page("the focus on OK", "return document.activeElement.textContent === 'OK'")
        b.type("Enter")
        self.gone("Adding a fesk1 Record")
        self.wait_page("both new rows", "return arguments[0].textContent.includes('P02')", browse)

        # Ctrl+Home goes to the first page; a page down from it shows the
        # records after it.
        b.click(self.row(browse, "P02"))
        b.type("Home", held=["Control"])
        served.wait_for("the first row", lambda: self.selected(browse) == "P01",
                        on_failure=self.screenshot)
        first_page = self.codes(browse)
        self.assertEqual(first_page[:2], ["P01", "P02"])
        b.type("PageDown")
        self.wait_page("the page's last row",
                       "return arguments[0].querySelector('tr[aria-selected=\"true\"]')"
                       ".cells[0].textContent.trim() === arguments[1]", browse, first_page[-1])
        b.type("PageDown")
        served.wait_for("the next page", lambda: self.codes(browse)[0] > first_page[-1],
                        on_failure=self.screenshot)

        # Changing a record's name through its form (the entry's text is
        # chosen as it takes the focus, so typing replaces it).
        changed = self.codes(browse)[1]
        b.click(self.row(browse, changed))
        served.wait_for("the row selected", lambda: self.selected(browse) == changed)
        self.click(browse, "Change")
        form = self.window("Changing a fesk1 Record")
        self.type_into(form, "name:", "Changed in Firefox")
        self.click(form, "OK")
        self.gone("Changing a fesk1 Record")

        # Deleting Venus, confirmed in the message box.
        b.type("Home", held=["Control"])
        b.click(self.row(browse, "P02"))
        served.wait_for("Venus selected", lambda: self.selected(browse) == "P02")
        self.click(browse, "Delete")
        self.answer_box("OK")
        self.wait_page("Venus gone", "return !arguments[0].textContent.includes('P02')", browse)

        self.click(browse, "Close")
        self.gone(BROWSE)
        self.exit_program()
        stored = self.data_set.export().splitlines()
        self.assertIn("P01,Mercury", stored)
        self.assertIn(f"{changed},Changed in Firefox", stored)
        self.assertFalse([r for r in stored if r.startswith("P02,")])
        self.assertEqual(len(stored), 1 + 60 + 1)  # the header, the imported, Mercury

    def test_2_any_screen(self):
        """At each size the windows are drawn at a readable size and fit the
        page; on a phone's screen the top window alone, the page's width;
        the browser's dark preference gives a dark page."""
        b = self.browser
        try:
            for width, height, dark in served.SCREENS:
                b.set_viewport(width, height)
                b.prefer_dark(dark)
                browse = self.open_browse()
                self.wait_page("the rows", "return arguments[0].querySelector('tr[data-row]')",
                               browse)
                page = b.call(served.MEASURE_WINDOW, browse)
                served.assert_suits_screen(self, page, width, height, dark)
                self.exit_program()
        finally:
            b.prefer_dark(False)
            b.set_viewport(1366, 768)


if __name__ == "__main__":
    unittest.main(verbosity=2)
