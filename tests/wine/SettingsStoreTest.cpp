// The settings store in this process: what reading creates, what each stored value reads as,
// and what writing hands the registry. The write is seen through this program's own import
// of RegSetValueExA, which the test points at a recorder that then calls the system: the
// system itself (Wine, like the NT family) lengthens a text by the zero that follows it in
// memory, so only the call shows the size the saver asked for.

#include "player/Player.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace cinefold;

namespace {

const char settingsKeyName[] = "Software\\Quillmark\\CinefoldScreenSaver";

using SetValueProc = LONG(WINAPI*)(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD);
SetValueProc systemSetValue = nullptr;

struct RecordedWrite {
    std::string name;
    DWORD type = 0;
    DWORD size = 0;
    std::string data;
};
std::vector<RecordedWrite> writes;

LONG WINAPI recordingSetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                              DWORD size) {
    writes.push_back(
        {name ? name : "", type, size, std::string(reinterpret_cast<const char*>(data), size)});
    return systemSetValue(key, name, reserved, type, data, size);
}

// Points this program's import of ADVAPI32's RegSetValueExA at `replacement` and returns the
// entry that was there, or null when there is no such import.
void* replaceImport(const char* moduleName, const char* functionName, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
    for (; descriptor->Name; ++descriptor) {
        if (_stricmp(reinterpret_cast<char*>(base + descriptor->Name), moduleName) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char*>(byName->Name), functionName) != 0) continue;
            DWORD previousProtection = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                           &previousProtection);
            void* previous = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, previousProtection,
                           &previousProtection);
            return previous;
        }
    }
    return nullptr;
}

void deleteSettingsKey() {
    RegDeleteTreeA(HKEY_CURRENT_USER, settingsKeyName);
    RegDeleteKeyA(HKEY_CURRENT_USER, settingsKeyName);
}

bool settingsKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyName, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Stores exactly these bytes: a non-zero byte after them keeps the system from adding a zero.
void storeExactly(const char* name, DWORD type, const std::string& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, settingsKeyName, &key), ERROR_SUCCESS);
    std::string buffer = data + '\xFF';
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(buffer.data()),
                             DWORD(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

} // namespace

class SettingsStore : public testing::Test {
  protected:
    void SetUp() override { deleteSettingsKey(); }
    void TearDown() override { deleteSettingsKey(); }
};

TEST_F(SettingsStore, TheFirstReadCreatesTheKeyWithNoValue) {
    ASSERT_FALSE(settingsKeyExists());
    std::string text = "left over";
    EXPECT_EQ(Player::readSetting("StageSize", text), 0);
    EXPECT_TRUE(text.empty());
    EXPECT_TRUE(settingsKeyExists());
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyName, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD values = 99;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    EXPECT_EQ(values, 0u);
}

TEST_F(SettingsStore, WritingHandsTheRegistryTheTextAsRegSzWithoutItsTerminatingZero) {
    systemSetValue = reinterpret_cast<SetValueProc>(replaceImport(
        "advapi32.dll", "RegSetValueExA", reinterpret_cast<void*>(recordingSetValue)));
    ASSERT_NE(systemSetValue, nullptr) << "no import of RegSetValueExA to watch";
    writes.clear();
    Player::writeSetting("StageSize", "1");
    Player::writeSetting("StageSize", "0");
    Player::writeSetting("Other", "longer text");
    replaceImport("advapi32.dll", "RegSetValueExA", reinterpret_cast<void*>(systemSetValue));

    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0].name, "StageSize");
    EXPECT_EQ(writes[0].type, DWORD(REG_SZ));
    EXPECT_EQ(writes[0].size, 1u);
    EXPECT_EQ(writes[0].data, "1");
    EXPECT_EQ(writes[1].size, 1u);
    EXPECT_EQ(writes[1].data, "0");
    EXPECT_EQ(writes[2].size, 11u);

    std::string text;
    EXPECT_EQ(Player::readSetting("StageSize", text), 1);
    EXPECT_EQ(text[0], '0') << "the last write is what is read";
}

struct StoredValue {
    const char* what;
    DWORD type;
    std::string data;
    int found;
    std::size_t readSize;
    char first;
};

class SettingsRead : public SettingsStore, public testing::WithParamInterface<StoredValue> {};

TEST_P(SettingsRead, ReadsTheWholeValueAndCountsEmptyDataAsAbsent) {
    const StoredValue& c = GetParam();
    storeExactly("StageSize", c.type, c.data);
    std::string text;
    EXPECT_EQ(Player::readSetting("StageSize", text), c.found);
    EXPECT_EQ(text.size(), c.readSize);
    if (c.found) {
        EXPECT_EQ(text[0], c.first);
    }
}

INSTANTIATE_TEST_SUITE_P(
    HandSetValues, SettingsRead,
    testing::Values(StoredValue{"ZeroDots", REG_SZ, "0...", 1, 4, '0'},
                    StoredValue{"One", REG_SZ, "1", 1, 1, '1'},
                    StoredValue{"Letter", REG_SZ, "x", 1, 1, 'x'},
                    StoredValue{"ZeroByte", REG_SZ, std::string(1, '\0'), 1, 1, '\0'},
                    StoredValue{"EmptyData", REG_SZ, "", 0, 0, 0},
                    StoredValue{"LongText", REG_SZ, "1" + std::string(4999, '0'), 1, 5000, '1'},
                    StoredValue{"BinaryOne", REG_BINARY, "1", 1, 1, '1'}),
    [](const testing::TestParamInfo<StoredValue>& info) { return std::string(info.param.what); });

TEST_F(SettingsStore, AValueLargerThanAMebibyteIsTreatedAsAbsent) {
    storeExactly("StageSize", REG_BINARY, std::string((1 << 20) + 1, '1'));
    std::string text;
    EXPECT_EQ(Player::readSetting("StageSize", text), 0);
    EXPECT_TRUE(text.empty());
    storeExactly("StageSize", REG_BINARY, std::string(1 << 20, '1'));
    EXPECT_EQ(Player::readSetting("StageSize", text), 1);
    EXPECT_EQ(text.size(), std::size_t(1) << 20);
}
