// Resource lookup in the user interface language.
//
// Wine (and a Windows without the matching language pack) prefers the
// language-neutral resources over the Korean ones, so the program picks the
// language itself: Korean resources when the user interface language is
// Korean, the neutral (English) ones otherwise. One language for all
// resources of the program; a resource missing in that language falls back
// to the neutral one.
#pragma once

#include <windows.h>

#include <string>

LANGID UiResourceLanguage();

// Finds a resource of the program module in the chosen language.
HRSRC FindUiResource(LPCWSTR type, UINT id);

// A dialog template (DLGTEMPLATE or DLGTEMPLATEEX) in the chosen language,
// or null. Resource memory lives as long as the module.
const DLGTEMPLATE* LoadUiDialogTemplate(UINT id);

// The menu id named by a dialog template, 0 when it names none or names it
// by string.
UINT MenuIdOfDialogTemplate(const DLGTEMPLATE* dialogTemplate);

// A menu built from the chosen language's menu resource, or null. The caller
// owns it.
HMENU LoadUiMenu(UINT id);

// The string-table text, empty when the id has none.
std::wstring LoadUiString(UINT id);
