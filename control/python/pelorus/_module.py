"""Control modules loaded into this process, and objects made by their class factories."""

import ctypes

from . import _abi
from ._errors import AutomationError, check

# Modules stay loaded for the life of the process: objects and factories point into them.
_modules = {}


def load(path):
    module = _modules.get(path)
    if module is None:
        try:
            module = ctypes.CDLL(path)
        except OSError as error:
            raise AutomationError(0x8007007E, "cannot load %s (%s)" % (path, error)) from None
        module.DllGetClassObject.argtypes = [ctypes.POINTER(_abi.GUID), ctypes.POINTER(_abi.GUID),
                                             ctypes.POINTER(ctypes.c_void_p)]
        module.DllGetClassObject.restype = _abi.HRESULT
        _modules[path] = module
    return module


def create(path, clsid, iid, table):
    """Makes an object of class clsid in the module at path and gives its interface iid."""
    module = load(path)
    factory_address = ctypes.c_void_p()
    check(module.DllGetClassObject(ctypes.byref(clsid), ctypes.byref(_abi.IID_IClassFactory),
                                   ctypes.byref(factory_address)), "DllGetClassObject")
    factory = _abi.Interface(factory_address.value, _abi.ICLASSFACTORY)
    try:
        out = ctypes.c_void_p()
        check(factory.CreateInstance(None, ctypes.byref(iid), ctypes.byref(out)), "CreateInstance")
        return _abi.Interface(out.value, table)
    finally:
        factory.release()
