// Registration into the per-user registry, in a temporary XDG_DATA_HOME of each test's own.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "pelorus.h"

namespace control_test {
namespace {

namespace fs = std::filesystem;

const char* const kControlClsid = "{3CE2AEB8-6DA5-408C-9350-CAD548EBBC10}";
const char* const kPageClsid = "{12B3F76B-4D26-41FD-AE01-A1637AFF0C03}";
const char* const kLibid = "{934A095E-0548-4AAF-B730-7A38B0852E51}";

std::map<std::string, std::string> key(const fs::path& file) {
  std::map<std::string, std::string> values;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '#' && line.find('=') != std::string::npos)
      values[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
  return values;
}

std::vector<fs::path> files_below(const fs::path& folder) {
  std::vector<fs::path> files;
  if (fs::exists(folder))
    for (const auto& entry : fs::recursive_directory_iterator(folder))
      if (!entry.is_directory()) files.push_back(entry.path());
  return files;
}

class Registration : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/pelorus-registry-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    home = pattern;
    ::setenv("XDG_DATA_HOME", home.c_str(), 1);
    root = home / "pelorus";
  }
  void TearDown() override { fs::remove_all(home); }

  fs::path control_key() const { return root / "clsid" / kControlClsid; }
  fs::path type_library() const { return root / "typelib" / kLibid / "1.0"; }

  fs::path home;
  fs::path root;
};

TEST_F(Registration, RegistersTheControlClass) {
  ASSERT_EQ(DllRegisterServer(), S_OK);
  const std::string module = fs::canonical(PELORUS_MODULE).string();
  const auto values = key(control_key());
  EXPECT_EQ(values.at("ProgID"), "Pelorus.PelorusCtrl.1");
  EXPECT_EQ(values.at("TypeName"), "Pelorus Control");
  EXPECT_EQ(values.at("InprocServer"), module);
  EXPECT_EQ(values.at("ThreadingModel"), "Apartment");
  EXPECT_EQ(values.at("MiscStatus"), "0x20591");
  EXPECT_EQ(values.at("Insertable"), "yes");
  EXPECT_EQ(values.at("Control"), "yes");
  EXPECT_EQ(values.at("ToolboxBitmap"), module + ",1");
  EXPECT_EQ(values.at("TypeLib"), kLibid);
  EXPECT_EQ(values.at("Version"), "1.0");
  const auto prog_id = key(root / "progid" / "Pelorus.PelorusCtrl.1");
  EXPECT_EQ(prog_id.at("CLSID"), kControlClsid);
}

TEST_F(Registration, RegistersThePropertyPageClass) {
  ASSERT_EQ(DllRegisterServer(), S_OK);
  const auto values = key(root / "clsid" / kPageClsid);
  EXPECT_EQ(values.at("TypeName"), "Pelorus Property Page");
  EXPECT_EQ(values.at("ProgID"), "Pelorus.PelorusPropPage.1");
  EXPECT_EQ(values.at("InprocServer"), fs::canonical(PELORUS_MODULE).string());
  EXPECT_EQ(values.count("Control"), 0u);
  EXPECT_EQ(key(root / "progid" / "Pelorus.PelorusPropPage.1").at("CLSID"), kPageClsid);
}

TEST_F(Registration, WritesTheTypeLibraryOutWithItsMembersInOrder) {
  ASSERT_EQ(DllRegisterServer(), S_OK);
  const auto values = key(type_library() / "registration");
  EXPECT_EQ(values.at("Name"), "PelorusLib");
  EXPECT_EQ(values.at("HelpString"), "Pelorus ActiveX Control module");
  EXPECT_EQ(values.at("HelpFile"), "Pelorus.hlp");
  EXPECT_EQ(values.at("Locale"), "0");

  std::ifstream in(type_library() / values.at("Definition"));
  std::vector<std::string> members;
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string kind, id, name;
    if (words >> kind >> id >> name && (kind == "property" || kind == "method")) members.push_back(id + ' ' + name);
  }
  const std::vector<std::string> expected = {
      "1 ReaderType", "2 ReaderPort", "3 CardType", "4 ATR", "13 FWRevision", "14 MaxC", "15 MaxR",
      "16 CardInserted", "17 CardHavePower", "18 LibraryVersion", "19 CurrentBaudRate", "20 CurrentCardGroup",
      "5 CLA", "6 INS", "7 Lc", "8 Le", "9 P1", "10 P2", "11 SW1", "12 SW2", "21 QXOpen", "22 QXClose",
      "23 QXStartSession", "24 QXEndSession", "25 QXExchangeAPDU", "26 DataIn(i16", "27 DataOut(i16",
      "28 SupportCardGroup(i16", "-552 AboutBox"};
  EXPECT_EQ(members, expected);
}

TEST_F(Registration, ATypeLibraryThatCannotBeWrittenStopsBeforeTheClasses) {
  fs::create_directories(root);
  std::ofstream(root / "typelib") << "in the way";
  EXPECT_EQ(DllRegisterServer(), SELFREG_E_TYPELIB);
  EXPECT_FALSE(fs::exists(root / "clsid"));
  EXPECT_FALSE(fs::exists(root / "progid"));
}

TEST_F(Registration, AClassThatCannotBeWrittenKeepsTheTypeLibrary) {
  fs::create_directories(root);
  std::ofstream(root / "clsid") << "in the way";
  EXPECT_EQ(DllRegisterServer(), SELFREG_E_CLASS);
  EXPECT_TRUE(fs::exists(type_library() / "registration")) << "a step that succeeded is not undone";
}

TEST_F(Registration, UnregisteringRemovesEverything) {
  ASSERT_EQ(DllRegisterServer(), S_OK);
  ASSERT_EQ(DllRegisterServer(), S_OK) << "registering again overwrites";
  EXPECT_EQ(DllUnregisterServer(), S_OK);
  EXPECT_EQ(files_below(root), std::vector<fs::path>{});
}

TEST_F(Registration, UnregisteringWhatIsNotRegisteredFails) {
  EXPECT_EQ(DllUnregisterServer(), SELFREG_E_TYPELIB);
}

TEST_F(Registration, UnregisteringStopsAtAClassItCannotRemove) {
  ASSERT_EQ(DllRegisterServer(), S_OK);
  fs::remove(control_key());
  fs::create_directories(control_key());
  std::ofstream(control_key() / "something") << "kept";
  EXPECT_EQ(DllUnregisterServer(), SELFREG_E_CLASS);
  EXPECT_FALSE(fs::exists(type_library() / "registration")) << "the type library went first";
  EXPECT_TRUE(fs::exists(control_key() / "something"));
}

TEST_F(Registration, AProgIdNamingAnotherClassIsLeftAlone) {
  ASSERT_EQ(DllRegisterServer(), S_OK);
  std::ofstream(root / "progid" / "Pelorus.PelorusCtrl.1") << "CLSID={00000000-0000-0000-0000-000000000001}\n";
  EXPECT_EQ(DllUnregisterServer(), S_OK);
  EXPECT_TRUE(fs::exists(root / "progid" / "Pelorus.PelorusCtrl.1"));
  EXPECT_FALSE(fs::exists(control_key()));
}

TEST_F(Registration, ARelativeDataHomeIsIgnored) {
  ::setenv("XDG_DATA_HOME", "relative/data", 1);
  ::setenv("HOME", home.c_str(), 1);
  ASSERT_EQ(DllRegisterServer(), S_OK);
  EXPECT_TRUE(fs::exists(home / ".local" / "share" / "pelorus" / "clsid" / kControlClsid));
}

}  // namespace
}  // namespace control_test
