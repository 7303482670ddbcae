; The setup program of Corvalane Point-Of-Sale for 64-bit Windows, built by scripts/windows:
;
;   makensis -DVERSION=0.1.0 -DFILES=<files.nsh> -DOUTFILE=<setup.exe> corvalane-pos.nsi
;
; FILES names each file of the program, the Qt and MinGW DLLs and the Qt plugins it loads (the
; InstallFiles and RemoveFiles macros), so that the uninstaller removes exactly what was
; installed. It installs under Program Files, with a Start-menu shortcut (and a desktop one
; when asked for) that starts the program in the shop folder: each Windows user's own
; (--user-shop: %LOCALAPPDATA%\corvalane-pos\shop), or a folder the owner chose, such as the
; folder of the program the shop used before, which the shortcuts start the program in. The
; choice is remembered for the next install (an upgrade). Neither the setup program nor its
; uninstaller ever touches a shop folder's files: they are the shop's.
;
; Command line: /S installs silently (the choices of the install before, or the user's own
; shop folder and no desktop shortcut); /SHOP=<folder> chooses the shop folder; /DESKTOP asks
; for the desktop shortcut.
;
; Over an installed version (an upgrade) it first runs that version's own uninstaller, which
; removes the files that version installed, so no file the new one lacks is left behind; while
; the program runs it replaces nothing and asks for the program to be closed (silently it ends
; with status 2).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "nsDialogs.nsh"
!include "WinMessages.nsh"

!define PRODUCT "Corvalane Point-Of-Sale"
!define PROGRAM "corvalane-pos.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\CorvalanePointOfSale"

!include "${FILES}"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
Icon "${__FILEDIR__}\corvalane-pos.ico"
UninstallIcon "${__FILEDIR__}\corvalane-pos.ico"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "CompanyName" "Corvalane"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 The Corvalane Point-Of-Sale maintainers"

; The shop folder the shortcuts start the program in; empty for each user's own (--user-shop).
Var ShopFolder
; 1 when the desktop shortcut is made.
Var WantDesktop
Var UserShopButton
Var FolderButton
Var FolderBox
Var BrowseButton
Var DesktopBox

Page directory
Page custom ShopPage ShopPageLeave
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
    SetRegView 64
    ; An upgrade goes where the installed version is, with its choices.
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
        StrCpy $INSTDIR $0
    ${EndIf}
    ReadRegStr $ShopFolder HKLM "${UNINSTALL_KEY}" "ShopFolder"
    ReadRegDWORD $WantDesktop HKLM "${UNINSTALL_KEY}" "DesktopShortcut"
    ${If} $WantDesktop != 1
        StrCpy $WantDesktop 0
    ${EndIf}
    ${GetParameters} $0
    Call RemoveQuotes
    ClearErrors
    ${GetOptions} $0 "/SHOP=" $1
    ${IfNot} ${Errors}
        StrCpy $ShopFolder $1
    ${EndIf}
    ClearErrors
    ${GetOptions} $0 "/DESKTOP" $1
    ${IfNot} ${Errors}
        StrCpy $WantDesktop 1
    ${EndIf}
FunctionEnd

; Takes the double quotes out of $0, which no Windows file name holds: /SHOP="C:\Old Shop" as
; typed in a console and "/SHOP=C:\Old Shop" as a program quotes it both read C:\Old Shop.
Function RemoveQuotes
    StrCpy $1 ""
    StrCpy $2 0
    ${Do}
        StrCpy $3 $0 1 $2
        ${If} $3 == ""
            ${Break}
        ${EndIf}
        IntOp $2 $2 + 1
        ${If} $3 != '"'
            StrCpy $1 "$1$3"
        ${EndIf}
    ${Loop}
    StrCpy $0 $1
FunctionEnd

