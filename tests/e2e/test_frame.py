"""The frame: tools opened from the tool bar, the task bar, a theme chosen by
keyboard, and the same kinds of window back at the next start."""

import os
import re
import unittest

from corvanta_e2e import MAIN_KEY, E2ETestCase, wait_for


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


if __name__ == "__main__":
    unittest.main()
