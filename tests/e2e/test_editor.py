"""Editor: open, edit, save and search with the keyboard, as a person does."""

import os
import re
import unittest

from corvanta_e2e import E2ETestCase, wait_for


class EditorTest(E2ETestCase):
    def position(self, window):
        """The caret's line from the status bar's position panel."""
        panel = self.app.find("label", re.compile(r"^Position:"), within=window)
        return int(re.match(r"Position:\s*(\d+):", panel.name).group(1))

    def test_open_edit_save_and_find(self):
        path = os.path.join(self.documents, "notes.txt")
        os.makedirs(self.documents, exist_ok=True)
        with open(path, "wb") as file:
            file.write(b"alpha beta\r\ngamma\r\nbeta delta\r\n")
        app = self.start()
        app.open_tool("Editor")
        app.tool_window("Editor")

        # Ctrl+O and its dialog, answered by typing the file's path.
        app.key("ctrl+o")
        dialog = app.find("dialog", "Corvanta Editor Open...")
        app.find("text", within=dialog)  # the file name field, which has the focus
        app.type(path)
        app.key("Return")
        window = app.tool_window(path)

        # Typing and Ctrl+S at once, without a click in the text first.
        app.type("Hello ")
        app.key("ctrl+s")
        wait_for(lambda: open(path, "rb").read() == b"Hello alpha beta\r\ngamma\r\nbeta delta\r\n",
                 "the edited text in the file")
        app.find("label", "The file was saved.", within=window)

        # Ctrl+Z right after the save takes nothing back: the text typed next
        # lands where the caret was, and is saved with the rest.
        app.key("ctrl+z")
        app.type("X")
        app.key("ctrl+s")
        wait_for(lambda: open(path, "rb").read() == b"Hello Xalpha beta\r\ngamma\r\nbeta delta\r\n",
                 "the text after the save kept, the new letter with it")

        # Ctrl+F a word, then Find Next (F3) at once after the dialog.
        app.key("ctrl+f")
        search = app.find("dialog", "Search Text")
        app.find(re.compile("^(combo box|text)$"), "Search for:", within=search)
        app.type("beta")
        app.key("Return")
        app.gone("dialog", "Search Text")
        wait_for(lambda: self.position(window) == 1, "the first match, on line 1")
        app.key("F3")
        wait_for(lambda: self.position(window) == 3, "the next match, on line 3")

        # Caps Lock on the keyboard: the panel follows the X server's state
        # (this server has no keyboard LEDs at all).
        app.find("label", "Caps Lock is Off.", within=window)
        app.key("Caps_Lock")
        try:
            app.find("label", "Caps Lock is On!", within=window)
        finally:
            app.key("Caps_Lock")
        app.find("label", "Caps Lock is Off.", within=window)

    def test_large_file_types_at_the_top_and_saves(self):
        # Several megabytes: past the size where the editor reads the file in
        # pieces and gives up its per-change reports.
        path = os.path.join(self.documents, "plant.st")
        os.makedirs(self.documents, exist_ok=True)
        body = b"".join(b"    level%d := level%d + 16#0F; (* top up *)\r\n" % (n % 1000, n % 1000)
                        for n in range(120000))
        with open(path, "wb") as file:
            file.write(body)
        app = self.start()
        app.open_tool("Editor")
        app.tool_window("Editor")
        app.key("ctrl+o")
        dialog = app.find("dialog", "Corvanta Editor Open...")
        app.find("text", within=dialog)
        app.type(path)
        app.key("Return")
        window = app.tool_window(path)

        app.type("(* checked *) ")
        app.key("ctrl+s")
        wait_for(lambda: open(path, "rb").read() == b"(* checked *) " + body,
                 "the typed text at the top of the saved file, the rest unchanged")
        app.find("label", "The file was saved.", within=window)


if __name__ == "__main__":
    unittest.main()
