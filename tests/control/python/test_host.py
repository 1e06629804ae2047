"""The control driven from Python as a script drives it: created by ProgID, members by name,
against the emulated reader (kitesim over RFC 2217, COM2: the control's default port)."""

import os
import subprocess
import sys
import unittest

import pelorus

from support import EXAMPLES, EmulatedReader, TemporaryRegistry

registry = reader = None


def setUpModule():
    global registry, reader
    registry = TemporaryRegistry()
    registry.register()
    reader = EmulatedReader("--card", "mcu-t0", "--atr", "3B0214")
    os.environ["PELORUS32_COM2"] = reader.url


def tearDownModule():
    reader.close()
    registry.close()


class Host(unittest.TestCase):
    def setUp(self):
        self.c = pelorus.Dispatch("Pelorus.PelorusCtrl.1")

    def tearDown(self):
        self.c.QXClose()
        del self.c

    def open_with_session(self):
        self.assertEqual(self.c.QXOpen(), 0)
        self.c.CardType = pelorus.constants.QX_T0
        self.assertEqual(self.c.QXStartSession(), 0)

    def test_a_fresh_control_opens_the_reader_with_its_defaults(self):
        c = self.c
        self.assertEqual((c.ReaderType, c.ReaderPort, c.CardType), (255, 1, 0))
        self.assertEqual(c.QXStartSession(), -1)
        self.assertEqual(c.QXOpen(), 0, "auto-detection on COM2")
        self.assertEqual(c.FWRevision, "KITEBT0310")
        self.assertEqual((c.MaxC, c.MaxR, c.LibraryVersion, c.CurrentBaudRate), (255, 255, 501, 9600))
        self.assertIs(c.CardInserted, True)
        self.assertIs(c.SupportCardGroup(33), True)
        self.assertEqual(c.QXClose(), 0)

    def test_session_and_exchange(self):
        self.open_with_session()
        c = self.c
        self.assertEqual(c.ATR, "3B0214")
        c.CLA, c.INS, c.P1, c.P2, c.Lc, c.Le = 0x80, 0xEE, 0, 0, 2, 6
        c.SetDataIn(0, 0x3F)
        c.SetDataIn(1, 0x100)
        self.assertEqual(c.DataIn(1), 0x100)
        c.SetDataOut(6, 0x55)
        self.assertEqual(c.QXExchangeAPDU(), 0)
        self.assertEqual(c.Le, 6)
        self.assertEqual([c.DataOut(i) for i in range(7)], [0x3F, 0, 0x3F, 0, 0x3F, 0, 0x55])
        self.assertEqual((c.SW1, c.SW2), (0x90, 0x00))
        self.assertEqual(c.DataOut(256), -1)
        self.assertEqual(c.QXEndSession(), 0)

    def test_names_ignore_case_and_unknown_names_are_attribute_errors(self):
        self.c.readertype = 4
        self.assertEqual(self.c.ReaderType, 4)
        self.assertFalse(hasattr(self.c, "NoSuchMember"))
        with self.assertRaises(pelorus.AutomationError) as raised:
            self.c.NoSuchMember = 1
        self.assertEqual(raised.exception.hresult, 0x80020006)

    def test_failures_raise_with_their_result_code(self):
        with self.assertRaises(pelorus.AutomationError) as raised:
            self.c.FWRevision = "x"
        self.assertEqual(raised.exception.hresult, 0x800A017F)
        self.assertEqual(self.c.FWRevision, "")
        cases = [(lambda: setattr(self.c, "CLA", "x"), 0x80020005),
                 (lambda: setattr(self.c, "CLA", 1 << 20), 0x8002000A),
                 (lambda: setattr(self.c, "CLA", 1 << 40), 0x8002000A),
                 (lambda: setattr(self.c, "CLA", 1.5), 0x80020005),
                 (lambda: self.c.QXOpen(1), 0x8002000E),
                 (lambda: self.c.SetSupportCardGroup(1, True), 0x800A017F)]
        for call, hresult in cases:
            with self.assertRaises(pelorus.AutomationError) as raised:
                call()
            self.assertEqual(raised.exception.hresult, hresult)
        self.assertEqual(self.c.CLA, 0)

    def test_persistence(self):
        c = self.c
        self.assertEqual(list(c.save_properties().items()),
                         [("_Version", 0x10000), ("ReaderPort", 1), ("ReaderType", 255), ("CardType", 0)])
        self.assertFalse(c.is_modified())
        c.CardType = 14
        self.assertTrue(c.is_modified())
        c.load_properties({"ReaderType": 4, "ReaderPort": 0})
        self.assertEqual((c.ReaderType, c.ReaderPort, c.CardType), (4, 0, 0))
        self.assertFalse(c.is_modified())
        with self.assertRaises(pelorus.AutomationError) as raised:
            c.load_properties({"ReaderType": "4"})
        self.assertEqual(raised.exception.hresult, 0x80020005)
        self.assertEqual(c.ReaderType, 4)
        c.reset_properties()
        self.assertEqual((c.ReaderType, c.ReaderPort, c.CardType), (255, 1, 0))

    def test_releasing_the_control_closes_its_reader(self):
        self.assertEqual(self.c.QXOpen(), 0)
        del self.c
        other = pelorus.Dispatch("Pelorus.PelorusCtrl.1")
        other.ReaderType = pelorus.constants.KITEB_9600
        self.assertEqual(other.QXOpen(), 0, "the port was closed with the first control")
        self.assertEqual(other.QXClose(), 0)
        self.c = other

    def test_about_box_without_a_display_raises(self):
        saved = {name: os.environ.pop(name) for name in ("QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY")
                 if name in os.environ}
        try:
            with self.assertRaises(pelorus.AutomationError) as raised:
                self.c.AboutBox()
            self.assertEqual(raised.exception.hresult, 0x80004005)
        finally:
            os.environ.update(saved)

    @unittest.skipUnless(EXAMPLES, "the examples folder is not known")
    def test_the_example_sends_one_apdu(self):
        result = subprocess.run([sys.executable, os.path.join(EXAMPLES, "send_apdu.py"), "1"], capture_output=True,
                                text=True, timeout=120)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertIn("ATR 3B0214", result.stdout)
        self.assertIn("SW 90 00", result.stdout)


if __name__ == "__main__":
    unittest.main()
