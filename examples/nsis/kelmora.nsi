; Kelmora's installer: NSIS 3 with Modern UI 2, for a product whose user-interface language
; is chosen by LangSelect.exe. Copy it and change the names; docs/integration.md is the
; contract this script keeps, and the comments below say which part of it each piece is for.
;
; Build, with LangSelect.exe, Brantlow.exe and language.cfg beside this script:
;     makensis kelmora.nsi
;     makensis -DPRODUCT_64BIT kelmora.nsi    (a 64-bit main application; see SetRegView)
; Other places for the files: -DLANGSELECT_EXE=... -DMAIN_APPLICATION_EXE=...
; -DLANGUAGE_CFG=... and -DOUTFILE=... for the installer itself.
;
; Silent install, in German:
;     KelmoraSetup.exe /S /LANG=1031 /D=C:\Program Files\Kelmora
; /LANG= takes a decimal locale identifier; /D= must come last and takes no quotes.
; Upgrade or reinstall, keeping the product's language (the same folder, no /LANG=):
;     KelmoraSetup.exe /S /D=C:\Program Files\Kelmora
; With /LANG= the upgrade's language becomes the product's, as on a first install.
; Silent uninstall: "C:\Program Files\Kelmora\uninstall.exe" /S

Unicode true
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT "Kelmora"
!define COMPANY "Orvesta Software"
; Where LangSelect looks for the installer's language: HKLM, this key, this REG_SZ value,
; holding the locale identifier in decimal ("1031"). The names are built into
; LangSelect.exe, so they are spelled out here rather than made of PRODUCT and COMPANY:
; a vendor who renames the product or the company must not move the value away from the
; key the program reads. The value is what NSIS keeps in $LANGUAGE.
!define LANGUAGE_COMPANY_KEY "Software\Orvesta Software"
!define LANGUAGE_KEY "${LANGUAGE_COMPANY_KEY}\Kelmora"
!define LANGUAGE_VALUE "Installer Language"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

!define /ifndef LANGSELECT_EXE "LangSelect.exe"
!define /ifndef MAIN_APPLICATION_EXE "Brantlow.exe"
!define /ifndef LANGUAGE_CFG "language.cfg"
!define /ifndef OUTFILE "KelmoraSetup.exe"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; The language value lives under HKLM and the files under Program Files.
RequestExecutionLevel admin
!ifdef PRODUCT_64BIT
  !define DEFAULT_DIR "$PROGRAMFILES64\${PRODUCT}"
!else
  !define DEFAULT_DIR "$PROGRAMFILES\${PRODUCT}"
!endif
InstallDir "${DEFAULT_DIR}"

;--------------------------------
; The installer's language. This script reads and writes the value itself rather than
; through Modern UI's MUI_LANGDLL_REGISTRY_* defines: Modern UI would write $LANGUAGE over
; the value when the install-files page is left, and on an upgrade that is the fallback
; language whenever the recorded locale is one the installer does not offer.
;
; An upgrade (the value is there from the last install) shows no language dialog: it
; speaks the recorded language and keeps the product's, including a language the user
; chose since in LangSelect's dialog, which the installer's dialog may not even offer
; (index 9). A preselected dialog could not tell a confirmation from a choice, so every
; interactive upgrade would undo such a choice. The product's language is changed in
; LangSelect ("Choose language"), or deliberately with /LANG= on the upgrade.

; Offer every language below, not only those of the system's code page (a Unicode
; installer shows them all correctly).
!define MUI_LANGDLL_ALLLANGUAGES
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; "Run Kelmora" goes through LangSelect like the shortcut. The section below has already
; stored the language in language.cfg, so this run only reads it.
!define MUI_FINISHPAGE_RUN "$INSTDIR\LangSelect.exe"
!define MUI_FINISHPAGE_RUN_PARAMETERS "/CHECK_RUN"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; Exactly the thirteen languages that LangSelect maps, with their locale identifier and
; the index of language.cfg it becomes. The first is the default. Index 9 (Portugues) has
; no locale in LangSelect's table: an installer offering it would record a language that
; the product never takes over, so it is left to LangSelect's own dialog.
!insertmacro MUI_LANGUAGE "English"     ; 1033 -> 0
!insertmacro MUI_LANGUAGE "German"      ; 1031 -> 1
!insertmacro MUI_LANGUAGE "French"      ; 1036 -> 2
!insertmacro MUI_LANGUAGE "Dutch"       ; 1043 -> 3
!insertmacro MUI_LANGUAGE "Polish"      ; 1045 -> 4
!insertmacro MUI_LANGUAGE "Russian"     ; 1049 -> 5
!insertmacro MUI_LANGUAGE "Korean"      ; 1042 -> 6
!insertmacro MUI_LANGUAGE "SimpChinese" ; 2052 -> 7
!insertmacro MUI_LANGUAGE "Finnish"     ; 1035 -> 8
!insertmacro MUI_LANGUAGE "Spanish"     ; 1034 -> 10 (traditional sort; 3082 is not mapped)
!insertmacro MUI_LANGUAGE "Italian"     ; 1040 -> 11
!insertmacro MUI_LANGUAGE "Ukrainian"   ; 1058 -> 12
!insertmacro MUI_LANGUAGE "Arabic"      ; 1025 -> 13
!insertmacro MUI_RESERVEFILE_LANGDLL

