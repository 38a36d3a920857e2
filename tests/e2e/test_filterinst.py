"""Our TZ415FilterInst.exe under Wine, against the prefix's real registry."""
import unittest

from harness import INSTALLER, USB_CLASS_KEY, reg, run, set_upper_filters, upper_filters_value

USAGE = b"usage: TZ415FilterInst.exe i|u   (i: install tz415filter, u: remove it)\r\n"


saved = None


def setUpModule():
    global saved
    saved = upper_filters_value()


def tearDownModule():
    set_upper_filters(saved[1] if saved else None)


class FilterInstaller(unittest.TestCase):
    def installer(self, *args):
        status, out, err = run(INSTALLER, args)
        return status, out + err

    def test_install_goes_after_the_other_filters_and_only_once(self):
        set_upper_filters(["usbfilt", "acme"])
        for _ in range(2):
            self.assertEqual((0, b""), self.installer("i"))
            self.assertEqual(("REG_MULTI_SZ", ["usbfilt", "acme", "tz415filter"]),
                             upper_filters_value())

    def test_remove_keeps_the_other_filters_in_their_order(self):
        set_upper_filters(["usbfilt", "tz415filter", "acme"])
        self.assertEqual((0, b""), self.installer("u"))
        self.assertEqual(("REG_MULTI_SZ", ["usbfilt", "acme"]), upper_filters_value())
        self.assertEqual((0, b""), self.installer("u"))
        self.assertEqual(("REG_MULTI_SZ", ["usbfilt", "acme"]), upper_filters_value())

    def test_install_creates_the_value_and_remove_deletes_it_when_empty(self):
        set_upper_filters(None)
        self.assertEqual((0, b""), self.installer("i"))
        self.assertEqual(("REG_MULTI_SZ", ["tz415filter"]), upper_filters_value())
        self.assertEqual((0, b""), self.installer("u"))
        self.assertIsNone(upper_filters_value())
        self.assertEqual((0, b""), self.installer("u"))

    def test_install_creates_a_missing_class_key(self):
        reg("delete", USB_CLASS_KEY, "/f")
        self.assertEqual((0, b""), self.installer("i"))
        self.assertEqual(("REG_MULTI_SZ", ["tz415filter"]), upper_filters_value())

    def test_a_value_of_another_type_is_refused_and_left_alone(self):
        reg("add", USB_CLASS_KEY, "/v", "UpperFilters", "/t", "REG_BINARY", "/d", "0102", "/f")
        status, out = self.installer("i")
        self.assertEqual(1, status)
        self.assertEqual(b"TZ415FilterInst: UpperFilters holds data of type 3, not a list of "
                         b"filters; left as it is\r\n", out)
        self.assertEqual("REG_BINARY", upper_filters_value()[0])

    def test_other_arguments_give_the_usage_line(self):
        set_upper_filters(["acme"])
        for args in ((), ("I",), ("x",), ("i", "u")):
            with self.subTest(args=args):
                self.assertEqual((2, USAGE), self.installer(*args))
        self.assertEqual(("REG_MULTI_SZ", ["acme"]), upper_filters_value())


if __name__ == "__main__":
    unittest.main()
