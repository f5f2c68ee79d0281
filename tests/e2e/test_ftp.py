"""FTP Client: log in by the site fields, open a folder, download a file over an
existing one with the File Exists answers; queue a file by dragging it to the
transfers list, see it done and its address on the File Info page."""

import os
import re
import unittest

from corvanta_e2e import E2ETestCase, wait_for

REMOTE = b"remote data, all of it\n"


def read(path):
    if not os.path.exists(path):
        return None
    with open(path, "rb") as file:
        return file.read()


class FtpTest(E2ETestCase):
    def download(self, window, local):
        """"Save A File To Download .." of the selected file to `local`."""
        app = self.app
        app.menu("File", "Save A File To Download ..", within=window)
        app.find("dialog", "Save A File To Download ..")
        app.key("ctrl+a")
        app.type(local)
        app.key("Return")

    def log_in_and_open(self, server, name):
        """Starts the program, opens the FTP window, logs in to `server` by the
        site fields and opens "/pub"; the window and the remote tree's node
        of the file `name` in it."""
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
        return window, app.find(folder.getRoleName(), name, within=remote_tree)

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

        window, remote_file = self.log_in_and_open(server, "data.bin")
        app = self.app
        app.click(remote_file)
        app.find("label", "Selected File:", within=window)  # the status bar names the selection

        # Cancel keeps the local file; Resume fetches the rest of it.
        for answer, expected in (("Cancel", REMOTE[:7]), ("Resume", REMOTE)):
            self.download(window, local)
            question = app.find("dialog", "File Exists Dialog")
            # The suite's question is the only one: the save dialog asks none.
            self.assertFalse(app.find_all(name=re.compile("want to replace it")))
            app.click(app.find("push button", answer, within=question))
            app.gone("dialog", "File Exists Dialog")
            wait_for(lambda: read(local) == expected,
                     f"the local file after {answer}")

    def test_drag_a_remote_file_to_the_queue_until_done(self):
        root = os.path.join(self.output, "ftp-root")
        os.makedirs(os.path.join(root, "pub"))
        content = os.urandom(3 * 1024 * 1024 + 17)  # big enough to be split in parts
        with open(os.path.join(root, "pub", "big file.bin"), "wb") as file:
            file.write(content)
        server = self.serve_ftp(root)

        window, remote_file = self.log_in_and_open(server, "big file.bin")
        app = self.app
        transfers = app.find(re.compile("^(tree table|table|tree)$"), "Transfers", within=window)
        app.drag(remote_file, transfers)
        # Added and started at once; the queue says so in a message.
        added = app.find(name="The file big file.bin was added to the Downloads")
        app.click(app.find("push button", "OK", within=added.parent))
        app.gone(name="The file big file.bin was added to the Downloads")

        app.find(name="Done", within=transfers)
        local = os.path.join(self.home, "Downloads", "big file.bin")
        wait_for(lambda: read(local) == content, "the downloaded file with the remote bytes")

        # A double click on its row shows its details, the address as it reads.
        app.click(app.find(name="big file.bin", within=transfers), count=2)
        address = app.find("text", "Remote File:", within=window)
        wait_for(lambda: app.text(address) == "ftp://127.0.0.1/pub/big file.bin",
                 "the File Info page's address of the row")


if __name__ == "__main__":
    unittest.main()