;--------------------------------
; The locale to record. /LANG= (silent or not) is taken as given: a locale that this
; installer does not offer, 1041 say, is still the one asked for, and LangSelect then keeps
; -2 instead of taking over the installer's fallback language. Without it, a first install
; records the language of the dialog (silent: the system's), an upgrade the locale recorded
; by the last install.
Var ExplicitLocale  ; from /LANG=, else empty
Var PreviousLocale  ; the value as the last install left it, empty on a first install
Var RecordedLocale

Function .onInit
!ifdef PRODUCT_64BIT
  ; A 64-bit product keeps its settings in the 64-bit registry view; this must come before
  ; the earlier value is read. LangSelect, a 32-bit program, looks in its own view first and
  ; then in the 64-bit one.
  SetRegView 64
!endif
  ReadRegStr $PreviousLocale HKLM "${LANGUAGE_KEY}" "${LANGUAGE_VALUE}"
  ; An upgrade goes into the folder the product is in, unless /D= names another one: a
  ; silent update pushed to many desks gives no folder. (InstallDirRegKey would read the
  ; 32-bit view before SetRegView could choose the 64-bit one.)
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $INSTDIR == "${DEFAULT_DIR}"
    StrCpy $INSTDIR $0
  ${EndIf}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/LANG=" $ExplicitLocale
  ${If} ${Errors}
    StrCpy $ExplicitLocale ""
  ${EndIf}

  ${If} $ExplicitLocale != ""
    StrCpy $LANGUAGE $ExplicitLocale ; the installer's own texts, where it has the language
  ${ElseIf} $PreviousLocale != ""
    StrCpy $LANGUAGE $PreviousLocale ; an upgrade: no dialog (see above)
  ${Else}
    ; A first install. Interactive: the language dialog; silent: nothing is shown, and
    ; $LANGUAGE is the system's language.
    !insertmacro MUI_LANGDLL_DISPLAY
  ${EndIf}
FunctionEnd

; language.cfg's "File" as the installed product holds it, read before the new file goes
; in. Empty unless this is an upgrade with no language given, the one case where the
; product keeps its language.
Var KeptIndex

Function ReadKeptIndex
  StrCpy $KeptIndex ""
  ${If} $ExplicitLocale == ""
  ${AndIf} $PreviousLocale != ""
    ReadINIStr $KeptIndex "$INSTDIR\language.cfg" "LangFile" "File"
  ${EndIf}
FunctionEnd

; Writes the kept index back into the new language.cfg when it names an entry of the new
; [ListNames] (keys 0 to n - 1). Otherwise, and for -2, -1 or no number at all, the new
; file's -2 stays and the import below takes the recorded language over, as on a first
; install.
Function RestoreKeptIndex
  ${If} $KeptIndex == ""
    Return
  ${EndIf}
  IntOp $0 $KeptIndex + 0
  ReadINIStr $1 "$INSTDIR\language.cfg" "ListNames" $0
  ${If} $0 == $KeptIndex ; a plain decimal number, not "9x" or "09"
  ${AndIf} $0 >= 0
  ${AndIf} $1 != ""
    WriteINIStr "$INSTDIR\language.cfg" "LangFile" "File" $0
  ${EndIf}
FunctionEnd

Section "${PRODUCT}"
  SetOutPath "$INSTDIR"
  File "/oname=LangSelect.exe" "${LANGSELECT_EXE}"
  File "/oname=Brantlow.exe" "${MAIN_APPLICATION_EXE}"
  ; [ListNames] in the order of LangSelect's locale table, and "File" = -2: the import below
  ; takes the installer's language over. Always the new file, as names may change between
  ; versions; an upgrade with no language given then gets its index back.
  Call ReadKeptIndex
  File "/oname=language.cfg" "${LANGUAGE_CFG}"
  Call RestoreKeptIndex

  ; Written here in every install, silent or not, as the import below needs it now.
  ${If} $ExplicitLocale != ""
    StrCpy $RecordedLocale $ExplicitLocale
  ${ElseIf} $PreviousLocale != ""
    StrCpy $RecordedLocale $PreviousLocale
  ${Else}
    StrCpy $RecordedLocale $LANGUAGE
  ${EndIf}
  WriteRegStr HKLM "${LANGUAGE_KEY}" "${LANGUAGE_VALUE}" $RecordedLocale

  ; The import, while the installer still runs elevated: language.cfg in Program Files
  ; holds the index before any user starts the product. Left to the first start by a
  ; standard user, LangSelect's write would land in that user's VirtualStore copy (see
  ; docs/integration.md). /CHECK starts nothing; ExecWait lets it finish first.
  ExecWait '"$INSTDIR\LangSelect.exe" /CHECK'

  ; The product is started through "LangSelect.exe /CHECK_RUN", which stores the language
  ; and then starts Brantlow.exe; "Choose language" opens LangSelect's dialog.
  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\LangSelect.exe" "/CHECK_RUN" \
      "$INSTDIR\Brantlow.exe" 0
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Choose language.lnk" "$INSTDIR\LangSelect.exe"
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\LangSelect.exe" "/CHECK_RUN" "$INSTDIR\Brantlow.exe" 0

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Brantlow.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

;--------------------------------
Function un.onInit
!ifdef PRODUCT_64BIT
  SetRegView 64
!endif
  ; The uninstaller speaks the recorded language.
  ReadRegStr $0 HKLM "${LANGUAGE_KEY}" "${LANGUAGE_VALUE}"
  ${If} $0 != ""
    StrCpy $LANGUAGE $0
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Choose language.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  Delete "$DESKTOP\${PRODUCT}.lnk"

  Delete "$INSTDIR\LangSelect.exe"
  Delete "$INSTDIR\Brantlow.exe"
  Delete "$INSTDIR\language.cfg"
  Delete "$INSTDIR\uninstall.exe"
  ; Not RMDir /r: the folder is the user's choice and may hold the user's own files.
  RMDir "$INSTDIR"

  ; The language value goes with the product, so that a later install asks afresh.
  DeleteRegKey HKLM "${LANGUAGE_KEY}"
  DeleteRegKey /ifempty HKLM "${LANGUAGE_COMPANY_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
