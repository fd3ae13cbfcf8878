#!/usr/bin/python3
"""`zentrik serve` listening beyond loopback (0.0.0.0, reached here only through 127.0.0.1):
the page opened with ?token=T works, because it adds the token to every request; requests
without it are refused with 401 and change nothing."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import zentrik_web as zw  # noqa: E402

TOKEN = "w3b-t0ken-for-the-browser-test"


class TokenTest(zw.BrowserCase):
    server_options = {"listen_host": "0.0.0.0", "token": TOKEN}

    def test_1_page_with_token_works(self):
        self.driver.get(self.server.url("/"))
        zw.wait_for(lambda: self.js("return document.body && document.body.dataset.ready"), 15,
                    "the page")
        zw.wait_for(lambda: self.js("return window.zentrikStats.liveFrames > 1"), 20,
                    "live frames through the token")
        zw.wait_for(lambda: self.js("return document.getElementById('connection')"
                                    ".dataset.state === 'live'"), 20, "the event stream")
        zw.wait_for(lambda: self.js("return [...document.querySelectorAll('.tile img')]"
                                    ".every(i => i.naturalWidth === 320)"), 20, "tile pictures")
        # A change made on the page goes through.
        self.js("const e = document.getElementById('ctl-layer'); e.value = '2';"
                "e.dispatchEvent(new Event('change'));")
        zw.wait_for(lambda: self.server.camera()["layer"] == 2, 15, "the layer write")

    def test_2_requests_without_token_are_refused(self):
        layer = self.server.camera()["layer"]
        for method, path, body in (("GET", "/", None), ("GET", "/api/cameras", None),
                                   ("GET", "/api/cameras/cam1/live.jpg", None),
                                   ("PUT", "/api/cameras/cam1/properties", {"layer": 5}),
                                   ("POST", "/api/cameras/cam1/clear", {"layer": 2})):
            status, _ = self.server.request(method, path, body, with_token=False)
            self.assertEqual(status, 401, "%s %s" % (method, path))
            status, _ = self.server.request(method, path, body, with_token=False,
                                            headers={"Authorization": "Bearer wrong"})
            self.assertEqual(status, 401, "%s %s with a wrong token" % (method, path))
        camera = self.server.camera()
        self.assertEqual(camera["layer"], layer)
        self.assertTrue(any(z["layer"] == 2 for z in camera["zones"]))
        # The browser without the token is refused as well.
        self.driver.get(self.server.base + "/api/cameras")
        self.assertNotIn("cam1", self.driver.page_source)


if __name__ == "__main__":
    zw.run_tests(TokenTest)
