; The program's installer for 64-bit Windows, made by Installer.cmake (the
; windows_setup target of packaging/windows/CMakeLists.txt), which defines:
;   VERSION          the program's version, four numbers (1.0.1.1)
;   STAGE            the install tree (the zip's folder)
;   UNINSTALL_FILES  a Delete line for every file of STAGE
;   UNINSTALL_DIRS   an RMDir line for every folder of STAGE, deepest first
;   ICON             the program's icon
;   OUTFILE          the installer to write
;   PRODUCT          the program's name, WINDOWS_ID its Windows id, EXE its program file,
;                    PUBLISHER its maker (cmake/Identity.cmake)
;   LOCAL_PORTS      the program's local UDP ports, first-last (cmake/LocalPorts.cmake)
; Per machine into Program Files, a Start-menu shortcut, an entry in Apps & features, an
; inbound firewall rule for the program's local UDP ports. /S installs and
; uninstalls silently. An older version is uninstalled first, by its own uninstaller.
;
; Nothing is ever left half done: a running program is closed first (asked of the user,
; or under /S closed by the installer itself), a failed older uninstaller stops the update,
; files that cannot be written are removed again, and the uninstaller keeps the Apps &
; features entry while any installed file remains. Exit codes, of the installer and the
; uninstaller alike:
;   0  done
;   1  cancelled by the user
;   2  the program could not be closed, or files could not be written or removed: an
;      install removed what it had written, an uninstall left the program installed
;   3  the older version's uninstaller failed: that version is left as it is
;   4  not run by an administrator
;   5  Windows older than Windows 10 (Qt 6 needs 10 or later)
;
; The uninstaller can be waited for in place: uninstall.exe /S _?=<its folder> (the
; QuietUninstallString) runs without handing over to a copy in the temporary folder, so
; its exit code is the result. A running program file cannot be deleted (nor moved: NSIS
; keeps it open), so when everything else is gone it starts a copy of itself from the
; temporary folder with /CLEANUP, which removes uninstall.exe and the folder as soon as
; the waited-for process has ended. An update runs the older uninstaller with /UPDATE:
; then the installer removes uninstall.exe itself, before writing its own.
Target amd64-unicode
Unicode true
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel admin
; A file that cannot be written fails the install (Retry/Cancel; under /S: cancel).
AllowSkipFiles off

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WinVer.nsh"

!define UNINSTALLER "uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${WINDOWS_ID}"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
; Held by the running program (app/WindowsStart.cpp).
!define RUNNING_MUTEX "Global\${WINDOWS_ID}.Running"
!define FIREWALL_RULE "${PRODUCT}"
!define FIREWALL_DESCRIPTION "Ответы контроллеров на поиск и запись (UDP, порты ${LOCAL_PORTS} программы). Все профили: сеть объекта без шлюза Windows обычно считает общедоступной."

!define EXIT_CANCELLED 1
!define EXIT_INCOMPLETE 2
!define EXIT_OLDER_UNINSTALL 3
!define EXIT_NOT_ADMIN 4
!define EXIT_OLD_WINDOWS 5

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1049 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1049 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1049 "FileDescription" "${PRODUCT} ${VERSION}"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "LegalCopyright" "Copyright © 2026 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
; The installer runs elevated; the program it offers to start must not: Explorer, running
; as the signed-in user, starts it.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgramAsUser

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

; netsh with the given arguments; its output goes to the details list, a failure is noted
; there and is not fatal (the program works without the rule where a firewall lets it).
!macro Netsh ARGS
    nsExec::ExecToLog '"$SYSDIR\netsh.exe" ${ARGS}'
    Pop $0
    ${If} $0 != 0
        DetailPrint "netsh: $0"
    ${EndIf}
!macroend

; Ends the installer or uninstaller with the given exit code, after a message (under /S
; only in the details log).
!macro Fail CODE TEXT
    DetailPrint "${TEXT}"
    MessageBox MB_OK|MB_ICONSTOP "${TEXT}" /SD IDOK
    SetErrorLevel ${CODE}
    Quit
!macroend

; Functions the installer and the uninstaller both have (the uninstaller's carry "un.").
!macro CommonFunctions UN
; Windows 10 or later, run by an administrator.
Function ${UN}CheckSystem
    ${IfNot} ${AtLeastWin10}
        !insertmacro Fail ${EXIT_OLD_WINDOWS} "${PRODUCT} работает в Windows 10 и новее."
    ${EndIf}
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "admin"
        !insertmacro Fail ${EXIT_NOT_ADMIN} "Нужны права администратора."
    ${EndIf}
FunctionEnd

; $R9: 1 while the program runs (any copy of it, also one showing only its tray icon).
Function ${UN}ProgramRunning
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${RUNNING_MUTEX}") p.R8'
    ${If} $R8 != 0
        System::Call 'kernel32::CloseHandle(p R8)'
        StrCpy $R9 1
    ${Else}
        StrCpy $R9 0
    ${EndIf}
FunctionEnd

; Waits up to 10 seconds for the program to end; $R9 as ProgramRunning.
Function ${UN}WaitProgramEnd
    StrCpy $R7 0
    ${Do}
        Call ${UN}ProgramRunning
        ${If} $R9 == 0
        ${OrIf} $R7 >= 100
            ${ExitDo}
        ${EndIf}
        Sleep 100
        IntOp $R7 $R7 + 1
    ${Loop}
FunctionEnd

; Returns when the program no longer runs. Interactively the user is asked to close it
; (Retry / Cancel). Under /S the program is asked to close (taskkill sends its windows
; WM_CLOSE), then ended; when it still runs the run fails.
Function ${UN}CloseProgram
    ${Do}
        Call ${UN}ProgramRunning
        ${If} $R9 == 0
            Return
        ${EndIf}
        ${If} ${Silent}
            ${ExitDo}
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} запущена (возможно, только значком в области уведомлений). Закройте программу и нажмите «Повтор»." IDRETRY +3
        SetErrorLevel ${EXIT_CANCELLED}
        Quit
    ${Loop}
    DetailPrint "Закрытие ${EXE}"
    nsExec::Exec '"$SYSDIR\taskkill.exe" /IM ${EXE}'
    Pop $0
    Call ${UN}WaitProgramEnd
    ${If} $R9 == 1
        nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM ${EXE}'
        Pop $0
        Call ${UN}WaitProgramEnd
    ${EndIf}
    ${If} $R9 == 1
        !insertmacro Fail ${EXIT_INCOMPLETE} "${PRODUCT} не удалось закрыть."
    ${EndIf}
FunctionEnd
!macroend
!insertmacro CommonFunctions ""
!insertmacro CommonFunctions "un."

Function .onInit
    SetShellVarContext all
    SetRegView 64
    Call CheckSystem
    ; The folder of an installed version, when there is one, so an update goes there.
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
        StrCpy $INSTDIR $0
    ${EndIf}
FunctionEnd

; A file could not be written: what this run wrote goes again (the older version is gone
; already), so no mix of versions stays behind.
Function .onInstFailed
    !include "${UNINSTALL_FILES}"
    Delete "$INSTDIR\${UNINSTALLER}"
    !include "${UNINSTALL_DIRS}"
    RMDir "$INSTDIR"
    SetErrorLevel ${EXIT_INCOMPLETE}
FunctionEnd

Function StartProgramAsUser
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\${EXE}"'
FunctionEnd

Function un.onInit
    SetShellVarContext all
    SetRegView 64
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/CLEANUP" $1
    ${IfNot} ${Errors}
        Call un.RemoveUninstaller
        SetErrorLevel $R9
        Quit
    ${EndIf}
    Call un.CheckSystem
FunctionEnd

; The /CLEANUP copy: removes $INSTDIR\uninstall.exe once the uninstaller that started it
; has ended (up to 30 seconds), then the folder when empty, then itself at the next restart
; (it runs from the temporary folder). $R9: 0 when uninstall.exe is gone.
Function un.RemoveUninstaller
    StrCpy $R9 ${EXIT_INCOMPLETE}
    ${For} $R7 1 300
        Delete "$INSTDIR\${UNINSTALLER}"
        ${IfNot} ${FileExists} "$INSTDIR\${UNINSTALLER}"
            StrCpy $R9 0
            ${Break}
        ${EndIf}
        Sleep 100
    ${Next}
    RMDir "$INSTDIR"
    Delete /REBOOTOK "$EXEPATH"
FunctionEnd

Section "${PRODUCT}"
    Call CloseProgram
    ; An installed version removes its own files first (its uninstaller knows them), run in
    ; place (_?=) so it can be waited for; an uninstaller that does not move itself away
    ; leaves itself behind, removed here.
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIf} ${FileExists} "$0\${UNINSTALLER}"
        DetailPrint "Удаление установленной версии"
        ClearErrors
        ExecWait '"$0\${UNINSTALLER}" /S /UPDATE _?=$0' $1
        ${If} ${Errors}
        ${OrIf} $1 != 0
            !insertmacro Fail ${EXIT_OLDER_UNINSTALL} "Установленную версию не удалось удалить (код $1)."
        ${EndIf}
        Delete "$0\${UNINSTALLER}"
        RMDir "$0"
    ${EndIf}

    SetOutPath "$INSTDIR"
    File /r "${STAGE}/*"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"
    CreateShortcut "${SHORTCUT}" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0

    ; Replies and discovery use the program's local ports. Every network profile:
    ; site networks without a gateway are usually classed "Public".
    !insertmacro Netsh 'advfirewall firewall delete rule name="${FIREWALL_RULE}"'
    !insertmacro Netsh 'advfirewall firewall add rule name="${FIREWALL_RULE}" description="${FIREWALL_DESCRIPTION}" dir=in action=allow program="$INSTDIR\${EXE}" protocol=UDP localport=${LOCAL_PORTS} profile=any enable=yes'

    ; The entry last: it stands for a whole install.
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S _?=$INSTDIR'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
    Call un.CloseProgram
    ; The installed files first: while one of them cannot be removed, the program stays
    ; installed, with its entry, shortcut and firewall rule.
    ClearErrors
    !include "${UNINSTALL_FILES}"
    ${If} ${Errors}
        !insertmacro Fail ${EXIT_INCOMPLETE} "Не все файлы программы удалось удалить; закройте то, что их использует, и повторите удаление."
    ${EndIf}
    !include "${UNINSTALL_DIRS}"
    Delete "${SHORTCUT}"
    !insertmacro Netsh 'advfirewall firewall delete rule name="${FIREWALL_RULE}"'
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    ; Run in place, this uninstaller is itself the running program file: a copy in the
    ; temporary folder removes it once this process has ended (for an update, the installer
    ; does).
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/UPDATE" $2
    ${IfNot} ${Errors}
        Return
    ${EndIf}
    Delete "$INSTDIR\${UNINSTALLER}"
    ${If} ${FileExists} "$INSTDIR\${UNINSTALLER}"
        GetTempFileName $0
        Delete $0
        StrCpy $0 "$0.exe"
        ClearErrors
        CopyFiles /SILENT "$EXEPATH" "$0"
        ${IfNot} ${Errors}
            Exec '"$0" /S /CLEANUP _?=$INSTDIR'
        ${Else}
            Delete /REBOOTOK "$INSTDIR\${UNINSTALLER}"
            RMDir /REBOOTOK "$INSTDIR"
        ${EndIf}
    ${Else}
        RMDir "$INSTDIR"
    ${EndIf}
SectionEnd
