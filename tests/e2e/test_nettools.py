"""Network Tools: a ping series to loopback and a listening port in the
connection table; a trace through two routers; a WhoIs query to a loopback
server; the Network Details buttons.

As root the whole module runs in a network namespace of its own (the display,
the accessibility bus, the program and the servers), so the routers of the
trace, made of namespaces too, reach nothing else and the adapter list holds
only what the test makes."""

import ctypes
import os
import re
import socket
import subprocess
import threading
import unittest


def _enter_private_network():
    """Moves this process into a new network namespace with loopback up, and
    /sys showing that namespace's adapters (as `ip netns exec` does: sysfs
    shows the adapters of the namespace it was mounted in); False when not
    allowed (not root)."""
    if os.geteuid() != 0:
        return False
    libc = ctypes.CDLL(None, use_errno=True)
    clone_newnet, clone_newns = 0x40000000, 0x00020000
    if libc.unshare(clone_newnet | clone_newns) != 0:
        return False
    subprocess.run(["mount", "--make-rprivate", "/"], check=True)
    subprocess.run(["mount", "-t", "sysfs", "sysfs", "/sys"], check=True)
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    return True


PRIVATE_NETWORK = _enter_private_network()

from corvanta_e2e import E2ETestCase, wait_for  # noqa: E402 - inside the namespace


def adapter_tab(address):
    """An adapter's page tab, named by its address as the page shows it: each
    number right-aligned in three places."""
    return re.compile(r"^\s*" + re.escape(".".join(f"{int(n):3d}" for n in address.split(".")).strip()) + "$")


def ip(*arguments):
    subprocess.run(["ip", *arguments], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.PIPE)


class Routers:
    """Two routers and a target made of network namespaces, reached from this
    process's namespace (the client):
    client 10.231.1.2 -- 10.231.1.1 router1 10.231.2.1 -- 10.231.2.2 router2
    10.231.3.1 -- 10.231.3.2 target."""

    TARGET = "10.231.3.2"
    CLIENT = "10.231.1.2"

    def __init__(self):
        prefix = f"cve{os.getpid()}"
        self.names = {role: prefix + role for role in ("r1", "r2", "t")}
        self.made = []
        for name in self.names.values():
            ip("netns", "add", name)
            self.made.append(name)
        links = ((None, "r1", "10.231.1.2/24", "10.231.1.1/24"),
                 ("r1", "r2", "10.231.2.1/24", "10.231.2.2/24"),
                 ("r2", "t", "10.231.3.1/24", "10.231.3.2/24"))
        for number, (left, right, left_address, right_address) in enumerate(links):
            left_end, right_end = f"{prefix}l{number}", f"{prefix}r{number}"
            ip("link", "add", left_end, "type", "veth", "peer", "name", right_end,
               "netns", self.names[right])
            if left is not None:
                ip("link", "set", left_end, "netns", self.names[left])
            self.run(left, "addr", "add", left_address, "dev", left_end)
            self.run(left, "link", "set", left_end, "up")
            self.run(right, "addr", "add", right_address, "dev", right_end)
            self.run(right, "link", "set", right_end, "up")
        for role in ("r1", "r2"):
            subprocess.run(["ip", "netns", "exec", self.names[role], "sysctl", "-qw",
                            "net.ipv4.ip_forward=1"], check=True)
        self.run(None, "route", "add", "10.231.3.0/24", "via", "10.231.1.1")
        self.run("r1", "route", "add", "10.231.3.0/24", "via", "10.231.2.2")
        self.run("r2", "route", "add", "10.231.1.0/24", "via", "10.231.2.1")
        self.run("t", "route", "add", "default", "via", "10.231.3.1")

    def run(self, role, *arguments):
        """`ip` in the namespace of `role` (None: the client's, this one)."""
        ip(*(["-n", self.names[role]] if role else []), *arguments)

    def remove_router1(self):
        """Takes the first router away, and the client's link with it."""
        name = self.names["r1"]
        ip("netns", "del", name)
        self.made.remove(name)

    def close(self):
        for name in self.made:
            subprocess.run(["ip", "netns", "del", name], check=False)
        self.made = []


class WhoisServer:
    """A WhoIs server on loopback: records each query line and answers with
    `reply` in small pieces, then closes."""

    def __init__(self, reply):
        self.reply = reply
        self.queries = []
        self._socket = socket.create_server(("127.0.0.1", 0))
        self.port = self._socket.getsockname()[1]
        threading.Thread(target=self._serve, daemon=True).start()

    def _serve(self):
        while True:
            try:
                connection, _ = self._socket.accept()
            except OSError:
                return
            with connection:
                query = b""
                while not query.endswith(b"\n"):
                    chunk = connection.recv(100)
                    if not chunk:
                        break
                    query += chunk
                self.queries.append(query)
                for start in range(0, len(self.reply), 300):
                    connection.sendall(self.reply[start:start + 300])

    def close(self):
        self._socket.close()


