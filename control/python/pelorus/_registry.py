"""The per-user component registry: plain text files under $XDG_DATA_HOME/pelorus/ (default
~/.local/share/pelorus/): progid/<ProgID>, clsid/<{CLSID}>, typelib/<{LIBID}>/<version>/."""

import os

from . import _abi
from ._errors import AutomationError

CO_E_CLASSSTRING = 0x800401F3  # not a ProgID or class identifier that is registered
REGDB_E_CLASSNOTREG = 0x80040154  # the class is not registered
TYPE_E_LIBNOTREGISTERED = 0x8002801D  # the type library is not registered


def root():
    data = os.environ.get("XDG_DATA_HOME", "")
    if not os.path.isabs(data):
        data = os.path.join(os.path.expanduser("~"), ".local", "share")
    return os.path.join(data, "pelorus")


def read_key(path):
    """The Name=Value lines of a key file as a dict, or None when there is no such key."""
    try:
        with open(path, encoding="utf-8") as key:
            lines = key.read().splitlines()
    except (FileNotFoundError, IsADirectoryError, NotADirectoryError):
        return None
    values = {}
    for line in lines:
        if line and not line.startswith("#") and "=" in line:
            name, value = line.split("=", 1)
            values[name] = value
    return values


def _entries(folder):
    try:
        return sorted(os.listdir(os.path.join(root(), folder)))
    except OSError:
        return []


def _is_plain_name(name):
    return bool(name) and "/" not in name and name not in (".", "..") and "\0" not in name


def clsid_of(name):
    """The class identifier (as text) that a ProgID or a {CLSID} names."""
    if name.startswith("{"):
        try:
            return str(_abi.GUID.parse(name))
        except ValueError:
            raise AutomationError(CO_E_CLASSSTRING, "not a class identifier: %s" % name) from None
    if _is_plain_name(name):
        # ProgIDs are matched without regard to case.
        for entry in _entries("progid"):
            if entry.lower() == name.lower():
                values = read_key(os.path.join(root(), "progid", entry)) or {}
                if "CLSID" in values:
                    return values["CLSID"]
    raise AutomationError(CO_E_CLASSSTRING, "no class is registered as %s" % name)


def class_key(clsid):
    """The registration of a class, or AutomationError(REGDB_E_CLASSNOTREG)."""
    values = read_key(os.path.join(root(), "clsid", clsid)) if _is_plain_name(clsid) else None
    if values is None or "InprocServer" not in values:
        raise AutomationError(REGDB_E_CLASSNOTREG, "the class %s is not registered" % clsid)
    return values


def type_library_file(libid, version):
    """The path of a registered type library's definition."""
    folder = os.path.join(root(), "typelib", libid, version)
    values = read_key(os.path.join(folder, "registration")) if _is_plain_name(libid) and _is_plain_name(version) else None
    if values is None or "Definition" not in values:
        raise AutomationError(TYPE_E_LIBNOTREGISTERED, "the type library %s %s is not registered" % (libid, version))
    return os.path.join(folder, values["Definition"])


def registered_classes():
    """Every registered class: dicts with CLSID, ProgID, TypeName, InprocServer and the rest."""
    classes = []
    for clsid in _entries("clsid"):
        values = read_key(os.path.join(root(), "clsid", clsid))
        if values is not None:
            classes.append(dict(values, CLSID=clsid))
    return classes
