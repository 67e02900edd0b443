; Kelmora's installer: NSIS 3 with Modern UI 2, for a product whose user-interface language
; is chosen by LangSelect.exe. Copy it and change the names; docs/integration.md is the
; contract this script keeps, and the comments below say which part of it each piece is for.
;
; Build, with LangSelect.exe, Brantlow.exe and language.cfg beside this script:
;     makensis kelmora.nsi
;     makensis -DPRODUCT_64BIT kelmora.nsi    (a 64-bit main application; see SetRegView)
; Other places for the files: -DLANGSELECT_EXE=... -DMAIN_APPLICATION_EXE=...
; -DLANGUAGE_CFG=... and -DOUTFILE=... for the installer itself; -DVERSION=1.2.0 for the
; release's version (compared with the installed one, see .onInit).
;
; Silent install, in German:
;     KelmoraSetup.exe /S /LANG=1031 /D=C:\Program Files\Kelmora
; /LANG= takes a decimal locale identifier; /D= must come last and takes no quotes.
; Upgrade or reinstall, keeping the product's language and folder (no /LANG=, no /D=):
;     KelmoraSetup.exe /S
; A /D= naming another folder installs a second copy there: the first one stays, its
; shortcuts and uninstall entry pass to the new one. Uninstall first to move the product.
; A higher version given /LANG= makes that language the product's, as on a first install;
; a reinstall of the installed version keeps the product's language whatever it is given.
; A lower version than the installed one is refused (silent: exit code 2).
; A folder that is a link, a drive's root, holds others' files or cannot be protected is
; refused, as is a file of the product that cannot be replaced (silent: exit code 3).
; Silent uninstall: "C:\Program Files\Kelmora\uninstall.exe" /S

Unicode true
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh

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
!define /ifndef VERSION "1.0.0"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; The language value lives under HKLM and the files under Program Files.
RequestExecutionLevel admin
; A file that cannot be written stops the install rather than leaving an old one that the
; elevated steps would run (the default lets a silent install skip it).
AllowSkipFiles off
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
; No "Run Kelmora" option (MUI_FINISHPAGE_RUN): the finish page runs with the installer's
; rights, so the product would start as the administrator whose password a standard user
; typed, in that account's profile and elevated. Starting it as the desktop user would
; take a plug-in that Debian's NSIS does not ship, or a chain of the shell's COM calls
; through the System plug-in that Wine cannot run for a test. Users start the product from
; its shortcut.
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
Var InstalledVersion ; the installed product's DisplayVersion, empty when there is none
Var RecordedDir ; the folder the uninstall entry names, empty on a first install
Var FolderHandle ; the open, protected folder, held until the elevated steps are done
Var InitNote ; what .onInit decided that the log should say (DetailPrint needs the section)

Function .onInit
!ifdef PRODUCT_64BIT
  ; A 64-bit product keeps its settings in the 64-bit registry view; this must come before
  ; the earlier value is read. LangSelect, a 32-bit program, looks in its own view first and
  ; then in the 64-bit one.
  SetRegView 64
!endif
  ReadRegStr $PreviousLocale HKLM "${LANGUAGE_KEY}" "${LANGUAGE_VALUE}"
  ReadRegStr $InstalledVersion HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ; A lower version never goes over a higher one: its files and list are older.
  ${If} $InstalledVersion != ""
    ${VersionCompare} $InstalledVersion "${VERSION}" $0
    ${If} $0 == 1
      MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} $InstalledVersion is installed, a newer version \
          than this installer's ${VERSION}. Uninstall it first to install this one." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
  ; An upgrade goes into the folder the product is in, unless /D= names another one: a
  ; silent update pushed to many desks gives no folder. (InstallDirRegKey would read the
  ; 32-bit view before SetRegView could choose the 64-bit one.) A recorded folder that is
  ; now a junction or a symbolic link is not followed: anyone who could replace the folder
  ; by a link would send the elevated installer's writes wherever it points.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $RecordedDir $0
  ${If} $0 != ""
  ${AndIf} $INSTDIR == "${DEFAULT_DIR}"
    Push $0
    Call IsReparsePoint
    Pop $1
    ${If} $1 == 1
      StrCpy $InitNote "The recorded folder $0 is a junction or symbolic link: not used."
    ${Else}
      StrCpy $INSTDIR $0
    ${EndIf}
  ${EndIf}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/LANG=" $ExplicitLocale
  ${If} ${Errors}
    StrCpy $ExplicitLocale ""
  ${EndIf}
  ; A reinstall of the installed version is a repair, which anyone who can run the
  ; installer may start: it keeps the product's language whatever language it is given.
  ; Only a first install or a higher version sets it.
  ${If} $ExplicitLocale != ""
  ${AndIf} $PreviousLocale != ""
  ${AndIf} $InstalledVersion == "${VERSION}"
    StrCpy $InitNote "A reinstall of ${VERSION}: the product's language stays, /LANG=$ExplicitLocale is not used."
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

