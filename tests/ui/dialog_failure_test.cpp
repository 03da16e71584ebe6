// A handler that throws: the dialog procedure shows the failure in an error
// box and the dialog keeps working.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <system_error>

#include "gui_test_support.h"
#include "resource.h"
#include "ui/framework/dialog.h"

namespace {

// The COM port dialog's template; the first OK throws, the next one ends it.
class ThrowingDialog : public CDialogEx {
public:
    explicit ThrowingDialog(std::function<void()> fail) : CDialogEx(IDD_COMCONFIG_DIALOG), fail_(std::move(fail)) {}
    int okPresses = 0;

protected:
    MessageMap GetMessageMap() const override {
        static const MessageMapEntry kEntries[] = {OnCommand(IDOK, &ThrowingDialog::OnOkOnce)};
        return MakeMessageMap(kEntries);
    }

private:
    void OnOkOnce(UINT) {
        if (++okPresses == 1) fail_();
        EndDialog(IDOK);
    }
    std::function<void()> fail_;
};

// The dialog's first OK shows a box; its text is read and the box closed,
// then OK is pressed again.
struct FailureRun {
    INT_PTR result = 0;
    std::wstring boxText;
    bool errorIcon = false;
    int okPresses = 0;
};

FailureRun RunThrowingDialog(std::function<void()> fail) {
    ThrowingDialog dialog(std::move(fail));
    FailureRun run;
    {
        DialogDriver driver([&](DWORD uiThread) {
            HWND window = WaitForDialogWithChild(uiThread, IDC_COMBO_COM_PORT);
            if (window == nullptr) return;
            PostMessageW(window, WM_COMMAND, IDOK, 0);
            HWND box = WaitForMessageBox(uiThread);
            if (box == nullptr) return;
            run.boxText = WindowText(GetDlgItem(box, kMessageBoxText));
            // The box's icon is a static picture; the error icon is the system's hand.
            HWND icon = FindWindowExW(box, nullptr, L"Static", nullptr);
            for (; icon != nullptr; icon = FindWindowExW(box, icon, L"Static", nullptr)) {
                const auto picture = reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0));
                if (picture != nullptr && picture == LoadIconW(nullptr, IDI_HAND)) run.errorIcon = true;
            }
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            WaitUntil([&] { return !IsWindow(box); });
            PostMessageW(window, WM_COMMAND, IDOK, 0);
        });
        run.result = dialog.DoModal();
    }
    run.okPresses = dialog.okPresses;
    return run;
}

TEST(DialogFailure, HandlerThatThrowsShowsTheFailureAndTheDialogGoesOn) {
    const struct {
        const char* what;
        std::function<void()> fail;
        std::wstring text;
    } cases[] = {
        {"what() in UTF-8", [] { throw std::runtime_error("\xED\x8F\xAC\xED\x8A\xB8 COM3: failed"); },
         L"\uD3EC\uD2B8 COM3: failed"},
        {"not an exception class", [] { throw 42; },
         GetSystemDefaultUILanguage() == 1042 ? L"예기치 않은 오류가 발생했습니다." : L"An unexpected error occurred."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const FailureRun run = RunThrowingDialog(c.fail);
        EXPECT_EQ(run.boxText, c.text);
        EXPECT_TRUE(run.errorIcon);
        EXPECT_EQ(run.okPresses, 2) << "the dialog took the second OK";
        EXPECT_EQ(run.result, IDOK);
    }
}

}  // namespace
