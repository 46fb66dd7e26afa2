; The Windows installer: a per-user install (no administrator rights) into
; %LOCALAPPDATA%\Programs\Lumo with a Start-menu shortcut, an optional desktop
; shortcut, the browser capabilities and an uninstaller.
;
; Built by installer/CMakeLists.txt: makensis -INPUTCHARSET UTF8 with
;   STAGE    the program folder to install (Lumo.exe, Update\LumoUpdate.exe, Config.ini)
;   OUTFILE  the installer to write
;   ICON     Lumo's icon
; and version.nsh (the version and texts of Lumo.exe's version resource).
Unicode true
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "version.nsh"
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumo"
!define SHORTCUT "Lumo.lnk"

Name "${LUMO_ProductName}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Lumo"
; An upgrade goes where the last install went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${LUMO_CompanyName}"
ShowInstDetails show
ShowUninstDetails show

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Lumo.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; The same version resource as Lumo.exe.
VIProductVersion "${LUMO_VI_VERSION}"
VIFileVersion "${LUMO_VI_VERSION}"
!insertmacro LUMO_VERSION_KEYS ${LANG_SIMPCHINESE}

; Ending a running Lumo, as the updater does: ask first (in silent mode the
; answer is yes), then end every Lumo.exe and LumoUpdate.exe process one at a
; time with bounded waits. No answers abort.
!macro LUMO_PROCESS_FUNCTIONS un
; $R0 := the id of a running Lumo.exe or LumoUpdate.exe process, 0 if none.
Function ${un}FindRunningLumo
    Push $R1
    Push $R2
    Push $R3
    Push $R4
    Push $R5
    Push $R6
    StrCpy $R0 0
    ; TH32CS_SNAPPROCESS. A PROCESSENTRY32W: its size, the process id at
    ; offset 8 and the executable's name after a pointer-sized field.
    !if ${NSIS_PTR_SIZE} > 4
        !define /redef PE32_SIZE 568
        !define /redef PE32_NAME 44
    !else
        !define /redef PE32_SIZE 556
        !define /redef PE32_NAME 36
    !endif
    System::Call 'kernel32::CreateToolhelp32Snapshot(i 2, i 0) p .R1'
    ${If} $R1 P<> -1
        System::Alloc ${PE32_SIZE}
        Pop $R2
        System::Call '*$R2(i ${PE32_SIZE})'
        IntPtrOp $R6 $R2 + ${PE32_NAME}
        System::Call 'kernel32::Process32FirstW(p R1, p R2) i .R3'
        ${DoWhile} $R3 <> 0
            System::Call '*$R2(i, i, i .R4)'
            System::Call '*$R6(&w260 .R5)'
            ${If} $R5 == "Lumo.exe"
            ${OrIf} $R5 == "LumoUpdate.exe"
                StrCpy $R0 $R4
                ${Break}
            ${EndIf}
            System::Call 'kernel32::Process32NextW(p R1, p R2) i .R3'
        ${Loop}
        System::Free $R2
        System::Call 'kernel32::CloseHandle(p R1)'
    ${EndIf}
    Pop $R6
    Pop $R5
    Pop $R4
    Pop $R3
    Pop $R2
    Pop $R1
FunctionEnd

Function ${un}EndRunningLumo
    Call ${un}FindRunningLumo
    ${If} $R0 = 0
        Return
    ${EndIf}
    MessageBox MB_YESNO|MB_ICONQUESTION "Lumo 正在运行，需要先结束它才能继续。$\r$\n$\r$\n是否结束 Lumo 并继续？" \
        /SD IDYES IDYES end_it
    Abort
end_it:
    Push $R1
    Push $R9
    StrCpy $R9 0
    ${Do}
        Call ${un}FindRunningLumo
        ${If} $R0 = 0
            ${Break}
        ${EndIf}
        IntOp $R9 $R9 + 1
        ${If} $R9 > 20
            MessageBox MB_OK|MB_ICONSTOP "无法结束 Lumo，请手动关闭它后再试。" /SD IDOK
            Pop $R9
            Pop $R1
            Abort
        ${EndIf}
        ; PROCESS_TERMINATE | SYNCHRONIZE
        System::Call 'kernel32::OpenProcess(i 0x100001, i 0, i R0) p .R1'
        ${If} $R1 P<> 0
            System::Call 'kernel32::TerminateProcess(p R1, i 0)'
            System::Call 'kernel32::WaitForSingleObject(p R1, i 5000)'
            System::Call 'kernel32::CloseHandle(p R1)'
        ${Else}
            Sleep 200
        ${EndIf}
    ${Loop}
    Pop $R9
    Pop $R1
FunctionEnd
!macroend
!insertmacro LUMO_PROCESS_FUNCTIONS ""
!insertmacro LUMO_PROCESS_FUNCTIONS "un."

Section "Lumo" SecProgram
    SectionIn RO
    Call EndRunningLumo
    SetOutPath "$INSTDIR"
    ; The updater's leftovers of an interrupted swap.
    Delete "$INSTDIR\Lumo.exe.new"
    Delete "$INSTDIR\Lumo.exe.old"
    File "${STAGE}\Lumo.exe"
    SetOutPath "$INSTDIR\Update"
    File "${STAGE}\Update\LumoUpdate.exe"
    SetOutPath "$INSTDIR"
    ; The player's Config.ini (client identifier, server) stays on upgrades.
    ${IfNot} ${FileExists} "$INSTDIR\Config.ini"
        File "${STAGE}\Config.ini"
    ${EndIf}
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${SHORTCUT}" "$INSTDIR\Lumo.exe" "" "$INSTDIR\Lumo.exe" 0
    ; The browser capabilities, written by Lumo.exe itself (the same keys as
    ; its menu's registration, without taking the "http" handler).
    ; Never waits for ever, whatever Lumo.exe does.
    nsExec::Exec /TIMEOUT=15000 '"$INSTDIR\Lumo.exe" /RegisterBrowser'
    Pop $0
SectionEnd

Section "桌面快捷方式" SecDesktop
    CreateShortcut "$DESKTOP\${SHORTCUT}" "$INSTDIR\Lumo.exe" "" "$INSTDIR\Lumo.exe" 0
SectionEnd

Section "-Uninstall entry"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${LUMO_ProductName}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${LUMO_SETUP_VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${LUMO_CompanyName}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\Lumo.exe",0'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Function un.onInit
    Call un.EndRunningLumo
FunctionEnd

Section "un.Lumo" SecUnProgram
    SectionIn RO
    ${If} ${FileExists} "$INSTDIR\Lumo.exe"
        nsExec::Exec /TIMEOUT=15000 '"$INSTDIR\Lumo.exe" /UnregisterBrowser'
        Pop $0
    ${EndIf}
    ; Lumo's own keys also when Lumo.exe is gone (the "http" handler is left
    ; to Lumo.exe, which removes it only while it is still its own).
    DeleteRegKey HKCU "Software\Classes\LumoURL"
    DeleteRegKey HKCU "Software\Clients\StartMenuInternet\Lumo"
    DeleteRegValue HKCU "Software\RegisteredApplications" "Lumo"
    Delete "$SMPROGRAMS\${SHORTCUT}"
    Delete "$DESKTOP\${SHORTCUT}"
    ; What the program keeps in its folder; the saved games (UserData) stay.
    Delete "$INSTDIR\Lumo.exe"
    Delete "$INSTDIR\Lumo.exe.new"
    Delete "$INSTDIR\Lumo.exe.old"
    Delete "$INSTDIR\Config.ini"
    Delete "$INSTDIR\cookies.journal"
    RMDir /r "$INSTDIR\Update"
    RMDir /r "$INSTDIR\cookies"
    RMDir /r "$INSTDIR\handover"
    Delete "$INSTDIR\Uninstall.exe"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.删除游戏存档 (UserData)" SecUnUserData
    RMDir /r "$INSTDIR\UserData"
SectionEnd

Section "-un.Folder"
    ; Only when empty: the saved games keep it.
    RMDir "$INSTDIR"
SectionEnd
