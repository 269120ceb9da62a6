; The setup program of Ordevik. It installs the staged Windows tree into
; "Program Files\Ordevik" for every user of the machine, adds the Start-menu entry
; 「ケルダ」 and the entry in "Apps and features", and writes an uninstaller that removes
; all of it again. scripts/windows-installers.py builds it with makensis and defines:
;   VERSION    the version shown, e.g. 1.03
;   VIVERSION  the same as four numbers, for the version resource
;   FILES      the file and removal lists it generated from the staged tree
;   OUTFILE    the setup program to write
;
; ordevik-<version>-setup.exe /S installs silently (/D=FOLDER, last, another folder);
; uninstall.exe /S removes silently.
;
; The settings file. ordevik-shipped.ini beside ordevik.ini is the copy this version
; shipped. Installing over an earlier version replaces ordevik.ini only when it is
; still byte for byte the copy that version shipped; an ordevik.ini someone edited
; stays, and the new shipped settings are in ordevik-shipped.ini to compare with.

Unicode true
Target amd64-unicode
; zlib rather than LZMA: NSIS's LZMA decoder is under the Common Public License, whose
; terms would travel with every setup program; its stub and zlib ask for nothing.
SetCompressor /SOLID zlib
ManifestDPIAware true
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "${FILES}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ordevik"
!define PUBLISHER "The Ordevik developers"
!define SHORTCUT "$SMPROGRAMS\ケルダ.lnk"

Name "ケルダ (Ordevik ${VERSION})"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Ordevik"
; An earlier installation is updated where it is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VIVERSION}"
VIAddVersionKey /LANG=0 "ProductName" "Ordevik"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "Ordevik ${VERSION} setup"
VIAddVersionKey /LANG=0 "LegalCopyright" "MIT licence"

!define MUI_ICON "${STAGE}\ordevik.ico"
!define MUI_UNICON "${STAGE}\ordevik.ico"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The first language is the one used where Windows speaks neither.
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "English"

; Pops two file names and pushes 1 when both files exist and hold the same bytes,
; else 0. The settings file is some ten kilobytes, read a byte at a time.
Function SameBytes
    Exch $1  ; second file
    Exch
    Exch $0  ; first file
    Push $2
    Push $3
    Push $4
    Push $5
    Push $6
    StrCpy $6 0
    ClearErrors
    FileOpen $2 $0 r
    ${IfNot} ${Errors}
        FileOpen $3 $1 r
        ${IfNot} ${Errors}
            ${Do}
                ClearErrors
                FileReadByte $2 $4
                ${If} ${Errors}
                    ; The end of the first file: the same only if the second ends too.
                    ClearErrors
                    FileReadByte $3 $5
                    ${If} ${Errors}
                        StrCpy $6 1
                    ${EndIf}
                    ${ExitDo}
                ${EndIf}
                FileReadByte $3 $5
                ${If} ${Errors}
                ${OrIf} $4 != $5
                    ${ExitDo}
                ${EndIf}
            ${Loop}
            FileClose $3
        ${EndIf}
        FileClose $2
    ${EndIf}
    StrCpy $0 $6
    Pop $6
    Pop $5
    Pop $4
    Pop $3
    Pop $2
    Pop $1
    Exch $0
FunctionEnd

Section
    SetShellVarContext all

    ; An earlier installation is removed by its own uninstaller first, so that no file
    ; only it had stays behind; /KEEPSETTINGS leaves its settings files, and _?= makes
    ; it run in place, so that this waits for it.
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIf} ${FileExists} "$0\uninstall.exe"
        ExecWait '"$0\uninstall.exe" /S /KEEPSETTINGS _?=$0'
        Delete "$0\uninstall.exe"
        RMDir "$0"
    ${EndIf}

    SetOutPath "$INSTDIR"
    ${If} ${FileExists} "$INSTDIR\ordevik.ini"
        Push "$INSTDIR\ordevik.ini"
        Push "$INSTDIR\ordevik-shipped.ini"
        Call SameBytes
        Pop $1
        ${If} $1 == 1
            Delete "$INSTDIR\ordevik.ini"
        ${EndIf}
    ${EndIf}
    File "/oname=ordevik-shipped.ini" "${SETTINGS_SOURCE}"
    SetOverwrite off
    File "/oname=ordevik.ini" "${SETTINGS_SOURCE}"
    SetOverwrite on

    !insertmacro InstallFiles

    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "${SHORTCUT}" "${SHORTCUT_TARGET}" "${SHORTCUT_ARGUMENTS}" \
        "$INSTDIR\ordevik.ico" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Ordevik"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\ordevik.ico"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "https://ordevik.org"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${ESTIMATED_SIZE_KB}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/KEEPSETTINGS" $1
    ${If} ${Errors}
        Delete "$INSTDIR\ordevik.ini"
        Delete "$INSTDIR\ordevik-shipped.ini"
    ${EndIf}
    !insertmacro RemoveFiles
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "${SHORTCUT}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
