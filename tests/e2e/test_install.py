"""Installed as a user installs it: `cmake --install` into a prefix of its own
and the Debian package unpacked into a throw-away root. Each tree is checked
with the desktop's own validators and its program started from there, with
no build folder beside it."""

import glob
import gzip
import os
import re
import struct
import subprocess
import unittest

from corvanta_e2e import E2ETestCase, wait_for

BUILD = os.environ.get("CORVANTA_BUILD_DIR", "")
APP_ID = "io.sourceforge.corvanta"
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def run(*command, **options):
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=600,
                          check=False, **options)
    return done.returncode, done.stdout.decode(errors="replace")


def png_size(path):
    with open(path, "rb") as file:
        head = file.read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n", f"{path} is no PNG"
    return struct.unpack(">II", head[16:24])


@unittest.skipUnless(BUILD, "CORVANTA_BUILD_DIR names the build folder")
class InstallTest(E2ETestCase):
    def check_tree(self, usr):
        """Everything in its GNU folder, and the validators content."""
        share = os.path.join(usr, "share")
        for program in ("corvanta", "corvanta-get"):
            self.assertTrue(os.access(os.path.join(usr, "bin", program), os.X_OK), program)
        for name in ("Data/Credits.txt", "Data/ChangeLog.txt", "Data/blank.htm"):
            self.assertTrue(os.path.isfile(os.path.join(share, "corvanta", name)), name)
        self.assertTrue(glob.glob(os.path.join(share, "corvanta", "Images", "*.bmp")))
        for size in ICON_SIZES:
            icon = os.path.join(share, "icons", "hicolor", f"{size}x{size}", "apps", APP_ID + ".png")
            self.assertEqual(png_size(icon), (size, size))

        entry = os.path.join(share, "applications", APP_ID + ".desktop")
        code, output = run("desktop-file-validate", entry)
        self.assertEqual((code, output), (0, ""))
        with open(entry) as file:
            text = file.read()
        self.assertIn("\nMimeType=x-scheme-handler/ftp;text/plain;\n", text)
        self.assertIn("\nExec=corvanta %U\n", text)

        metainfo = os.path.join(share, "metainfo", APP_ID + ".metainfo.xml")
        code, output = run("appstreamcli", "validate", "--no-net", "--pedantic", metainfo)
        self.assertEqual(code, 0, output)
        self.assertNotRegex(output, r"(?m)^[EWI]:")  # no error, warning or info either
        with open(metainfo) as file:
            self.assertRegex(file.read(), r"<image type=\"source\"[^>]*>[^<]*/screenshot\.png<")

        for page, name in (("corvanta", "desktop internet suite"),
                           ("corvanta-get", "download files")):
            path = os.path.join(share, "man", "man1", page + ".1.gz")
            with gzip.open(path, "rb") as file:
                source = file.read()
            done = subprocess.run(["groff", "-man", "-ww", "-z", "-b"], input=source,
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60,
                                  check=False)
            self.assertEqual((done.returncode, done.stdout), (0, b""), page)
            code, output = run("lexgrog", path)  # what whatis and apropos read
            self.assertEqual(code, 0, output)
            self.assertIn(f'"{page} - {name}', output)

    def start_installed(self, usr):
        """Starts the installed program and opens the about box, whose pages
        come from share/corvanta/Data: found there, it asks nothing."""
        code, output = run(os.path.join(usr, "bin", "corvanta-get"), "--version")
        self.assertEqual(code, 0, output)
        self.assertRegex(output, r"^corvanta-get \d+\.\d+")
        code, version_line = run(os.path.join(usr, "bin", "corvanta"), "--version")
        self.assertEqual(code, 0, version_line)

        app = self.app
        app.binary = os.path.join(usr, "bin", "corvanta")
        self.start()
        app.menu("Help", "About")
        box = app.find("dialog", re.compile("^About +Corvanta"))
        wait_for(lambda: any(app.text(text).startswith("Corvanta credits")
                             for text in app.find_all("text", within=box, showing=False)),
                 "the credits from the installed Data folder")
        self.assertEqual(app.find_all(name=re.compile("can not locate")), [])
        # The package and the program say the version the About box shows.
        version = app.text(app.find("text", "Version:", within=box))
        self.assertEqual(version_line.strip(), "Corvanta " + version)
        app.click(app.find("push button", "Close", within=box))
        app.gone("dialog", re.compile("^About +Corvanta"))

    def test_cmake_install_into_a_prefix(self):
        usr = os.path.join(self.output, "prefix", "usr")
        code, output = run("cmake", "--install", BUILD, "--prefix", usr)
        self.assertEqual(code, 0, output)
        self.check_tree(usr)
        self.start_installed(usr)

    def test_debian_package_unpacked_into_a_throw_away_root(self):
        packages = os.path.join(self.output, "packages")
        code, output = run("cpack", "-G", "DEB", "--config",
                           os.path.join(BUILD, "CPackConfig.cmake"), "-B", packages)
        self.assertEqual(code, 0, output)
        (package,) = glob.glob(os.path.join(packages, "corvanta_*.deb"))

        fields = {}
        for field in ("Package", "Architecture", "Depends", "Recommends"):
            code, output = run("dpkg-deb", "--field", package, field)
            self.assertEqual(code, 0, output)
            fields[field] = output.strip()
        self.assertEqual(fields["Package"], "corvanta")
        # The libraries, as dpkg-shlibdeps found them, and what no linker sees.
        depends = [clause.strip() for clause in fields["Depends"].split(",")]
        for library in ("libc6", "libqt6core6", "libqt6widgets6", "libqt6webenginecore6",
                        "libcurl4", "qt6-qpa-plugins", "libqt6webenginecore6-bin"):
            self.assertTrue(any(re.match(re.escape(library) + r"\b", clause)
                                for clause in depends), f"{library} in {depends}")
        for tool in ("apertium", "apertium-eng-spa", "cg3", "transfuse", "xdg-utils"):
            self.assertIn(tool, [name.strip() for name in fields["Recommends"].split(",")])
        # Every dependency is met on this machine: the package installs here.
        for clause in depends:
            names = [re.sub(r"\s*\(.*\)", "", choice).strip() for choice in clause.split("|")]
            installed = [name for name in names if run(
                "dpkg-query", "-W", "-f=${Status}", name.split(":")[0])[1] ==
                "install ok installed"]
            self.assertTrue(installed, f"{clause} is not installed")

        root = os.path.join(self.output, "root")
        code, output = run("dpkg-deb", "--extract", package, root)
        self.assertEqual(code, 0, output)
        usr = os.path.join(root, "usr")
        self.check_tree(usr)
        code, output = run("file", os.path.join(usr, "bin", "corvanta"))
        self.assertIn("stripped", output.replace("not stripped", ""))
        self.start_installed(usr)


if __name__ == "__main__":
    unittest.main()
