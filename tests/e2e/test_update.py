"""The update check from the Help menu, with the update server out of reach."""

import re
import unittest

from corvanta_e2e import E2ETestCase


class UpdateTest(E2ETestCase):
    def test_check_for_updates_reports_an_unreachable_server_in_its_status_line(self):
        # The update server is not named: it points at a closed loopback port.
        app = self.start()
        app.menu("Help", "Check For Updates")
        app.find("label", re.compile(r'^Can not download data from the web! ".+" error occured\.$'),
                 within=app.frame())
        # A failed check says so in its status line, never in a box over the work.
        self.assertFalse(app.find_all("dialog"))


if __name__ == "__main__":
    unittest.main()
