"""A property bag the control saves into and loads from: IPropertyBag over an ordered dict."""

import collections
import ctypes

from . import _abi
from ._errors import E_FAIL, E_INVALIDARG, E_NOINTERFACE, S_OK

_QUERY = ctypes.CFUNCTYPE(_abi.HRESULT, ctypes.c_void_p, ctypes.POINTER(_abi.GUID), ctypes.POINTER(ctypes.c_void_p))
_COUNT = ctypes.CFUNCTYPE(ctypes.c_uint32, ctypes.c_void_p)
_READ = ctypes.CFUNCTYPE(_abi.HRESULT, ctypes.c_void_p, ctypes.c_char_p, ctypes.POINTER(_abi.VARIANT))
_WRITE = ctypes.CFUNCTYPE(_abi.HRESULT, ctypes.c_void_p, ctypes.c_char_p, ctypes.POINTER(_abi.VARIANT))

# The results as the signed 32-bit values the module receives.
_E_NOINTERFACE = E_NOINTERFACE - (1 << 32)
_E_FAIL = E_FAIL - (1 << 32)
_E_INVALIDARG = E_INVALIDARG - (1 << 32)


class _Table(ctypes.Structure):
    _fields_ = [("QueryInterface", _QUERY), ("AddRef", _COUNT), ("Release", _COUNT), ("Read", _READ),
                ("Write", _WRITE)]


class _Object(ctypes.Structure):
    _fields_ = [("lpVtbl", ctypes.POINTER(_Table))]


class PropertyBag:
    """values: name -> int, bool or str. The bag lives as long as this object."""

    def __init__(self, values=()):
        self.values = collections.OrderedDict(values)
        self._table = _Table(_QUERY(self._query), _COUNT(lambda _: 1), _COUNT(lambda _: 1), _READ(self._read),
                             _WRITE(self._write))
        self._object = _Object(ctypes.pointer(self._table))

    @property
    def address(self):
        return ctypes.addressof(self._object)

    def _query(self, this, iid, out):
        out[0] = None
        if bytes(iid.contents) in (bytes(_abi.IID_IUnknown), bytes(_abi.IID_IPropertyBag)):
            out[0] = this
            return S_OK
        return _E_NOINTERFACE

    def _read(self, this, name, variant):
        try:
            key = name.decode("utf-8")
            if key not in self.values:
                return _E_INVALIDARG
            return S_OK if _abi.fill(variant.contents, self.values[key], _abi.malloc_string) else _E_FAIL
        except Exception:  # an exception must not unwind into the module
            return _E_FAIL

    def _write(self, this, name, variant):
        try:
            self.values[name.decode("utf-8")] = _abi.value_of(variant.contents)
            return S_OK
        except Exception:
            return _E_FAIL
