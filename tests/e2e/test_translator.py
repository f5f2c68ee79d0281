"""Net Translator: a text translated through the loopback translation service."""

import unittest

from corvanta_e2e import E2ETestCase, wait_for

# The service's page: the translation stands 85 characters after the quoted
# word "translation", up to the end of its text area.
MARKER = '"translation"'
TAIL = " cols=40 rows=10>"
REPLY = ("<html><body><textarea name=" + MARKER + " " * (85 - len(MARKER) - len(TAIL)) + TAIL
         + "Hallo Welt</textarea></body></html>")


class TranslatorTest(E2ETestCase):
    def test_translate_text(self):
        assert REPLY[REPLY.index(MARKER) + 85:].startswith("Hallo Welt")
        server = self.serve({"/systran/box": ("text/html", REPLY)})
        self.app.settings.write(r"\Software\Corvanta\Translator", {"TranslationEngine": "web"})
        app = self.start(services={"Translation": server.url("")})
        app.open_tool("Net Translator")
        window = app.tool_window("Net Translator")

        app.click(app.find("combo box", "Translation Language", within=window))
        app.click(app.find("list item", "English to German"))
        source = app.find("text", within=app.find("panel", "Text To Translate", within=window))
        app.click(source)
        app.type("Hello world")
        app.click(app.find("push button", "Translate Text", within=window))

        translated = app.find("text", within=app.find("panel", "Translated Text", within=window))
        wait_for(lambda: app.text(translated) == "Hallo Welt", "the translation in its box")
        self.assertIn("/systran/box?id=SystranSoft-en&ttype=text&text=Hello%20world&lp=en_de",
                      server.requests)


if __name__ == "__main__":
    unittest.main()
