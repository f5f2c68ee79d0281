"""Web Site Grabber: a site typed as an address, grabbed into a folder and made
browsable; each file costs one request. A page's style sheet, and what the sheet
names, come along; the site's robots.txt is honoured unless the Options say
otherwise."""

import os
import unittest

from corvanta_e2e import E2ETestCase, page, wait_for

# The home page's links are relative to its <base href>, another folder.
HOME = ("text/html", "<!DOCTYPE html><html><head><base href='/docs/'><title>Home</title></head>"
                     "<body><a href='a.html'>A</a> <img src='../img/logo.gif'></body></html>")
LOGO = ("image/gif", b"GIF89a\x01\x00\x01\x00\x00\x00\x00;")


class GrabberTest(E2ETestCase):
    def grab_in_a_new_window(self, folder, address):
        """Opens a grabber window, types the folder and the address, presses Grab."""
        app = self.start()
        app.open_tool("Web Site Grabber")
        window = app.tool_window("Web Site Grabber")
        for name, value in (("Save To Folder", folder), ("Address", address)):
            app.click(app.find(name=name, within=window))
            app.key("ctrl+a")
            app.type(value)
        app.click(app.find("push button", "Grab", within=window))
        return app, window

    def test_grab_a_site_into_a_folder(self):
        server = self.serve({"/site/index.html": HOME, "/docs/a.html": page("Page A"),
                             "/img/logo.gif": LOGO})
        folder = os.path.join(self.documents, "copy")
        app, window = self.grab_in_a_new_window(folder, server.url("/site/index.html"))

        log = app.find(name="Grab log", within=window)
        wait_for(lambda: app.text(log).count("Downloaded ") == 3, "three downloads in the log")
        # The page is made browsable once its download has ended: wait for the
        # copy on disk itself rather than for a control that may lag behind.
        home_file = os.path.join(folder, "site", "index.html")

        def home():
            if not os.path.isfile(home_file):
                return None
            with open(home_file) as file:
                text = file.read()
            return text if "<base href='../docs/'>" in text else None

        text = wait_for(home, "the home page made browsable")
        self.assertIn("<a href='a.html'>A</a> <img src='../img/logo.gif'>", text)
        app.find("push button", "Grab", within=window)  # shown again: the grab is over
        for path in ("docs/a.html", "img/logo.gif"):
            self.assertTrue(os.path.isfile(os.path.join(folder, path)), path)
        # The site's robots.txt is asked for first.
        self.assertEqual(sorted(server.requests),
                         ["/docs/a.html", "/img/logo.gif", "/robots.txt", "/site/index.html"])


    def test_a_copy_that_looks_like_the_site(self):
        pages = {
            "/robots.txt": ("text/plain", "User-agent: *\nDisallow: /private/\n"),
            "/site/index.html": ("text/html",
                                 "<!DOCTYPE html><html><head><link rel=stylesheet "
                                 "href='css/site.css?v=2'></head><body><a href='/private/p.html'>"
                                 "private</a> <a href='a.html'>A</a></body></html>"),
            "/site/a.html": page("Page A"),
            "/site/css/site.css": ("text/css", "body { background: url(../img/bg.png) }"),
            "/site/img/bg.png": ("image/png", b"\x89PNG\r\n\x1a\n"),
            "/private/p.html": page("Private"),
        }
        server = self.serve(pages)
        folder = os.path.join(self.documents, "look")
        app, window = self.grab_in_a_new_window(folder, server.url("/site/index.html"))
        log = app.find(name="Grab log", within=window)
        wait_for(lambda: "left out as the site's robots.txt asks" in app.text(log),
                 "the log telling what robots.txt left out")
        app.find("push button", "Grab", within=window)  # the grab is over
        self.assertFalse(server.requested("/private/"))
        home = os.path.join(folder, "site", "index.html")
        with open(home) as file:
            self.assertIn("href='css/site.css'", file.read())
        self.assertTrue(os.path.isfile(os.path.join(folder, "site", "img", "bg.png")))

        # The site's owner agrees: the same grab, robots.txt ignored.
        app.menu("Options", "Ignore robots.txt", within=window)
        app.click(app.find("push button", "Grab", within=window))
        wait_for(lambda: "* Ignore robots.txt" in app.text(log), "the option in the log")
        wait_for(lambda: server.requested("/private/p.html"), "the private page asked for")


if __name__ == "__main__":
    unittest.main()
