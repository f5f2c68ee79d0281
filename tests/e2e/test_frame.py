"""The frame: tools opened from the tool bar, the task bar, a theme chosen by
keyboard, and the same kinds of window back at the next start; the Help
menu's pages and tiling beside minimized windows."""

import os
import re
import unittest

from corvanta_e2e import MAIN_KEY, E2ETestCase, page, wait_for


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


if __name__ == "__main__":
    unittest.main()
