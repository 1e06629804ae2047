#!/usr/bin/python3
"""A PC/SC application written with pyscard, for the tests of the reader driver under pcscd.

  pyscard_client.py readers                  the readers' names, one a line
  pyscard_client.py transmit APDU...         connects (shared, T=0 or T=1) to the first reader
                                             and prints each response in hexadecimal
  pyscard_client.py control APDU...          the same in SCARD_SHARE_DIRECT, each pseudo-APDU
                                             through SCardControl
  pyscard_client.py monitor                  prints "monitoring", then "inserted ATR" and
                                             "removed" as a CardMonitor sees them; exit 1 when
                                             both have not come within 20 s
"""
import sys
import threading

from smartcard.CardMonitoring import CardMonitor, CardObserver
from smartcard.System import readers
from smartcard.scard import SCARD_CTL_CODE, SCARD_SHARE_DIRECT
from smartcard.util import toBytes, toHexString

PSEUDO_APDU_CONTROL = SCARD_CTL_CODE(3500)


def hex_line(data):
    return toHexString(list(data)) if data else ""


def first_connection():
    found = readers()
    if not found:
        sys.exit("no reader")
    return found[0].createConnection()


def transmit(apdus):
    connection = first_connection()
    connection.connect()
    for apdu in apdus:
        data, sw1, sw2 = connection.transmit(toBytes(apdu))
        print(hex_line(list(data) + [sw1, sw2]), flush=True)
    connection.disconnect()


def control(apdus):
    connection = first_connection()
    connection.connect(mode=SCARD_SHARE_DIRECT, protocol=0)
    for apdu in apdus:
        print(hex_line(connection.control(PSEUDO_APDU_CONTROL, toBytes(apdu))), flush=True)
    connection.disconnect()


class Observer(CardObserver):
    def __init__(self):
        self.seen = set()
        self.done = threading.Event()

    def update(self, observable, actions):
        added, removed = actions
        for card in added:
            print("inserted", toHexString(card.atr), flush=True)
            self.seen.add("inserted")
        for _ in removed:
            print("removed", flush=True)
            self.seen.add("removed")
        if self.seen == {"inserted", "removed"}:
            self.done.set()


def monitor():
    cards = CardMonitor()
    observer = Observer()
    cards.addObserver(observer)
    print("monitoring", flush=True)
    finished = observer.done.wait(20)
    cards.deleteObserver(observer)
    sys.exit(0 if finished else 1)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    mode, args = sys.argv[1], sys.argv[2:]
    if mode == "readers":
        for reader in readers():
            print(reader)
    elif mode == "transmit":
        transmit(args)
    elif mode == "control":
        control(args)
    elif mode == "monitor":
        monitor()
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
