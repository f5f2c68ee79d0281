"""Web Site Grabber: a site typed as an address, grabbed into a folder and made
browsable; each file costs one request."""

import os
import unittest

from corvanta_e2e import E2ETestCase, page, wait_for

# The home page's links are relative to its <base href>, another folder.
HOME = ("text/html", "<!DOCTYPE html><html><head><base href='/docs/'><title>Home</title></head>"
                     "<body><a href='a.html'>A</a> <img src='../img/logo.gif'></body></html>")
LOGO = ("image/gif", b"GIF89a\x01\x00\x01\x00\x00\x00\x00;")


class GrabberTest(E2ETestCase):
    def test_grab_a_site_into_a_folder(self):
        server = self.serve({"/site/index.html": HOME, "/docs/a.html": page("Page A"),
                             "/img/logo.gif": LOGO})
        folder = os.path.join(self.documents, "copy")
        app = self.start()
        app.open_tool("Web Site Grabber")
        window = app.tool_window("Web Site Grabber")
        for name, value in (("Save To Folder", folder),
                            ("Address", server.url("/site/index.html"))):
            app.click(app.find(name=name, within=window))
            app.key("ctrl+a")
            app.type(value)
        app.click(app.find("push button", "Grab", within=window))

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
        self.assertEqual(sorted(server.requests),
                         ["/docs/a.html", "/img/logo.gif", "/site/index.html"])


if __name__ == "__main__":
    unittest.main()