; Sets $0 to why $ShopFolder cannot be the shop folder, or to "" when it can: not the
; installation folder, Program Files or the Windows folder (nor a folder in them), where a
; standard user cannot write and an upgrade replaces what is there.
!macro CheckInside OUTER
    ${If} $0 == ""
        StrLen $2 "${OUTER}"
        StrCpy $3 $1 $2
        StrCpy $4 $1 1 $2
        ${If} $3 == "${OUTER}"
        ${AndIf} $4 == ""
            StrCpy $0 "${OUTER}"
        ${ElseIf} $3 == "${OUTER}"
        ${AndIf} $4 == "\"
            StrCpy $0 "${OUTER}"
        ${EndIf}
    ${EndIf}
!macroend
Function CheckShopFolder
    StrCpy $0 ""
    ${If} $ShopFolder == ""
        Return
    ${EndIf}
    GetFullPathName $1 $ShopFolder
    ${If} $1 == ""
        StrCpy $1 $ShopFolder
    ${EndIf}
    ; No slash at the end, so "C:\Shop\" is "C:\Shop".
    StrCpy $2 $1 1 -1
    ${If} $2 == "\"
        StrCpy $1 $1 -1
    ${EndIf}
    StrCpy $ShopFolder $1
    StrCpy $2 $1 2 1
    ${If} $2 != ":\"
    ${AndIf} $1 != ""
        StrCpy $2 $1 2
        ${If} $2 != "\\"
            StrCpy $0 "The shop folder must be a full path, such as C:\Shop."
            Return
        ${EndIf}
    ${EndIf}
    !insertmacro CheckInside "$INSTDIR"
    !insertmacro CheckInside "$PROGRAMFILES64"
    !insertmacro CheckInside "$PROGRAMFILES32"
    !insertmacro CheckInside "$WINDIR"
    ${If} $0 != ""
        StrCpy $0 "The shop folder $\"$ShopFolder$\" is in $\"$0$\", where a shop's files do not belong. Choose another folder."
    ${EndIf}
FunctionEnd

Function ShopPage
    nsDialogs::Create 1018
    Pop $0
    SendMessage $HWNDPARENT ${WM_SETTEXT} 0 "STR:${PRODUCT} Setup: Shop Folder"
    ${NSD_CreateLabel} 0 0 100% 30u "Where does the shop keep its files ($\"sales.txt$\", the settings, the item list)? The program works in that folder. This setup never copies, changes or removes anything in it, now or when it is uninstalled."
    Pop $0
    ${NSD_CreateRadioButton} 0 34u 100% 20u "Each Windows user's own shop folder (%LOCALAPPDATA%\corvalane-pos\shop, empty at the first start)"
    Pop $UserShopButton
    ${NSD_CreateRadioButton} 0 58u 100% 20u "This folder, used as it is (such as the folder of the program the shop used before):"
    Pop $FolderButton
    ${NSD_CreateText} 12u 81u 180u 12u "$ShopFolder"
    Pop $FolderBox
    ${NSD_OnChange} $FolderBox ShopPageTyped
    ${NSD_CreateBrowseButton} 198u 80u 55u 14u "Browse..."
    Pop $BrowseButton
    ${NSD_OnClick} $BrowseButton ShopPageBrowse
    ${NSD_CreateCheckbox} 0 104u 100% 12u "Put a shortcut on the desktop"
    Pop $DesktopBox
    ${If} $ShopFolder == ""
        ${NSD_Check} $UserShopButton
    ${Else}
        ${NSD_Check} $FolderButton
    ${EndIf}
    ${If} $WantDesktop == 1
        ${NSD_Check} $DesktopBox
    ${EndIf}
    nsDialogs::Show
FunctionEnd

; A folder typed in chooses that folder.
Function ShopPageTyped
    Pop $0
    ${NSD_GetText} $FolderBox $0
    ${If} $0 != ""
        ${NSD_Check} $FolderButton
        ${NSD_Uncheck} $UserShopButton
    ${EndIf}
FunctionEnd

