; Installer of Quorrel IP Configurator for 64-bit Windows, made by Installer.cmake (the
; windows_setup target of packaging/windows/CMakeLists.txt), which defines:
;   VERSION          the program's version, four numbers (1.0.1.1)
;   STAGE            the install tree (the zip's folder)
;   UNINSTALL_LIST   Delete and RMDir lines for every file and folder of STAGE
;   ICON             the program's icon
;   OUTFILE          the installer to write
; Per machine into Program Files, a Start-menu shortcut, an entry in Apps & features, an
; inbound firewall rule for the program's local UDP ports 6002-6004. /S installs and
; uninstalls silently. An older version is uninstalled first, by its own uninstaller.
Target amd64-unicode
Unicode true
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Quorrel IP Configurator"
!define PUBLISHER "Trevant"
!define EXE "Quorrel_ROZidovo.exe"
!define UNINSTALLER "uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QuorrelIpConfigurator"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
!define FIREWALL_RULE "${PRODUCT}"

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
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"

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

Function .onInit
    SetShellVarContext all
    SetRegView 64
    ; The folder of an installed version, when there is one, so an update goes there.
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
        StrCpy $INSTDIR $0
    ${EndIf}
FunctionEnd

Function un.onInit
    SetShellVarContext all
    SetRegView 64
FunctionEnd

Section "${PRODUCT}"
    ; An installed version removes its own files first (its uninstaller knows them); the
    ; uninstaller run in place (_?=) does not delete itself.
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIf} ${FileExists} "$0\${UNINSTALLER}"
        ExecWait '"$0\${UNINSTALLER}" /S _?=$0' $1
        Delete "$0\${UNINSTALLER}"
        RMDir "$0"
    ${EndIf}

    SetOutPath "$INSTDIR"
    File /r "${STAGE}/*"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"
    CreateShortcut "${SHORTCUT}" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

    ; Replies and discovery use the program's local ports 6002-6004.
    !insertmacro Netsh 'advfirewall firewall delete rule name="${FIREWALL_RULE}"'
    !insertmacro Netsh 'advfirewall firewall add rule name="${FIREWALL_RULE}" dir=in action=allow program="$INSTDIR\${EXE}" protocol=UDP localport=6002-6004 enable=yes profile=any'
SectionEnd

Section "Uninstall"
    !insertmacro Netsh 'advfirewall firewall delete rule name="${FIREWALL_RULE}"'
    Delete "${SHORTCUT}"
    !include "${UNINSTALL_LIST}"
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
