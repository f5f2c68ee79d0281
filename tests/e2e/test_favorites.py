"""Web Browser: a visited page kept from the history as a favorite, and opened
again from the favorites panel in a window of its own."""

import os
import unittest

from corvanta_e2e import E2ETestCase, page, wait_for

BROWSER_KEY = r"\Software\Corvanta\BrowserSettings"


class FavoritesTest(E2ETestCase):
    def test_history_page_added_to_favorites_and_opened_from_there(self):
        server = self.serve({"/a.html": page("Page A"), "/b.html": page("Page B")})
        # The accessories toolbar shown, so its panel buttons can be clicked.
        self.app.settings.write(BROWSER_KEY, {"TBXHideMTB": 1})
        app = self.start(kinds=["Web Browser"])
        window = app.tool_window("Web Browser")
        address = app.find("combo box", "Address", within=window)
        status = app.find("status bar", within=window)

        def visit(path, title):
            app.click(address)
            app.key("ctrl+a")
            app.type(server.url(path))
            app.key("Return")
            app.find("label", title, within=status)

        visit("/a.html", "Page A")
        app.click(app.find(name="View History", within=window))
        panel = app.find(name="Side panel", within=window)
        # Today, then the site, then its page: each opened by the keyboard.
        for caption in ("Today", "127.0.0.1"):
            app.click(app.find(name=caption, within=panel))
            app.key("Right")
        app.click(app.find(name="Page A", within=panel))
        app.click(app.find(name="Add To Favorites", within=window))

        dialog = app.find("dialog", "Add Favorite")
        app.click(app.find("text", "Name", within=dialog))
        app.key("ctrl+a")
        app.type("Kept Page")
        app.key("Return")
        app.gone("dialog", "Add Favorite")
        favorites = os.path.join(self.home, "data", "Corvanta", "Favorites")
        wait_for(lambda: os.path.isdir(favorites) and "Kept Page.url" in os.listdir(favorites),
                 "the favorite's file")

        visit("/b.html", "Page B")
        app.click(app.find(name="View Favorites", within=window))
        panel = app.find(name="Side panel", within=window)
        app.click(app.find(name="Kept Page", within=panel), count=2)
        # The favorite opens in a second browser window; the first stays on B.
        wait_for(lambda: len(app.find_all("frame", "Web Browser", within=app.frame())) == 2,
                 "a second browser window")
        wait_for(lambda: app.find_all("label", "Page A", within=app.frame()), "page A shown")
        self.assertTrue(app.find_all("label", "Page B", within=status, showing=False))
        self.assertEqual(server.requests.count("/a.html"), 2)


if __name__ == "__main__":
    unittest.main()
