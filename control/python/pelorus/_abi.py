"""The control module's C ABI (control/include/pelorus.h) in ctypes: identifiers, VARIANT and
interface pointers whose tables of functions are called by position."""

import ctypes
import uuid

HRESULT = ctypes.c_int32
DISPID = ctypes.c_int32

VT_EMPTY = 0
VT_I2 = 2
VT_I4 = 3
VT_BSTR = 8
VT_BOOL = 11
VARIANT_TRUE = -1

DISPATCH_METHOD = 1
DISPATCH_PROPERTYGET = 2
DISPATCH_PROPERTYPUT = 4

_libc = ctypes.CDLL(None)
_libc.free.argtypes = [ctypes.c_void_p]
_libc.free.restype = None
_libc.strdup.argtypes = [ctypes.c_char_p]
_libc.strdup.restype = ctypes.c_void_p


class GUID(ctypes.Structure):
    _fields_ = [("Data1", ctypes.c_uint32), ("Data2", ctypes.c_uint16), ("Data3", ctypes.c_uint16),
                ("Data4", ctypes.c_uint8 * 8)]

    @classmethod
    def parse(cls, text):
        """From {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}; ValueError when it is not one."""
        value = uuid.UUID(text.strip().strip("{}"))
        d1, d2, d3, rest = value.fields[0], value.fields[1], value.fields[2], value.bytes[8:]
        return cls(d1, d2, d3, (ctypes.c_uint8 * 8)(*rest))

    def __str__(self):
        tail = bytes(self.Data4).hex().upper()
        return "{%08X-%04X-%04X-%s-%s}" % (self.Data1, self.Data2, self.Data3, tail[:4], tail[4:])


# The identifiers of pelorus.h.
IID_IUnknown = GUID.parse("{00000000-0000-0000-C000-000000000046}")
IID_IClassFactory = GUID.parse("{00000001-0000-0000-C000-000000000046}")
IID_IDispatch = GUID.parse("{1F7161B4-8EFA-4E1F-B03A-548368FE6CF4}")
IID_IPersistPropertyBag = GUID.parse("{2C22509B-A5F5-4E7B-8B59-F863881B26B3}")
IID_IPropertyBag = GUID.parse("{BE8B21B7-57FA-4D5B-9E41-5D2D89F554D6}")


class _Value(ctypes.Union):
    _fields_ = [("iVal", ctypes.c_int16), ("lVal", ctypes.c_int32), ("boolVal", ctypes.c_int16),
                ("bstrVal", ctypes.c_void_p)]


class VARIANT(ctypes.Structure):
    _anonymous_ = ("value",)
    _fields_ = [("vt", ctypes.c_uint16), ("wReserved", ctypes.c_uint16 * 3), ("value", _Value)]


def value_of(variant):
    """The Python value a VARIANT holds: int, bool, str or None."""
    if variant.vt == VT_I2:
        return variant.iVal
    if variant.vt == VT_I4:
        return variant.lVal
    if variant.vt == VT_BOOL:
        return variant.boolVal != 0
    if variant.vt == VT_BSTR:
        return ctypes.string_at(variant.bstrVal).decode("utf-8", "replace") if variant.bstrVal else ""
    return None


def fill(variant, value, string_address):
    """Sets variant to value (bool, an int of 32 bits, str); string_address(bytes) places a string's
    UTF-8 bytes. False for any other value."""
    if isinstance(value, bool):
        variant.vt, variant.boolVal = VT_BOOL, VARIANT_TRUE if value else 0
    elif isinstance(value, int) and -0x8000 <= value <= 0x7FFF:
        variant.vt, variant.iVal = VT_I2, value
    elif isinstance(value, int) and -0x80000000 <= value <= 0x7FFFFFFF:
        variant.vt, variant.lVal = VT_I4, value
    elif isinstance(value, str):
        variant.bstrVal = string_address(value.encode("utf-8"))
        variant.vt = VT_BSTR
    else:
        return False
    return True


def variant_clear(variant):
    """Frees the string a VARIANT owns and empties it."""
    if variant.vt == VT_BSTR and variant.bstrVal:
        _libc.free(variant.bstrVal)
    variant.vt = VT_EMPTY
    variant.bstrVal = None


def malloc_string(data):
    """A copy of data (NUL added) from the C heap, for a VARIANT the receiver frees."""
    address = _libc.strdup(data)
    if not address:
        raise MemoryError()
    return address


def _method_table(*methods):
    return (("QueryInterface", HRESULT, (ctypes.POINTER(GUID), ctypes.POINTER(ctypes.c_void_p))),
            ("AddRef", ctypes.c_uint32, ()),
            ("Release", ctypes.c_uint32, ())) + methods


IUNKNOWN = _method_table()
ICLASSFACTORY = _method_table(
    ("CreateInstance", HRESULT, (ctypes.c_void_p, ctypes.POINTER(GUID), ctypes.POINTER(ctypes.c_void_p))),
    ("LockServer", HRESULT, (ctypes.c_int32,)))
IDISPATCH = _method_table(
    ("GetIDsOfNames", HRESULT, (ctypes.POINTER(ctypes.c_char_p), ctypes.c_uint32, ctypes.POINTER(DISPID))),
    ("Invoke", HRESULT, (DISPID, ctypes.c_uint16, ctypes.POINTER(VARIANT), ctypes.c_uint32,
                         ctypes.POINTER(VARIANT))))
IPERSISTPROPERTYBAG = _method_table(
    ("GetClassID", HRESULT, (ctypes.POINTER(GUID),)),
    ("InitNew", HRESULT, ()),
    ("Load", HRESULT, (ctypes.c_void_p,)),
    ("Save", HRESULT, (ctypes.c_void_p, ctypes.c_int32)),
    ("IsDirty", HRESULT, ()))
IPROPERTYBAG = _method_table(
    ("Read", HRESULT, (ctypes.c_char_p, ctypes.POINTER(VARIANT))),
    ("Write", HRESULT, (ctypes.c_char_p, ctypes.POINTER(VARIANT))))


class Interface:
    """An interface pointer holding one reference, dropped by release() or when collected. Its
    table's functions are attributes, called without the interface pointer."""

    def __init__(self, address, table):
        self._address = address
        self._table = table
        functions = ctypes.cast(address, ctypes.POINTER(ctypes.POINTER(ctypes.c_void_p)))[0]
        self._functions = {}
        for index, (name, result, arguments) in enumerate(table):
            prototype = ctypes.CFUNCTYPE(result, ctypes.c_void_p, *arguments)
            self._functions[name] = prototype(functions[index])

    @property
    def address(self):
        return self._address

    def __getattr__(self, name):
        functions = self.__dict__.get("_functions", {})
        if name not in functions or self._address is None:
            raise AttributeError(name)
        function, address = functions[name], self._address
        return lambda *arguments: function(address, *arguments)

    def query(self, iid, table):
        """The object's interface iid, or None when it has none."""
        out = ctypes.c_void_p()
        if self.QueryInterface(ctypes.byref(iid), ctypes.byref(out)) != 0 or not out.value:
            return None
        return Interface(out.value, table)

    def release(self):
        if self._address is not None:
            self._functions["Release"](self._address)
            self._address = None

    def __del__(self):
        self.release()
