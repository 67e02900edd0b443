; Kelmora's installer: Inno Setup 6, for a product whose user-interface language is chosen
; by LangSelect.exe. Copy it and change the names; docs/integration.md is the contract this
; script keeps, and the comments below say which part of it each piece is for.
;
; In an Inno script a comment is a whole line starting with ";". A ";" after a value is
; part of the value: "german.LocaleId=1031 ; German" would record "1031 ; German", which
; LangSelect never matches.
;
; Build, with LangSelect.exe, Brantlow.exe and language.cfg (the one of examples/nsis)
; beside this script:
;     ISCC kelmora.iss
; Other places for the files: /DLangSelectExe=... /DMainApplicationExe=... /DLanguageCfg=...,
; and /O<folder> /F<name> for the installer itself.
;
; Silent install, in German:
;     KelmoraSetup.exe /VERYSILENT /SUPPRESSMSGBOXES /LANG=german "/DIR=C:\Program Files\Kelmora"
; /LANG= takes the name of an entry of [Languages] below, not a locale identifier.
; Upgrade or reinstall, keeping the product's language: the same without /LANG= (Setup
; finds the folder itself). With /LANG= the upgrade's language becomes the product's.
; Silent uninstall: "C:\Program Files\Kelmora\unins000.exe" /VERYSILENT /SUPPRESSMSGBOXES

#define Product "Kelmora"
#define Company "Orvesta Software"
; Where LangSelect looks for the installer's language: HKLM, this key, this REG_SZ value,
; holding the locale identifier in decimal ("1031"). LangSelect reads exactly this key, so
; it is spelled out rather than built from Product and Company: renaming the product must
; not move the value away from where the program looks.
#define LanguageCompanyKey "Software\Orvesta Software"
#define LanguageKey "Software\Orvesta Software\Kelmora"
#define LanguageValue "Installer Language"

#ifndef LangSelectExe
  #define LangSelectExe "LangSelect.exe"
#endif
#ifndef MainApplicationExe
  #define MainApplicationExe "Brantlow.exe"
#endif
#ifndef LanguageCfg
  #define LanguageCfg "language.cfg"
#endif

