#include "pelorus_ctrl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "dialogs/about_box.h"

namespace pelorus::control {
namespace {

std::uint8_t low_byte(std::int16_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

// A firmware byte is a character of ISO 8859-1; the string the host gets is UTF-8.
void append_latin1(std::string& text, unsigned char byte) {
  if (byte < 0x80) {
    text += static_cast<char>(byte);
  } else {
    text += static_cast<char>(0xC0 | (byte >> 6));
    text += static_cast<char>(0x80 | (byte & 0x3F));
  }
}

}  // namespace

CPelorusCtrl::CPelorusCtrl() : persisted_(default_properties()) {}

CPelorusCtrl::~CPelorusCtrl() { QXClose(); }

void CPelorusCtrl::SetReaderType(std::int16_t value) {
  persisted_.reader_type = value;
  modified_ = true;
}

void CPelorusCtrl::SetReaderPort(std::int16_t value) {
  persisted_.reader_port = value;
  modified_ = true;
}

void CPelorusCtrl::SetCardType(std::int16_t value) {
  persisted_.card_type = value;
  modified_ = true;
}

std::string CPelorusCtrl::FWRevision() const {
  std::string text;
  for (const char c : info_.FWRevision) {
    if (c == '\0') break;
    append_latin1(text, static_cast<unsigned char>(c));
  }
  return text;
}

bool CPelorusCtrl::SupportCardGroup(std::int16_t card_group) const {
  // card_group mod 32, also for a negative group: the low five bits.
  const int bit = card_group & 31;
  return (static_cast<std::uint32_t>(info_.CardTypeMask) >> bit) & 1U;
}

bool CPelorusCtrl::CardInserted() {
  refresh_information();
  return info_.CardStatus & 0x01;
}

bool CPelorusCtrl::CardHavePower() {
  refresh_information();
  return info_.CardStatus & 0x02;
}

std::int16_t CPelorusCtrl::CurrentCardGroup() {
  refresh_information();
  return info_.CurrentCardType;
}

std::int32_t CPelorusCtrl::QXOpen() {
  if (handle_ >= 0) {
    QX_Close(handle_);
    handle_ = -1;
  }
  handle_ = QX_Open(persisted_.reader_type, persisted_.reader_port);
  if (handle_ < 0) return handle_;
  refresh_information();
  return 0;
}

std::int32_t CPelorusCtrl::QXClose() {
  if (handle_ >= 0) {
    QX_Close(handle_);
    handle_ = -1;
  }
  return 0;
}

std::int32_t CPelorusCtrl::QXStartSession() {
  if (handle_ < 0) return -1;
  QX_SESSION session{};
  session.CardType = low_byte(persisted_.card_type);
  session.SCModule = 0;  // the control has no property for the security module's byte
  const std::int32_t result = QX_StartSession(handle_, &session);
  if (result == 0) {
    // ATRLen is a byte; the record holds at most QX_ATR_SIZE of the answer.
    const std::size_t length = std::min<std::size_t>(session.ATRLen, QX_ATR_SIZE);
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
      char digits[3];
      std::snprintf(digits, sizeof digits, "%02X", session.ATR[i]);
      text += digits;
    }
    atr_ = std::move(text);
  }
  return result;
}

std::int32_t CPelorusCtrl::QXEndSession() { return handle_ < 0 ? -1 : QX_EndSession(handle_); }

std::int32_t CPelorusCtrl::QXExchangeAPDU() {
  if (handle_ < 0) return -1;
  QX_APDU apdu{};
  apdu.CLA = low_byte(cla_);
  apdu.INS = low_byte(ins_);
  apdu.P1 = low_byte(p1_);
  apdu.P2 = low_byte(p2_);
  apdu.Lc = low_byte(lc_);
  apdu.Le = low_byte(le_);
  for (std::int32_t i = 0; i < apdu.Lc; ++i) apdu.DataIn[i] = low_byte(data_in_[static_cast<std::size_t>(i)]);

  const std::int32_t result = QX_ExchangeAPDU(handle_, &apdu);
  if (result != 0) return result;
  // The library places at most QX_DATA_SIZE bytes; the count is taken as bounded all the same.
  const std::int32_t received = std::clamp<std::int32_t>(apdu.Le, 0, QX_DATA_SIZE);
  le_ = static_cast<std::int16_t>(received);
  for (std::int32_t i = 0; i < received; ++i) data_out_[static_cast<std::size_t>(i)] = apdu.DataOut[i];
  sw1_ = static_cast<std::int16_t>(apdu.Status >> 8);
  sw2_ = static_cast<std::int16_t>(apdu.Status & 0xFF);
  return 0;
}

std::int16_t CPelorusCtrl::DataIn(std::int16_t index) const { return element(data_in_, index); }
void CPelorusCtrl::SetDataIn(std::int16_t index, std::int16_t value) { set_element(data_in_, index, value); }
std::int16_t CPelorusCtrl::DataOut(std::int16_t index) const { return element(data_out_, index); }
void CPelorusCtrl::SetDataOut(std::int16_t index, std::int16_t value) { set_element(data_out_, index, value); }

void CPelorusCtrl::AboutBox() { show_about_box(); }

void CPelorusCtrl::refresh_information() {
  if (handle_ < 0) return;
  // A failed refresh keeps the record as it was rather than one the library may have half filled.
  QX_INFO fresh{};
  if (QX_GetInfo(handle_, &fresh) == 0) info_ = fresh;
}

std::int16_t CPelorusCtrl::element(const Elements& elements, std::int16_t index) {
  if (index < 0 || index >= QX_DATA_SIZE) return -1;
  return elements[static_cast<std::size_t>(index)];
}

void CPelorusCtrl::set_element(Elements& elements, std::int16_t index, std::int16_t value) {
  if (index < 0 || index >= QX_DATA_SIZE) return;
  elements[static_cast<std::size_t>(index)] = value;
  modified_ = true;
}

}  // namespace pelorus::control
