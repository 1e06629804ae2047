/* pelorus.h is a C header: this file compiles it as C and uses its inline helpers. */
#include <string.h>

#include "pelorus.h"

int pelorus_header_compiles_as_c(void) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = (char *)malloc(3);
    if (v.bstrVal == NULL) return -1;
    strcpy(v.bstrVal, "ok");
    VariantClear(&v);
    return v.vt == VT_EMPTY && memcmp(&CLSID_Pelorus, &LIBID_PelorusLib, sizeof(GUID)) != 0 ? (int)sizeof(VARIANT) : -1;
}
