"""Type libraries as the registry keeps them (see control/src/type_library.h for the text)."""

import collections
import re

from . import _registry
from ._errors import AutomationError

Constant = collections.namedtuple("Constant", "name value helpstring")
Enumeration = collections.namedtuple("Enumeration", "name constants")
Member = collections.namedtuple("Member", "name dispid kind type arguments")
Interface = collections.namedtuple("Interface", "name guid helpstring members")
CoClass = collections.namedtuple("CoClass", "name guid helpstring flags interface source")

_STRING = r'"((?:[^"\\]|\\.)*)"'
_DECLARATION = re.compile(r"^(library|enum|dispinterface|coclass)\s+(\w+)(?:\s+(\{[0-9A-Fa-f-]+\}))?(?:\s+(\d+\.\d+))?$")
_HELP = re.compile(r"^(helpstring|helpfile)\s+" + _STRING + "$")
_CONSTANT = re.compile(r"^(\w+)\s*=\s*(-?\d+)\s+" + _STRING + "$")
_MEMBER = re.compile(r"^(property|method)\s+(-?\d+)\s+(\w+)(?:\((\w+)\s+(\w+)\))?\s+(\w+)$")
_FLAGS = re.compile(r"^flags((?:\s+\w+)*)$")
_IMPLEMENTS = re.compile(r"^(interface|source)\s+(\w+)\s+default$")
TYPE_E_INVDATAREAD = 0x80028018  # a type library that cannot be read


def _unquoted(text):
    return re.sub(r"\\(.)", r"\1", text)


class TypeLibrary:
    """A type library: name, guid, version, helpstring, helpfile, enumerations (by name, in order),
    interfaces (by name), coclasses (by name). members is the first class's default interface."""

    def __init__(self, text):
        self.name = self.guid = self.version = None
        self.helpstring = self.helpfile = ""
        self.enumerations = collections.OrderedDict()
        self.interfaces = collections.OrderedDict()
        self.coclasses = collections.OrderedDict()
        self._parse(text)
        self._freeze()

    @property
    def members(self):
        for coclass in self.coclasses.values():
            if coclass.interface in self.interfaces:
                return self.interfaces[coclass.interface].members
        return []

    def member(self, name):
        """The member of members named name, ignoring case, or None."""
        lowered = name.lower()
        return next((m for m in self.members if m.name.lower() == lowered), None)

    def constants(self):
        """Every enumerator of every enumeration: name -> value."""
        return {c.name: c.value for e in self.enumerations.values() for c in e.constants}

    def _parse(self, text):
        current = None  # (kind, name, fields) of the declaration the indented lines belong to
        for number, raw in enumerate(text.splitlines(), 1):
            line = raw.strip()
            if not line or line.startswith("#"):
                continue
            if not raw[0].isspace():
                current = self._declaration(line, number)
            elif current is None or not self._detail(current, line):
                raise AutomationError(TYPE_E_INVDATAREAD, "type library line %d: %s" % (number, line))
        if self.name is None:
            raise AutomationError(TYPE_E_INVDATAREAD, "no library in the type library")

    def _declaration(self, line, number):
        match = _DECLARATION.match(line)
        if not match:
            raise AutomationError(TYPE_E_INVDATAREAD, "type library line %d: %s" % (number, line))
        kind, name, guid, version = match.groups()
        if kind == "library":
            self.name, self.guid, self.version = name, guid, version
            return ("library", name, None)
        if kind == "enum":
            self.enumerations[name] = Enumeration(name, [])
            return ("enum", name, None)
        if kind == "dispinterface":
            fields = {"guid": guid, "helpstring": "", "members": []}
            self.interfaces[name] = fields
            return ("dispinterface", name, fields)
        fields = {"guid": guid, "helpstring": "", "flags": (), "interface": None, "source": None}
        self.coclasses[name] = fields
        return ("coclass", name, fields)

    def _detail(self, current, line):
        kind, name, fields = current
        help_match = _HELP.match(line)
        if help_match:
            what, value = help_match.group(1), _unquoted(help_match.group(2))
            if kind == "library":
                setattr(self, what, value)
            elif fields is not None and what == "helpstring":
                fields["helpstring"] = value
            else:
                return False
            return True
        if kind == "enum":
            match = _CONSTANT.match(line)
            if match:
                self.enumerations[name].constants.append(Constant(match.group(1), int(match.group(2)),
                                                                  _unquoted(match.group(3))))
            return bool(match)
        if kind == "dispinterface":
            match = _MEMBER.match(line)
            if match:
                what, dispid, member, argument_type, argument, value_type = match.groups()
                arguments = [(argument, argument_type)] if argument else []
                fields["members"].append(Member(member, int(dispid), what, value_type, arguments))
            return bool(match)
        if kind == "coclass":
            match = _FLAGS.match(line) or _IMPLEMENTS.match(line)
            if match and match.re is _FLAGS:
                fields["flags"] = tuple(match.group(1).split())
            elif match:
                fields[match.group(1)] = match.group(2)
            return bool(match)
        return False

    def _freeze(self):
        for name, fields in list(self.interfaces.items()):
            if isinstance(fields, dict):
                self.interfaces[name] = Interface(name, fields["guid"], fields["helpstring"], fields["members"])
        for name, fields in list(self.coclasses.items()):
            if isinstance(fields, dict):
                self.coclasses[name] = CoClass(name, fields["guid"], fields["helpstring"], fields["flags"],
                                               fields["interface"], fields["source"])


def load(path):
    try:
        with open(path, encoding="utf-8") as definition:
            library = TypeLibrary(definition.read())
    except OSError as error:
        raise AutomationError(_registry.TYPE_E_LIBNOTREGISTERED, "cannot read %s (%s)" % (path, error)) from None
    return library


def of_class(name):
    """The type library of the class a ProgID or {CLSID} names."""
    values = _registry.class_key(_registry.clsid_of(name))
    if "TypeLib" not in values:
        raise AutomationError(_registry.TYPE_E_LIBNOTREGISTERED, "the class %s has no type library" % name)
    return load(_registry.type_library_file(values["TypeLib"], values.get("Version", "1.0")))