class NetToolsTest(E2ETestCase):
    def listening_row(self, table, local_address, port):
        """The table row showing `port` listening on `local_address`, if any."""
        cells = table.queryTable()
        port_text = f"{port:4d}"
        for row in range(cells.nRows):
            state = cells.getAccessibleAt(row, 6)
            if state is None or state.name != "listening":
                continue
            if (cells.getAccessibleAt(row, 3).name == port_text and
                    cells.getAccessibleAt(row, 2).name == local_address):
                return row
        return None

    def test_ping_and_listening_ports(self):
        listeners = []
        for family, address in ((socket.AF_INET, "127.0.0.1"), (socket.AF_INET6, "::1")):
            listener = socket.socket(family, socket.SOCK_STREAM)
            self.addCleanup(listener.close)
            listener.bind((address, 0))
            listener.listen()
            listeners.append(listener)
        app = self.start()
        app.open_tool("Network Tools")
        window = app.tool_window("Network Tools")

        # The connection table lists both listening loopback ports.
        table = app.find("table", within=window)
        v4_port = listeners[0].getsockname()[1]
        v6_port = listeners[1].getsockname()[1]
        wait_for(lambda: self.listening_row(table, "127.  0.  0.  1", v4_port) is not None,
                 f"127.0.0.1:{v4_port} listening in the table")
        wait_for(lambda: self.listening_row(table, "::1", v6_port) is not None,
                 f"[::1]:{v6_port} listening in the table")

        # A ping series of three to 127.0.0.1, typed into the Pinger page.
        app.click(app.find("page tab", "Pinger", within=window))
        app.find("label", "Ready.    (Pinger)", within=window)
        address = app.find("text", re.compile(r"IP / Web Address"), within=window)
        app.click(address)
        app.key("ctrl+a")
        app.type("127.0.0.1")
        count = app.find("spin button", re.compile(r"Ping #"), within=window)
        app.click(count)
        app.key("ctrl+a")
        app.type("3")
        app.click(app.find("push button", "Ping", within=window))
        replies = app.find("list", within=window)
        app.find("list item", "Done. Number of requested pings :3", within=replies)
        lines = [item.name for item in app.find_all("list item", within=replies)]
        self.assertEqual(lines[0], "Ping Address / IP :127.0.0.1")
        for line in lines[2:5]:
            self.assertRegex(line, r"^\d+ bytes from 127\.0\.0\.1: icmp_seq=\d+ ttl=\d+ time")

    def assert_text_shown_whole(self, app, box):
        """The box's text lies wholly inside the box as drawn on the screen."""
        text = box.queryText()
        self.assertGreater(text.characterCount, 0)
        left, top, width, height = app.extents(box)
        first = text.getCharacterExtents(0, app.atspi.DESKTOP_COORDS)
        last = text.getCharacterExtents(text.characterCount - 1, app.atspi.DESKTOP_COORDS)
        where = f"{app.text(box)!r} from {first[0]} to {last[0] + last[2]} in {left}..{left + width}"
        self.assertGreaterEqual(first[0], left, where)
        self.assertLessEqual(last[0] + last[2], left + width, where)

    def test_first_run_frame_shows_figures_and_server_whole(self):
        app = self.start(width=824, height=543,
                         services={"WhoisServer0": "whois.verisign-grs.com"})
        app.open_tool("Network Tools")
        window = app.tool_window("Network Tools")

        app.click(app.find("page tab", "Network Details", within=window))
        totals = app.find_all("text", "Total:", within=window)
        self.assertEqual(len(totals), 2)  # IN and OUT
        for box in totals:
            wait_for(lambda: app.text(box).endswith("B"), "a figure in the Total: box")
            self.assert_text_shown_whole(app, box)

        app.click(app.find("page tab", "WhoIs", within=window))
        servers = [box for box in app.find_all("text", within=window)
                   if app.text(box) == "whois.verisign-grs.com"]
        self.assertEqual(len(servers), 1)
        self.assert_text_shown_whole(app, servers[0])

    def set_text(self, box, text):
        app = self.app
        app.click(box)
        app.key("ctrl+a")
        app.type(text)

    @unittest.skipUnless(PRIVATE_NETWORK, "needs root for network namespaces")
    def test_trace_through_two_routers_then_remove_the_lost_adapter(self):
        routers = Routers()
        self.addCleanup(routers.close)
        app = self.start()
        app.open_tool("Network Tools")
        window = app.tool_window("Network Tools")

        app.click(app.find("page tab", "Trace Address", within=window))
        self.set_text(app.find("text", "Web Address / IP:", within=window), Routers.TARGET)
        app.click(app.find("push button", "Trace", within=window))
        status = app.find("status bar", within=window)
        app.find("label", "Done.", within=status)
        self.assertEqual(app.text(app.find("text", "IP Address:", within=window)),
                         Routers.TARGET)
        lines = app.text(app.find("text", "Trace log", within=window)).splitlines()
        hops = [(line.split()[0], line.split()[2], line.split()[-1]) for line in lines]
        self.assertEqual(hops, [("1", "10.231.1.1", "OK"), ("2", "10.231.2.2", "OK"),
                                ("3", Routers.TARGET, "DONE!")])
        for line in lines:  # no reverse look-up asked for: no name
            self.assertRegex(line, r"^\d +\.\.\. +[\d.]+ +\d+ms  \d+ +\S+$")

        # The link to the first router goes: its adapter is kept as lost
        # until removed, which selects no other (only loopback is left).
        app.click(app.find("page tab", "Network Details", within=window))
        tab = app.find("page tab", adapter_tab(Routers.CLIENT), within=window)
        app.click(tab)
        state = app.find("text", "Status:", within=window)
        wait_for(lambda: app.text(state) == "Connected, Running", "the client's link connected")
        routers.remove_router1()
        wait_for(lambda: app.text(state) == "NOT connected, NOT running",
                 "the client's link lost")
        self.assertFalse(app.find_all("push button", "Freeze", within=window))
        app.click(app.find("push button", "Remove", within=window))
        app.gone("page tab", adapter_tab(Routers.CLIENT), within=window)
        app.find("page tab", adapter_tab("127.0.0.1"), within=window)

    def test_whois_query_and_network_details_buttons(self):
        reply = "".join(f"Domain line {number:04d}: example.test is registered\r\n"
                        for number in range(30)).encode()  # arrives in several pieces
        whois = WhoisServer(reply)
        self.addCleanup(whois.close)
        app = self.start(services={"WhoisServer0": f"127.0.0.1:{whois.port}"})
        app.open_tool("Network Tools")
        window = app.tool_window("Network Tools")

        # WhoIs: the query as one line to the first server, its answer whole.
        app.click(app.find("page tab", "WhoIs", within=window))
        self.set_text(app.find("text", "Enter A Query:", within=window), "example.test")
        app.click(app.find("push button", "Go", within=window))
        answer = app.find("text", "WhoIs reply", within=window)
        wait_for(lambda: app.text(answer) == reply.decode().replace("\r\n", "\n"),
                 "the whole answer in the reply box")
        self.assertEqual(whois.queries, [b"example.test\n"])

        # Network Details: loopback's figures frozen, then counted again.
        app.click(app.find("page tab", "Network Details", within=window))
        app.click(app.find("page tab", adapter_tab("127.0.0.1"), within=window))
        total_in = app.find_all("text", "Total:", within=window)[0]
        freeze = app.find("push button", "Freeze", within=window)
        unfreeze = app.find("push button", "Un Freeze", within=window)
        enabled = app.atspi.STATE_ENABLED
        self.assertFalse(app.has_state(unfreeze, enabled))
        app.click(freeze)
        wait_for(lambda: app.has_state(unfreeze, enabled) and not app.has_state(freeze, enabled),
                 "Un Freeze offered instead of Freeze")
        frozen = app.text(total_in)
        self.send_over_loopback(4 * 1024 * 1024)
        self.two_ticks_pass(app, window)
        self.assertEqual(app.text(total_in), frozen)
        app.click(unfreeze)
        wait_for(lambda: app.text(total_in) != frozen and app.text(total_in).endswith("MB"),
                 "the figures counted again, the frozen time included")

        app.click(app.find("push button", "Clear Counters", within=window))
        wait_for(lambda: not app.text(total_in).endswith("MB"), "the counters cleared")

        # Save Log: the address details as the boxes show them, edits included.
        self.set_text(app.find("text", "User", within=window), "someone else")
        path = os.path.join(self.documents, "network.txt")
        app.click(app.find("push button", "Save Log", within=window))
        app.answer_file_dialog("Save The Log To A Text File", path)
        wait_for(lambda: os.path.exists(path), "the saved log")
        with open(path, "rb") as file:
            lines = file.read().decode().split("\r\n")
        self.assertEqual(lines[0:2], ["Corvanta Network Log", "-" * 24])
        self.assertEqual(lines[4:7], ["PC External IP: " + self.EXTERNAL_ADDRESS,
                                      "PC Internal IP: " + app.text(app.find(
                                          "text", "Internal IP", within=window)),
                                      "User Name: someone else"])

    @staticmethod
    def send_over_loopback(count):
        with socket.create_server(("127.0.0.1", 0)) as listener:
            sender = socket.create_connection(listener.getsockname())
            receiver, _ = listener.accept()
            with sender, receiver:
                threading.Thread(target=sender.sendall, args=(b"x" * count,)).start()
                received = 0
                while received < count:
                    received += len(receiver.recv(1 << 20))

    def two_ticks_pass(self, app, window):
        """Waits until the window's timer has run twice: each tick first adds
        new listening ports to the connection table, then counts the traffic,
        so a port seen in the table after another one means a whole tick ran."""
        table = app.find("table", within=window, showing=False)
        for _ in range(2):
            listener = socket.create_server(("127.0.0.1", 0))
            self.addCleanup(listener.close)
            port = listener.getsockname()[1]
            wait_for(lambda: self.listening_row(table, "127.  0.  0.  1", port) is not None,
                     f"127.0.0.1:{port} listening in the table")


if __name__ == "__main__":
    unittest.main()
