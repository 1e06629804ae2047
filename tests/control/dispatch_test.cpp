// Late binding without a reader: names and identifiers, the kinds of call, argument checks, a
// fresh control, and the members that work on the control's own state.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <utility>
#include <vector>

#include "control_client.h"

namespace control_test {
namespace {

TEST(Dispatch, EveryMemberHasItsIdentifier) {
  const std::vector<std::pair<const char*, DISPID>> members = {
      {"ReaderType", 1},        {"ReaderPort", 2},         {"CardType", 3},      {"ATR", 4},
      {"CLA", 5},               {"INS", 6},                {"Lc", 7},            {"Le", 8},
      {"P1", 9},                {"P2", 10},                {"SW1", 11},          {"SW2", 12},
      {"FWRevision", 13},       {"MaxC", 14},              {"MaxR", 15},         {"CardInserted", 16},
      {"CardHavePower", 17},    {"LibraryVersion", 18},    {"CurrentBaudRate", 19}, {"CurrentCardGroup", 20},
      {"QXOpen", 21},           {"QXClose", 22},           {"QXStartSession", 23}, {"QXEndSession", 24},
      {"QXExchangeAPDU", 25},   {"DataIn", 26},            {"DataOut", 27},      {"SupportCardGroup", 28},
      {"AboutBox", -552},
  };
  ControlClient control;
  for (const auto& [name, id] : members) EXPECT_EQ(control.id(name), id) << name;
}

TEST(Dispatch, NamesMatchWithoutRegardToCase) {
  ControlClient control;
  EXPECT_EQ(control.id("readertype"), 1);
  EXPECT_EQ(control.id("QXEXCHANGEAPDU"), 25);

  const char* names[] = {"dataIN", "INDEX"};
  DISPID ids[2] = {};
  EXPECT_EQ(control.dispatch()->lpVtbl->GetIDsOfNames(control.dispatch(), names, 2, ids), S_OK);
  EXPECT_EQ(ids[0], 26);
  EXPECT_EQ(ids[1], 0) << "the argument's name";
}

TEST(Dispatch, UnknownNamesAreReported) {
  ControlClient control;
  const char* unknown[] = {"ReaderTypes"};
  DISPID id = 7;
  EXPECT_EQ(control.dispatch()->lpVtbl->GetIDsOfNames(control.dispatch(), unknown, 1, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);

  const char* wrong_argument[] = {"DataOut", "CardGroup"};
  DISPID ids[2] = {};
  EXPECT_EQ(control.dispatch()->lpVtbl->GetIDsOfNames(control.dispatch(), wrong_argument, 2, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 27);
  EXPECT_EQ(ids[1], DISPID_UNKNOWN);
}

TEST(Dispatch, AFreshControlHasTheDefaultsAndNoReader) {
  ControlClient control;
  EXPECT_EQ(control.get("ReaderType").vt, VT_I2);
  EXPECT_EQ(control.number("ReaderType"), 255);
  EXPECT_EQ(control.number("ReaderPort"), 1);
  EXPECT_EQ(control.number("CardType"), 0);
  for (const char* name : {"CLA", "INS", "P1", "P2", "Lc", "Le", "SW1", "SW2", "MaxC", "MaxR", "LibraryVersion"})
    EXPECT_EQ(control.number(name), 0) << name;
  EXPECT_EQ(control.get("ATR").text, "");
  EXPECT_EQ(control.get("FWRevision").text, "");
  EXPECT_EQ(control.get("CurrentBaudRate").vt, VT_I4);
  EXPECT_EQ(control.get("CardInserted").vt, VT_BOOL);
  EXPECT_EQ(control.get_at("DataIn", 0).integer, 0);
  EXPECT_EQ(control.get_at("DataOut", 255).integer, 0);

  EXPECT_EQ(control.call("QXStartSession"), -1);
  EXPECT_EQ(control.call("QXEndSession"), -1);
  EXPECT_EQ(control.call("QXExchangeAPDU"), -1);
  EXPECT_EQ(control.call("QXClose"), 0);
}

TEST(Dispatch, PlainPropertiesKeepWhatIsWritten) {
  ControlClient control;
  control.set("Lc", 300);
  EXPECT_EQ(control.number("Lc"), 300) << "the whole value is kept; only its low byte is sent";
  control.set("ReaderType", -1);
  EXPECT_EQ(control.number("ReaderType"), -1);
  EXPECT_EQ(control.put("ATR", Variant::string("3B 00")), S_OK);
  EXPECT_EQ(control.get("ATR").text, "3B 00");
  EXPECT_EQ(control.put("SW1", Variant::i4(0x90)), S_OK) << "an i32 in range is taken";
  EXPECT_EQ(control.number("SW1"), 0x90);
}

TEST(Dispatch, ArgumentsOfTheWrongTypeOrRangeChangeNothing) {
  ControlClient control;
  control.set("CLA", 5);
  EXPECT_EQ(control.put("CLA", Variant::i4(40000)), DISP_E_OVERFLOW);
  EXPECT_EQ(control.put("CLA", Variant::string("6")), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(control.put("ATR", Variant::i2(6)), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(control.number("CLA"), 5);
  EXPECT_EQ(control.put("CLA", Variant::boolean(true)), S_OK) << "a bool is -1 as an integer";
  EXPECT_EQ(control.number("CLA"), -1);
}

TEST(Dispatch, ReadOnlyPropertiesRefuseWrites) {
  ControlClient control;
  for (const char* name : {"FWRevision", "MaxC", "MaxR", "CardInserted", "CardHavePower", "LibraryVersion",
                           "CurrentBaudRate", "CurrentCardGroup"}) {
    EXPECT_EQ(control.put(name, Variant::i2(1)), CTL_E_SETNOTSUPPORTED) << name;
  }
  EXPECT_EQ(control.put("FWRevision", Variant::string("x")), CTL_E_SETNOTSUPPORTED);
  EXPECT_EQ(control.get("FWRevision").text, "");
  EXPECT_EQ(control.put_at("SupportCardGroup", 1, Variant::boolean(true)), CTL_E_SETNOTSUPPORTED);
  EXPECT_EQ(control.get_at("SupportCardGroup", 1).integer, VARIANT_FALSE);
}

TEST(Dispatch, CallsOfTheWrongKindOrCountAreRefused) {
  ControlClient control;
  Variant out;
  std::vector<Variant> one;
  one.push_back(Variant::i2(1));
  EXPECT_EQ(control.invoke(control.id("QXOpen"), DISPATCH_PROPERTYGET).hr, DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(control.invoke(control.id("QXOpen"), DISPATCH_PROPERTYPUT, std::move(one)).hr, DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(control.invoke(control.id("ReaderType"), DISPATCH_METHOD).hr, DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(control.invoke(28, DISPATCH_PROPERTYGET).hr, DISP_E_BADPARAMCOUNT) << "SupportCardGroup needs its argument";
  EXPECT_EQ(control.invoke(1, DISPATCH_PROPERTYPUT).hr, DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(control.invoke(99, DISPATCH_PROPERTYGET).hr, DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(control.dispatch()->lpVtbl->Invoke(control.dispatch(), 1, DISPATCH_PROPERTYPUT, nullptr, 1, out.get()),
            E_POINTER);

  const Result both = control.invoke(control.id("ReaderType"), DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  EXPECT_EQ(both.hr, S_OK) << "a scripting host's method-or-get is a get";
  EXPECT_EQ(both.integer, 255);
}

TEST(Dispatch, DataElementsOutsideTheArraysReadMinusOneAndIgnoreWrites) {
  ControlClient control;
  EXPECT_EQ(control.put_at("DataIn", 5, Variant::i2(0x3F)), S_OK);
  EXPECT_EQ(control.get_at("DataIn", 5).integer, 0x3F);
  EXPECT_EQ(control.put_at("DataIn", -1, Variant::i2(5)), S_OK);
  EXPECT_EQ(control.put_at("DataIn", 256, Variant::i2(5)), S_OK);
  EXPECT_EQ(control.get_at("DataIn", -1).integer, -1);
  EXPECT_EQ(control.get_at("DataOut", 256).integer, -1);
  for (std::int16_t i = 0; i < 256; ++i) {
    if (i == 5) continue;
    ASSERT_EQ(control.get_at("DataIn", i).integer, 0) << i;
  }
  EXPECT_EQ(control.put_at("DataOut", 255, Variant::i2(-7)), S_OK);
  EXPECT_EQ(control.get_at("DataOut", 255).integer, -7);
}

TEST(Dispatch, AboutBoxWithoutADisplayFailsInsteadOfEndingTheHost) {
  ::unsetenv("QT_QPA_PLATFORM");
  ::unsetenv("DISPLAY");
  ::unsetenv("WAYLAND_DISPLAY");
  ControlClient control;
  const Result result = control.invoke(DISPID_ABOUTBOX, DISPATCH_METHOD);
  EXPECT_EQ(result.hr, E_FAIL);
  EXPECT_EQ(result.vt, VT_EMPTY);
}

}  // namespace
}  // namespace control_test
