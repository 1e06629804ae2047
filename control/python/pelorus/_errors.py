"""The one exception of the host: a failure with its result code."""


class AutomationError(Exception):
    """A call that failed; .hresult is the result code as an unsigned 32-bit number."""

    def __init__(self, hresult, message=""):
        self.hresult = hresult & 0xFFFFFFFF
        text = "0x%08X" % self.hresult
        super().__init__("%s: %s" % (message, text) if message else text)


class UnknownNameError(AutomationError, AttributeError):
    """A name the object does not have (also an AttributeError, so that hasattr() works)."""


# Result codes the host reports itself.
S_OK = 0x00000000
S_FALSE = 0x00000001
E_FAIL = 0x80004005
E_INVALIDARG = 0x80070057
E_NOINTERFACE = 0x80004002
REGDB_E_CLASSNOTREG = 0x80040154
DISP_E_MEMBERNOTFOUND = 0x80020003
DISP_E_TYPEMISMATCH = 0x80020005
DISP_E_UNKNOWNNAME = 0x80020006
DISP_E_OVERFLOW = 0x8002000A
DISP_E_BADPARAMCOUNT = 0x8002000E
CTL_E_SETNOTSUPPORTED = 0x800A017F


def check(hresult, message=""):
    """Raises AutomationError for a failure code; returns the code otherwise."""
    if hresult & 0x80000000:
        code = hresult & 0xFFFFFFFF
        kind = UnknownNameError if code == DISP_E_UNKNOWNNAME else AutomationError
        raise kind(code, message)
    return hresult
