"""Web Browser: addresses and searches typed as a person types them; the
navigation buttons, saving, printing to a file, working offline and the page
source; the preferences, a download and a bookmarks file in and out."""

import os
import re
import threading
import unittest

from corvanta_e2e import E2ETestCase, page, wait_for

BOOKMARKS = """<!DOCTYPE NETSCAPE-Bookmark-file-1>
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks</H1>
<DL><p>
    <DT><A HREF="{address}">Imported Page</A>
</DL><p>
"""
FILE_BYTES = bytes(range(256)) * 64


class BrowserTest(E2ETestCase):
    def setUp(self):
        super().setUp()
        # A page the server holds back until the test lets it go.
        self.release = threading.Event()
        self.server = self.serve({
            "/held.html": lambda: (self.release.wait(120), page("Held Page"))[1],
            "/project.html": page("Project Page"),
            "/popup.html": page("Popup", "<script>window.open('/b.html')</script>"),
            "/files.html": page("Files", "<a id='file' href='/file.bin' style='font-size:40px'>"
                                         "the file</a>"),
            "/file.bin": ("application/octet-stream", FILE_BYTES),
            "/a.html": page("Page A", "<a id='link' href='/b.html' style='font-size:40px'>"
                                      "to page B</a>"),
            "/b.html": page("Page B"),
            "/c.html": page("Page C"),
            "/search": page("Results"),
            "/slow.html": (*page("Slow Page"), 3),
            "/words.html": page("Words", "<p>an apple, a pear and another apple</p>"),
        })
        self.addCleanup(self.release.set)
        app = self.start(kinds=["Editor", "Web Browser"],
                         services={"SearchGoogle": self.server.url(""),
                                   "ProjectSite": self.server.url("/project.html")})
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

    def button(self, caption):
        return self.app.find("push button", caption, within=self.window)

    def done_with(self, path):
        """Waits for the status bar to report the page at `path` loaded (or given up)."""
        bar = self.app.find("status bar", within=self.window)
        wait_for(lambda: any(panel.description == "Address: " + self.server.url(path) and
                             self.app.find_all("label", "Done", within=panel)
                             for panel in self.app.find_all("filler", within=bar)),
                 f"{path} done")

    def test_navigation_buttons_save_print_offline_and_source(self):
        app = self.app
        self.enter_address(self.server.url("/a.html"))
        self.shows_title("Page A")
        self.enter_address(self.server.url("/b.html"))
        self.shows_title("Page B")
        forward = self.button("Forward")
        self.assertFalse(app.has_state(forward, app.atspi.STATE_ENABLED))
        app.click(self.button("Back"))
        self.shows_title("Page A")
        app.click(forward)
        self.shows_title("Page B")
        asked = self.server.requests.count("/b.html")
        app.click(self.button("Reload"))
        wait_for(lambda: self.server.requests.count("/b.html") == asked + 1, "page B asked again")
        self.done_with("/b.html")

        # Stop while the server holds the page back: loading ends, page B stays.
        self.enter_address(self.server.url("/held.html"))
        wait_for(lambda: "/held.html" in self.server.requests, "the held page asked for")
        app.click(self.button("Stop"))
        self.done_with("/b.html")
        self.shows_title("Page B")

        app.click(self.button("Home"))
        self.shows_title("Project Page")

        # Saved as a page, printed into a PDF file.
        saved = os.path.join(self.documents, "project.htm")
        app.menu("File", "Save", within=self.window)
        app.find("dialog", "Save Web Page")
        app.key("ctrl+a")
        app.type(saved)
        app.key("Return")
        wait_for(lambda: os.path.isfile(saved) and "<h1>Project Page</h1>" in open(saved).read(),
                 "the page saved")
        printed = os.path.join(self.documents, "project.pdf")
        app.menu("File", "Print", within=self.window)
        dialog = app.find("dialog", "Print")
        app.click(app.find("text", "Output file:", within=dialog))
        app.key("ctrl+a")
        app.type(printed)
        app.click(app.find("push button", "Print", within=dialog))
        wait_for(lambda: os.path.isfile(printed) and open(printed, "rb").read(5) == b"%PDF-" and
                 open(printed, "rb").read().rstrip().endswith(b"%%EOF"), "the page printed to PDF")

        # The page source in an Editor, in HTML mode.
        app.menu("View", "View Page Source (Html)", within=self.window)

        def source_editor():
            for editor in app.find_all("frame", "Editor", within=app.frame()):
                if any("<h1>Project Page</h1>" in app.text(box)
                       for box in app.find_all("text", within=editor)):
                    return editor
            return None

        editor = wait_for(source_editor, "an Editor with the page's source")
        app.find("label", "Ready in Html mode", within=editor)

        # Offline, an address is not asked for; online again, it is.
        app.click(app.task_button("Web Browser"))
        app.menu("File", "Work Offline", within=self.window)
        self.assertTrue(app.checked(app.menu_item("File", "Work Offline", within=self.window)))
        app.key("Escape")
        self.enter_address(self.server.url("/c.html"))
        self.done_with("/c.html")
        self.assertNotIn("/c.html", self.server.requests)
        app.menu("File", "Work Offline", within=self.window)
        self.enter_address(self.server.url("/c.html"))
        self.shows_title("Page C")

    def test_preferences_download_and_bookmark_files(self):
        app = self.app
        self.enter_address(self.server.url("/a.html"))
        self.shows_title("Page A")

        # A search, so the search box has one to forget.
        app.click(self.search)
        app.type("cats")
        app.key("Return")
        self.shows_title("Results")
        self.enter_address(self.server.url("/a.html"))
        self.shows_title("Page A")

        # Preferences: the current page as the start page, the popup blocker
        # on, the searches and the history of visits cleared.
        app.menu("Options", "Browser Preferences", within=self.window)
        dialog = app.find("dialog", "Corvanta - Browser Preferences")
        tree = app.find(name="Preferences", within=dialog)
        app.click(app.find(name="Home Page", within=tree))
        app.click(app.find("radio button", "Use Current", within=dialog))
        wait_for(lambda: app.text(app.find("text", "Current Home Page:", within=dialog)) ==
                 self.server.url("/a.html"), "the current page as the home page")
        app.click(app.find(name="Popup Blocker", within=tree))
        app.click(app.find("check box", "Popup Blocker", within=dialog))
        app.click(app.find(name="History", within=tree))
        app.click(app.find("push button", "Clear Corvanta Search History", within=dialog))
        app.click(app.find("push button", "Clear PC History", within=dialog))
        notice = app.message(re.compile("^This procedure clean out your pc internet cache"))
        wait_for(lambda: not app.shown(notice), "the notice to close by itself")
        app.click(app.find("push button", "Close", within=dialog))
        app.gone("dialog", "Corvanta - Browser Preferences")
        self.assertFalse(app.find_all("list item", "cats", within=self.search, showing=False))
        # The history panel, filled as it opens, holds no day of visits any more.
        app.menu("View", "Show The History Toolbar", within=self.window)
        panel = app.find(name="Side panel", within=self.window)
        cells = wait_for(lambda: app.find_all("table cell", within=panel), "the panel filled")
        self.assertNotIn("Today", [cell.name for cell in cells])

        # The page's popup is refused and counted.
        self.enter_address(self.server.url("/popup.html"))
        self.shows_title("Popup")
        app.find("label", "Blocked: 1", within=app.find("status bar", within=self.window))
        self.assertEqual(len(app.find_all("frame", "Web Browser", within=app.frame())), 1)

        # A new browser opens the start page.
        app.menu("File", "Open New Browser", within=self.window)
        wait_for(lambda: len(app.find_all("frame", "Web Browser", within=app.frame())) == 2,
                 "a second browser window")
        def opened_at_start_page():
            for window in app.find_all("frame", "Web Browser", within=app.frame()):
                if app.find_all("label", "Page A", within=window):
                    return window
            return None

        second = wait_for(opened_at_start_page, "the new browser at the start page")

        # A file behind a link goes to the downloads panel and the folder.
        window = second
        address = app.find("combo box", "Address", within=window)
        app.click(address)
        app.key("ctrl+a")
        app.type(self.server.url("/files.html"))
        app.key("Return")
        app.find("label", "Files", within=app.find("status bar", within=window))
        app.click(app.find("link", "the file", within=app.find("document web", within=window)))
        downloads = app.find(re.compile("^(tree table|table|tree)$"), "Downloads", within=window)
        app.find(name="file.bin", within=downloads)
        local = os.path.join(self.home, "Downloads", "file.bin")
        wait_for(lambda: os.path.isfile(local) and open(local, "rb").read() == FILE_BYTES,
                 "the file downloaded whole")
        app.find(name="Done", within=downloads)

        # A bookmarks file taken into the favorites, and the favorites written
        # to another one, which opens in a browser.
        bookmarks = os.path.join(self.documents, "bookmarks.html")
        with open(bookmarks, "w") as file:
            file.write(BOOKMARKS.format(address=self.server.url("/b.html")))
        app.menu("View", "Show Favorites Toolbar", within=window)
        app.click(app.find(name="Import Favorites", within=window))
        importer = app.find("dialog", "Import Favorites")
        app.click(app.find("text", "File Name:", within=importer))
        app.key("ctrl+a")
        app.type(bookmarks)
        app.click(app.find("push button", "Import", within=importer))
        app.answer("The bookmarks have been copied to your favorites.", "OK")
        app.gone("dialog", "Import Favorites")
        panel = app.find(name="Side panel", within=window)
        app.click(app.find(name="Imported Bookmarks", within=panel), count=2)
        app.find(name="Imported Page", within=panel)

        exported = os.path.join(self.documents, "exported.html")
        app.click(app.find(name="Export Favorites", within=window))
        exporter = app.find("dialog", "Export Favorites")
        app.click(app.find("text", "New file Name And Path:", within=exporter))
        app.key("ctrl+a")
        app.type(exported)
        self.assertTrue(app.checked(app.find("check box", "Open the file after the export?",
                                             within=exporter)))
        app.click(app.find("push button", "Export", within=exporter))
        app.answer(re.compile("^Your favorites have been copied"), "OK")
        app.gone("dialog", "Export Favorites")
        wait_for(lambda: os.path.isfile(exported) and
                 self.server.url("/b.html") in open(exported).read(), "the favorites exported")
        wait_for(lambda: len(app.find_all("frame", "Web Browser", within=app.frame())) == 3,
                 "a third browser window")
        # The exported file's title in the new window's status bar.
        wait_for(lambda: app.find_all("label", "Corvanta Converted Bookmarks",
                                      within=app.frame()),
                 "the exported file shown")


if __name__ == "__main__":
    unittest.main()
