"""python3 -m pelorus: the classes registered for this user."""

import sys

from . import registered_classes
from ._registry import root


def main():
    classes = registered_classes()
    if not classes:
        print("No classes are registered in %s." % root())
        return 0
    for entry in classes:
        print("%s  %s  %s" % (entry.get("ProgID", "-"), entry["CLSID"], entry.get("TypeName", "")))
        print("    %s" % entry.get("InprocServer", ""))
    return 0


if __name__ == "__main__":
    sys.exit(main())
