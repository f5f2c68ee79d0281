"""Network Tools: a ping series to loopback and a listening port in the
connection table."""

import re
import socket
import unittest

from corvanta_e2e import E2ETestCase, wait_for


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


if __name__ == "__main__":
    unittest.main()
