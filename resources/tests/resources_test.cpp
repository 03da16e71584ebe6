// Checks the compiled resources as the program reads them: both languages
// complete and alike, texts with their blanks and format fields intact, the
// pictures, the icon and the version record in the shapes their readers expect.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "resource.h"

namespace {

const WORD kEnglish = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
const WORD kKorean = MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN);
const WORD kLanguages[] = {kEnglish, kKorean};

const int kStringIds[] = {101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 116, 118,
                          119, 120, 121, 122, 123, 124, 125, 126, 127, 128, 129, 136, 137, 138, 139,
                          140, 141, 142};

// Bytes of one resource in exactly the given language, empty when absent.
std::string ResourceBytes(LPCWSTR type, int id, WORD lang) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceExW(module, type, MAKEINTRESOURCEW(id), lang);
    if (found == nullptr) return {};
    const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return std::string(data, SizeofResource(module, found));
}

// A string table entry read from its block, so that the language is exact
// (LoadStringW would let the loader choose).
bool LoadText(int id, WORD lang, std::wstring& text) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC block = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), lang);
    if (block == nullptr) return false;
    const WCHAR* p = static_cast<const WCHAR*>(LockResource(LoadResource(module, block)));
    for (int i = 0; i < id % 16; ++i) p += 1 + *p;
    text.assign(p + 1, *p);
    return *p != 0;
}

struct DialogItem {
    int id;
    std::wstring windowClass;
    std::wstring text;
    int x, y, cx, cy;
};

struct DialogTemplate {
    int cx = 0, cy = 0;
    int menu = 0;
    std::wstring caption;
    std::vector<DialogItem> items;
};

// Walks an extended dialog template (DLGTEMPLATEEX followed by DLGITEMTEMPLATEEX records).
class TemplateReader {
public:
    explicit TemplateReader(const std::string& bytes) : bytes_(bytes) {}

    bool Read(DialogTemplate& dialog) {
        if (bytes_.size() < 26 || Word(0) != 1 || Word(2) != 0xFFFF) return false;
        const DWORD style = Dword(12);
        const int count = Word(16);
        dialog.cx = Short(22);
        dialog.cy = Short(24);
        pos_ = 26;
        dialog.menu = NameOrOrdinal(nullptr);
        NameOrOrdinal(nullptr);  // window class
        dialog.caption = Text();
        if (style & DS_SETFONT) {
            pos_ += 6;  // point size, weight, italic, character set
            Text();
        }
        for (int i = 0; i < count; ++i) {
            pos_ = (pos_ + 3) & ~size_t{3};
            if (pos_ + 24 > bytes_.size()) return false;
            DialogItem item;
            item.x = Short(pos_ + 12);
            item.y = Short(pos_ + 14);
            item.cx = Short(pos_ + 16);
            item.cy = Short(pos_ + 18);
            item.id = static_cast<int>(Dword(pos_ + 20));
            pos_ += 24;
            const int classOrdinal = NameOrOrdinal(&item.windowClass);
            if (classOrdinal != 0) item.windowClass = L"#" + std::to_wstring(classOrdinal);
            NameOrOrdinal(&item.text);
            pos_ += 2 + Word(pos_);  // creation data
            dialog.items.push_back(item);
        }
        return pos_ <= bytes_.size();
    }

private:
    WORD Word(size_t at) const {
        if (at + 2 > bytes_.size()) return 0;
        WORD w;
        std::memcpy(&w, bytes_.data() + at, 2);
        return w;
    }
    short Short(size_t at) const { return static_cast<short>(Word(at)); }
    DWORD Dword(size_t at) const { return Word(at) | (DWORD{Word(at + 2)} << 16); }
    std::wstring Text() {
        std::wstring s;
        while (pos_ + 2 <= bytes_.size()) {
            const WORD c = Word(pos_);
            pos_ += 2;
            if (c == 0) break;
            s += static_cast<wchar_t>(c);
        }
        return s;
    }
    // Returns the ordinal, or 0 with the name stored when there is a name.
    int NameOrOrdinal(std::wstring* name) {
        if (Word(pos_) == 0xFFFF) {
            const int ordinal = Word(pos_ + 2);
            pos_ += 4;
            return ordinal;
        }
        const std::wstring s = Text();
        if (name != nullptr) *name = s;
        return 0;
    }

    const std::string& bytes_;
    size_t pos_ = 0;
};

