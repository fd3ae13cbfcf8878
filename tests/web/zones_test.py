#!/usr/bin/python3
"""The zone editor of the page in a real headless chromium: a colour zone drawn on the picture
with its colour taken from the processed picture appears in the API, raises its event on the
virtual camera, survives a restart of `zentrik serve` (the hand-written script untouched), and
goes again with Remove; Clear empties another layer."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import zentrik_web as zw  # noqa: E402

# The red patch of the standard scene, (20, 20) to (59, 49), drawn as zone 12 of layer 1.
DRAWN = {"layer": 1, "zone": 12, "kind": "color", "left": 20, "top": 20, "width": 40,
         "height": 30, "percentage": 50, "color": 0x0000FF}


class ZoneEditorTest(zw.BrowserCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        with open(cls.server.script_path, "rb") as f:
            cls.script = f.read()
        cls.open_page()

    @classmethod
    def open_page(cls):
        cls.driver.get(cls.server.url("/"))
        zw.wait_for(lambda: cls.driver.execute_script(
            "return document.body.dataset.ready === 'true' && "
            "document.querySelectorAll('#zone-list tr').length > 0"), 15, "the page")

    def field(self, element_id, value):
        self.js("const e = document.getElementById(arguments[0]); e.value = arguments[1];"
                "e.dispatchEvent(new Event('change'));", element_id, str(value))

    def zone_rows(self):
        return self.js("return [...document.querySelectorAll('#zone-list tr')].map(r => "
                       "[Number(r.dataset.layer), Number(r.dataset.zone), r.dataset.kind])")

    def api_zone(self, layer, zone, kind):
        for z in self.server.camera()["zones"]:
            if (z["layer"], z["zone"], z["kind"]) == (layer, zone, kind):
                return z
        return None

    def test_1_drawn_zone_reaches_the_control(self):
        zw.wait_for(lambda: self.js("return document.getElementById('processed').naturalWidth"),
                    20, "the processed picture")
        # The colour comes from a click on the processed picture, inside the red patch.
        zw.click_at(self.driver, *zw.frame_point_on_page(self.driver, "processed", 30, 30))
        zw.wait_for(lambda: self.js("return document.getElementById('zone-color').value")
                    == "&H0000FF", 15, "the colour taken from the picture")
        self.field("zone-kind", "color")
        self.field("zone-layer", 1)
        self.field("zone-number", DRAWN["zone"])
        self.field("zone-percentage", DRAWN["percentage"])
        start = zw.frame_point_on_page(self.driver, "live-frame", 20, 20)
        end = zw.frame_point_on_page(self.driver, "live-frame", 59, 49)
        zw.drag(self.driver, start, end)
        self.assertEqual([self.js("return Number(document.getElementById(arguments[0]).value)",
                                  "zone-" + k) for k in ("left", "top", "width", "height")],
                         [20, 20, 40, 30])
        self.js("document.getElementById('zone-add').click()")

        zone = zw.wait_for(lambda: self.api_zone(1, 12, "color"), 15, "the zone in the API")
        self.assertEqual({k: zone.get(k) for k in DRAWN}, DRAWN)
        # Drawn on the current layer: its outline is shown at once, and it raises its event.
        zw.wait_for(lambda: self.js("return document.querySelector("
                                    "'#live-outlines .outline[data-zone=\"12\"]') !== null"),
                    15, "the outline of the new zone")
        row = zw.wait_for(lambda: self.js(
            "const r = document.querySelector('#event-log tr.event[data-zone=\"12\"]"
            "[data-camera=\"cam1\"]');"
            "return r && [r.dataset.kind, r.dataset.status, Number(r.dataset.percentage),"
            " Number(r.dataset.color)]"), 15, "the zone's event in the log")
        self.assertEqual(row, ["color", "on", 100, 0x0000FF])
        zw.screenshot(self.driver, "zone-drawn")

    def test_2_zone_survives_a_restart(self):
        self.assertEqual(self.server.stop(), 0)
        self.server.start()
        zone = zw.wait_for(lambda: self.api_zone(1, 12, "color"), 15, "the zone after restart")
        self.assertEqual({k: zone.get(k) for k in DRAWN}, DRAWN)
        with open(self.server.script_path, "rb") as f:
            self.assertEqual(f.read(), self.script, "the hand-written script changed")
        self.open_page()
        self.assertIn([1, 12, "color"], self.zone_rows())

    def test_3_remove_and_clear(self):
        self.js("document.querySelector('#zone-list tr[data-layer=\"1\"][data-zone=\"12\"]"
                " .zone-remove').click()")
        zw.wait_for(lambda: self.api_zone(1, 12, "color") is None, 15, "the zone to go")
        zw.wait_for(lambda: [1, 12, "color"] not in self.zone_rows(), 15, "its row to go")
        # Layer 2 is not the current one: Clear empties it.
        self.assertTrue(any(z["layer"] == 2 for z in self.server.camera()["zones"]))
        self.field("clear-layer", 2)
        self.js("document.getElementById('clear-button').click()")
        zw.wait_for(lambda: not any(z["layer"] == 2 for z in self.server.camera()["zones"]), 15,
                    "layer 2 to be cleared")
        zw.wait_for(lambda: not any(r[0] == 2 for r in self.zone_rows()), 15, "its rows to go")
        with open(self.server.script_path, "rb") as f:
            self.assertEqual(f.read(), self.script, "the hand-written script changed")


if __name__ == "__main__":
    zw.run_tests(ZoneEditorTest)
