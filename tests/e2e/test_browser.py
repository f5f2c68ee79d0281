"""Web Browser: addresses and searches typed as a person types them."""

import re
import unittest

from corvanta_e2e import E2ETestCase, page, wait_for


class BrowserTest(E2ETestCase):
    def setUp(self):
        super().setUp()
        self.server = self.serve({
            "/a.html": page("Page A", "<a id='link' href='/b.html' style='font-size:40px'>"
                                      "to page B</a>"),
            "/b.html": page("Page B"),
            "/c.html": page("Page C"),
            "/search": page("Results"),
            "/slow.html": (*page("Slow Page"), 3),
            "/words.html": page("Words", "<p>an apple, a pear and another apple</p>"),
        })
        app = self.start(kinds=["Editor", "Web Browser"],
                         services={"SearchGoogle": self.server.url("")})
        self.window = app.tool_window("Web Browser")
        self.address = app.find("combo box", "Address", within=self.window)
        self.search = app.find("combo box", "Search", within=self.window)

    def shows_title(self, title):
        """Waits for the page title in the status bar's title panel."""
        bar = self.app.find("status bar", within=self.window)
        self.app.find("label", title, within=bar)

    def enter_address(self, address):
        self.app.click(self.address)
        self.app.key("ctrl+a")
        self.app.type(address)
        self.app.key("Return")

    def test_address_link_back_and_typed_list(self):
        app = self.app
        self.enter_address(self.server.url("/a.html"))
        self.shows_title("Page A")

        # The link, clicked where the page draws it.
        document = app.find("document web", within=self.window)
        link = app.find("link", "to page B", within=document)
        app.click(link)
        self.shows_title("Page B")
        wait_for(lambda: app.text(app.find("text", within=self.address)) ==
                 self.server.url("/b.html"), "the address box to show page B")

        app.click(app.find("push button", "Back", within=self.window))
        self.shows_title("Page A")

        # Page C typed, then page A chosen again from the typed list by
        # keyboard: down opens the list, down moves to its entry, Enter opens it.
        self.enter_address(self.server.url("/c.html"))
        self.shows_title("Page C")
        app.click(self.address)
        app.key("Down")
        app.key_to(self.address, self.server.url("/a.html"))
        app.key("Return")
        self.shows_title("Page A")
        typed = app.settings.read(r"\Software\Corvanta\TypedURLs")
        self.assertEqual(typed.get("Url1"), self.server.url("/a.html"))
        self.assertEqual(typed.get("Url2"), self.server.url("/c.html"))

    def test_search_with_enter(self):
        app = self.app
        app.click(self.search)
        app.type("cats & dogs")
        app.key("Return")
        self.shows_title("Results")
        self.assertIn("/search?q=cats%20&%20dogs", self.server.requests)
        # The text stays in the box's list for the next search.
        wait_for(lambda: app.find_all("list item", "cats & dogs", within=self.search,
                                      showing=False), "the search in the box's list")

    def test_page_loading_behind_keeps_the_keyboard_elsewhere(self):
        app = self.app
        self.enter_address(self.server.url("/slow.html"))
        wait_for(lambda: "/slow.html" in self.server.requests, "the slow page asked for")
        # While it loads, the user turns to the Editor and types.
        app.click(app.task_button("Editor"))
        wait_for(lambda: app.frame().name.endswith("[Editor]"), "the Editor in front")
        editor = app.find("frame", "Editor", within=app.frame())
        text = wait_for(lambda: max(app.find_all("text", within=editor),
                                    key=lambda field: app.extents(field)[3]),
                        "the Editor's text")  # the largest text there, not a box's
        app.click(text)
        app.key("ctrl+a", "Delete")
        app.type("typed while ")
        bar = app.find("status bar", within=self.window, showing=False)
        wait_for(lambda: app.find_all("label", "Slow Page", within=bar, showing=False),
                 "the page loaded behind")
        app.type("it loaded")
        wait_for(lambda: app.text(text) == "typed while it loaded", "all the typing in the Editor")
        self.assertTrue(app.frame().name.endswith("[Editor]"))

    def test_find_bar_by_keyboard_and_print_preview(self):
        app = self.app
        self.enter_address(self.server.url("/words.html"))
        self.shows_title("Words")
        app.click(app.find("document web", within=self.window))

        # Ctrl+F opens the find bar with the keyboard in its field; typing
        # finds the first match, Enter the next, Escape closes the bar.
        app.key("ctrl+f")
        field = app.find("text", "Find:", within=self.window)
        wait_for(lambda: app.focused(field), "the find field to take the keyboard")
        app.type("apple")
        app.find("label", "1 of 2", within=self.window)
        app.key("Return")
        app.find("label", "2 of 2", within=self.window)
        app.key("Escape")
        app.gone("text", "Find:", within=self.window)

        # Print Preview, chosen from the File menu, opens over the window and
        # closes again.
        app.menu("File", "Print Preview", within=self.window)
        preview = app.find("dialog", "Print Preview")
        app.key("Escape")
        app.gone("dialog", "Print Preview")
        self.shows_title("Words")


if __name__ == "__main__":
    unittest.main()
