// pcsc-lite's IFD handler interface. Its header declares the IFDH* functions without C linkage,
// while pcscd looks them up by their plain names: they are declared extern "C" here.
#pragma once

extern "C" {
#include <PCSC/ifdhandler.h>
#include <PCSC/reader.h>
}