DialogTemplate ReadDialog(int id, WORD lang) {
    DialogTemplate dialog;
    const std::string bytes = ResourceBytes(RT_DIALOG, id, lang);
    EXPECT_FALSE(bytes.empty()) << "dialog " << id << " language " << lang;
    EXPECT_TRUE(TemplateReader(bytes).Read(dialog)) << "dialog " << id << " language " << lang;
    return dialog;
}

TEST(StringTable, EveryTextExistsInBothLanguages) {
    for (int id : kStringIds) {
        std::wstring english, korean;
        EXPECT_TRUE(LoadText(id, kEnglish, english)) << id;
        EXPECT_TRUE(LoadText(id, kKorean, korean)) << id;
        // Only the column title "RSSI" reads the same in both languages.
        if (id != IDS_COLUMN_RSSI) {
            EXPECT_NE(english, korean) << id;
        }
    }
}

TEST(StringTable, BlanksLineBreaksAndFormatFieldsSurvive) {
    std::wstring text;
    ASSERT_TRUE(LoadText(IDS_ADV_INTERVAL_SAVED, kEnglish, text));
    EXPECT_EQ(L' ', text.back());
    ASSERT_TRUE(LoadText(IDS_ERR_PORT_FAILURE, kKorean, text));
    EXPECT_EQ(L' ', text.front());
    ASSERT_TRUE(LoadText(IDS_ERR_PORT_FAILURE, kEnglish, text));
    EXPECT_NE(L' ', text.front());
    for (WORD lang : kLanguages) {
        ASSERT_TRUE(LoadText(IDS_ERR_NOT_ZANTOR_DEVICE, lang, text));
        EXPECT_NE(std::wstring::npos, text.find(L".\r\n")) << lang;
        ASSERT_TRUE(LoadText(IDS_ABOUTBOX, lang, text));
        EXPECT_NE(std::wstring::npos, text.find(L"(&A)...")) << lang;
        // The callers format these with one int; any other field would read garbage.
        for (int id : kStringIds) {
            ASSERT_TRUE(LoadText(id, lang, text));
            const bool formatted = id == IDS_ERR_SLOT_BDADDR || id == IDS_ERR_SLOT_TAG_LENGTH;
            const size_t first = text.find(L'%');
            if (formatted) {
                ASSERT_NE(std::wstring::npos, first) << id;
                EXPECT_EQ(L'd', text[first + 1]) << id;
                EXPECT_EQ(std::wstring::npos, text.find(L'%', first + 1)) << id;
            } else {
                EXPECT_EQ(std::wstring::npos, first) << id;
            }
        }
    }
}

struct DialogCase {
    int id;
    int cx, cy;
    size_t controls;
};
const DialogCase kDialogs[] = {
    {IDD_ABOUTBOX, 274, 81, 5},
    {IDD_ZANTORKX4XXMANAGER_DIALOG, 356, 308, 70},
    {IDD_COMCONFIG_DIALOG, 197, 113, 9},
};

TEST(Dialogs, BothLanguagesHaveTheSameControlsInTheSameOrder) {
    for (const DialogCase& c : kDialogs) {
        const DialogTemplate english = ReadDialog(c.id, kEnglish);
        const DialogTemplate korean = ReadDialog(c.id, kKorean);
        EXPECT_EQ(c.cx, english.cx) << c.id;
        EXPECT_EQ(c.cy, english.cy) << c.id;
        EXPECT_EQ(c.cx, korean.cx) << c.id;
        EXPECT_EQ(c.cy, korean.cy) << c.id;
        EXPECT_EQ(english.menu, korean.menu) << c.id;
        ASSERT_EQ(c.controls, english.items.size()) << c.id;
        ASSERT_EQ(c.controls, korean.items.size()) << c.id;
        for (size_t i = 0; i < c.controls; ++i) {
            EXPECT_EQ(english.items[i].id, korean.items[i].id) << c.id << " control " << i;
            EXPECT_EQ(english.items[i].windowClass, korean.items[i].windowClass) << c.id << " control " << i;
        }
    }
    EXPECT_EQ(IDR_MAINMENU, ReadDialog(IDD_ZANTORKX4XXMANAGER_DIALOG, kEnglish).menu);
}

const DialogItem* FindItem(const DialogTemplate& dialog, int id) {
    for (const DialogItem& item : dialog.items)
        if (item.id == id) return &item;
    return nullptr;
}