[Setup]
; A product's own identifier: make a new GUID for yours (the first brace is doubled).
AppId={{5C0E7A31-9B64-4F1D-8E2A-3D7B6C1F0A48}
AppName={#Product}
AppVersion=1.0
AppPublisher={#Company}
; The language value lives under HKLM and the files under Program Files.
PrivilegesRequired=admin
; A 32-bit product: no ArchitecturesInstallIn64BitMode, so {autopf} is the 32-bit Program
; Files and the value goes to the 32-bit registry view, the one LangSelect reads first.
DefaultDirName={autopf}\{#Product}
DefaultGroupName={#Product}
DisableProgramGroupPage=yes
UninstallDisplayIcon={app}\Brantlow.exe
OutputBaseFilename=KelmoraSetup
; The language dialog is shown even when the system's language is one of the list, so the
; user sees which language the product will start in. An upgrade shows it too (Setup offers
; no way to leave it out for one run), preselecting the language of the last install
; (UsePreviousLanguage, on by default): confirming it keeps the product's language, choosing
; another one makes that the product's. See [Code].
ShowLanguageDialog=yes

; The languages of LangSelect's locale table that Inno Setup ships, each with the locale
; identifier recorded for it (LocaleId below) and the index of language.cfg it becomes.
; The first is the default.
;   english 1033 -> 0, german 1031 -> 1, french 1036 -> 2, dutch 1043 -> 3,
;   polish 1045 -> 4, russian 1049 -> 5, korean 1042 -> 6, finnish 1035 -> 8,
;   spanish 1034 -> 10, italian 1040 -> 11, ukrainian 1058 -> 12, arabic 1025 -> 13.
; Not shipped with Inno Setup: Chinese (Simplified), 2052 -> 7. To offer it, put the
; translation ChineseSimplified.isl (from Inno Setup's unofficial translations) beside this
; script, add the line
;   Name: "chinesesimplified"; MessagesFile: "ChineseSimplified.isl"
; here and the line "chinesesimplified.LocaleId=2052" under [CustomMessages].
; Index 9 (Portugues) has no locale in LangSelect's table: an installer offering it would
; record a language the product never takes over, so it is left to LangSelect's dialog.
[Languages]
Name: "english"; MessagesFile: "compiler:Default.isl"
Name: "german"; MessagesFile: "compiler:Languages\German.isl"
Name: "french"; MessagesFile: "compiler:Languages\French.isl"
Name: "dutch"; MessagesFile: "compiler:Languages\Dutch.isl"
Name: "polish"; MessagesFile: "compiler:Languages\Polish.isl"
Name: "russian"; MessagesFile: "compiler:Languages\Russian.isl"
Name: "korean"; MessagesFile: "compiler:Languages\Korean.isl"
Name: "finnish"; MessagesFile: "compiler:Languages\Finnish.isl"
Name: "spanish"; MessagesFile: "compiler:Languages\Spanish.isl"
Name: "italian"; MessagesFile: "compiler:Languages\Italian.isl"
Name: "ukrainian"; MessagesFile: "compiler:Languages\Ukrainian.isl"
Name: "arabic"; MessagesFile: "compiler:Languages\Arabic.isl"

; The locale identifier recorded for each language, in decimal. It is given here rather
; than taken from the language file's LanguageID: Inno's Spanish is the modern sort (3082),
; which LangSelect's table does not hold; the traditional sort's 1034 is.
[CustomMessages]
english.LocaleId=1033
german.LocaleId=1031
french.LocaleId=1036
dutch.LocaleId=1043
polish.LocaleId=1045
russian.LocaleId=1049
korean.LocaleId=1042
finnish.LocaleId=1035
spanish.LocaleId=1034
italian.LocaleId=1040
ukrainian.LocaleId=1058
arabic.LocaleId=1025

[Files]
Source: "{#LangSelectExe}"; DestDir: "{app}"; DestName: "LangSelect.exe"; Flags: ignoreversion
Source: "{#MainApplicationExe}"; DestDir: "{app}"; DestName: "Brantlow.exe"; Flags: ignoreversion
; [ListNames] in the order of LangSelect's locale table, and "File" = -2: the import below
; takes the installer's language over. Always the new file, as names may change between
; versions; an upgrade with no language given then gets its index back (see [Code]).
Source: "{#LanguageCfg}"; DestDir: "{app}"; DestName: "language.cfg"; Flags: ignoreversion; \
    BeforeInstall: ReadKeptIndex; AfterInstall: RestoreKeptIndex

[Registry]
; The company key goes when the last of its products has gone, the product's key with
; the product, so that a later install asks afresh.
Root: HKLM; Subkey: "{#LanguageCompanyKey}"; Flags: uninsdeletekeyifempty
Root: HKLM; Subkey: "{#LanguageKey}"; ValueType: string; ValueName: "{#LanguageValue}"; \
    ValueData: "{code:RecordedLocale}"; Flags: uninsdeletekey

[Icons]
; The product is started through "LangSelect.exe /CHECK_RUN", which stores the language
; and then starts Brantlow.exe; "Choose language" opens LangSelect's dialog.
Name: "{group}\{#Product}"; Filename: "{app}\LangSelect.exe"; Parameters: "/CHECK_RUN"; \
    WorkingDir: "{app}"; IconFilename: "{app}\Brantlow.exe"
Name: "{group}\Choose language"; Filename: "{app}\LangSelect.exe"; WorkingDir: "{app}"

[Run]
; The import, while the installer still runs elevated: the files and the value are in
; place by now, and Setup waits for it. language.cfg in Program Files then holds the index
; before anyone starts the product. Left to the entry below, the first "/CHECK_RUN" would
; run as the standard user (a postinstall entry does), and under UAC its write would land
; in that user's VirtualStore, not in the installed file.
Filename: "{app}\LangSelect.exe"; Parameters: "/CHECK"; WorkingDir: "{app}"; Flags: waituntilterminated
; "Run Kelmora" on the last page goes through LangSelect like the shortcut; by now it only
; reads the stored index. Not in a silent install: an administrator's deployment starts
; nothing.
Filename: "{app}\LangSelect.exe"; Parameters: "/CHECK_RUN"; WorkingDir: "{app}"; \
    Description: "{cm:LaunchProgram,{#Product}}"; Flags: postinstall nowait skipifsilent

[Code]
// Upgrades and reinstalls keep the product's language: the locale recorded last time, and
// the index in language.cfg, which the user may have changed since in LangSelect's dialog
// (to index 9, say, which no installer language gives). A language given on purpose, with
// /LANG= or by choosing another one in the language dialog, becomes the product's, as on
// a first install.

var
  // "Installer Language" as the last install left it; empty on a first install.
  PreviousLocale: String;
  // language.cfg's "File" as the installed product holds it, when it is to be kept.
  KeptIndex: String;

function InitializeSetup(): Boolean;
begin
  if not RegQueryStringValue(HKLM, '{#LanguageKey}', '{#LanguageValue}', PreviousLocale) then
    PreviousLocale := '';
  Result := True;
end;

// /LANG= naming the language Setup runs in (Setup ignores an unknown name).
function LanguageGivenOnCommandLine(): Boolean;
var
  I: Integer;
begin
  Result := False;
  for I := 1 to ParamCount do
    if (CompareText(Copy(ParamStr(I), 1, 6), '/LANG=') = 0) and
       (CompareText(Copy(ParamStr(I), 7, Length(ParamStr(I))), ActiveLanguage) = 0) then
      Result := True;
end;

// An upgrade in the language of the last install: silent without /LANG=, or the language
// dialog confirmed as Setup preselected it.
function KeepsProductLanguage(): Boolean;
begin
  Result := (PreviousLocale <> '') and (ExpandConstant('{cm:LocaleId}') = PreviousLocale) and
            not LanguageGivenOnCommandLine();
end;

function RecordedLocale(Param: String): String;
begin
  if KeepsProductLanguage() then
    Result := PreviousLocale
  else
    Result := ExpandConstant('{cm:LocaleId}');
end;

function LanguageFile(): String;
begin
  Result := ExpandConstant('{app}\language.cfg');
end;

procedure ReadKeptIndex();
begin
  KeptIndex := '';
  if KeepsProductLanguage() then
    KeptIndex := GetIniString('LangFile', 'File', '', LanguageFile());
end;

// The kept index goes back into the new file when it names an entry of the new
// [ListNames] (keys 0 to n - 1). Otherwise, and for -2, -1 or no number at all, the new
// file's -2 stays and the import in [Run] takes the recorded language over, as on a first
// install.
procedure RestoreKeptIndex();
var
  Index: Integer;
begin
  Index := StrToIntDef(KeptIndex, -1);
  // A plain decimal number, not "9x" or "09".
  if (Index >= 0) and (IntToStr(Index) = KeptIndex) and
     (GetIniString('ListNames', KeptIndex, '', LanguageFile()) <> '') then
    SetIniString('LangFile', 'File', KeptIndex, LanguageFile());
end;
