"""FTP Client: log in by the site fields, open a folder, download a file over an
existing one with each File Exists answer; queue a file by dragging it to the
transfers list, see it done and its address on the File Info page; keep sites
as favorites, edit and remove them, log in by quick connect, work on the remote
folders and upload by dragging a local file to the remote tree; stop, remove,
resume and start queued transfers from the menus."""

import configparser
import os
import re
import unittest

from corvanta_e2e import E2ETestCase, wait_for

REMOTE = b"remote data, all of it\n"
TREE = re.compile("^(tree table|table|tree)$")
FIELD = re.compile("^(password )?text$")


def read(path):
    if not os.path.exists(path):
        return None
    with open(path, "rb") as file:
        return file.read()


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as file:
        file.write(data)


class FtpTest(E2ETestCase):
    def download(self, window, local):
        """"Save A File To Download .." of the selected file to `local`."""
        self.app.menu("File", "Save A File To Download ..", within=window)
        self.app.answer_file_dialog("Save A File To Download ..", local)

    def fill(self, fields, within):
        """Types each value into the box named by its label, replacing its text."""
        app = self.app
        for label, value in fields:
            app.click(app.find(FIELD, label, within=within))
            app.key("ctrl+a")
            app.type(value)

    def log_in_and_open(self, server, name):
        """Starts the program, opens the FTP window, logs in to `server` by the
        site fields and opens "/pub"; the window and the remote tree's node
        of the entry `name` in it."""
        app = self.start()
        app.open_tool("Ftp Client")
        window = app.tool_window("FTP Client")
        self.fill((("IP / Host", "127.0.0.1"), ("User:", server.user),
                   ("Password:", server.password), ("Port", str(server.port))), window)
        app.click(app.find("push button", "Login", within=app.find("tool bar", "Main", within=window)))

        folder = app.find(name="/pub", within=window)
        app.click(folder, count=2)
        remote_tree = folder.parent  # not the file list beside it, which lists it too
        return window, app.find(folder.getRoleName(), name, within=remote_tree)

    def test_log_in_open_folder_and_download(self):
        root = os.path.join(self.output, "ftp-root")
        write(os.path.join(root, "pub", "data.bin"), REMOTE)
        server = self.serve_ftp(root)
        local = os.path.join(self.documents, "data.bin")

        window, remote_file = self.log_in_and_open(server, "data.bin")
        app = self.app
        app.click(remote_file)
        app.find("label", "Selected File:", within=window)  # the status bar names the selection

        # Cancel keeps the local file; Resume fetches the rest of it; Replace
        # writes the remote file over a longer local one, nothing of it left.
        for answer, before, expected in (
                ("Cancel", REMOTE[:7], REMOTE[:7]),
                ("Resume", REMOTE[:7], REMOTE),
                ("Replace", b"a local file longer than the remote one\n" * 2, REMOTE)):
            write(local, before)
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
        content = os.urandom(3 * 1024 * 1024 + 17)  # big enough to be split in parts
        write(os.path.join(root, "pub", "big file.bin"), content)
        server = self.serve_ftp(root)

        window, remote_file = self.log_in_and_open(server, "big file.bin")
        app = self.app
        transfers = app.find(TREE, "Transfers", within=window)
        app.drag(remote_file, transfers)
        # Added and started at once; the queue says so in a message.
        app.answer("The file big file.bin was added to the Downloads", "OK")

        app.find(name="Done", within=transfers)
        local = os.path.join(self.home, "Downloads", "big file.bin")
        wait_for(lambda: read(local) == content, "the downloaded file with the remote bytes")

        # A double click on its row shows its details, the address as it reads.
        app.click(app.find(name="big file.bin", within=transfers), count=2)
        address = app.find("text", "Remote File:", within=window)
        wait_for(lambda: app.text(address) == "ftp://127.0.0.1/pub/big file.bin",
                 "the File Info page's address of the row")

    def favorites(self):
        """The stored favorite sites: section -> {key: value}."""
        path = os.path.join(self.home, "data", "Corvanta", "Favorites.Config")
        parser = configparser.ConfigParser(interpolation=None)
        parser.optionxform = str  # keys as written
        if os.path.exists(path):
            parser.read(path, encoding="latin-1")
        return {name: dict(parser[name]) for name in parser.sections()}

    def sites(self):
        return sorted((site.get("Server"), site.get("Description"), site.get("Port"))
                      for site in self.favorites().values())

    def test_favorites_quick_connect_and_remote_commands(self):
        root = os.path.join(self.output, "ftp-root")
        write(os.path.join(root, "pub", "notes.txt"), REMOTE)
        server = self.serve_ftp(root)
        upload = os.urandom(200 * 1024)
        write(os.path.join(self.documents, "upload.bin"), upload)
        app = self.start()
        app.open_tool("Ftp Client")
        window = app.tool_window("FTP Client")

        # A favorite made from the site fields, then edited there.
        self.fill((("IP / Host", "127.0.0.3"), ("Site Description", "Mirror"), ("Port", "2121")),
                  window)
        app.menu("Favorites", "Add To Favorites", within=window)
        wait_for(lambda: self.sites() == [("127.0.0.3", "Mirror", "2121")], "the stored favorite")
        favorites = app.find(TREE, "Favorite Sites", within=window)
        app.find(name="127.0.0.3", within=favorites)
        app.click(app.find("page tab", "Site Properties", within=window))
        self.fill((("Site Description", "Old mirror"),), window)
        app.click(app.find("page tab", "Favorite Sites", within=window))
        app.context_menu(app.find(name="127.0.0.3", within=favorites), "Edit Site Properties")
        wait_for(lambda: self.sites() == [("127.0.0.3", "Old mirror", "2121")],
                 "the edited favorite")

        # The quick connect bar's site kept as a second favorite; the first removed.
        app.menu("View", "Show Quick Connect Toolbar", within=window)
        quick = app.find("tool bar", "Quick Connect Toolbar", within=window)
        self.fill((("Server:", "127.0.0.1"), ("User:", server.user),
                   ("Password", server.password), ("Port:", str(server.port))), quick)
        app.click(app.find("push button", "Add Quick Connect Site To Favorites", within=quick))
        wait_for(lambda: self.sites() == [("127.0.0.1", "Old mirror", str(server.port)),
                                          ("127.0.0.3", "Old mirror", "2121")],
                 "the quick connect site among the favorites")
        app.click(app.find("page tab", "Favorite Sites", within=window))
        app.context_menu(app.find(name="127.0.0.3", within=favorites), "Remove From Favotites ")
        wait_for(lambda: self.sites() == [("127.0.0.1", "Old mirror", str(server.port))],
                 "only the quick connect site left")
        app.gone(name="127.0.0.3", within=favorites)

        # Quick connect logs in with the bar's fields.
        app.click(app.find("push button", "Connect", within=quick))
        remote = app.find(TREE, "Remote Site", within=window)
        app.click(app.find(name="/pub", within=remote), count=2)
        notes = app.find(name="notes.txt", within=remote)
        pub = os.path.join(root, "pub")

        # Rename, by the Commands menu and the name prompt.
        app.click(notes)
        app.menu("Commands", "Rename", within=window)
        prompt = app.find("dialog", "New File Name:")
        app.key("ctrl+a")
        app.type("renamed.txt")
        app.click(app.find("push button", "OK", within=prompt))
        app.find(name="renamed.txt", within=remote)
        self.assertEqual(sorted(os.listdir(pub)), ["renamed.txt"])
        self.assertEqual(read(os.path.join(pub, "renamed.txt")), REMOTE)

        # A new folder beside the selected file.
        app.click(app.find(name="renamed.txt", within=remote))
        app.menu("Commands", "Make A New Folder", within=window)
        prompt = app.find("dialog", "New Folder Name")
        app.key("ctrl+a")
        app.type("incoming")
        app.click(app.find("push button", "OK", within=prompt))
        app.find(name="/incoming", within=remote)
        self.assertTrue(os.path.isdir(os.path.join(pub, "incoming")))

        # Delete, from the tree's context menu, once the question is answered.
        app.context_menu(app.find(name="renamed.txt", within=remote), "Delete")
        app.answer("Do you wish to delete the renamed.txt file ?", "Yes")
        app.gone(name="renamed.txt", within=remote)
        self.assertEqual(os.listdir(pub), ["incoming"])

        # A local file dragged onto the new folder is uploaded into it.
        app.click(app.find("page tab", "Local Folders", within=window))
        local_tree = app.find(TREE, "Local Folders", within=window)
        documents = app.find(name="documents", within=local_tree)
        app.click(documents)
        app.key("Right")
        app.drag(app.find(name="upload.bin", within=local_tree),
                 app.find(name="/incoming", within=remote))
        app.answer("The file upload.bin was added to the Uploads", "OK")
        target = os.path.join(pub, "incoming", "upload.bin")
        wait_for(lambda: read(target) == upload, "the uploaded file on the server")
        # The folder is listed anew with it.
        app.find(name="upload.bin", within=remote)

    def test_queue_stop_remove_resume_and_start(self):
        root = os.path.join(self.output, "ftp-root")
        contents = {name: os.urandom(2 * 1024 * 1024) for name in ("a.bin", "b.bin")}
        for name, content in contents.items():
            write(os.path.join(root, "pub", name), content)
        server = self.serve_ftp(root)
        server.limit_rate(16 * 1024)  # slow enough to be stopped on the way

        window, pub = self.log_in_and_open(server, "/pub")
        app = self.app
        transfers = app.find(TREE, "Transfers", within=window)
        app.drag(pub, transfers)
        app.answer("2 files were added to the Downloads", "OK")

        def statuses():
            return sorted(cell.name for cell in app.find_all(
                name=re.compile("^(Ready|Done|Failed|Warnings|Process|Stopped)$"),
                within=transfers))

        wait_for(lambda: statuses() == ["Process", "Process"], "both transfers running")
        app.context_menu(app.find(name="a.bin", within=transfers), "Stop All Transfers")
        wait_for(lambda: statuses() == ["Stopped", "Stopped"], "both transfers stopped")
        app.context_menu(app.find(name="b.bin", within=transfers),
                         "Remove The Selected File From Queue")
        app.gone(name="b.bin", within=transfers)

        server.limit_rate(0)
        app.menu("Commands", "Resume All Transfers", within=window)
        wait_for(lambda: statuses() == ["Done"], "the transfer left done")
        local = os.path.join(self.home, "Downloads", "a.bin")
        wait_for(lambda: read(local) == contents["a.bin"], "the resumed file whole")
        # Starting all again lets finished transfers leave the queue.
        app.context_menu(app.find(name="a.bin", within=transfers), "Start All Transfers")
        app.gone(name="a.bin", within=transfers)
        self.assertEqual(statuses(), [])


if __name__ == "__main__":
    unittest.main()