TEST(Dialogs, EveryAddressedControlExistsOnce) {
    const std::vector<int> mainIds = {
        IDC_PICTURE_DEVICE, IDC_LIST_SCAN, IDC_STATIC_FW_VERSION, IDC_BTN_UPDATE, IDC_BTN_RESTART,
        IDC_BTN_FACTORY_RESET, IDC_EDIT_DEVICE_NAME, IDC_BTN_SAVE_NAME, IDC_CHECK_NAME_FILTER,
        IDC_EDIT_NAME_FILTER, IDC_BTN_SCAN, IDC_CHECK_RSSI_FILTER, IDC_EDIT_RSSI_FILTER, IDC_BTN_SAVE_SLOTS,
        IDC_STATIC_BDADDR, IDC_EDIT_ADV_INTERVAL, IDC_BTN_SAVE_ADV_INTERVAL, IDC_GROUP_REGISTER_DEVICES,
        IDC_GROUP_DEVICE_INFO, IDC_COMBO_FLOW_CONTROL, IDC_COMBO_PARITY, IDC_COMBO_STOPBIT,
        IDC_BTN_SAVE_UART, IDC_GROUP_UART_OPTIONS};
    const struct {
        int dialog;
        std::vector<int> ids;
    } cases[] = {
        {IDD_ZANTORKX4XXMANAGER_DIALOG, mainIds},
        {IDD_COMCONFIG_DIALOG,
         {IDC_RICHEDIT_HINT, IDC_PICTURE_BAUD_DIAL, IDC_COMBO_COM_PORT, IDOK, IDCANCEL, IDC_COMBO_COM_BAUD,
          IDC_COMBO_COM_PARITY, IDC_COMBO_COM_STOPBIT}},
        {IDD_ABOUTBOX, {IDC_PICTURE_LOGO, IDC_STATIC_PRODUCT, IDC_STATIC_COPYRIGHT, IDOK}},
    };
    for (const auto& c : cases) {
        for (WORD lang : kLanguages) {
            const DialogTemplate dialog = ReadDialog(c.dialog, lang);
            for (int id : c.ids) {
                int seen = 0;
                for (const DialogItem& item : dialog.items) seen += item.id == id;
                EXPECT_EQ(1, seen) << "dialog " << c.dialog << " language " << lang << " id " << id;
            }
        }
    }
}

// The 28 slot controls are easy to mistype: each row sits 16 units below the last.
TEST(Dialogs, SlotRowsLineUp) {
    const struct {
        int first;
        const wchar_t* windowClass;
        int x, cx;
    } families[] = {
        {IDC_BTN_ASSIGN_SLOT_FIRST, L"#128", 184, 12},
        {IDC_EDIT_SLOT_ADDR_FIRST, L"#129", 215, 62},
        {IDC_EDIT_SLOT_TAG_FIRST, L"#129", 281, 41},
        {IDC_BTN_CLEAR_SLOT_FIRST, L"#128", 326, 12},
    };
    for (WORD lang : kLanguages) {
        const DialogTemplate dialog = ReadDialog(IDD_ZANTORKX4XXMANAGER_DIALOG, lang);
        for (const auto& family : families) {
            for (int k = 0; k < IDC_SLOT_COUNT; ++k) {
                const DialogItem* item = FindItem(dialog, family.first + k);
                ASSERT_NE(nullptr, item) << family.first + k;
                EXPECT_EQ(family.windowClass, item->windowClass) << item->id;
                EXPECT_EQ(family.x, item->x) << item->id;
                EXPECT_EQ(162 + 16 * k, item->y) << item->id;
                EXPECT_EQ(family.cx, item->cx) << item->id;
                EXPECT_EQ(12, item->cy) << item->id;
            }
        }
    }
}

TEST(Menu, BothLanguagesOfferTheTwoCommands) {
    for (WORD lang : kLanguages) {
        const std::string bytes = ResourceBytes(RT_MENU, IDR_MAINMENU, lang);
        ASSERT_FALSE(bytes.empty()) << lang;
        HMENU menu = LoadMenuIndirectW(bytes.data());
        ASSERT_NE(nullptr, menu) << lang;
        EXPECT_EQ(1, GetMenuItemCount(menu));
        HMENU popup = GetSubMenu(menu, 0);
        ASSERT_NE(nullptr, popup);
        ASSERT_EQ(2, GetMenuItemCount(popup));
        EXPECT_EQ(UINT{IDM_SELECT_COM_PORT}, GetMenuItemID(popup, 0));
        EXPECT_EQ(UINT{IDM_APP_ABOUT}, GetMenuItemID(popup, 1));
        DestroyMenu(menu);
    }
}

