"""The 32-bit updater on the demo kit, run by itself as a user runs it from
the kit's x86 folder: the part of scripts/vm32 --smoke that no end-to-end
module covers, since under Wine the launcher takes the x64 path."""
import os

from harness import BITS, WineTestCase, register_driver, run
from test_kit import FIRST_RUN


class Quillet32OnDemoKit(WineTestCase):
    def test_the_x86_updater_programs_every_hub_from_its_own_folder(self):
        self.assertEqual(32, BITS)
        register_driver()
        x86 = os.path.join(self.kit().path, "x86")
        status, out, err = run(os.path.join(x86, "Quillet32.exe"), ["QRZ"], cwd=x86)
        self.assertEqual(0, status, err)
        self.assertIn(FIRST_RUN, out)
        for hub, image in (("Hub1", "HUB415.BIN"), ("Hub2", "DOCK.BIN"), ("Hub3", "PORT.BIN")):
            with open(os.path.join(x86, "Binfile", image), "rb") as a, \
                    open(os.path.join(x86, "TZ415Sim.%s.flash" % hub), "rb") as b:
                self.assertEqual(a.read(), b.read(), hub)
