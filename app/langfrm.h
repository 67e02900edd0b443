// The language dialog: one small, always-on-top, fixed-size form with the prompt, a
// drop-down list of the languages of language.cfg, "OK" and "Close". It is built in every
// mode; the quiet modes hide it before it is ever shown and only use it as the main form
// whose closing ends the process.
#pragma once

#include "toolkit/control.h"

namespace app {

class LanguageDialog : public toolkit::ToolkitObject {
  public:
    toolkit::Control* Form = nullptr; // also the application's main form
    toolkit::Control* PromptLabel = nullptr;
    toolkit::Control* LanguageCombo = nullptr;
    toolkit::Control* OkButton = nullptr;
    toolkit::Control* CloseButton = nullptr;
};

// The program's one global: the dialog from the moment it is allocated; never cleared.
extern LanguageDialog* DialogVariable;

// Builds the dialog hidden, makes its form the application control and, last, calls
// InitLanguageDialog.
void CreateLanguageDialog(toolkit::Control* parent);

// Fills the combo box from language.cfg and selects the stored index.
void LoadLanguageList(LanguageDialog* dialog);

void OkClick(void* dialog, toolkit::Control* sender);
void CloseClick(void* dialog, toolkit::Control* sender);
void FormResize(void* dialog, toolkit::Control* sender);

// The dialog's fixed layout: the client area follows from "Close" plus a 24-pixel margin.
constexpr int32_t kMargin = 24;
constexpr toolkit::Color kFormColor = 0xF0CAA6; // light blue: red 166, green 202, blue 240

constexpr const char* kRestartNotice = "Restart the program for changes to take effect.";
constexpr const char* kSaveFailedNotice =
    "The language could not be saved: language.cfg cannot be written.\r\n"
    "Check that the file and its folder are not read-only, then try again.";

} // namespace app