uint32_t BigEndian32(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

TEST(Pictures, EachIsAPngOfItsSize) {
    const struct {
        int id;
        uint32_t width, height;
    } cases[] = {
        {IDB_PNG_WORDMARK, 256, 38}, {IDB_PNG_EMBLEM, 256, 256},    {IDB_PNG_KX400, 256, 256},
        {IDB_PNG_KX410, 256, 256},   {IDB_PNG_BAUD_DIAL, 331, 215}, {IDB_PNG_KX420, 256, 256},
    };
    const std::string signature = "\x89PNG\r\n\x1a\n";
    for (const auto& c : cases) {
        HMODULE module = GetModuleHandleW(nullptr);
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(c.id), L"PNG");
        ASSERT_NE(nullptr, found) << c.id;
        const std::string bytes(static_cast<const char*>(LockResource(LoadResource(module, found))),
                                SizeofResource(module, found));
        ASSERT_GT(bytes.size(), 24u) << c.id;
        EXPECT_EQ(signature, bytes.substr(0, 8)) << c.id;
        EXPECT_EQ("IHDR", bytes.substr(12, 4)) << c.id;
        EXPECT_EQ(c.width, BigEndian32(bytes, 16)) << c.id;
        EXPECT_EQ(c.height, BigEndian32(bytes, 20)) << c.id;
    }
}

TEST(Icon, HoldsSixteenThirtyTwoAndFortyEightPixels) {
    const std::string group = ResourceBytes(RT_GROUP_ICON, IDR_MAINFRAME, kEnglish);
    ASSERT_GE(group.size(), 6u);
    const int count = static_cast<unsigned char>(group[4]);
    ASSERT_EQ(size_t(6 + 14 * count), group.size());
    std::vector<int> sizes;
    for (int i = 0; i < count; ++i) sizes.push_back(static_cast<unsigned char>(group[6 + 14 * i]));
    EXPECT_EQ((std::vector<int>{16, 32, 48}), sizes);
}

class VersionRecord : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t path[MAX_PATH];
        ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
        DWORD handle = 0;
        const DWORD size = GetFileVersionInfoSizeW(path, &handle);
        ASSERT_GT(size, 0u);
        record_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, record_.data()));
    }
    bool Query(const std::wstring& path, void** value, UINT* length) {
        return VerQueryValueW(record_.data(), path.c_str(), value, length) != FALSE;
    }
    std::vector<char> record_;
};

TEST_F(VersionRecord, FixedPartAndTranslation) {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(Query(L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(DWORD{0x00010001}, fixed->dwFileVersionMS);
    EXPECT_EQ(DWORD{0}, fixed->dwFileVersionLS);
    EXPECT_EQ(DWORD{0x00010001}, fixed->dwProductVersionMS);
    EXPECT_EQ(DWORD{0}, fixed->dwProductVersionLS);
    EXPECT_EQ(DWORD{VOS_NT_WINDOWS32}, fixed->dwFileOS);
    EXPECT_EQ(DWORD{VFT_APP}, fixed->dwFileType);
    WORD* translation = nullptr;
    ASSERT_TRUE(Query(L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(4u, length);
    EXPECT_EQ(0x0412, translation[0]);
    EXPECT_EQ(0x04B0, translation[1]);
}

TEST_F(VersionRecord, BothStringTablesHoldEveryKey) {
    const struct {
        const wchar_t* key;
        const wchar_t* value;
    } entries[] = {
        {L"CompanyName", L"NORVANE, Co. Ltd."},
        {L"FileDescription", L"ZANTOR-KX400 Manager"},
        {L"FileVersion", L"1.1.0.0"},
        {L"InternalName", L"ZANTOR-KX400 Manager.exe"},
        {L"OriginalFilename", L"ZANTOR-KX400 Manager.exe"},
        {L"ProductName", L"ZANTOR-KX400 Manager"},
        {L"ProductVersion", L"1.1.0.0"},
        {L"LegalCopyright", nullptr},
    };
    for (const wchar_t* table : {L"040004b0", L"041204b0"}) {
        for (const auto& e : entries) {
            wchar_t* value = nullptr;
            UINT length = 0;
            const std::wstring path = std::wstring(L"\\StringFileInfo\\") + table + L"\\" + e.key;
            ASSERT_TRUE(Query(path, reinterpret_cast<void**>(&value), &length)) << std::string(path.begin(), path.end());
            if (e.value != nullptr) {
                EXPECT_STREQ(e.value, value);
            } else {
                EXPECT_NE(0u, std::wcslen(value));
            }
        }
    }
}

}  // namespace
