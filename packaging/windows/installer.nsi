; The per-user installer of the Windows program, for Debian's makensis:
;   makensis -DVERSION=1.00 -DSTAGE=<the zip's folder> -DFILES=<files.nsh>
;            -DSIZE_KB=<size> -DOUTFILE=<setup.exe> installer.nsi
; It needs no administrator rights: it installs into the user's own
; %LOCALAPPDATA%\Programs\pi-coins, adds a Start menu shortcut and an entry
; under Settings > Apps (HKCU), and its uninstaller removes exactly what it
; added. Installing over an older version first runs that version's
; uninstaller. FILES lists the zip's files (File and Delete lines, made by
; the build), so that both halves name the same files.

Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma
ManifestSupportedOS all

!include "MUI2.nsh"

!define APP "pi-coins"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"

Name "${APP} ${VERSION}"
Caption "コインを投げて円周率πの近似値を求める！ ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${APP}"
BrandingText "${APP} ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1041 "ProductName" "${APP}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "FileDescription" "${APP} ${VERSION} setup"
VIAddVersionKey /LANG=1041 "CompanyName" "pi-coins developers"
VIAddVersionKey /LANG=1041 "LegalCopyright" "pi-coins developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\pi-coins.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Function .onInit
    SetShellVarContext current
FunctionEnd

Function un.onInit
    SetShellVarContext current
FunctionEnd

Section
    ; An older version here goes first, by its own uninstaller, which
    ; knows its own files.
    IfFileExists "$INSTDIR\uninstall.exe" 0 +2
        ExecWait '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
    SetOutPath "$INSTDIR"
    !define INSTALL
    !include "${FILES}"
    !undef INSTALL
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\pi-coins.exe" "" "$INSTDIR\pi-coins.exe" 0
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APP}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "pi-coins developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\pi-coins.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    !include "${FILES}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${APP}.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
