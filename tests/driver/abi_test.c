/* The public header is plain C: it compiles as C, and its layout checks hold there too. */
#include "pelorus32.h"

int pelorus32_header_compiles_as_c(void) {
  QX_APDU apdu = {0};
  QX_SESSION session = {0};
  QX_INFO info = {0};
  QX_CALLBACK callback = 0;
  (void)callback;
  return (int)(sizeof apdu + sizeof session + sizeof info);
}