Function ShopPageBrowse
    Pop $0
    ${NSD_GetText} $FolderBox $0
    nsDialogs::SelectFolderDialog "The shop folder" $0
    Pop $0
    ${If} $0 != error
        ${NSD_SetText} $FolderBox $0
        ${NSD_Check} $FolderButton
        ${NSD_Uncheck} $UserShopButton
    ${EndIf}
FunctionEnd

Function ShopPageLeave
    ${NSD_GetState} $DesktopBox $WantDesktop
    ${If} $WantDesktop == ${BST_CHECKED}
        StrCpy $WantDesktop 1
    ${Else}
        StrCpy $WantDesktop 0
    ${EndIf}
    ${NSD_GetState} $FolderButton $0
    ${If} $0 != ${BST_CHECKED}
        StrCpy $ShopFolder ""
        Return
    ${EndIf}
    ${NSD_GetText} $FolderBox $ShopFolder
    ${If} $ShopFolder == ""
        MessageBox MB_OK|MB_ICONEXCLAMATION "Type or choose the shop folder."
        Abort
    ${EndIf}
    Call CheckShopFolder
    ${If} $0 != ""
        MessageBox MB_OK|MB_ICONEXCLAMATION "$0"
        Abort
    ${EndIf}
FunctionEnd

; Waits until no copy of the installed program runs: Windows refuses to open a running
; program's file for writing. Silently, or when the user cancels, it ends with status 2 and
; nothing replaced or removed.
!macro WaitForProgramToEnd
    ${If} ${FileExists} "$INSTDIR\${PROGRAM}"
        try_program_file:
        ClearErrors
        FileOpen $0 "$INSTDIR\${PROGRAM}" a
        ${If} ${Errors}
            MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} is running. Close it (File, Exit) on every Windows account that uses it, then choose Retry. Nothing was changed." /SD IDCANCEL IDRETRY try_program_file
            SetErrorLevel 2
            Quit
        ${EndIf}
        FileClose $0
    ${EndIf}
!macroend

Section "Install"
    SetRegView 64
    SetShellVarContext all
    Call CheckShopFolder
    ${If} $0 != ""
        MessageBox MB_OK|MB_ICONSTOP "$0" /SD IDOK
        SetErrorLevel 2
        Quit
    ${EndIf}
    !insertmacro WaitForProgramToEnd

    ; The installed version's own uninstaller removes what it installed (in place: _?=), so
    ; that no file this version lacks stays; it never touches a shop folder.
    ${If} ${FileExists} "$INSTDIR\uninstall.exe"
        DetailPrint "Removing the installed version"
        ExecWait '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR' $0
        ${If} $0 != 0
            MessageBox MB_OK|MB_ICONSTOP "The installed version could not be removed (status $0). Close ${PRODUCT} and run this setup again." /SD IDOK
            SetErrorLevel 2
            Quit
        ${EndIf}
        Delete "$INSTDIR\uninstall.exe"
    ${EndIf}

    !insertmacro InstallFiles
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; A shortcut's "Start in" is the folder set last: the shop folder, or (for --user-shop,
    ; which finds each user's own) the installation folder.
    ${If} $ShopFolder == ""
        StrCpy $1 "--user-shop"
    ${Else}
        StrCpy $1 ""
        SetOutPath "$ShopFolder"
    ${EndIf}
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}" "$1" "$INSTDIR\${PROGRAM}" 0
    ${If} $WantDesktop == 1
        CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}" "$1" "$INSTDIR\${PROGRAM}" 0
    ${EndIf}
    SetOutPath "$INSTDIR"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Corvalane"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "ShopFolder" "$ShopFolder"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "DesktopShortcut" $WantDesktop
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetRegView 64
    SetShellVarContext all
    !insertmacro WaitForProgramToEnd
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    Delete "$DESKTOP\${PRODUCT}.lnk"
    ; The installed files by name, then their folders if nothing else is left in them: never
    ; a whole tree, so nothing the user put there goes with them.
    !insertmacro RemoveFiles
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
