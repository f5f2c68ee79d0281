"""Editor: open, edit, save and search with the keyboard, as a person does; a
new document saved under a name, reopened from the recent files, words
replaced one by one, another font and another mode."""

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

    def test_new_save_as_recent_replace_font_and_mode(self):
        path = os.path.join(self.documents, "words.txt")
        os.makedirs(self.documents, exist_ok=True)
        app = self.start()
        app.open_tool("Editor")
        window = app.tool_window("Editor")

        def text():
            return max(app.find_all("text", within=window), key=lambda box: app.extents(box)[3])

        def status(line):
            app.find("label", line, within=app.find("status bar", within=window))

        # New: an empty document named after the program, saved under a name.
        app.menu("File", "New", within=window)
        window = app.tool_window(re.compile(r"^Corvanta Editor New file\.txt$"))
        wait_for(lambda: app.text(text()) == "", "an empty document")
        for line in ("one beta", "two beta", "three beta"):
            app.type(line)
            app.key("Return")
        app.menu("File", "Save As...", within=window)
        app.find("dialog", "Save As")
        app.key("ctrl+a")
        app.type(path)
        app.key("Return")
        window = app.tool_window(path)
        wait_for(lambda: os.path.isfile(path) and open(path).read() ==
                 "one beta\ntwo beta\nthree beta\n", "the document saved under its name")

        # Another new document, then the saved one again from Recent Files.
        app.menu("File", "New", within=window)
        window = app.tool_window(re.compile(r"^Corvanta Editor New file\.txt$"))
        app.menu("File", "Recent Files", path, within=window)
        window = app.tool_window(path)
        wait_for(lambda: app.text(text()) == "one beta\ntwo beta\nthree beta\n",
                 "the recent file's text")

        # Find And Replace, enabled by the first find, asks at each match.
        app.click(text())
        app.key("ctrl+Home", "ctrl+f")
        app.find("dialog", "Search Text")
        app.type("beta")
        app.key("Return")
        status("A match was found")
        app.menu("Edit", "Find And Replace", within=window)
        dialog = app.find("dialog", "Replace text")
        app.click(app.find(re.compile("^(combo box|text)$"), "Replace with:", within=dialog))
        app.type("gamma")
        app.click(app.find("push button", "OK", within=dialog))
        # The question comes back for the next match, on the next line.
        for line, answer in ((1, "Yes"), (2, "No"), (3, "Yes to all")):
            wait_for(lambda: self.position(window) == line, f"the match on line {line}")
            confirm = app.find("dialog", "Confirm replace")
            app.click(app.find("push button", answer, within=confirm))
        app.gone("dialog", "Confirm replace")
        app.key("ctrl+s")
        wait_for(lambda: open(path).read() == "one gamma\ntwo beta\nthree gamma\n",
                 "the first and last words replaced, the middle one kept")

        # Font: a larger size, on every character of the text.
        before = text().queryText().getCharacterExtents(0, app.atspi.DESKTOP_COORDS)[3]
        app.menu("Options", "Font", within=window)
        fonts = app.find("dialog", "Select Font")
        app.click(app.find("text", "Size", within=fonts))
        app.key("ctrl+a")
        app.type("20")
        app.click(app.find("push button", "OK", within=fonts))
        app.gone("dialog", "Select Font")
        wait_for(lambda: "size:20" in text().queryText().getAttributeRun(0, False)[0],
                 "the text in size 20")
        self.assertGreater(text().queryText().getCharacterExtents(
            0, app.atspi.DESKTOP_COORDS)[3], before)

        # The mode box: HTML colours a tag, and the status line says so.
        box = app.find("combo box", "Choose Editor:", within=window)
        _, _, width, height = app.extents(box)
        app.click(box, at=(width - 8, height // 2))  # its arrow
        app.click(app.find("list item", "Html", within=box))
        status("Ready in Html mode")
        app.click(text())
        app.key("ctrl+End")
        app.type("<b>x</b>")
        end = app.text(text()).index("<b>")
        wait_for(lambda: "fg-color:0,0,0" not in text().queryText().getAttributeRun(end + 1,
                                                                                 False)[0],
                 "the tag coloured")


if __name__ == "__main__":
    unittest.main()
