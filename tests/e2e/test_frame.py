"""The frame: tools opened from the tool bar, the task bar, a theme chosen by
keyboard, and the same kinds of window back at the next start; the Help
menu's pages and tiling beside minimized windows; the mail button, the Window
and View menus and the task bar's menu; the update check at start and the
restoring of default settings; the tray and the hand-offs from its menu."""

import os
import re
import unittest

from corvanta_e2e import MAIN_KEY, E2ETestCase, page, wait_for

EDITOR_KEY = r"\Software\Corvanta\Editor"


class FrameTest(E2ETestCase):
    def caption_names(self, caption):
        """Waits for the frame's title to name the active maximized window."""
        wait_for(lambda: self.app.frame().name.endswith(f"[{caption}]"),
                 f"the frame's title to name {caption}")

    def test_tools_task_bar_theme_and_restart(self):
        notes = os.path.join(self.documents, "notes.txt")
        os.makedirs(self.documents, exist_ok=True)
        with open(notes, "w") as file:
            file.write("a note\n")
        app = self.start()
        for caption in ("Ftp Client", "Editor", "Network Tools"):
            app.open_tool(caption)
        self.caption_names("Network Tools")
        for button in ("FTP Client", "Editor", "Network Tool..."):
            app.task_button(button)

        # Switching with the task bar.
        app.click(app.task_button("Editor"))
        self.caption_names("Editor")
        wait_for(lambda: app.checked(app.task_button("Editor")), "the Editor's button ticked")
        app.click(app.task_button("FTP Client"))
        self.caption_names("FTP Client")

        # The Editor shows a file, so its caption is the file's path.
        app.click(app.task_button("Editor"))
        self.caption_names("Editor")
        app.key("ctrl+o")
        app.find("dialog", "Corvanta Editor Open...")
        app.type(notes)
        app.key("Return")
        self.caption_names(notes)

        # A theme chosen by keyboard in the opened selector.
        themes = app.find("combo box", "Themes", within=app.frame())
        app.click(themes)
        app.key_to(themes, "Aluminum")
        app.key("Return")
        wait_for(lambda: app.find_all("combo box", "Aluminum", within=app.frame()),
                 "the selector to show Aluminum")

        app.menu("File", "Exit")
        app.wait_exit()
        stored = app.settings.read(MAIN_KEY)
        kinds = sorted(name for name, value in stored.items() if isinstance(value, str))
        self.assertEqual(kinds, ["Editor", "FTP Client", "Network Tools"])
        self.assertEqual(stored["Form_Theme"], 1)

        # The next start reopens one window of each kind, the last one active.
        app.start()
        for button in ("FTP Client", "Editor", "Network Tool..."):
            app.task_button(button)
        self.caption_names("Network Tools")
        self.assertEqual(len(app.find_all("check box", within=app.find(
            "tool bar", "TaskBar", within=app.frame()))), 3)
        app.find("combo box", "Aluminum", within=app.frame())

    def test_help_pages_and_tiling_beside_minimized_windows(self):
        server = self.serve({"/developer.html": page("Developer"),
                             "/project.html": page("Project")})
        app = self.start(kinds=["Editor", "Network Tools", "Net Translator"],
                         services={"DeveloperSite": server.url("/developer.html"),
                                   "ProjectSite": server.url("/project.html")})
        frame = app.frame()

        # Minimized, all but the Editor, which its task button brings back.
        app.menu("Window", "Minimize All")
        app.click(app.task_button("Editor"))
        self.caption_names("Editor")
        app.menu("Window", "Tile Vertically")
        editor = app.tool_window("Editor")
        wait_for(lambda: not self.app.frame().name.endswith("[Editor]"),
                 "the Editor no longer maximized")
        # The minimized ones stay icons: their title bars only.
        for caption in ("Network Tools", "Net Translator"):
            for window in app.find_all("frame", caption, within=frame):
                self.assertLess(app.extents(window)[3], 60, f"{caption} restored by the tiling")
        _, _, width, _ = app.extents(editor)
        _, _, frame_width, _ = app.extents(frame)
        self.assertGreater(width, frame_width // 2)  # one column: the only window tiled

        # Each Help item opens a browser window at its own page.
        for item, path in (("Visit the developor web site", "/developer.html"),
                           ("Corvanta project page", "/project.html")):
            app.menu("Help", item)
            wait_for(lambda: server.requested(path), f"{path} requested")
            self.caption_names("Web Browser")
        self.assertEqual(len(app.find_all("check box", "Web Browser", within=app.find(
            "tool bar", "TaskBar", within=frame))), 2)

    def work_area(self):
        return self.app.find("layered pane", within=self.app.frame(), depth=1)

    def tool_windows(self):
        return self.app.find_all("frame", within=self.work_area(), depth=1)

    def task_buttons(self, caption=None):
        return self.app.find_all("check box", caption, within=self.app.find(
            "tool bar", "TaskBar", within=self.app.frame()))

    def test_mail_and_browser_buttons_window_menu_and_task_bar(self):
        server = self.serve({"/mail": page("Web Mail")})
        app = self.start(services={"WebMailGoogle": server.url("/mail")})
        frame = app.frame()
        tools = app.find("tool bar", "Tools", within=frame)
        mail = app.find(name="mail", within=tools)

        # "mail" before a client is chosen says how to choose one; chosen from
        # its arrow's menu, it opens the web mail in a browser.
        app.click(mail)
        app.answer("Press on the arrow and Choose a Default Mail Client First", "OK")
        app.menu("mail", "Google", within=tools)
        app.click(mail)
        browser = app.tool_window("Web Browser")
        app.find("label", "Web Mail", within=app.find("status bar", within=browser))
        self.assertEqual(server.requests, ["/mail"])

        # A second browser from its button; the task bar's menu closes the
        # active window (the new one), opens an Editor and a Network Tools
        # window, and closes the browser once it is active.
        app.open_tool("Web Browser")
        wait_for(lambda: len(self.tool_windows()) == 2, "a second browser window")
        # On the first window's button: the active one closes all the same.
        app.context_menu(self.task_buttons("Web Browser")[0], "Close The Window")
        wait_for(lambda: len(self.tool_windows()) == 1, "one browser window left")
        app.find("label", "Web Mail", within=app.find("status bar", within=browser))
        app.context_menu(app.task_button("Web Browser"), "Open The Editor")
        self.caption_names("Editor")
        app.context_menu(app.task_button("Editor"), "Open The Net Tools")
        self.caption_names("Network Tools")
        app.click(app.task_button("Web Browser"))
        self.caption_names("Web Browser")
        app.context_menu(app.task_button("Editor"), "Close The Window")
        wait_for(lambda: not self.task_buttons("Web Browser"), "the browser's button gone")

        # The Window menu arranges the two windows. (Not a browser: its least
        # size is wider than half the area.)
        def boxes():
            return sorted(app.extents(window) for window in self.tool_windows())

        area = app.extents(self.work_area())
        app.menu("Window", "Tile Vertically")
        wait_for(lambda: (lambda a, b: a[1] == b[1] and a[3] == b[3] and a[0] + a[2] <= b[0])(
            *boxes()), "the windows side by side")
        app.menu("Window", "Tile Horizontaly")
        wait_for(lambda: (lambda a, b: a[0] == b[0] and a[2] == b[2] and a[1] + a[3] <= b[1])(
            *sorted(boxes(), key=lambda box: box[1])), "the windows one above the other")
        app.menu("Window", "Cascade")
        wait_for(lambda: (lambda a, b: a[0] < b[0] and a[1] < b[1] and b[0] < a[0] + a[2])(
            *boxes()), "the windows cascaded")
        app.menu("Window", "Minimize All")
        bottom = area[1] + area[3]

        def lined_up():
            a, b = boxes()
            return (all(box[3] < 60 and box[1] + box[3] >= bottom - 2 for box in (a, b)) and
                    a[0] + a[2] <= b[0])

        wait_for(lined_up, "both windows minimized side by side along the bottom")
        # The area keeps its minimized windows lined up (they cannot be
        # dragged away): Arrange Icons leaves them so.
        app.menu("Window", "Arrange Icons")
        app.menu_item("Window", "Arrange Icons")  # opens once the command has run
        app.key("Escape")
        self.assertTrue(lined_up())

        # F11 is "Maximize all", and toggles the frame and the item's caption.
        item = app.menu_item("Window", "Maximize all")
        self.assertEqual(app.shortcut(item), "F11")
        app.key("Escape")
        for caption in ("View Normal", "View Maximize"):
            app.key("F11")
            app.menu_item("Window", caption)
            app.key("Escape")

        # The task bar hidden by its own close button comes back from View;
        # hidden from its menu, View offers it back by name.
        task_bar = app.find("tool bar", "TaskBar", within=frame)
        app.click(app.find("push button", "Hide the task bar", within=task_bar))
        app.gone("tool bar", "TaskBar", within=frame)
        app.menu("View", "TaskBar")
        task_bar = app.find("tool bar", "TaskBar", within=frame)
        app.context_menu(app.task_button("Editor"), "Hide The TaskBar")
        app.gone("tool bar", "TaskBar", within=frame)
        app.menu("View", "Show The TaskBar")
        app.find("tool bar", "TaskBar", within=frame)

        # Close All empties the area, the task bar and the Window menu's list.
        app.menu("Window", "Close All")
        wait_for(lambda: not self.tool_windows(), "no tool window left")
        self.assertFalse(self.task_buttons())
        app.menu_item("Window", "Cascade")
        menu = app.find(app.MENU, within=app.find("menu item", "Window", within=app.menu_bar()),
                        depth=1)
        self.assertFalse(app.find_all("menu item", "Corvanta -Active Windows:", within=menu))
        app.key("Escape")

        # The connection check answers in a box, whichever the machine's state.
        app.menu("View", "Check internet connection status")
        app.answer(re.compile(r"^(You are connected to the internet\.     |"
                              r"It looks like you are not connected to the internet!)$"), "OK")

    def test_update_check_on_startup_and_restoring_default_settings(self):
        notes = os.path.join(self.documents, "notes.txt")
        os.makedirs(self.documents, exist_ok=True)
        with open(notes, "w") as file:
            file.write("a note\n")
        app = self.start()
        app.menu("File", "Check for updates on startup")
        self.assertTrue(app.checked(app.menu_item("File", "Check for updates on startup")))
        app.key("Escape")
        # An Editor that opened a file remembers it when it closes.
        app.open_tool("Editor")
        app.key("ctrl+o")
        app.find("dialog", "Corvanta Editor Open...")
        app.type(notes)
        app.key("Return")
        self.caption_names(notes)
        app.context_menu(app.task_button("Editor"), "Close The Window")
        wait_for(lambda: app.settings.read(EDITOR_KEY).get("MRUFile1") == notes,
                 "the Editor's recent file stored")
        app.menu("File", "Exit")
        app.wait_exit()
        self.assertEqual(app.settings.read(MAIN_KEY)["AutoUpdate"], 1)

        # The next start checks for updates at once (the maker's server here
        # has no update list) and shows the item ticked.
        app.start()
        app.find("label", re.compile(r'^Can not download data from the web!'), within=app.frame())
        self.assertTrue(app.checked(app.menu_item("File", "Check for updates on startup")))
        app.key("Escape")

        # Restoring the defaults asks first, then forgets every setting: the
        # running frame writes its own again at exit, the closed Editor not.
        app.menu("File", "Restore All Default Settings")
        app.answer("Are You Sure??", "OK")
        wait_for(lambda: not app.settings.read(MAIN_KEY), "the settings gone")
        self.assertEqual(app.settings.read(EDITOR_KEY), {})
        app.menu("File", "Exit")
        app.wait_exit()
        self.assertEqual(app.settings.read(MAIN_KEY)["AutoUpdate"], 1)
        self.assertEqual(app.settings.read(EDITOR_KEY), {})

        app.start()
        app.open_tool("Editor")
        recent = app.menu_item("File", "Recent Files", within=app.tool_window("Editor"),
                               enabled=False)
        self.assertFalse(app.has_state(recent, app.atspi.STATE_ENABLED))
        app.key("Escape")

    def test_tray_way_back_and_the_hand_offs_from_its_menu(self):
        tray = self.system_tray()
        server = self.serve({"/a.html": page("Page A"), "/site/index.html": page("Site Home")})
        whois = self.serve_whois("Domain Name: EXAMPLE.TEST\r\n")
        app = self.start(services={"WhoisServer0": f"127.0.0.1:{whois.port}"})

        # Back from the tray by a double click, then by its menu.
        app.click_at(app.hide_in_tray(tray), count=2)
        app.wait_back()
        app.context_menu(app.hide_in_tray(tray), "Show Corvanta")
        app.wait_back()

        def hand_off(item, caption, text):
            """Chooses a hand-off in the tray menu and answers its question."""
            app.context_menu(app.hide_in_tray(tray), item)
            question = app.find("dialog", caption)
            app.type(text)
            app.click(app.find("push button", "OK", within=question))
            app.wait_back()

        hand_off("Open a URL address in the Web Browser", "Corvanta : Browser",
                 server.url("/a.html"))
        browser = app.tool_window("Web Browser")
        app.find("label", "Page A", within=app.find("status bar", within=browser))

        hand_off("Enter a URL address to the Web Site Grabber", "Corvanta : Web Site Grabber",
                 server.url("/site/index.html"))
        grabber = app.tool_window("Web Site Grabber")
        address = app.find("combo box", re.compile("^Address:?$"), within=grabber)
        self.assertEqual(app.text(app.find("text", within=address)),
                         server.url("/site/index.html"))
        log = app.find(name="Grab log", within=grabber)
        wait_for(lambda: "Downloaded " in app.text(log), "the grab under way")
        wait_for(lambda: os.path.isfile(os.path.join(self.home, "downloads", "site",
                                                     "index.html")), "the page grabbed")

        hand_off("Enter a text to the Editor", "Corvanta : Editor", "a note from the tray")
        editor = app.tool_window("Editor")
        wait_for(lambda: any(app.text(box) == "a note from the tray"
                             for box in app.find_all("text", within=editor)), "the text in the Editor")

        hand_off("Open a URL address in the FTP Client", "Corvanta : FTP Client", "127.0.0.1")
        ftp = app.tool_window("FTP Client")
        quick = app.find("tool bar", "Quick Connect Toolbar", within=ftp)
        self.assertEqual(app.text(app.find("text", "Server:", within=quick)), "127.0.0.1")

        hand_off("Trace a URL address in the Net Tools", "Corvanta : NetTools", "example.test")
        tools = app.tool_window("Network Tools")
        # The trace page in front, holding the address; the WhoIs page behind
        # asked its server.
        trace = app.find("text", re.compile("^Web Address / IP:"), within=tools)
        self.assertEqual(app.text(trace), "example.test")
        pinger = app.find("text", re.compile("IP / Web Address"), within=tools, showing=False)
        self.assertEqual(app.text(pinger), "example.test")
        wait_for(lambda: whois.queries == ["example.test"], "the WhoIs query sent")
        wait_for(lambda: any(app.text(box).startswith("Domain Name: EXAMPLE.TEST")
                             for box in app.find_all("text", within=tools, showing=False)),
                 "the WhoIs answer shown")

        hand_off("Enter a text to Translate", "Corvanta : Translator", "hola")
        translator = app.tool_window("Net Translator")
        source = app.find("text", within=app.find("panel", "Text To Translate", within=translator))
        self.assertEqual(app.text(source), "hola")


if __name__ == "__main__":
    unittest.main()
