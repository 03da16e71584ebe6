#include "ui/framework/resource_language.h"

namespace {

constexpr LANGID kKorean = MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN);
constexpr LANGID kNeutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
constexpr LANGID kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

HMODULE ProgramModule() { return GetModuleHandleW(nullptr); }

const void* LockUiResource(LPCWSTR type, UINT id, DWORD& size) {
    HRSRC info = FindUiResource(type, id);
    if (info == nullptr) return nullptr;
    HGLOBAL data = LoadResource(ProgramModule(), info);
    if (data == nullptr) return nullptr;
    size = SizeofResource(ProgramModule(), info);
    return LockResource(data);
}

}  // namespace

LANGID UiResourceLanguage() {
    static const LANGID language =
        PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_KOREAN ? kKorean : kNeutral;
    return language;
}

HRSRC FindUiResource(LPCWSTR type, UINT id) {
    const LANGID chosen = UiResourceLanguage();
    for (LANGID language : {chosen, kNeutral, kEnglishUs}) {
        HRSRC info = FindResourceExW(ProgramModule(), type, MAKEINTRESOURCEW(id), language);
        if (info != nullptr) return info;
    }
    return FindResourceW(ProgramModule(), MAKEINTRESOURCEW(id), type);
}

const DLGTEMPLATE* LoadUiDialogTemplate(UINT id) {
    DWORD size = 0;
    const void* data = LockUiResource(RT_DIALOG, id, size);
    return size >= sizeof(DLGTEMPLATE) ? static_cast<const DLGTEMPLATE*>(data) : nullptr;
}

UINT MenuIdOfDialogTemplate(const DLGTEMPLATE* dialogTemplate) {
    // DLGTEMPLATEEX starts with the words 1 and 0xFFFF; its menu field
    // follows 26 bytes of header, that of a plain DLGTEMPLATE 18 bytes.
    const auto* words = reinterpret_cast<const WORD*>(dialogTemplate);
    const bool extended = words[0] == 1 && words[1] == 0xFFFF;
    const WORD* menu = words + (extended ? 13 : 9);
    return menu[0] == 0xFFFF ? menu[1] : 0;
}

HMENU LoadUiMenu(UINT id) {
    DWORD size = 0;
    const void* data = LockUiResource(RT_MENU, id, size);
    return data != nullptr ? LoadMenuIndirectW(data) : nullptr;
}

std::wstring LoadUiString(UINT id) {
    // Strings are stored in blocks of 16, each a length word and that many
    // UTF-16 units, without terminators.
    DWORD size = 0;
    const auto* entry = static_cast<const WCHAR*>(LockUiResource(RT_STRING, id / 16 + 1, size));
    if (entry == nullptr) return {};
    const WCHAR* end = entry + size / sizeof(WCHAR);
    for (UINT index = 0; index < id % 16; ++index) {
        if (entry >= end) return {};
        entry += 1 + *entry;
    }
    if (entry >= end || entry + 1 + *entry > end) return {};
    return std::wstring(entry + 1, *entry);
}
