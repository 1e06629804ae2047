#!/usr/bin/python3
"""pyserial's RFC 2217 client against kitesim's server, for rfc2217_pyserial_test.cpp.

Usage: pyserial_client.py PORT [URL-OPTIONS]   e.g. 12345 poll_modem

Prints one "key value" line per observation (bytes as hex); the C++ test checks them. A step that
fails prints "error <text>" and the script exits with status 1.
"""
import sys
import time

import serial

TIMEOUT = 5.0  # seconds, for every wait


def report(key, value):
    if isinstance(value, (bytes, bytearray)):
        value = value.hex()
    print(key, value, flush=True)


def wait_for_cts(port, level):
    deadline = time.monotonic() + TIMEOUT
    while time.monotonic() < deadline:
        if port.cts == level:
            return True
        time.sleep(0.01)
    return False


def read_frame(port):
    """Reads up to and including ETX (03)."""
    data = bytearray()
    deadline = time.monotonic() + TIMEOUT
    while time.monotonic() < deadline and not data.endswith(b"\x03"):
        data += port.read(1)
    return bytes(data)


def main():
    url = "rfc2217://127.0.0.1:" + sys.argv[1]
    if len(sys.argv) > 2:
        url += "?" + sys.argv[2]
    port = serial.serial_for_url(url, baudrate=9600, timeout=0.2)
    try:
        report("cts", port.cts)
        report("dsr", port.dsr)

        port.write(b"\x02\x03")  # the presence probe
        report("probe_answer", read_frame(port))

        port.dtr = False  # the reader is held in reset: CTS on
        report("cts_in_reset", wait_for_cts(port, True))
        port.dtr = True  # boot, start-up frame at 9600, then CTS off
        report("startup_frame", read_frame(port))
        report("cts_off_after_boot", wait_for_cts(port, False))
        report("dsr_after_boot", port.dsr)

        if "poll_modem" in url:
            # With poll_modem pyserial asks (NOTIFY-MODEMSTATE) once its value is 0.3 s old and
            # waits up to 3 s for the answer: a quick read means the poll was answered.
            time.sleep(0.4)
            start = time.monotonic()
            report("polled_cts", port.cts)
            report("poll_seconds", round(time.monotonic() - start, 3))
    except Exception as error:  # pylint: disable=broad-except
        report("error", repr(error))
        return 1
    finally:
        port.close()
    report("done", True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
