#include "status_words.h"

namespace pelorus::pcsc {

uint16_t status_word_for(int32_t error) {
  for (const auto& entry : kErrorStatusWords) {
    if (entry.error == error) return entry.status_word;
  }
  return kSwNoPreciseDiagnosis;
}

bool is_transport_error(int32_t error) {
  return error == QX_ERR_BAD_FRAME || error == QX_ERR_TIMEOUT || error == QX_ERR_NO_THREAD;
}

}  // namespace pelorus::pcsc
