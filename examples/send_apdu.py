#!/usr/bin/env python3
"""Drives the reader through the Pelorus control: opens it, starts a session with a T=0 card,
sends one APDU (SELECT of the master file 3F00) and prints what came back.

    build/bin/pelorus-regsvr build/lib/libPelorus.so          # once
    PYTHONPATH=build/python python3 examples/send_apdu.py [PORT [READER_TYPE]]

PORT is 0 (COM1, the default) or 1 (COM2); READER_TYPE one of the RTYPEENUM values (default 255,
auto-detect). The port map (PELORUS32_COM1, ~/.config/pelorus32/ports.conf) says where COM1 is.
"""

import sys

import pelorus


def main(arguments):
    c = pelorus.Dispatch("Pelorus.PelorusCtrl.1")
    c.ReaderPort = int(arguments[0]) if len(arguments) > 0 else pelorus.constants.QX_COM1
    c.ReaderType = int(arguments[1]) if len(arguments) > 1 else pelorus.constants.KITE_AUTODETECT
    result = c.QXOpen()
    if result != 0:
        print("QXOpen failed: %d" % result)
        return 1
    try:
        print("Reader firmware %s at %d bit/s" % (c.FWRevision, c.CurrentBaudRate))
        c.CardType = pelorus.constants.QX_T0
        result = c.QXStartSession()
        if result != 0:
            print("QXStartSession failed: %d" % result)
            return 1
        print("ATR %s" % c.ATR)
        c.CLA, c.INS, c.P1, c.P2, c.Lc, c.Le = 0x00, 0xA4, 0x00, 0x00, 2, 0
        c.SetDataIn(0, 0x3F)
        c.SetDataIn(1, 0x00)
        result = c.QXExchangeAPDU()
        if result != 0:
            print("QXExchangeAPDU failed: %d" % result)
            return 1
        data = " ".join("%02X" % c.DataOut(i) for i in range(c.Le))
        print("SW %02X %02X%s" % (c.SW1, c.SW2, ", data " + data if data else ""))
        c.QXEndSession()
        return 0
    finally:
        c.QXClose()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