;--------------------------------
; The install folder is the product's. An elevated installer runs LangSelect.exe from it
; and writes language.cfg in it, so no standard user may change it: a folder made under
; C:\ or D:\ inherits "Authenticated Users: Modify", and a user could then replace the
; program, plant a DLL beside it, or swap language.cfg for a link to another file. Each
; install, upgrade and reinstall gives the folder the ACL of Program Files before any file
; of the product is written: the owner Administrators, full control for SYSTEM and
; Administrators, read and execute for Users, inherited by everything in it, and nothing
; inherited from the parent (P: a protected DACL). A folder that is a link, a drive's
; root, a folder holding others' files, or one that cannot be protected is refused: the
; install stops before it writes anything there. The System plug-in calls the security
; API, as Debian's NSIS ships no plug-in for ACLs.
!define FOLDER_SDDL "O:BAG:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"
; OWNER, GROUP and DACL_SECURITY_INFORMATION, and PROTECTED_DACL_SECURITY_INFORMATION.
!define FOLDER_SECURITY_INFORMATION 0x80000007
!define SE_FILE_OBJECT 1
!define FILE_ATTRIBUTE_DIRECTORY 0x10
!define FILE_ATTRIBUTE_REPARSE_POINT 0x400
; READ_CONTROL | WRITE_DAC | WRITE_OWNER, and FILE_READ_ATTRIBUTES, without which Windows
; refuses GetFileInformationByHandle on the handle; FILE_SHARE_READ | FILE_SHARE_WRITE, no
; FILE_SHARE_DELETE: while the installer holds the folder open, nobody can rename it away
; and put a link in its place. FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT:
; the folder itself, never what a link in its place points to.
!define FOLDER_ACCESS 0x000E0080
!define FOLDER_SHARE 3
!define OPEN_EXISTING 3
!define FOLDER_OPEN_FLAGS 0x02200000
; The exit code of a silent install that refused its folder or could not replace a file.
!define REFUSED_FOLDER_EXIT_CODE 3


; Pushes 1 when the path on the stack is a junction or a symbolic link, else 0.
Function IsReparsePoint
  Exch $0
  Push $1
  System::Call 'kernel32::GetFileAttributesW(w r0) i .r1'
  StrCpy $0 0
  ${If} $1 != -1
    IntOp $1 $1 & ${FILE_ATTRIBUTE_REPARSE_POINT}
    ${If} $1 != 0
      StrCpy $0 1
    ${EndIf}
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd

; Stops the install with the reason on the stack: nothing of the product is written into a
; folder that is not safe, as the elevated steps would run or write what a user chose.
Function RefuseFolder
  Exch $0
  DetailPrint $0
  MessageBox MB_OK|MB_ICONSTOP "$0$\r$\n$\r$\nChoose another folder; ${PRODUCT} was not installed." /SD IDOK
  SetErrorLevel ${REFUSED_FOLDER_EXIT_CODE}
  Abort
FunctionEnd

