// The control's persistence through a host's property bag, and its picture drawn into a buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "control_client.h"

namespace control_test {
namespace {

// A host's property bag: what was written, in order, and what Read gives.
class Bag {
 public:
  Bag() : face_{&kTable, this} {}
  IPropertyBag* get() { return &face_; }

  std::vector<std::pair<std::string, VARIANT>> written;
  std::map<std::string, VARIANT> readable;  // strings in it are copied out with strdup
  HRESULT read_failure = S_OK;              // returned by Read for every name when set

 private:
  struct Face : IPropertyBag {
    Bag* bag;
  };
  static Bag& of(IPropertyBag* self) { return *static_cast<Face*>(self)->bag; }
  static HRESULT query(IPropertyBag*, const IID*, void**) { return E_NOINTERFACE; }
  static std::uint32_t count(IPropertyBag*) { return 1; }
  static HRESULT read(IPropertyBag* self, const char* name, VARIANT* value) {
    Bag& bag = of(self);
    if (bag.read_failure != S_OK) return bag.read_failure;
    const auto found = bag.readable.find(name);
    if (found == bag.readable.end()) return E_INVALIDARG;
    *value = found->second;
    if (value->vt == VT_BSTR) value->bstrVal = strdup(value->bstrVal);
    return S_OK;
  }
  static HRESULT write(IPropertyBag* self, const char* name, const VARIANT* value) {
    of(self).written.emplace_back(name, *value);
    return S_OK;
  }
  static constexpr IPropertyBagVtbl kTable = {query, count, count, read, write};
  Face face_;
};

VARIANT i2(std::int16_t value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I2;
  v.iVal = value;
  return v;
}

class Persistence : public ::testing::Test {
 protected:
  HRESULT save(Bag& bag, bool clear_dirty = true) { return persist->lpVtbl->Save(persist.get(), bag.get(), clear_dirty); }
  HRESULT load(Bag& bag) { return persist->lpVtbl->Load(persist.get(), bag.get()); }
  bool dirty() { return persist->lpVtbl->IsDirty(persist.get()) == S_OK; }

