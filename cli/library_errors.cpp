#include "library_errors.h"

#include <algorithm>
#include <iterator>

#include "failure.h"
#include "hex.h"
#include "pelorus32.h"

namespace pelorus {
namespace {

// The meanings of the codes that stand for a reader status word are those of the reader's
// status words.
constexpr LibraryError kErrors[] = {
    {QX_ERR_OK, "QX_ERR_OK", "success"},
    {QX_ERR_RATE_REFUSED, "QX_ERR_RATE_REFUSED", "the reader does not allow or refused that line rate"},
    {QX_ERR_BAD_PORT_NUMBER, "QX_ERR_BAD_PORT_NUMBER", "no such port"},
    {QX_ERR_NO_HANDLE, "QX_ERR_NO_HANDLE", "all reader handles are in use"},
    {QX_ERR_NULL_RECORD, "QX_ERR_NULL_RECORD", "a record was missing"},
    {QX_ERR_BAD_HANDLE, "QX_ERR_BAD_HANDLE", "the reader handle is not open"},
    {QX_ERR_NO_SESSION, "QX_ERR_NO_SESSION", "no card session, or the card is not powered up"},
    {QX_ERR_STATUS_6002, "QX_ERR_STATUS_6002", "no card in the reader"},
    {QX_ERR_BAD_CARD_TYPE, "QX_ERR_BAD_CARD_TYPE", "card type not supported by the reader, or the card does not serve the command"},
    {QX_ERR_STATUS_6004, "QX_ERR_STATUS_6004", "parameter refused by the reader"},
    {QX_ERR_NOT_SUPPORTED, "QX_ERR_NOT_SUPPORTED", "command not supported for this card type"},
    {QX_ERR_LM221_SETUP, "QX_ERR_LM221_SETUP", "the LM221 configuration after reset failed"},
    {QX_ERR_NO_DATA, "QX_ERR_NO_DATA", "the card did not answer as the selected card type"},
    {QX_ERR_STATUS_6032, "QX_ERR_STATUS_6032", "reader status 60 32"},
    {QX_ERR_STATUS_6701, "QX_ERR_STATUS_6701", "wrong length for the command"},
    {QX_ERR_STATUS_6702, "QX_ERR_STATUS_6702", "address out of range of the card's memory"},
    {QX_ERR_COMMAND_TOO_LONG, "QX_ERR_COMMAND_TOO_LONG", "command too long for the reader"},
    {QX_ERR_STATUS_6704, "QX_ERR_STATUS_6704", "write refused: protected, fused or counter bytes"},
    {QX_ERR_STATUS_6705, "QX_ERR_STATUS_6705", "code locked: no chance left"},
    {QX_ERR_STATUS_6706, "QX_ERR_STATUS_6706", "reader status 67 06"},
    {QX_ERR_NO_PASSWORD, "QX_ERR_NO_PASSWORD", "password or code required, or the one given is wrong"},
    {QX_ERR_BAD_CLA, "QX_ERR_BAD_CLA", "memory cards take class byte 00 only"},
    {QX_ERR_BAD_PARAMETER, "QX_ERR_BAD_PARAMETER", "P1, P2, Lc or Le outside what the card type accepts"},
    {QX_ERR_KEYBOARD_LENGTH, "QX_ERR_KEYBOARD_LENGTH", "keyboard port: command or reply too long"},
    {QX_ERR_ODD_ADDRESS, "QX_ERR_ODD_ADDRESS", "word-addressed card: odd address"},
    {QX_ERR_BAD_FRAME, "QX_ERR_BAD_FRAME", "no valid reply from the reader"},
    {QX_ERR_TIMEOUT, "QX_ERR_TIMEOUT", "no answer from the reader, or the port cannot be used"},
    {QX_ERR_BAD_OPTION_VALUE, "QX_ERR_BAD_OPTION_VALUE", "option value out of range"},
    {QX_ERR_OPTION_FAILED, "QX_ERR_OPTION_FAILED", "option not supported or refused"},
    {QX_ERR_STATUS_6022, "QX_ERR_STATUS_6022", "reader status 60 22"},
    {QX_ERR_NO_THREAD, "QX_ERR_NO_THREAD", "the library could not start a thread"},
    {QX_ERR_NO_KEYBOARD_PORT, "QX_ERR_NO_KEYBOARD_PORT", "the keyboard port cannot be opened"},
    {QX_ERR_STATUS_OTHER, "QX_ERR_STATUS_OTHER", "unexpected reader status"},
};

}  // namespace

LibraryError library_error(std::int32_t code) {
  const auto* found = std::find_if(std::begin(kErrors), std::end(kErrors), [&](const LibraryError& e) { return e.code == code; });
  if (found == std::end(kErrors)) return {code, "unknown", "a code this program does not know"};
  return *found;
}

std::string describe_library_error(std::int32_t code) {
  const LibraryError error = library_error(code);
  return "error " + std::to_string(code) + " (" + error.name + "): " + error.meaning;
}

Failure library_failure(const std::string& doing, std::int32_t code) {
  std::string message = doing + ": " + describe_library_error(code);
  // A word the library has no code for is only useful with the word itself.
  if (code == QX_ERR_STATUS_OTHER) message += " " + hex_number(GetReaderErrorCode(), 4);
  return Failure(kExitLibrary, message);
}

}  // namespace pelorus