; Pushes 1 when the existing folder holds something that is not the product's: applying the
; product's ACL would take that away from its owners. A folder with LangSelect.exe, or the
; one the uninstall entry names, is an install of the product, whatever the user added.
Function HoldsForeignFiles
  Push $0
  Push $1
  Push $2
  StrCpy $2 0
  ${IfNot} ${FileExists} "$INSTDIR\LangSelect.exe"
  ${AndIf} $INSTDIR != $RecordedDir
    FindFirst $0 $1 "$INSTDIR\*"
    ${DoWhile} $1 != ""
      ${If} $1 != "."
      ${AndIf} $1 != ".."
      ${AndIf} $1 != "Brantlow.exe"
      ${AndIf} $1 != "language.cfg"
      ${AndIf} $1 != "uninstall.exe"
        StrCpy $2 1
        ${Break}
      ${EndIf}
      FindNext $0 $1
    ${Loop}
    FindClose $0
  ${EndIf}
  Pop $1
  Pop $0
  Exch $2
FunctionEnd

; Gives the folder the product's ACL through a handle to the folder itself, and keeps the
; handle, or stops the install. The path is never used for the ACL: a folder that a user
; replaced by a junction after it was made would hand the ACL to the link's target.
Function ProtectFolder
  ${GetRoot} "$INSTDIR" $0
  ${If} $INSTDIR == $0
  ${OrIf} $INSTDIR == "$0\"
    Push "$INSTDIR is the root of a drive, whose permissions are not the product's to change."
    Call RefuseFolder
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\*"
    Call HoldsForeignFiles
    Pop $0
    ${If} $0 == 1
      Push "$INSTDIR already holds other files, which would lose their permissions."
      Call RefuseFolder
    ${EndIf}
  ${EndIf}
  CreateDirectory "$INSTDIR"
  Push "$INSTDIR"
  Call IsReparsePoint
  Pop $0
  ${If} $0 == 1
    Push "$INSTDIR is a junction or symbolic link."
    Call RefuseFolder
  ${EndIf}
  StrCpy $6 $INSTDIR
  System::Call 'kernel32::CreateFileW(w r6, i ${FOLDER_ACCESS}, i ${FOLDER_SHARE}, p 0, i ${OPEN_EXISTING}, i ${FOLDER_OPEN_FLAGS}, p 0) p .r7'
  StrCpy $FolderHandle $7
  ; The folder as opened: a directory and no link (BY_HANDLE_FILE_INFORMATION's first DWORD
  ; holds the attributes). An invalid handle fails here.
  System::Call '*(&i52) p .r2'
  System::Call 'kernel32::GetFileInformationByHandle(p r7, p r2) i .r0'
  StrCpy $1 0
  ${If} $0 != 0
    System::Call '*$2(i .r1)'
  ${EndIf}
  System::Free $2
  IntOp $0 $1 & ${FILE_ATTRIBUTE_DIRECTORY}
  IntOp $1 $1 & ${FILE_ATTRIBUTE_REPARSE_POINT}
  ${If} $0 == 0
  ${OrIf} $1 != 0
    Push "$INSTDIR could not be opened as a folder, or is a junction or symbolic link."
    Call RefuseFolder
  ${EndIf}
  StrCpy $6 "${FOLDER_SDDL}"
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w r6, i 1, *p .r1, p 0) i .r0'
  ${If} $0 == 0
    Push "The permissions for $INSTDIR could not be made."
    Call RefuseFolder
  ${EndIf}
  System::Call 'advapi32::GetSecurityDescriptorOwner(p r1, *p .r2, *i .r5) i'
  System::Call 'advapi32::GetSecurityDescriptorGroup(p r1, *p .r3, *i .r5) i'
  System::Call 'advapi32::GetSecurityDescriptorDacl(p r1, *i .r5, *p .r4, *i .r5) i'
  ; Unlike SetNamedSecurityInfo, this does not pass the inheritable entries on to what the
  ; folder holds already; every file of the product is made afresh below, so it takes them.
  System::Call 'advapi32::SetSecurityInfo(p r7, i ${SE_FILE_OBJECT}, i ${FOLDER_SECURITY_INFORMATION}, p r2, p r3, p r4, p 0) i .r0'
  System::Call 'kernel32::LocalFree(p r1)'
  ${If} $0 != 0
    Push "The permissions of $INSTDIR could not be set (error $0)."
    Call RefuseFolder
  ${EndIf}
FunctionEnd

; Deletes a file of the product so that it is made afresh; one that stays (in use, or
; denied) would be an old file that the elevated steps might run, so the install stops.
Function DeleteProductFile
  Exch $0
  Delete "$INSTDIR\$0"
  ${If} ${FileExists} "$INSTDIR\$0"
    Push "$INSTDIR\$0 could not be replaced."
    Call RefuseFolder
  ${EndIf}
  Pop $0
