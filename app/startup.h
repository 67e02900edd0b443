// The program's start-up: the dialog's construction ends here, where the switch decides
// between the dialog and the quiet modes.
#pragma once

namespace app {

class LanguageDialog;

// Loads the list in every mode; in the quiet modes hides the form, imports the installer's
// language, starts Brantlow.exe for "/CHECK_RUN" and posts the close, all before the loop.
void InitLanguageDialog(LanguageDialog* dialog);

// The entry after unit initialisation: build the dialog, run it, return the exit code 0.
int RunProgram();

} // namespace app
