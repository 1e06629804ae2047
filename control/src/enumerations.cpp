#include "enumerations.h"

#include <array>

namespace pelorus::control {
namespace {

constexpr std::array<Enumerator, 2> kPorts = {{
    {"QX_COM1", 0, "COM1"},
    {"QX_COM2", 1, "COM2"},
}};

constexpr std::array<Enumerator, 6> kReaderTypes = {{
    {"KITE_AUTODETECT", 255, "KITE (auto-detect)"},
    {"KITEA", 0, "KITEA (9600 bps)"},
    {"KITEB_9600", 4, "KITEB (9600 bps)"},
    {"KITEB_19200", 2, "KITEB (19200 bps)"},
    {"KITEB_57600", 1, "KITEB (57600 bps)"},
    {"KITEB_115200", 3, "KITEB (115200 bps)"},
}};

// Card-type codes 23 to 25 have no constant.
constexpr std::array<Enumerator, 23> kCardTypes = {{
    {"QX_AUTODETECT", 0, "Auto"},
    {"QX_T0", 14, "T=0"},
    {"QX_T1", 15, "T=1"},
    {"QX_SCModule", 16, "SC Module"},
    {"QX_LM104", 1, "SLE4406"},
    {"QX_LM221", 2, "SLE4436"},
    {"QX_SLE4404", 3, "GPM416"},
    {"QX_GPM896", 4, "GPM896"},
    {"QX_AT101", 5, "AT101"},
    {"QX_AT102", 6, "AT102"},
    {"QX_LM8KP", 7, "SLE4418"},
    {"QX_LM8KS", 8, "SLE4428"},
    {"QX_LM2KP", 9, "SLE4432"},
    {"QX_LM2KS", 10, "SLE4442"},
    {"QX_IIC", 11, "IIC"},
    {"QX_XIIC", 12, "XIIC"},
    {"QX_AT1604", 13, "AT1604"},
    {"QX_LM256", 17, "LM256"},
    {"QX_LM4KP", 18, "LM4KP"},
    {"QX_X76F041", 19, "X76F041"},
    {"QX_X24645", 20, "X24645"},
    {"QX_ST1335", 21, "ST1335"},
    {"QX_ST1333", 22, "ST1333"},
}};

constexpr std::array<Enumeration, 3> kEnumerations = {{
    {"COMENUM", kPorts},
    {"RTYPEENUM", kReaderTypes},
    {"CTYPEENUM", kCardTypes},
}};

}  // namespace

std::span<const Enumeration> enumerations() { return kEnumerations; }

}  // namespace pelorus::control