FunctionEnd

; Whether the elevated steps may use language.cfg: the file is no link (a junction, a
; symbolic link or a second hard link would let whoever made it before the folder was
; protected choose the file that is read or written). Pushes 1 or 0; a file that is not
; there is fine, nothing is read from it.
Function LanguageFileIsSafe
  Push $0
  Push $1
  Push $2
  Push $6
  StrCpy $0 1
  Push "$INSTDIR\language.cfg"
  Call IsReparsePoint
  Pop $1
  ${If} $1 == 1
    StrCpy $0 0
    DetailPrint "$INSTDIR\language.cfg is a symbolic link: not used."
  ${ElseIf} ${FileExists} "$INSTDIR\language.cfg"
    ; OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT: the
    ; file itself, and its count of links (BY_HANDLE_FILE_INFORMATION, the eleventh DWORD).
    StrCpy $6 "$INSTDIR\language.cfg"
    System::Call 'kernel32::CreateFileW(w r6, i 0x80, i 7, p 0, i 3, i 0x02200000, p 0) p .r1'
    System::Call '*(&i52) p .r2'
    System::Call 'kernel32::GetFileInformationByHandle(p r1, p r2) i .r0'
    ${If} $0 != 0
      System::Call '*$2(i, i, i, i, i, i, i, i, i, i, i .r0)'
      ${If} $0 != 1
        DetailPrint "$INSTDIR\language.cfg has $0 hard links: not used."
        StrCpy $0 0
      ${EndIf}
    ${Else}
      DetailPrint "$INSTDIR\language.cfg could not be examined: not used."
    ${EndIf}
    System::Free $2
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
  Pop $6
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; language.cfg's "File" as the installed product holds it, read before the new file goes
; in. Empty unless this is an upgrade or reinstall with no language given, the one case
; where the product keeps its language, and the file is safe to read.
Var KeptIndex

Function ReadKeptIndex
  StrCpy $KeptIndex ""
  ${If} $ExplicitLocale == ""
  ${AndIf} $PreviousLocale != ""
    Call LanguageFileIsSafe
    Pop $0
    ${If} $0 == 1
      ReadINIStr $KeptIndex "$INSTDIR\language.cfg" "LangFile" "File"
    ${Else}
      DetailPrint "The product's language index is not kept: the recorded language is imported again."
    ${EndIf}
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
  Call LanguageFileIsSafe
  Pop $0
  ${If} $0 != 1
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
  ${If} $InitNote != ""
    DetailPrint $InitNote
  ${EndIf}
  Call ProtectFolder
  Call ReadKeptIndex
  ; Each file is made afresh, so that it takes the folder's ACL: a file that was there
  ; before keeps its own, and an old language.cfg may be a hard link to another file,
  ; which writing over it would change.
  Push "LangSelect.exe"
  Call DeleteProductFile
  Push "Brantlow.exe"
  Call DeleteProductFile
  Push "language.cfg"
  Call DeleteProductFile
  Push "uninstall.exe"
  Call DeleteProductFile
  SetOutPath "$INSTDIR"
  File "/oname=LangSelect.exe" "${LANGSELECT_EXE}"
  File "/oname=Brantlow.exe" "${MAIN_APPLICATION_EXE}"
  ; [ListNames] in the order of LangSelect's locale table, and "File" = -2: the import below
  ; takes the installer's language over. Always the new file, as names may change between
  ; versions; an upgrade with no language given then gets its index back.
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
  ; docs/integration.md). /CHECK starts nothing; ExecWait lets it finish first. The folder is
  ; protected and held open; language.cfg must still be no link.
  Call LanguageFileIsSafe
  Pop $0
  ${If} $0 == 1
    ExecWait '"$INSTDIR\LangSelect.exe" /CHECK'
  ${Else}
    DetailPrint "The import is left to the product's first start."
  ${EndIf}

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
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Brantlow.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; Only now may the folder be renamed or deleted again.
  StrCpy $7 $FolderHandle
  System::Call 'kernel32::CloseHandle(p r7)'
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
