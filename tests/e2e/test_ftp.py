"""FTP Client: log in by the site fields, open a folder, download a file over an
existing one with the File Exists answers."""

import os
import re
import unittest

from corvanta_e2e import E2ETestCase, wait_for

REMOTE = b"remote data, all of it\n"


class FtpTest(E2ETestCase):
    def download(self, window, local):
        """"Save A File To Download .." of the selected file to `local`. The
        tool bar's menus are not in the accessibility tree (the toolkit leaves
        a tool button's drop-down menu out), so the item is reached by keys:
        Disconnect, Connect As Anonymous, Open A File To Upload, Save A File."""
        app = self.app
        app.click(app.find("push button", "File", within=window))
        app.key("Down", "Down", "Down", "Down", "Return")
        app.find("dialog", "Save A File To Download ..")
        app.key("ctrl+a")
        app.type(local)
        app.key("Return")

    def test_log_in_open_folder_and_download(self):
        root = os.path.join(self.output, "ftp-root")
        os.makedirs(os.path.join(root, "pub"))
        with open(os.path.join(root, "pub", "data.bin"), "wb") as file:
            file.write(REMOTE)
        server = self.serve_ftp(root)
        os.makedirs(self.documents, exist_ok=True)
        local = os.path.join(self.documents, "data.bin")
        with open(local, "wb") as file:
            file.write(REMOTE[:7])  # an earlier, broken-off download

        app = self.start()
        app.open_tool("Ftp Client")
        window = app.tool_window("FTP Client")
        for label, value in (("IP / Host", "127.0.0.1"), ("User:", server.user),
                             ("Password:", server.password), ("Port", str(server.port))):
            app.click(app.find("text", label, within=window))
            app.key("ctrl+a")
            app.type(value)
        app.click(app.find("push button", "Login", within=app.find("tool bar", "Main", within=window)))

        folder = app.find(name="/pub", within=window)
        app.click(folder, count=2)
        remote_tree = folder.parent  # not the file list beside it, which lists it too
        remote_file = app.find(folder.getRoleName(), "data.bin", within=remote_tree)
        app.click(remote_file)
        app.find("label", "Selected File:", within=window)  # the status bar names the selection

        # Cancel keeps the local file; Resume fetches the rest of it.
        for answer, expected in (("Cancel", REMOTE[:7]), ("Resume", REMOTE)):
            self.download(window, local)
            self.confirm_overwrite()
            question = app.find("dialog", "File Exists Dialog")
            app.click(app.find("push button", answer, within=question))
            app.gone("dialog", "File Exists Dialog")
            wait_for(lambda: open(local, "rb").read() == expected,
                     f"the local file after {answer}")

    def confirm_overwrite(self):
        """The save dialog's own question about an existing file, if it asks."""
        app = self.app
        ask = wait_for(lambda: app.find_all("dialog", "File Exists Dialog") or
                       app.find_all(name=re.compile("already exists")),
                       "a question about the existing file")
        if ask[0].getRoleName() != "dialog" or ask[0].name != "File Exists Dialog":
            app.key("alt+y")


if __name__ == "__main__":
    unittest.main()
