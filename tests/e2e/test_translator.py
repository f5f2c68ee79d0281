"""Net Translator: a text translated through the loopback translation service,
the texts saved as a report, the boxes' tools, and a web page translated by the
page service in a browser window."""

import os
import unittest

from corvanta_e2e import E2ETestCase, page, wait_for

# The service's page: the translation stands 85 characters after the quoted
# word "translation", up to the end of its text area.
MARKER = '"translation"'
TAIL = " cols=40 rows=10>"
REPLY = ("<html><body><textarea name=" + MARKER + " " * (85 - len(MARKER) - len(TAIL)) + TAIL
         + "Hallo Welt</textarea></body></html>")

HEAD = ["Corvanta Translator", "#" * 22, ""]
SOURCE = ["The Text To Translate:", "-" * 21, "Hello world"]
TRANSLATED = ["The Translated Text:", "-" * 21, "Hallo Welt"]
FOOT = ["#" * 34, "Thank you for choosing Corvanta."]


class TranslatorTest(E2ETestCase):
    def test_translate_save_tools_and_page(self):
        assert REPLY[REPLY.index(MARKER) + 85:].startswith("Hallo Welt")
        server = self.serve({"/systran/box": ("text/html", REPLY),
                             "/babelfish/trurl_load": page("Seite auf Deutsch")})
        self.app.settings.write(r"\Software\Corvanta\Translator", {"TranslationEngine": "web"})
        app = self.start(services={"Translation": server.url(""),
                                   "PageTranslation": server.url("")})
        app.open_tool("Net Translator")
        window = app.tool_window("Net Translator")

        app.click(app.find("combo box", "Translation Language", within=window))
        app.click(app.find("list item", "English to German"))
        source_panel = app.find("panel", "Text To Translate", within=window)
        translated_panel = app.find("panel", "Translated Text", within=window)
        source = app.find("text", within=source_panel)
        translated = app.find("text", within=translated_panel)
        app.click(source)
        app.type("Hello world")
        app.click(app.find("push button", "Translate Text", within=window))

        wait_for(lambda: app.text(translated) == "Hallo Welt", "the translation in its box")
        self.assertIn("/systran/box?id=SystranSoft-en&ttype=text&text=Hello%20world&lp=en_de",
                      server.requests)

        # "Save" writes both texts; its menu saves one of them.
        for command, name, lines in (
                (("Save",), "both.txt", HEAD + SOURCE + [""] * 3 + TRANSLATED + [""] * 3 + FOOT),
                (("Save", "Save The Translated Text Only"), "translated.txt",
                 HEAD + TRANSLATED + [""] * 3 + FOOT),
                (("Save", "Save The Text To Translate Only"), "source.txt",
                 HEAD + SOURCE + [""] * 2 + FOOT)):
            path = os.path.join(self.documents, name)
            if len(command) == 1:  # the button itself, not its arrow
                app.click(app.find(app.MENU_OPENER, "Save", within=window))
            else:
                app.menu(*command, within=window)
            app.answer_file_dialog("Corvanta Save as a text or a word file", path)
            app.told("The file was saved.")
            with open(path, "rb") as file:
                self.assertEqual(file.read(), "".join(line + "\r\n" for line in lines).encode(),
                                 name)

        # The boxes' tools: the translation copied over the emptied source,
        # cut and pasted back, then moved up to be translated again.
        def tool(panel, caption):
            app.click(app.find("push button", caption, within=panel))

        copy = app.find("push button", "Copy", within=translated_panel)
        self.assertFalse(app.has_state(copy, app.atspi.STATE_ENABLED))  # nothing selected yet
        tool(translated_panel, "Sellect All")
        tool(translated_panel, "Copy")
        tool(source_panel, "Delete")
        wait_for(lambda: app.text(source) == "", "the source box emptied")
        tool(source_panel, "Paste")
        wait_for(lambda: app.text(source) == "Hallo Welt", "the copy pasted into the source box")
        tool(source_panel, "Select All")
        tool(source_panel, "Cut")
        wait_for(lambda: app.text(source) == "", "the source box's text cut")
        tool(source_panel, "Paste")
        wait_for(lambda: app.text(source) == "Hallo Welt", "the cut text pasted back")
        tool(source_panel, "Select All")
        app.type("Guten Tag")
        tool(translated_panel, "Move To Retranslate")
        wait_for(lambda: (app.text(source), app.text(translated)) == ("Hallo Welt", ""),
                 "the translation moved up, its box emptied")

        # A web page: the page service's address opens in a browser window of
        # its own, and is noted in the source box.
        pages = app.find("combo box", "Translate A Web Page:", within=window)
        app.click(pages)
        app.key("ctrl+a")
        app.type("HTTPS://127.0.0.1/welcome.html")
        app.click(app.find("push button", "Translate A Web Page", within=window))
        expected = ("/babelfish/trurl_load?url=http%3A%2F%2F127.0.0.1/welcome.html&lp=en_de")
        wait_for(lambda: expected in server.requests, "the page service asked for the page")
        browser = app.tool_window("Web Translation")
        app.find("label", "Seite auf Deutsch", within=app.find("status bar", within=browser))
        self.assertEqual(app.text(source), "Hallo Welt\n" + server.url(expected))


if __name__ == "__main__":
    unittest.main()
