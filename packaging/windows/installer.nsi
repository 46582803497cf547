; The per-user installer of the Windows program, for Debian's makensis:
;   makensis -DVERSION=1.00 -DSTAGE=<the zip's folder> -DFILES=<files.nsh>
;            -DSIZE_KB=<size> -DOUTFILE=<setup.exe> installer.nsi
; It needs no administrator rights: it installs into the user's own
; %LOCALAPPDATA%\Programs\pi-coins, adds a Start menu shortcut and an entry
; under Settings > Apps (HKCU), and its uninstaller removes exactly what it
; added. The folder offered is the one an earlier install went to, and an
; earlier install, wherever it is, is removed by its own uninstaller first,
; so that there is only ever one. While pi-coins runs (it holds a named
; mutex), neither installer nor uninstaller changes anything: they ask the
; user to close it, or, silent, end with status 3. FILES lists the zip's
; files (File and Delete lines, made by the build), so that both halves
; name the same files.

Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma
ManifestSupportedOS all
ManifestDPIAware true

!include "MUI2.nsh"
!include "StrFunc.nsh"
${StrStr}

!define APP "pi-coins"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define RUNNING_MUTEX "Local\io.github.picoins.PiCoins.running"
!define PUBLISHER "pi-coins developers"

Name "${APP} ${VERSION}"
Caption "コインを投げて円周率πの近似値を求める！ ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${APP}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${APP} ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1041 "ProductName" "${APP}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "FileDescription" "${APP} ${VERSION} setup"
VIAddVersionKey /LANG=1041 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "Copyright 2026 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\pi-coins.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

; Waits until pi-coins no longer runs: the user closes it and retries, or
; cancels; silent, it ends with status 3 at once, having changed nothing.
!macro WAIT_UNTIL_CLOSED UN
Function ${UN}WaitUntilClosed
    retry:
        System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${RUNNING_MUTEX}") p .r0'
        IntPtrCmp $0 0 closed
        System::Call 'kernel32::CloseHandle(p r0)'
        IfSilent quit
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
            "pi-coins が動いています。pi-coins を終了してから「再試行」を押してください。" \
            IDRETRY retry
    quit:
        SetErrorLevel 3
        Quit
    closed:
FunctionEnd
!macroend
!insertmacro WAIT_UNTIL_CLOSED ""
!insertmacro WAIT_UNTIL_CLOSED "un."

Function .onInit
    SetShellVarContext current
    ; NSIS takes /D= only unquoted, as the last option; a /D= with a quote
    ; in it or around it (as most shells write a folder with spaces) it
    ; would pass over without a word, installing elsewhere. The command
    ; line as it came tells.
    System::Call 'kernel32::GetCommandLineW() t .r1'
    ${StrStr} $0 $1 '/D='
    ${StrStr} $0 $0 '"'
    StrCmp $0 "" unquoted
        MessageBox MB_ICONSTOP "/D= のフォルダーは引用符で囲まずに最後に書いてください (/D=C:\フォルダー)。" /SD IDOK
        SetErrorLevel 2
        Quit
    unquoted:
    Call WaitUntilClosed
FunctionEnd

Function un.onInit
    SetShellVarContext current
    Call un.WaitUntilClosed
FunctionEnd

; Removes the install in $R0, if there is one, by its own uninstaller,
; which knows its own files; stops the installation if it cannot.
Function RemoveInstallIn
    StrCmp $R0 "" done
    IfFileExists "$R0\uninstall.exe" 0 done
    ClearErrors
    ExecWait '"$R0\uninstall.exe" /S _?=$R0' $R1
    IfErrors failed
    StrCmp $R1 0 0 failed
    ; Run in place (_?=), the uninstaller cannot remove itself.
    Delete "$R0\uninstall.exe"
    RMDir "$R0"
    Goto done
    failed:
        MessageBox MB_ICONSTOP "$R0 の以前の pi-coins を削除できませんでした。" /SD IDOK
        SetErrorLevel 4
        Quit
    done:
FunctionEnd

Section
    ; The earlier install the system knows of, then one in the folder
    ; chosen now.
    ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    Call RemoveInstallIn
    StrCpy $R0 "$INSTDIR"
    Call RemoveInstallIn
    SetOutPath "$INSTDIR"
    !define INSTALL
    !include "${FILES}"
    !undef INSTALL
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\pi-coins.exe" "" "$INSTDIR\pi-coins.exe" 0 \
        SW_SHOWNORMAL "" "コインを投げて円周率πの近似値を求める"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APP}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
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
    ; A program file that is still there (locked, or not ours to remove)
    ; keeps the entry and the shortcut, and the uninstall fails.
    IfFileExists "$INSTDIR\pi-coins.exe" 0 removed
        MessageBox MB_ICONSTOP "$INSTDIR のファイルを削除できませんでした。" /SD IDOK
        SetErrorLevel 2
        Quit
    removed:
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${APP}.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
