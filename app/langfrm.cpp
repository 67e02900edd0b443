#include "app/langfrm.h"

#include "app/language_file.h"
#include "app/startup.h"
#include "sysutil/inifile.h"
#include "sysutil/stringlist.h"
#include "toolkit/application.h"
#include "toolkit/controls.h"
#include "toolkit/dispatch.h"
#include "toolkit/geometry.h"
#include "toolkit/graphics.h"
#include "toolkit/keyboard.h"

namespace app {

using namespace toolkit;

LanguageDialog* DialogVariable = nullptr;

namespace {

constexpr uint32_t kMinMaxBoxes = WS_MINIMIZEBOX | WS_MAXIMIZEBOX; // 0x00030000
constexpr int32_t kFontHeightField = 4;
constexpr int32_t kFontHeight = -11;
constexpr uint8_t kFixedPitch = 1;

Control* NewSizedButton(Control* form, const char* caption, int32_t left) {
    Control* button = NewButton(form, caption);
    SetPosition(button, left, 98);
    SetSize(button, 90, 25);
    return button;
}

} // namespace

void CreateLanguageDialog(Control* parent) {
    LanguageDialog* dialog = NewObject<LanguageDialog>();
    DialogVariable = dialog;

    Control* form = NewForm(parent, "Language ....");
    // Measuring the client area makes the form's window exist (hidden) from here on.
    SetClientSize(SetPosition(form, 554, 150), 321, 140);
    EnableTabKeys(form);
    DialogVariable->Form = form;
    SetFontName(Font(DialogVariable->Form), "Arial");
    // The application control must exist before SetDefaultOrCancel installs the Enter
    // handling below.
    AppControl = form;
    AddToAutoFree(form, dialog);
    SetStyle(form, form->Style & ~kMinMaxBoxes);
    SetStayOnTop(form, true);
    LoadIconResource(form, GetModuleHandleA(nullptr), "MAINICON");
    SetBackColor(form, kFormColor);
    // The form's font is complete before any control exists, so every control shares it.
    SetToolField(Font(form), kFontHeightField, kFontHeight);
    SetFontPitch(Font(form), kFixedPitch);
    // Attached now, but first run when the form is shown, when all controls exist.
    SetOnResize(form, FormResize, dialog);

    dialog->PromptLabel = NewLabel(form, "Please select language:");
    SetPosition(dialog->PromptLabel, kMargin, kMargin);
    SetAutoSize(dialog->PromptLabel, true);
    SetFontStyle(Font(dialog->PromptLabel), Bold);

    dialog->LanguageCombo = NewComboBox(form, DropDownList | NoIntegralHeight);
    SetPosition(dialog->LanguageCombo, kMargin, 48);
    SetSize(dialog->LanguageCombo, 289, 0);
    SetBackColor(dialog->LanguageCombo, kClWindow);

    dialog->OkButton = NewSizedButton(form, "OK", 125);
    dialog->CloseButton = NewSizedButton(form, "Close", 221);
    dialog->OkButton->OnClick.Set(OkClick, dialog);
    SetDefaultOrCancel(dialog->OkButton, VK_RETURN, true);
    dialog->CloseButton->OnClick.Set(CloseClick, dialog);

    CenterOnParent(form);
    SetCanResize(form, false);
    InitLanguageDialog(dialog);
}

void LoadLanguageList(LanguageDialog* dialog) {
    Clear(dialog->LanguageCombo);
    sysutil::StringList* names = sysutil::CreateStringList();
    sysutil::IniFile* ini = sysutil::CreateIniFile(LanguageFilePath());
    ReadLanguageNames(ini, names);
    for (int32_t i = 0; i < names->Count; ++i)
        AddItem(dialog->LanguageCombo, names->Item(i));
    // Every index outside the list (-1 and -2 among them) leaves no item selected.
    SetCurIndex(dialog->LanguageCombo, ReadStoredIndex(ini));
    Free(ini);
    Free(names);
}

void OkClick(void* context, Control*) {
    auto* dialog = static_cast<LanguageDialog*>(context);
    const bool saved = StoreLanguageIndex(LanguageFilePath(), CurIndex(dialog->LanguageCombo));
    // The notice promises a change on restart; say so only when the index is in the file.
    if (saved)
        MessageBoxA(nullptr, kRestartNotice, "Information", MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL);
    else
        MessageBoxA(nullptr, kSaveFailedNotice, "Language ....", MB_OK | MB_ICONERROR | MB_SYSTEMMODAL);
    Close(AppControl);
}

void CloseClick(void*, Control*) { Close(AppControl); }

void FormResize(void* context, Control*) {
    auto* dialog = static_cast<LanguageDialog*>(context);
    Control* form = dialog->Form;
    Control* last = dialog->CloseButton;
    // Each change below sends another WM_SIZE that runs this again, nested; the nesting
    // ends at the run that finds both values in place.
    SetCanResize(form, true);
    SetClientWidth(form, Left(last) + Width(last) + kMargin);
    SetClientHeight(form, Top(last) + Height(last) + kMargin);
}

} // namespace app
