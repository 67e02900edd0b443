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
; and /O<folder> /F<name> for the installer itself; /DAppVer=1.2.0 for the release's
; version, which Setup compares with the installed one.
;
; Silent install, in German:
;     KelmoraSetup.exe /VERYSILENT /SUPPRESSMSGBOXES /LANG=german "/DIR=C:\Program Files\Kelmora"
; /LANG= takes the name of an entry of [Languages] below, not a locale identifier.
; Upgrade or reinstall, keeping the product's language and folder: the same without /LANG=
; and /DIR= (Setup finds the folder itself). A higher version given /LANG= makes that
; language the product's; a reinstall of the installed version keeps the product's
; language whatever it is given. A lower version than the installed one is refused
; (silent: exit code 1). A folder that is a link, a drive's root, holds others' files or
; cannot be protected is refused before anything is installed (silent: exit code 7).
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
#ifndef AppVer
  #define AppVer "1.0.0"
#endif

[Setup]
; A product's own identifier: make a new GUID for yours (the first brace is doubled), and
; put it into UninstallKey in [Code] too.
AppId={{5C0E7A31-9B64-4F1D-8E2A-3D7B6C1F0A48}
AppName={#Product}
AppVersion={#AppVer}
AppPublisher={#Company}
; The language value lives under HKLM and the files under Program Files.
PrivilegesRequired=admin
; A 32-bit product: no ArchitecturesInstallIn64BitMode, so {autopf} is the 32-bit Program
; Files and the value goes to the 32-bit registry view, the one LangSelect reads first.
; The folder of the installed product, unless it is now a link (see DefaultFolder);
; Setup's own UsePreviousAppDir would follow it.
UsePreviousAppDir=no
DefaultDirName={code:DefaultFolder}
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

; The folder is the product's: [Code] makes it and gives it the ACL of Program Files
; before Setup installs anything, or stops Setup (see PrepareToInstall). Permissions: here
; could only add grants to the ACL that the folder inherits ("Authenticated Users: Modify"
; under C:\), not protect it from its parent or set its owner. The folder is made by
; [Code], so Setup would leave it at uninstall: uninsalwaysuninstall removes it when empty.
[Dirs]
Name: "{app}"; Flags: uninsalwaysuninstall

[Files]
Source: "{#LangSelectExe}"; DestDir: "{app}"; DestName: "LangSelect.exe"; Flags: ignoreversion
Source: "{#MainApplicationExe}"; DestDir: "{app}"; DestName: "Brantlow.exe"; Flags: ignoreversion
; [ListNames] in the order of LangSelect's locale table, and "File" = -2: the import below
; takes the installer's language over. Always the new file, as names may change between
; versions; an upgrade with no language given then gets its index back (see [Code]).
Source: "{#LanguageCfg}"; DestDir: "{app}"; DestName: "language.cfg"; Flags: ignoreversion; \
    AfterInstall: RestoreKeptIndex

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
; The folder is protected and held open by now; language.cfg must still be no link.
Filename: "{app}\LangSelect.exe"; Parameters: "/CHECK"; WorkingDir: "{app}"; Flags: waituntilterminated; \
    Check: ImportMayRun
; "Run Kelmora" on the last page goes through LangSelect like the shortcut; by now it only
; reads the stored index. Not in a silent install: an administrator's deployment starts
; nothing.
Filename: "{app}\LangSelect.exe"; Parameters: "/CHECK_RUN"; WorkingDir: "{app}"; \
    Description: "{cm:LaunchProgram,{#Product}}"; Flags: postinstall nowait skipifsilent

[Code]
// Upgrades and reinstalls keep the product's language: the locale recorded last time, and
// the index in language.cfg, which the user may have changed since in LangSelect's dialog
// (to index 9, say, which no installer language gives). A higher version given a language
// on purpose, with /LANG= or by choosing another one in the language dialog, makes it the
// product's, as on a first install. A reinstall of the installed version is a repair,
// which anyone who can run Setup may start: it keeps the product's language whatever it is
// given.

const
  // The uninstall entry Setup makes for AppId (the GUID of [Setup], braces single).
  UninstallKey = 'Software\Microsoft\Windows\CurrentVersion\Uninstall\{5C0E7A31-9B64-4F1D-8E2A-3D7B6C1F0A48}_is1';
  ThisVersion = '{#AppVer}';
  // Program Files' ACL: the owner Administrators, full control for SYSTEM and
  // Administrators, read and execute for Users, inherited by everything in the folder,
  // and nothing inherited from its parent (P: a protected DACL).
  FolderSddl = 'O:BAG:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)';
  FileObjectType = 1;
  // OWNER_, GROUP_, DACL_ and PROTECTED_DACL_SECURITY_INFORMATION ($80000007), written
  // as the Integer that has its bits.
  ProtectedFolderInformation = -2147483641;
  AttributeDirectory = $10;
  AttributeReparsePoint = $400;
  // READ_CONTROL | WRITE_DAC | WRITE_OWNER, and FILE_READ_ATTRIBUTES, without which Windows
  // refuses GetFileInformationByHandle on the handle; shared for reading and writing but not
  // for deleting: while Setup holds the folder open, nobody can rename it away and put a
  // link in its place.
  ProtectAccess = $E0080;
  ShareReadWrite = 3;
  ReadAttributesAccess = $80;
  ShareAll = 7;
  OpenExisting = 3;
  // FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT: the file itself, not what a
  // link points to.
  OpenTheLinkItself = $02200000;
  InvalidHandle = -1;

type
  TByHandleInformation = record
    Attributes: Cardinal;
    CreationTimeLow, CreationTimeHigh: Cardinal;
    LastAccessTimeLow, LastAccessTimeHigh: Cardinal;
    LastWriteTimeLow, LastWriteTimeHigh: Cardinal;
    VolumeSerialNumber: Cardinal;
    SizeHigh, SizeLow: Cardinal;
    NumberOfLinks: Cardinal;
    IndexHigh, IndexLow: Cardinal;
  end;

function WinGetFileAttributes(Path: String): Integer;
  external 'GetFileAttributesW@kernel32.dll stdcall';
function WinCreateFile(Path: String; Access, Share, Security, Disposition, Flags, Template: Cardinal): Integer;
  external 'CreateFileW@kernel32.dll stdcall';
function WinGetFileInformation(FileHandle: Integer; var Information: TByHandleInformation): Boolean;
  external 'GetFileInformationByHandle@kernel32.dll stdcall';
function WinCloseHandle(FileHandle: Integer): Boolean;
  external 'CloseHandle@kernel32.dll stdcall';
function WinLocalFree(Memory: Cardinal): Cardinal;
  external 'LocalFree@kernel32.dll stdcall';
function WinSddlToSecurityDescriptor(Sddl: String; Revision: Cardinal; var Descriptor: Cardinal;
  Size: Cardinal): Boolean;
  external 'ConvertStringSecurityDescriptorToSecurityDescriptorW@advapi32.dll stdcall';
function WinGetOwner(Descriptor: Cardinal; var Owner: Cardinal; var Defaulted: Cardinal): Boolean;
  external 'GetSecurityDescriptorOwner@advapi32.dll stdcall';
function WinGetGroup(Descriptor: Cardinal; var Group: Cardinal; var Defaulted: Cardinal): Boolean;
  external 'GetSecurityDescriptorGroup@advapi32.dll stdcall';
function WinGetDacl(Descriptor: Cardinal; var Present: Cardinal; var Dacl: Cardinal;
  var Defaulted: Cardinal): Boolean;
  external 'GetSecurityDescriptorDacl@advapi32.dll stdcall';
function WinSetSecurityInfo(FileHandle: Integer; ObjectType, Information: Integer;
  Owner, Group, Dacl, Sacl: Cardinal): Integer;
  external 'SetSecurityInfo@advapi32.dll stdcall';

var
  // "Installer Language" as the last install left it; empty on a first install.
  PreviousLocale: String;
  // The installed product's version and the Setup language it was installed in.
  InstalledVersion: String;
  PreviousLanguage: String;
  // language.cfg's "File" as the installed product holds it, when it is to be kept.
  KeptIndex: String;
  // The protected folder, held open from PrepareToInstall until Setup ends.
  FolderHandle: Integer;

// Compares dotted versions field by field ("1.10" is above "1.9"): -1, 0 or 1.
function CompareDottedVersions(VersionA, VersionB: String): Integer;
var
  A, B: String;
  DotA, DotB, FieldA, FieldB: Integer;
begin
  A := VersionA;
  B := VersionB;
  Result := 0;
  while (Result = 0) and ((A <> '') or (B <> '')) do
  begin
    DotA := Pos('.', A);
    if DotA = 0 then
      DotA := Length(A) + 1;
    DotB := Pos('.', B);
    if DotB = 0 then
      DotB := Length(B) + 1;
    FieldA := StrToIntDef(Copy(A, 1, DotA - 1), 0);
    FieldB := StrToIntDef(Copy(B, 1, DotB - 1), 0);
    if FieldA > FieldB then
      Result := 1
    else if FieldA < FieldB then
      Result := -1;
    Delete(A, 1, DotA);
    Delete(B, 1, DotB);
  end;
end;

function InitializeSetup(): Boolean;
begin
  FolderHandle := InvalidHandle;
  if not RegQueryStringValue(HKLM, '{#LanguageKey}', '{#LanguageValue}', PreviousLocale) then
    PreviousLocale := '';
  if not RegQueryStringValue(HKLM, UninstallKey, 'DisplayVersion', InstalledVersion) then
    InstalledVersion := '';
  if not RegQueryStringValue(HKLM, UninstallKey, 'Inno Setup: Language', PreviousLanguage) then
    PreviousLanguage := '';
  // A lower version never goes over a higher one: its files and list are older.
  if (InstalledVersion <> '') and (CompareDottedVersions(InstalledVersion, ThisVersion) > 0) then
  begin
    Log('Refused: ' + InstalledVersion + ' is installed, above ' + ThisVersion + '.');
    SuppressibleMsgBox('{#Product} ' + InstalledVersion + ' is installed, a newer version than this ' +
      'installer''s ' + ThisVersion + '. Uninstall it first to install this one.', mbCriticalError, MB_OK, IDOK);
    Result := False;
    Exit;
  end;
  Result := True;
end;

function IsReparsePoint(Path: String): Boolean;
var
  Attributes: Integer;
begin
  Attributes := WinGetFileAttributes(Path);
  Result := (Attributes <> -1) and ((Attributes and AttributeReparsePoint) <> 0);
end;

// The installed product's folder, unless it is now a junction or a symbolic link: anyone
// who could replace the folder by a link would send the elevated Setup's writes wherever
// it points.
function DefaultFolder(Param: String): String;
var
  Previous: String;
begin
  Result := ExpandConstant('{autopf}\{#Product}');
  if RegQueryStringValue(HKLM, UninstallKey, 'Inno Setup: App Path', Previous) and (Previous <> '') then
  begin
    if IsReparsePoint(Previous) then
      Log('The recorded folder ' + Previous + ' is a junction or symbolic link: not used.')
    else
      Result := Previous;
  end;
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

function IsRepair(): Boolean;
begin
  Result := (PreviousLocale <> '') and (CompareDottedVersions(InstalledVersion, ThisVersion) = 0);
end;

// A repair, or an upgrade in the language of the last install: silent without /LANG=, or
// the language dialog confirmed as Setup preselected it.
function KeepsProductLanguage(): Boolean;
begin
  Result := (PreviousLocale <> '') and
            (IsRepair() or ((CompareText(ActiveLanguage, PreviousLanguage) = 0) and
                            not LanguageGivenOnCommandLine()));
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

// Whether the elevated steps may use language.cfg: the file is no link (a junction, a
// symbolic link or a second hard link would let whoever made it choose the file that is
// read or written). A file that is not there is fine.
function LanguageFileIsSafe(): Boolean;
var
  FileHandle: Integer;
  Information: TByHandleInformation;
begin
  Result := False;
  if IsReparsePoint(LanguageFile()) then
  begin
    Log(LanguageFile() + ' is a symbolic link: not used.');
    Exit;
  end;
  if not FileExists(LanguageFile()) then
  begin
    Result := True;
    Exit;
  end;
  FileHandle := WinCreateFile(LanguageFile(), ReadAttributesAccess, ShareAll, 0, OpenExisting,
                              OpenTheLinkItself, 0);
  if FileHandle = InvalidHandle then
  begin
    Log(LanguageFile() + ' could not be examined: not used.');
    Exit;
  end;
  if WinGetFileInformation(FileHandle, Information) then
  begin
    if Information.NumberOfLinks = 1 then
      Result := True
    else
      Log(LanguageFile() + ' has ' + IntToStr(Information.NumberOfLinks) + ' hard links: not used.');
  end
  else
    Log(LanguageFile() + ' could not be examined: not used.');
  WinCloseHandle(FileHandle);
end;

function ImportMayRun(): Boolean;
begin
  Result := LanguageFileIsSafe();
  if not Result then
    Log('The import is left to the product''s first start.');
end;

// Whether the existing folder holds something that is not the product's: the product's
// ACL would take it away from its owners. A folder with LangSelect.exe, or the one the
// uninstall entry names, is an install of the product, whatever the user added.
function HoldsForeignFiles(Folder: String): Boolean;
var
  Entry: TFindRec;
  Recorded, EntryName: String;
begin
  Result := False;
  if not RegQueryStringValue(HKLM, UninstallKey, 'Inno Setup: App Path', Recorded) then
    Recorded := '';
  if FileExists(Folder + '\LangSelect.exe') or
     (CompareText(RemoveBackslash(Recorded), RemoveBackslash(Folder)) = 0) then
    Exit;
  if FindFirst(Folder + '\*', Entry) then
  begin
    try
      repeat
        EntryName := Entry.Name;
        if (EntryName <> '.') and (EntryName <> '..') and (CompareText(EntryName, 'Brantlow.exe') <> 0) and
           (CompareText(EntryName, 'language.cfg') <> 0) and
           (CompareText(Copy(EntryName, 1, 6), 'unins0') <> 0) then
          Result := True;
      until Result or not FindNext(Entry);
    finally
      FindClose(Entry);
    end;
  end;
end;

// Deletes a file of the product so that it is made afresh and takes the folder's ACL; one
// that stays (in use, or denied) would be an old file that the elevated steps might run.
function DeletedProductFile(Path: String): Boolean;
begin
  DeleteFile(Path);
  Result := not FileExists(Path);
end;

// Makes the folder and gives it Program Files' ACL through a handle to the folder itself,
// which stays open until Setup ends; an empty result, or why Setup must stop. The path is
// never used for the ACL: a folder that a user replaced by a junction after it was made
// would hand the ACL to the link's target. A folder made under C:\ or D:\ inherits
// "Authenticated Users: Modify", and a user could then replace the program, plant a DLL
// beside it, or swap language.cfg for a link.
function ProtectInstallFolder(): String;
var
  Folder: String;
  Information: TByHandleInformation;
  Descriptor, Owner, Group, Dacl, Present, Defaulted: Cardinal;
  Status: Integer;
begin
  Folder := RemoveBackslash(ExpandConstant('{app}'));
  if CompareText(AddBackslash(Folder), AddBackslash(ExtractFileDrive(Folder))) = 0 then
  begin
    Result := Folder + ' is the root of a drive, whose permissions are not the product''s to change.';
    Exit;
  end;
  if DirExists(Folder) and HoldsForeignFiles(Folder) then
  begin
    Result := Folder + ' already holds other files, which would lose their permissions.';
    Exit;
  end;
  Result := Folder + ' is a junction or symbolic link, or could not be made or opened as a folder.';
  if not ForceDirectories(Folder) or IsReparsePoint(Folder) then
    Exit;
  FolderHandle := WinCreateFile(Folder, ProtectAccess, ShareReadWrite, 0, OpenExisting, OpenTheLinkItself, 0);
  if FolderHandle = InvalidHandle then
    Exit;
  if not WinGetFileInformation(FolderHandle, Information) or
     ((Information.Attributes and AttributeDirectory) = 0) or
     ((Information.Attributes and AttributeReparsePoint) <> 0) then
    Exit;
  Result := 'The permissions for ' + Folder + ' could not be made.';
  Descriptor := 0;
  if not WinSddlToSecurityDescriptor(FolderSddl, 1, Descriptor, 0) then
    Exit;
  Owner := 0;
  Group := 0;
  Dacl := 0;
  WinGetOwner(Descriptor, Owner, Defaulted);
  WinGetGroup(Descriptor, Group, Defaulted);
  WinGetDacl(Descriptor, Present, Dacl, Defaulted);
  // Unlike SetNamedSecurityInfo, this does not pass the inheritable entries on to what the
  // folder holds already; every file of the product is made afresh, so it takes them.
  Status := WinSetSecurityInfo(FolderHandle, FileObjectType, ProtectedFolderInformation, Owner, Group, Dacl, 0);
  WinLocalFree(Descriptor);
  if Status <> 0 then
  begin
    Result := 'The permissions of ' + Folder + ' could not be set (error ' + IntToStr(Status) + ').';
    Exit;
  end;
  Result := '';
end;

// language.cfg's index, when the product keeps its language, is read before the file goes;
// then each file of the product goes, so that Setup makes it afresh: the old language.cfg
// may be a hard link to another file, which writing over it would change.
function ClearProductFiles(): String;
var
  Folder: String;
begin
  Result := '';
  KeptIndex := '';
  if KeepsProductLanguage() then
  begin
    if LanguageFileIsSafe() then
      KeptIndex := GetIniString('LangFile', 'File', '', LanguageFile())
    else
      Log('The product''s language index is not kept: the recorded language is imported again.');
  end;
  Folder := ExpandConstant('{app}');
  if not DeletedProductFile(Folder + '\LangSelect.exe') then
    Result := Folder + '\LangSelect.exe could not be replaced.'
  else if not DeletedProductFile(Folder + '\Brantlow.exe') then
    Result := Folder + '\Brantlow.exe could not be replaced.'
  else if not DeletedProductFile(LanguageFile()) then
    Result := LanguageFile() + ' could not be replaced.';
end;

// Setup stops here, before it installs anything, when the folder is not safe: a link, a
// drive's root, a folder of others' files, one that cannot be protected, or a file of the
// product that cannot be replaced. Silent, Setup ends with exit code 7.
function PrepareToInstall(var NeedsRestart: Boolean): String;
begin
  if IsRepair() and LanguageGivenOnCommandLine() then
    Log('A reinstall of ' + ThisVersion + ': the product''s language stays, /LANG= is not used.');
  if FolderHandle <> InvalidHandle then
    WinCloseHandle(FolderHandle);
  FolderHandle := InvalidHandle;
  Result := ProtectInstallFolder();
  if Result = '' then
    Result := ClearProductFiles();
  if Result <> '' then
    Log('Refused: ' + Result);
end;

// Only now may the folder be renamed or deleted again.
procedure DeinitializeSetup();
begin
  if FolderHandle <> InvalidHandle then
    WinCloseHandle(FolderHandle);
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
  // A plain decimal number, not "9x", "+9" or "09".
  if (Index >= 0) and (IntToStr(Index) = KeptIndex) and LanguageFileIsSafe() and
     (GetIniString('ListNames', KeptIndex, '', LanguageFile()) <> '') then
    SetIniString('LangFile', 'File', KeptIndex, LanguageFile());
end;
