"""pelorus-regsvr, the registry as the host reads it, and the type information."""

import os
import subprocess
import sys
import unittest

import pelorus

from support import MODULE, TemporaryRegistry


class Registration(unittest.TestCase):
    def setUp(self):
        self.registry = TemporaryRegistry()

    def tearDown(self):
        self.registry.close()

    def test_regsvr_registers_and_unregisters(self):
        result = self.registry.regsvr(MODULE)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("DllRegisterServer", result.stdout)
        classes = {c["ProgID"]: c for c in pelorus.registered_classes()}
        self.assertEqual(sorted(classes), ["Pelorus.PelorusCtrl.1", "Pelorus.PelorusPropPage.1"])
        self.assertEqual(classes["Pelorus.PelorusCtrl.1"]["InprocServer"], os.path.realpath(MODULE))

        result = self.registry.regsvr("-u", MODULE)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(pelorus.registered_classes(), [])

    def test_regsvr_reports_a_failure_in_hexadecimal(self):
        result = self.registry.regsvr("-u", MODULE)
        self.assertEqual(result.returncode, 1)
        self.assertIn("0x80040200", result.stderr)

        os.makedirs(self.registry.root)
        open(os.path.join(self.registry.root, "clsid"), "w").close()
        result = self.registry.regsvr(MODULE)
        self.assertEqual(result.returncode, 1)
        self.assertIn("0x80040201", result.stderr)

    def test_regsvr_refuses_what_it_cannot_load(self):
        result = self.registry.regsvr(os.path.join(self.registry.home, "missing.so"))
        self.assertEqual(result.returncode, 1)
        self.assertIn("cannot load", result.stderr)
        self.assertEqual(self.registry.regsvr().returncode, 2)

    def test_module_lists_the_registered_classes(self):
        environment = dict(os.environ)
        listing = subprocess.run([sys.executable, "-m", "pelorus"], capture_output=True, text=True, env=environment,
                                 timeout=60)
        self.assertIn("No classes are registered", listing.stdout)
        self.registry.register()
        listing = subprocess.run([sys.executable, "-m", "pelorus"], capture_output=True, text=True, env=environment,
                                 timeout=60)
        self.assertEqual(listing.returncode, 0)
        self.assertIn("Pelorus.PelorusCtrl.1  {3CE2AEB8-6DA5-408C-9350-CAD548EBBC10}  Pelorus Control", listing.stdout)
        self.assertIn("Pelorus.PelorusPropPage.1", listing.stdout)

    def test_an_unregistered_class_cannot_be_created(self):
        with self.assertRaises(pelorus.AutomationError) as raised:
            pelorus.Dispatch("Pelorus.PelorusCtrl.1")
        self.assertEqual(raised.exception.hresult, 0x800401F3)
        with self.assertRaises(pelorus.AutomationError) as raised:
            pelorus.Dispatch("{3CE2AEB8-6DA5-408C-9350-CAD548EBBC10}")
        self.assertEqual(raised.exception.hresult, 0x80040154)


class TypeInformation(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.registry = TemporaryRegistry()
        cls.registry.register()
        cls.library = pelorus.typelib("Pelorus.PelorusCtrl.1")

    @classmethod
    def tearDownClass(cls):
        cls.registry.close()

    def test_the_library(self):
        self.assertEqual((self.library.name, self.library.version), ("PelorusLib", "1.0"))
        self.assertEqual(self.library.helpstring, "Pelorus ActiveX Control module")
        self.assertEqual(self.library.helpfile, "Pelorus.hlp")
        self.assertEqual(list(self.library.interfaces), ["_DPelorus", "_DPelorusEvents"])
        self.assertEqual(self.library.interfaces["_DPelorusEvents"].members, [])
        coclass = self.library.coclasses["Pelorus"]
        self.assertEqual((coclass.helpstring, coclass.interface, coclass.source),
                         ("Pelorus Control", "_DPelorus", "_DPelorusEvents"))

    def test_members_in_the_type_librarys_order(self):
        members = self.library.members
        self.assertEqual([m.name for m in members[:13]],
                         ["ReaderType", "ReaderPort", "CardType", "ATR", "FWRevision", "MaxC", "MaxR", "CardInserted",
                          "CardHavePower", "LibraryVersion", "CurrentBaudRate", "CurrentCardGroup", "CLA"])
        self.assertEqual([(m.dispid, m.kind) for m in members[20:]],
                         [(21, "method"), (22, "method"), (23, "method"), (24, "method"), (25, "method"),
                          (26, "property"), (27, "property"), (28, "property"), (-552, "method")])
        by_name = {m.name: m for m in members}
        self.assertEqual(by_name["ReaderType"].type, "RTYPEENUM")
        self.assertEqual(by_name["CurrentBaudRate"].type, "i32")
        self.assertEqual(by_name["QXOpen"].type, "i32")
        self.assertEqual(by_name["SupportCardGroup"].arguments, [("CardGroup", "i16")])
        self.assertEqual(by_name["SupportCardGroup"].type, "bool")

    def test_enumerations_with_their_help_strings(self):
        enumerations = self.library.enumerations
        self.assertEqual(list(enumerations), ["COMENUM", "RTYPEENUM", "CTYPEENUM"])
        self.assertEqual([tuple(c) for c in enumerations["RTYPEENUM"].constants[:3]],
                         [("KITE_AUTODETECT", 255, "KITE (auto-detect)"), ("KITEA", 0, "KITEA (9600 bps)"),
                          ("KITEB_9600", 4, "KITEB (9600 bps)")])
        self.assertEqual(len(enumerations["CTYPEENUM"].constants), 23)
        self.assertEqual(enumerations["CTYPEENUM"].constants[4], ("QX_LM104", 1, "SLE4406"))

    def test_constants_by_name(self):
        self.assertEqual(pelorus.constants.QX_COM1, 0)
        self.assertEqual(pelorus.constants.KITE_AUTODETECT, 255)
        self.assertEqual(pelorus.constants.QX_T0, 14)
        self.assertEqual(pelorus.constants.QX_ST1333, 22)
        self.assertFalse(hasattr(pelorus.constants, "QX_X76F100"), "card types 23 to 25 have no constant")


if __name__ == "__main__":
    unittest.main()
