// CPelorusCtrl: the control's state and algorithms over the reader library. One control holds
// one reader handle. The members named as the automation interface names them are what its
// dispatch table calls. The methods report the reader library's codes as their results; only
// AboutBox can fail as a call (no display).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "persistence.h"
#include "pelorus32.h"

namespace pelorus::control {

class CPelorusCtrl {
 public:
  CPelorusCtrl();
  // The control closes its reader when it goes, so that a host that forgot QXClose does not keep
  // the port (which is opened exclusively) and a handle of the library's ten until it ends.
  ~CPelorusCtrl();
  CPelorusCtrl(const CPelorusCtrl&) = delete;
  CPelorusCtrl& operator=(const CPelorusCtrl&) = delete;

  // Plain members. The three persisted ones mark the control as modified.
  std::int16_t ReaderType() const { return persisted_.reader_type; }
  void SetReaderType(std::int16_t value);
  std::int16_t ReaderPort() const { return persisted_.reader_port; }
  void SetReaderPort(std::int16_t value);
  std::int16_t CardType() const { return persisted_.card_type; }
  void SetCardType(std::int16_t value);
  std::string ATR() const { return atr_; }
  void SetATR(std::string value) { atr_ = std::move(value); }
  std::int16_t CLA() const { return cla_; }
  void SetCLA(std::int16_t value) { cla_ = value; }
  std::int16_t INS() const { return ins_; }
  void SetINS(std::int16_t value) { ins_ = value; }
  std::int16_t Lc() const { return lc_; }
  void SetLc(std::int16_t value) { lc_ = value; }
  std::int16_t Le() const { return le_; }
  void SetLe(std::int16_t value) { le_ = value; }
  std::int16_t P1() const { return p1_; }
  void SetP1(std::int16_t value) { p1_ = value; }
  std::int16_t P2() const { return p2_; }
  void SetP2(std::int16_t value) { p2_ = value; }
  std::int16_t SW1() const { return sw1_; }
  void SetSW1(std::int16_t value) { sw1_ = value; }
  std::int16_t SW2() const { return sw2_; }
  void SetSW2(std::int16_t value) { sw2_ = value; }

  // The stored reader information; the last three refresh it first.
  std::string FWRevision() const;
  std::int16_t MaxC() const { return static_cast<std::int16_t>(info_.MaxC); }
  std::int16_t MaxR() const { return static_cast<std::int16_t>(info_.MaxR); }
  std::int16_t LibraryVersion() const { return static_cast<std::int16_t>(info_.LibraryVersion); }
  std::int32_t CurrentBaudRate() const { return info_.BaudRate; }
  bool SupportCardGroup(std::int16_t card_group) const;
  bool CardInserted();
  bool CardHavePower();
  std::int16_t CurrentCardGroup();

  // The methods (Algorithms 1 to 5).
  std::int32_t QXOpen();
  std::int32_t QXClose();
  std::int32_t QXStartSession();
  std::int32_t QXEndSession();
  std::int32_t QXExchangeAPDU();

  // Elements 0 to 255; another index reads -1 and writes nothing. A write marks the control as
  // modified.
  std::int16_t DataIn(std::int16_t index) const;
  void SetDataIn(std::int16_t index, std::int16_t value);
  std::int16_t DataOut(std::int16_t index) const;
  void SetDataOut(std::int16_t index, std::int16_t value);

  // Shows the About box modally; ComError(E_FAIL) when there is no display to show it on.
  void AboutBox();

  // Persistence: the three values, and whether the host should save them.
  const PersistedProperties& persisted() const { return persisted_; }
  void set_persisted(const PersistedProperties& properties) { persisted_ = properties; }
  bool modified() const { return modified_; }
  void set_modified(bool modified) { modified_ = modified; }

 private:
  using Elements = std::array<std::int16_t, QX_DATA_SIZE>;

  void refresh_information();
  static std::int16_t element(const Elements& elements, std::int16_t index);
  void set_element(Elements& elements, std::int16_t index, std::int16_t value);

  std::int32_t handle_ = -1;
  QX_INFO info_{};  // zero until the first successful refresh
  PersistedProperties persisted_;
  bool modified_ = false;
  std::string atr_;
  std::int16_t cla_ = 0, ins_ = 0, p1_ = 0, p2_ = 0, lc_ = 0, le_ = 0, sw1_ = 0, sw2_ = 0;
  Elements data_in_{};
  Elements data_out_{};
};

}  // namespace pelorus::control
