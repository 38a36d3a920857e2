"""The updater's launch token and exit status, run for real under Wine."""
import unittest

from harness import WineTestCase, register_driver


def setUpModule():
    register_driver()


class LaunchToken(WineTestCase):
    def test_no_argument_asks_for_parameters_and_pauses(self):
        status, out, _ = self.folder().run(args=())
        self.assertEqual(0, status)
        self.assertEqual(b"Lack of parameters!\r\nPress any key to continue... ", out)

    def test_wrong_tokens_print_error_parameters_only(self):
        folder = self.folder()
        for token in ("qrz", "QRZX", ""):
            with self.subTest(token=token):
                status, out, _ = folder.run(args=(token,))
                self.assertEqual(0, status)
                self.assertEqual(b"error parameters", out)

    def test_token_with_extra_arguments_runs(self):
        status, out, _ = self.folder().run(args=("QRZ", "extra", "args"))
        self.assertEqual(0, status)
        self.assertTrue(out.startswith(b"1. Initialzation()\r\r\n\t1.1 GetDllInfo()\tAPI Version: "),
                        out)


if __name__ == "__main__":
    unittest.main()
