"""Net Translator on a fresh machine: the default engine translates offline, a
text and a web page fetched from loopback."""

import unittest

from corvanta_e2e import E2ETestCase, wait_for


class OfflineTranslatorTest(E2ETestCase):
    def test_translate_text_and_page_without_any_service(self):
        # No translation service is named: every service address points at a
        # closed loopback port, so only the offline engine can answer.
        server = self.serve({"/welcome.html": (
            "text/html; charset=utf-8",
            "<!DOCTYPE html><html><head><title>Welcome</title></head>"
            "<body><p id='greeting'>Hello world</p></body></html>")})
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

        # A page: fetched, translated here and shown in a browser window.
        pages = app.find("combo box", "Translate A Web Page:", within=window)
        app.click(pages)
        app.key("ctrl+a")
        app.type(server.url("/welcome.html"))
        app.click(app.find("push button", "Translate A Web Page", within=window))
        browser = app.tool_window("Web Translation")
        # Its title, translated with the page, shows in the status bar.
        app.find("label", "Bienvenido", within=app.find("status bar", within=browser))
        self.assertEqual(server.requests, ["/welcome.html"])
        self.assertEqual(app.text(source), "Hello world\n" + server.url("/welcome.html"))


if __name__ == "__main__":
    unittest.main()
