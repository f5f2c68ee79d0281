"""Net Translator on a fresh machine: the default engine translates offline."""

import unittest

from corvanta_e2e import E2ETestCase, wait_for


class OfflineTranslatorTest(E2ETestCase):
    def test_translate_text_without_any_service(self):
        # No translation service is named: every service address points at a
        # closed loopback port, so only the offline engine can answer.
        app = self.start()
        app.open_tool("Net Translator")
        window = app.tool_window("Net Translator")

        app.click(app.find("combo box", "Translation Language", within=window))
        app.click(app.find("list item", "English to Spanish"))
        source = app.find("text", within=app.find("panel", "Text To Translate", within=window))
        app.click(source)
        app.type("Hello world")
        app.click(app.find("push button", "Translate Text", within=window))

        translated = app.find("text", within=app.find("panel", "Translated Text", within=window))
        wait_for(lambda: app.text(translated).strip() == "Hola Mundo", "the translation in its box")


if __name__ == "__main__":
    unittest.main()
