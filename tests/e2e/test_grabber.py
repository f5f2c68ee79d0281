"""Web Site Grabber: a site typed as an address, grabbed into a folder and made
browsable; each file costs one request. A page's style sheet, and what the sheet
names, come along; the site's robots.txt is honoured unless the Options say
otherwise. A folder chosen by Browse, kinds of files left out by the Options, a
grab stopped on its way, its log saved, the Options kept after Exit."""

import os
import re
import threading
import unittest

from corvanta_e2e import TIMEOUT, E2ETestCase, page, wait_for

# The home page's links are relative to its <base href>, another folder.
HOME = ("text/html", "<!DOCTYPE html><html><head><base href='/docs/'><title>Home</title></head>"
                     "<body><a href='a.html'>A</a> <img src='../img/logo.gif'></body></html>")
LOGO = ("image/gif", b"GIF89a\x01\x00\x01\x00\x00\x00\x00;")


GRABBER_KEY = r"\Software\Corvanta\Grabber"


class GrabberTest(E2ETestCase):
    def grab(self, window, fields):
        """Types each (name, value) into the box of that name and presses Grab."""
        app = self.app
        for name, value in fields:
            # A box holding text is named by its label ("Address:").
            box = app.find(re.compile("^(combo box|text)$"), re.compile(f"^{re.escape(name)}:?$"),
                           within=window)
            app.click(box)
            app.key("ctrl+a")
            app.type(value)
        app.click(app.find("push button", "Grab", within=window))

    def grab_in_a_new_window(self, folder, address):
        """Opens a grabber window, types the folder and the address, presses Grab."""
        app = self.start()
        app.open_tool("Web Site Grabber")
        window = app.tool_window("Web Site Grabber")
        self.grab(window, (("Save To Folder", folder), ("Address", address)))
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

    def test_options_browse_stop_and_save_log(self):
        release = threading.Event()  # holds the slow page until the test ends
        self.addCleanup(release.set)
        site = {
            "/site/index.html": ("text/html", "<html><body><a href='a.html'>A</a> "
                                              "<img src='logo.gif'></body></html>"),
            "/site/a.html": page("Page A"),
            "/site/logo.gif": ("image/gif", b"GIF89a\x01\x00\x01\x00\x00\x00\x00;"),
            "/slow/index.html": ("text/html", "<html><body><a href='held.html'>Held</a> "
                                              "<a href='b.html'>B</a></body></html>"),
            "/slow/b.html": page("Page B"),
        }

        def answer(target):
            path = target.split("?", 1)[0]
            if path == "/slow/held.html":
                release.wait(TIMEOUT)
                return page("Held")
            return site.get(path)

        server = self.serve(answer)
        folder = os.path.join(self.documents, "chosen")
        os.makedirs(folder)
        app = self.start()
        app.open_tool("Web Site Grabber")
        window = app.tool_window("Web Site Grabber")

        # Browse: the folder chosen in the picker goes into the field.
        app.click(app.find("push button", "Browse", within=window))
        picker = app.find("dialog", depth=1)  # the picker holds a file dialog of its own
        app.click(app.find("text", "Directory:", within=picker))
        app.key("ctrl+a")
        app.type(folder)
        app.key("Return")
        app.gone("dialog")
        target = app.find("text", "Save To Folder", within=window)
        wait_for(lambda: app.text(target) == folder, "the chosen folder in the field")

        # Options: pictures left out; turning off the parts asks, Cancel keeps them.
        for option in ("Grab All", "Grab Images"):
            app.menu("Options", option, within=window)
        app.menu("Options", "Multipart Downloading", within=window)
        app.answer("Are you sure? It will disable the visual progressbar!", "Cancel")
        ticks = {}
        for option in ("Grab All", "Grab Images", "Multipart Downloading"):
            ticks[option] = app.checked(app.menu_item("Options", option, within=window))
            app.key("Escape")
        self.assertEqual(ticks, {"Grab All": False, "Grab Images": False,
                                 "Multipart Downloading": True})

        log = app.find(name="Grab log", within=window)
        self.grab(window, (("Address", server.url("/site/index.html")),))
        wait_for(lambda: "Downloaded " + server.url("/site/a.html") in app.text(log),
                 "the linked page in the log")
        app.find("push button", "Grab", within=window)  # the grab is over
        text = app.text(log)
        self.assertNotIn("* Grab All", text)
        self.assertNotIn("* Grab Images", text)
        self.assertIn("* Grab Frames", text)
        self.assertTrue(os.path.isfile(os.path.join(folder, "site", "a.html")))
        self.assertFalse(os.path.exists(os.path.join(folder, "site", "logo.gif")))

        # Stop while a page is on its way: the grab ends, the page never comes.
        self.grab(window, (("Address", server.url("/slow/index.html")),))
        wait_for(lambda: server.requested("/slow/held.html") and
                 "Downloaded " + server.url("/slow/b.html") in app.text(log),
                 "the held page asked for and the other one in")
        app.click(app.find("push button", "Stop", within=window))
        wait_for(lambda: "User request to stop the process." in app.text(log),
                 "the stop told in the log")
        app.find("push button", "Grab", within=window)
        self.assertNotIn("Downloaded " + server.url("/slow/held.html"), app.text(log))
        self.assertFalse(os.path.exists(os.path.join(folder, "slow", "held.html")))

        # Save the log as.. writes the log as it reads.
        saved = os.path.join(self.documents, "grab log.txt")
        app.menu("Options", "Save the log as..", within=window)
        app.answer_file_dialog("Corvanta Grabber Save as a text or a word file", saved)
        app.told("The file was saved.")
        with open(saved) as file:
            # The log view hands an empty line out as a no-break space.
            self.assertEqual(file.read().splitlines(),
                             [line.replace("\xa0", "") for line in app.text(log).splitlines()])

        # Exit closes the window and keeps the Options for the next one.
        app.menu("Options", "Exit", within=window)
        app.gone("frame", "Web Site Grabber", within=app.frame())
        stored = app.settings.read(GRABBER_KEY)
        self.assertEqual((stored.get("GrabAll"), stored.get("GrabImages"),
                          stored.get("MultipartDownloading")), (0, 0, 1))


if __name__ == "__main__":
    unittest.main()
