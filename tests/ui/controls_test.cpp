// The custom controls and the drop-down helpers, on windows of the test's
// own thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <richedit.h>

#include <string>
#include <vector>

#include "gui_test_support.h"
#include "resource.h"
#include "ui/controls/gdiplus_img_ctrl.h"
#include "ui/controls/ht_rich_edit_ctrl.h"
#include "ui/main/combo_table.h"
#include "ui/main/group_caption_font.h"

namespace {

// A hidden top-level window that hosts one control for a test.
class Host : public ::testing::Test {
protected:
    void SetUp() override {
        host = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(host, nullptr);
    }
    void TearDown() override { DestroyWindow(host); }

    // With a regular font, as a dialog gives its controls (a rich edit's
    // own default is bold).
    HWND Child(const wchar_t* className, DWORD style) const {
        HWND child = CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 300, 100, host, nullptr,
                                     nullptr, nullptr);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        return child;
    }
    HWND host = nullptr;
};

using HyperlinkRichEdit = Host;

struct TextRun {
    std::wstring text;
    bool link;
};

// Cuts the control's text into runs of equal link effect.
std::vector<TextRun> LinkRuns(const CHTRichEditCtrl& edit) {
    const std::wstring text = edit.GetWindowText();
    std::vector<TextRun> runs;
    for (size_t index = 0; index < text.size(); ++index) {
        edit.SetSel(static_cast<LONG>(index), static_cast<LONG>(index + 1));
        CHARFORMAT2W format{};
        format.cbSize = sizeof(format);
        edit.SendMessage(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        const bool link = (format.dwEffects & CFE_LINK) != 0;
        if (runs.empty() || runs.back().link != link) runs.push_back({L"", link});
        runs.back().text += text[index];
    }
    return runs;
}

CHARFORMATW FormatAt(const CHTRichEditCtrl& edit, LONG first, LONG last) {
    edit.SetSel(first, last);
    CHARFORMATW format{};
    format.cbSize = sizeof(format);
    edit.SendMessage(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return format;
}

TEST_F(HyperlinkRichEdit, CutsTextIntoPlainAndLinkRuns) {
    struct Case {
        const wchar_t* text;
        std::vector<TextRun> runs;
    };
    const Case cases[] = {
        {L"see http://host/path, then www.name",
         {{L"see ", false}, {L"http://host/path,", true}, {L" then ", false}, {L"www.name", true}}},
        // The second prefix fails at its fifth character; the third matches.
        {L"https://secure.example", {{L"https://secure.example", true}}},
        // No word boundary is needed; capitals are no prefix.
        {L"xftp.site\tHTTP://no", {{L"x", false}, {L"ftp.site", true}, {L"\tHTTP://no", false}}},
        {L"mail mailto:a@b ok", {{L"mail ", false}, {L"mailto:a@b", true}, {L" ok", false}}},
    };
    for (const Case& entry : cases) {
        CHTRichEditCtrl edit;
        ASSERT_TRUE(edit.SubclassWindow(Child(RICHEDIT_CLASSW, ES_MULTILINE)));
        edit.InitRichEdit();
        edit.AppendLinkedText(entry.text);
        const std::vector<TextRun> runs = LinkRuns(edit);
        ASSERT_EQ(runs.size(), entry.runs.size()) << "text: " << static_cast<int>(&entry - cases);
        for (size_t index = 0; index < runs.size(); ++index) {
            EXPECT_EQ(runs[index].text, entry.runs[index].text);
            EXPECT_EQ(runs[index].link, entry.runs[index].link) << "run " << index;
        }
        DestroyWindow(edit.m_hWnd);
    }
}

TEST_F(HyperlinkRichEdit, MarkerIsBoldBlueTenPointAndTheNextRunIsPlainAgain) {
    CHTRichEditCtrl edit;
    ASSERT_TRUE(edit.SubclassWindow(Child(RICHEDIT_CLASSW, ES_MULTILINE)));
    edit.InitRichEdit();
    edit.AppendLinkedText(L"Place baud rate dial to ");
    edit.AppendMarker();
    edit.AppendLinkedText(L" now");
    EXPECT_EQ(edit.GetWindowText(), L"Place baud rate dial to 'Set' now");

    const CHARFORMATW marker = FormatAt(edit, 24, 29);
    EXPECT_TRUE(marker.dwEffects & CFE_BOLD);
    EXPECT_FALSE(marker.dwEffects & (CFE_ITALIC | CFE_UNDERLINE | CFE_LINK));
    EXPECT_EQ(marker.crTextColor, RGB(0, 0, 255));
    EXPECT_EQ(marker.yHeight, 200);

    const CHARFORMATW before = FormatAt(edit, 0, 5);
    const CHARFORMATW after = FormatAt(edit, 29, 33);
    EXPECT_FALSE(before.dwEffects & CFE_BOLD);
    EXPECT_FALSE(after.dwEffects & CFE_BOLD);
    EXPECT_EQ(after.yHeight, before.yHeight);
}

TEST_F(HyperlinkRichEdit, TypingDeleteAndBackspaceChangeNothing) {
    CHTRichEditCtrl edit;
    ASSERT_TRUE(edit.SubclassWindow(Child(RICHEDIT_CLASSW, ES_MULTILINE)));
    edit.InitRichEdit();
    edit.AppendLinkedText(L"fixed text");
    edit.SetSel(3, 3);
    edit.SendMessage(WM_CHAR, L'z', 0);
    edit.SendMessage(WM_KEYDOWN, VK_DELETE, 0);
    edit.SendMessage(WM_KEYDOWN, VK_BACK, 0);
    EXPECT_EQ(edit.GetWindowText(), L"fixed text");
    // Caret movement still works.
    edit.SendMessage(WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(edit.GetSel().cpMin, 4);
}

using PngPicture = Host;

TEST_F(PngPicture, LoadsResourcesAndKeepsTheImageOnAMissingOne) {
    GdiplusImgCtrl picture;
    EXPECT_EQ(picture.LoadPng(IDB_PNG_EMBLEM), GdiplusImgCtrl::kNotFound) << "no window yet";
    ASSERT_TRUE(picture.SubclassWindow(Child(L"STATIC", SS_BLACKFRAME)));
    for (UINT id : {IDB_PNG_WORDMARK, IDB_PNG_EMBLEM, IDB_PNG_KX400, IDB_PNG_KX410, IDB_PNG_BAUD_DIAL, IDB_PNG_KX420}) {
        EXPECT_EQ(picture.LoadPng(id), GdiplusImgCtrl::kLoaded) << "PNG " << id;
    }
    EXPECT_EQ(picture.LoadPng(999), GdiplusImgCtrl::kNotFound);
    EXPECT_TRUE(picture.HasImage());
    UpdateWindow(picture.m_hWnd);  // paints through GDI+ without failing
    DestroyWindow(picture.m_hWnd);
    EXPECT_FALSE(picture.HasImage()) << "the image goes with the window";
}

using DropDownList = Host;

TEST_F(DropDownList, FillsFromATableAndSelectsByItemData) {
    CComboBox combo;
    combo.m_hWnd = Child(L"COMBOBOX", CBS_DROPDOWNLIST);
    const ComboItem parity[] = {{L"None", 'N'}, {L"Even", 'E'}, {L"Odd", 'O'}};
    combo.AddString(L"stale");
    FillComboFromTable(combo, parity, 3, 'E');
    ASSERT_EQ(combo.GetCount(), 3);
    EXPECT_EQ(combo.GetLBText(0), L"None");
    EXPECT_EQ(combo.GetItemData(2), static_cast<DWORD_PTR>('O'));
    EXPECT_EQ(combo.GetCurSel(), 1);

    EXPECT_EQ(SelectComboByData(combo, 'O'), 2);
    EXPECT_EQ(combo.GetCurSel(), 2);
    EXPECT_EQ(SelectComboByData(combo, 'X'), -1);
    EXPECT_EQ(combo.GetCurSel(), 2) << "a missing value leaves the selection";
}

TEST(GroupCaption, GrowsTwoPixelsAt96DpiScaledEitherWayAndIsBold) {
    LOGFONTW font{};
    font.lfWeight = FW_NORMAL;
    const struct {
        LONG height;
        UINT dpi;
        LONG expected;
    } cases[] = {{-12, 96, -14}, {12, 96, 14}, {0, 96, -2}, {-15, 120, -18}, {-18, 144, -21}, {18, 144, 21}};
    for (const auto& entry : cases) {
        font.lfHeight = entry.height;
        const LOGFONTW caption = GroupCaptionFont(font, entry.dpi);
        EXPECT_EQ(caption.lfHeight, entry.expected) << "height " << entry.height << " at " << entry.dpi << " DPI";
        EXPECT_EQ(caption.lfWeight, 700);
    }
}

}  // namespace
