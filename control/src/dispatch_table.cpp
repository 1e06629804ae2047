#include "dispatch_table.h"

#include <algorithm>
#include <array>
#include <string>
#include <type_traits>

namespace pelorus::control {
namespace {

template <class T>
constexpr Type type_of() {
  if constexpr (std::is_same_v<T, void>) return Type::Void;
  else if constexpr (std::is_same_v<T, std::int16_t>) return Type::I16;
  else if constexpr (std::is_same_v<T, std::int32_t>) return Type::I32;
  else if constexpr (std::is_same_v<T, bool>) return Type::Bool;
  else {
    static_assert(std::is_same_v<T, std::string>, "a member's type is void, i16, i32, bool or string");
    return Type::String;
  }
}

// The return type of a CPelorusCtrl member function, and the type of its last parameter.
template <class F> struct Signature;
template <class R, class... A> struct Signature<R (CPelorusCtrl::*)(A...)> {
  using Result = R;
  using Last = std::remove_cvref_t<decltype((std::declval<A>(), ...))>;
};
template <class R, class... A> struct Signature<R (CPelorusCtrl::*)(A...) const> : Signature<R (CPelorusCtrl::*)(A...)> {};

template <auto Get>
Value call_get(CPelorusCtrl& control, std::int16_t) {
  if constexpr (std::is_void_v<typename Signature<decltype(Get)>::Result>) {
    (control.*Get)();
    return {};
  } else {
    return (control.*Get)();
  }
}

template <auto Get>
Value call_get_at(CPelorusCtrl& control, std::int16_t index) { return (control.*Get)(index); }

template <auto Put>
void call_put(CPelorusCtrl& control, std::int16_t, const Value& value) {
  (control.*Put)(std::get<typename Signature<decltype(Put)>::Last>(value));
}

template <auto Put>
void call_put_at(CPelorusCtrl& control, std::int16_t index, const Value& value) {
  (control.*Put)(index, std::get<typename Signature<decltype(Put)>::Last>(value));
}

template <auto Get, auto Put>
constexpr Member read_write(DISPID id, std::string_view name, std::string_view enumeration = {}) {
  return {id, name, Kind::Property, type_of<typename Signature<decltype(Get)>::Result>(), enumeration, false, {},
          &call_get<Get>, &call_put<Put>};
}

template <auto Get>
constexpr Member read_only(DISPID id, std::string_view name) {
  return {id, name, Kind::Property, type_of<typename Signature<decltype(Get)>::Result>(), {}, true, {},
          &call_get<Get>, nullptr};
}

template <auto Call>
constexpr Member method(DISPID id, std::string_view name) {
  return {id, name, Kind::Method, type_of<typename Signature<decltype(Call)>::Result>(), {}, false, {},
          &call_get<Call>, nullptr};
}

template <auto Get, auto Put>
constexpr Member indexed(DISPID id, std::string_view name, std::string_view argument) {
  return {id, name, Kind::IndexedProperty, type_of<typename Signature<decltype(Get)>::Result>(), {}, false,
          argument, &call_get_at<Get>, &call_put_at<Put>};
}

template <auto Get>
constexpr Member indexed_read_only(DISPID id, std::string_view name, std::string_view argument) {
  return {id, name, Kind::IndexedProperty, type_of<typename Signature<decltype(Get)>::Result>(), {}, true,
          argument, &call_get_at<Get>, nullptr};
}

using C = CPelorusCtrl;

// The type library's order: the twenty plain properties, then the methods and the properties
// with an argument by identifier, AboutBox last.
const std::array kMembers = {
    read_write<&C::ReaderType, &C::SetReaderType>(DISPID_ReaderType, "ReaderType", "RTYPEENUM"),
    read_write<&C::ReaderPort, &C::SetReaderPort>(DISPID_ReaderPort, "ReaderPort", "COMENUM"),
    read_write<&C::CardType, &C::SetCardType>(DISPID_CardType, "CardType", "CTYPEENUM"),
    read_write<&C::ATR, &C::SetATR>(DISPID_ATR, "ATR"),
    read_only<&C::FWRevision>(DISPID_FWRevision, "FWRevision"),
    read_only<&C::MaxC>(DISPID_MaxC, "MaxC"),
    read_only<&C::MaxR>(DISPID_MaxR, "MaxR"),
    read_only<&C::CardInserted>(DISPID_CardInserted, "CardInserted"),
    read_only<&C::CardHavePower>(DISPID_CardHavePower, "CardHavePower"),
    read_only<&C::LibraryVersion>(DISPID_LibraryVersion, "LibraryVersion"),
    read_only<&C::CurrentBaudRate>(DISPID_CurrentBaudRate, "CurrentBaudRate"),
    read_only<&C::CurrentCardGroup>(DISPID_CurrentCardGroup, "CurrentCardGroup"),
    read_write<&C::CLA, &C::SetCLA>(DISPID_CLA, "CLA"),
    read_write<&C::INS, &C::SetINS>(DISPID_INS, "INS"),
    read_write<&C::Lc, &C::SetLc>(DISPID_Lc, "Lc"),
    read_write<&C::Le, &C::SetLe>(DISPID_Le, "Le"),
    read_write<&C::P1, &C::SetP1>(DISPID_P1, "P1"),
    read_write<&C::P2, &C::SetP2>(DISPID_P2, "P2"),
    read_write<&C::SW1, &C::SetSW1>(DISPID_SW1, "SW1"),
    read_write<&C::SW2, &C::SetSW2>(DISPID_SW2, "SW2"),
    method<&C::QXOpen>(DISPID_QXOpen, "QXOpen"),
    method<&C::QXClose>(DISPID_QXClose, "QXClose"),
    method<&C::QXStartSession>(DISPID_QXStartSession, "QXStartSession"),
    method<&C::QXEndSession>(DISPID_QXEndSession, "QXEndSession"),
    method<&C::QXExchangeAPDU>(DISPID_QXExchangeAPDU, "QXExchangeAPDU"),
    indexed<&C::DataIn, &C::SetDataIn>(DISPID_DataIn, "DataIn", "index"),
    indexed<&C::DataOut, &C::SetDataOut>(DISPID_DataOut, "DataOut", "index"),
    indexed_read_only<&C::SupportCardGroup>(DISPID_SupportCardGroup, "SupportCardGroup", "CardGroup"),
    method<&C::AboutBox>(DISPID_ABOUTBOX, "AboutBox"),
};

char lower_ascii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool names_match(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return lower_ascii(x) == lower_ascii(y); });
}

std::span<const Member> dispatch_members() { return kMembers; }

const Member* member_by_id(DISPID id) {
  const auto found = std::ranges::find(kMembers, id, &Member::id);
  return found == kMembers.end() ? nullptr : &*found;
}

const Member* member_by_name(std::string_view name) {
  const auto found = std::ranges::find_if(kMembers, [&](const Member& m) { return names_match(m.name, name); });
  return found == kMembers.end() ? nullptr : &*found;
}

}  // namespace pelorus::control