  ControlClient control;
  ComPtr<IPersistPropertyBag> persist = control.query<IPersistPropertyBag>(IID_IPersistPropertyBag);
};

TEST_F(Persistence, SavesTheVersionThenPortTypeAndCardTypeInThatOrder) {
  control.set("ReaderType", 4);
  control.set("CLA", 0x80);  // not persisted
  Bag bag;
  ASSERT_EQ(save(bag), S_OK);
  ASSERT_EQ(bag.written.size(), 4u);
  EXPECT_EQ(bag.written[0].first, "_Version");
  EXPECT_EQ(bag.written[0].second.vt, VT_I4);
  EXPECT_EQ(bag.written[0].second.lVal, 0x00010000);
  const std::vector<std::pair<std::string, int>> expected = {{"ReaderPort", 1}, {"ReaderType", 4}, {"CardType", 0}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(bag.written[i + 1].first, expected[i].first);
    EXPECT_EQ(bag.written[i + 1].second.vt, VT_I2);
    EXPECT_EQ(bag.written[i + 1].second.iVal, expected[i].second);
  }
}

TEST_F(Persistence, LoadTakesTheDefaultsForWhatTheBagLacks) {
  control.set("ReaderPort", 0);
  control.set("CardType", 14);
  Bag bag;
  bag.readable["ReaderType"] = i2(3);
  ASSERT_EQ(load(bag), S_OK);
  EXPECT_EQ(control.number("ReaderType"), 3);
  EXPECT_EQ(control.number("ReaderPort"), 1);
  EXPECT_EQ(control.number("CardType"), 0);
}

TEST_F(Persistence, ABadValueLoadsNothing) {
  Bag bag;
  bag.readable["ReaderPort"] = i2(0);
  VARIANT text;
  VariantInit(&text);
  text.vt = VT_BSTR;
  text.bstrVal = const_cast<char*>("4");
  bag.readable["ReaderType"] = text;
  EXPECT_EQ(load(bag), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(control.number("ReaderPort"), 1) << "the value read before the bad one is not taken either";

  VARIANT wide;
  VariantInit(&wide);
  wide.vt = VT_I4;
  wide.lVal = 70000;
  bag.readable["ReaderType"] = wide;
  EXPECT_EQ(load(bag), DISP_E_OVERFLOW);

  Bag failing;
  failing.read_failure = E_FAIL;
  EXPECT_EQ(load(failing), E_FAIL);
  EXPECT_EQ(control.number("ReaderPort"), 1);
  EXPECT_EQ(control.number("ReaderType"), 255);
}

TEST_F(Persistence, ResettingGivesTheDefaults) {
  control.set("ReaderType", 0);
  control.set("ReaderPort", 0);
  control.set("CardType", 15);
  EXPECT_EQ(persist->lpVtbl->InitNew(persist.get()), S_OK);
  EXPECT_EQ(control.number("ReaderType"), 255);
  EXPECT_EQ(control.number("ReaderPort"), 1);
  EXPECT_EQ(control.number("CardType"), 0);
  EXPECT_FALSE(dirty());
}

TEST_F(Persistence, WritesOfPersistedStateMarkTheControlModified) {
  EXPECT_FALSE(dirty());
  control.set("CLA", 1);
  EXPECT_FALSE(dirty()) << "CLA is not persisted";
  control.set("CardType", 14);
  EXPECT_TRUE(dirty());

  Bag bag;
  ASSERT_EQ(save(bag, false), S_OK);
  EXPECT_TRUE(dirty()) << "a save that keeps the flag";
  ASSERT_EQ(save(bag), S_OK);
  EXPECT_FALSE(dirty());

  EXPECT_EQ(control.put_at("DataIn", -1, Variant::i2(1)), S_OK);
  EXPECT_FALSE(dirty()) << "an ignored write changes nothing";
  EXPECT_EQ(control.put_at("DataOut", 3, Variant::i2(1)), S_OK);
  EXPECT_TRUE(dirty());
  Bag empty;
  ASSERT_EQ(load(empty), S_OK);
  EXPECT_FALSE(dirty());
}

class View : public ::testing::Test {
 protected:
  static constexpr int kWidth = 24;
  static constexpr int kHeight = 20;
  static constexpr int kStride = kWidth * 4;

  View() { pixels.assign(static_cast<std::size_t>(kStride * kHeight), 0x11); }
  HRESULT draw(RECT bounds) { return view->lpVtbl->Draw(view.get(), pixels.data(), kWidth, kHeight, kStride, &bounds); }
  std::uint32_t rgba(int x, int y) const {
    const std::uint8_t* p = &pixels[static_cast<std::size_t>(y * kStride + x * 4)];
    return static_cast<std::uint32_t>(p[0] << 24 | p[1] << 16 | p[2] << 8 | p[3]);
  }

  ControlClient control;
  ComPtr<IViewObject> view = control.query<IViewObject>(IID_IViewObject);
  std::vector<std::uint8_t> pixels;
};

constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kUntouched = 0x11111111;
constexpr std::uint32_t kBlack = 0x000000FF;

TEST_F(View, FillsTheBoundsWhiteAndPutsThePictureAtTheTopLeft) {
  ASSERT_EQ(draw({2, 3, 22, 20}), S_OK);
  EXPECT_EQ(rgba(1, 3), kUntouched);
  EXPECT_EQ(rgba(2, 2), kUntouched);
  EXPECT_EQ(rgba(22, 10), kUntouched);
  EXPECT_EQ(rgba(2, 3), kWhite) << "the picture's own white corner";
  EXPECT_EQ(rgba(2 + 4, 3), kBlack) << "the card's outline";
  EXPECT_EQ(rgba(2 + 15, 3 + 14), kWhite);
  EXPECT_EQ(rgba(2 + 16, 3), kWhite) << "right of the 16 pixels: the fill";
  EXPECT_EQ(rgba(2, 3 + 15), kWhite) << "below the 15 rows: the fill";
  EXPECT_EQ(rgba(21, 19), kWhite);
}

TEST_F(View, DrawsOnlyInsideBothTheBoundsAndTheBuffer) {
  ASSERT_EQ(draw({-4, -1, 3, 2}), S_OK);
  EXPECT_EQ(rgba(0, 0), kBlack) << "picture pixel (4, 1)";
  EXPECT_EQ(rgba(3, 0), kUntouched);
  EXPECT_EQ(rgba(0, 2), kUntouched);
  ASSERT_EQ(draw({20, 16, 1000, 1000}), S_OK) << "bounds past the buffer are cut to it";
  EXPECT_EQ(rgba(23, 19), kWhite);
  ASSERT_EQ(draw({30, 30, 40, 40}), S_OK);
}

TEST_F(View, RefusesABufferItCannotDrawInto) {
  const RECT bounds{0, 0, 4, 4};
  EXPECT_EQ(view->lpVtbl->Draw(view.get(), nullptr, kWidth, kHeight, kStride, &bounds), E_POINTER);
  EXPECT_EQ(view->lpVtbl->Draw(view.get(), pixels.data(), kWidth, kHeight, kStride, nullptr), E_POINTER);
  EXPECT_EQ(view->lpVtbl->Draw(view.get(), pixels.data(), kWidth, kHeight, kStride - 1, &bounds), E_INVALIDARG);
  EXPECT_EQ(view->lpVtbl->Draw(view.get(), pixels.data(), 0, kHeight, kStride, &bounds), E_INVALIDARG);
  EXPECT_EQ(rgba(0, 0), kUntouched);
}

}  // namespace
}  // namespace control_test
