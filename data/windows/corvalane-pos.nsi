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
; The publisher's link in the uninstall entry (Windows' Apps list shows it): the maintainers.
!define PUBLISHER_LINK "mailto:maintainers@corvalane.org"
; Windows starts a program in a folder only when its name, with the "\" Windows adds, fits in
; MAX_PATH (260) with the terminating NUL: at most 258 characters.
!define MAX_WORKING_FOLDER 258

!include "${FILES}"
; With a certificate, the uninstaller is signed as it is made (scripts/windows).
!ifdef SIGN_UNINSTALLER
    !uninstfinalize '"${SIGN_UNINSTALLER}" "%1"'
!endif
!searchparse "${VERSION}" "" VERSION_MAJOR "." VERSION_MINOR "."

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
Icon "${__FILEDIR__}\corvalane-pos.ico"
UninstallIcon "${__FILEDIR__}\corvalane-pos.ico"
RequestExecutionLevel admin
UninstallText "This removes ${PRODUCT} from the folder below, with its shortcuts and its entry in Windows' list of programs. The shop's files (sales.txt, the settings, the item list, receipts, layaways and history files) stay in the shop folder: nothing there is changed or removed."
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
; The installation of an earlier setup in another folder, removed before this one installs.
Var EarlierFolder

Page directory
Page custom ShopPage ShopPageLeave
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
    SetRegView 64
    ; An upgrade goes where the installed version is, with its choices, unless another
    ; folder is asked for (/D=); then the installed version is removed from its folder first.
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIf} $INSTDIR == "$PROGRAMFILES64\${PRODUCT}"
        StrCpy $INSTDIR $0
    ${EndIf}
    StrCpy $EarlierFolder $0
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
    StrLen $2 $ShopFolder
    ${If} $2 > ${MAX_WORKING_FOLDER}
        StrCpy $0 "The shop folder's name is $2 characters long: Windows starts a program only in a folder whose name has at most ${MAX_WORKING_FOLDER} characters, so the shortcut could not start ${PRODUCT} in it. Choose a folder with a shorter name (or move the shop's files to one)."
        Return
    ${EndIf}
    ${If} ${FileExists} "$ShopFolder"
    ${AndIfNot} ${FileExists} "$ShopFolder\*.*"
        StrCpy $0 "$\"$ShopFolder$\" is a file, not a folder: the program works in a folder. Choose the folder that holds the shop's files."
        Return
    ${EndIf}
    !insertmacro CheckInside "$INSTDIR"
    !insertmacro CheckInside "$EarlierFolder"
    !insertmacro CheckInside "$PROGRAMFILES64"
    !insertmacro CheckInside "$PROGRAMFILES32"
    !insertmacro CheckInside "$WINDIR"
    ${If} $0 != ""
        StrCpy $0 "The shop folder $\"$ShopFolder$\" is in $\"$0$\", where a shop's files do not belong. Choose another folder."
    ${EndIf}
FunctionEnd

; Makes the shop folder when it is not there (empty), and sets $0 to why it cannot be used
; when it cannot be made or is no folder then; "" when it can.
Function MakeShopFolder
    StrCpy $0 ""
    ${If} $ShopFolder == ""
    ${OrIf} ${FileExists} "$ShopFolder\*.*"
        Return
    ${EndIf}
    ClearErrors
    CreateDirectory "$ShopFolder"
    ${If} ${Errors}
    ${OrIfNot} ${FileExists} "$ShopFolder\*.*"
        StrCpy $0 "The shop folder $\"$ShopFolder$\" could not be made (a drive that is not there, one that cannot be written, or a name Windows does not allow). Choose another folder."
    ${EndIf}
FunctionEnd

Function ShopPage
    nsDialogs::Create 1018
    Pop $0
    SendMessage $HWNDPARENT ${WM_SETTEXT} 0 "STR:${PRODUCT} Setup: Shop Folder"
    ${NSD_CreateLabel} 0 0 100% 30u "Where does the shop keep its files ($\"sales.txt$\", the settings, the item list)? The program works in that folder. This setup never copies, changes or removes anything in it, now or when it is uninstalled."
    Pop $0
    ${NSD_CreateRadioButton} 0 34u 100% 20u "Each Windows user's own shop folder, which starts empty: yours is $LOCALAPPDATA\corvalane-pos\shop (each user's under their own AppData\Local)"
    Pop $UserShopButton
    ${NSD_CreateRadioButton} 0 58u 100% 20u "This folder, used as it is (such as the folder of the program the shop used before):"
    Pop $FolderButton
    ${NSD_CreateText} 12u 81u 180u 12u "$ShopFolder"
    Pop $FolderBox
    ; The two choices are one group, as Windows radio buttons are: one Tab stop (the chosen
    ; one), the arrow keys between them; the folder box begins the next group.
    ${NSD_AddStyle} $UserShopButton ${WS_GROUP}
    ${NSD_RemoveStyle} $FolderButton ${WS_TABSTOP}
    ${NSD_AddStyle} $FolderBox ${WS_GROUP}
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
    Call MakeShopFolder
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
    ${If} $0 == ""
        Call MakeShopFolder
    ${EndIf}
    ${If} $0 != ""
        MessageBox MB_OK|MB_ICONSTOP "$0" /SD IDOK
        SetErrorLevel 2
        Quit
    ${EndIf}
    !insertmacro WaitForProgramToEnd

    ; An earlier install in another folder (another folder was chosen on the first page, or
    ; with /D=) is removed by its own uninstaller first, which waits for its program to end
    ; and never touches a shop folder: one copy and one uninstall entry stay, this one's.
    ${If} $EarlierFolder != ""
    ${AndIf} $EarlierFolder != $INSTDIR
    ${AndIf} ${FileExists} "$EarlierFolder\uninstall.exe"
        DetailPrint "Removing the earlier installation in $EarlierFolder"
        ExecWait '"$EarlierFolder\uninstall.exe" /S _?=$EarlierFolder' $0
        ${If} $0 != 0
            MessageBox MB_OK|MB_ICONSTOP "The installation in $\"$EarlierFolder$\" could not be removed (status $0). Close ${PRODUCT} there and run this setup again." /SD IDOK
            SetErrorLevel 2
            Quit
        ${EndIf}
        Delete "$EarlierFolder\uninstall.exe"
        RMDir "$EarlierFolder"
    ${EndIf}

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
    WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "${PUBLISHER_LINK}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "HelpLink" "${PUBLISHER_LINK}"
    ; The version's parts, and the installed size in KB, as Windows' list of programs shows them.
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VersionMajor" ${VERSION_MAJOR}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VersionMinor" ${VERSION_MINOR}
    ${GetSize} "$INSTDIR" "/S=0K" $2 $3 $4
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $2
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
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "ShopFolder"
    ${If} $0 == ""
        DetailPrint "The shop's files stay in each Windows user's own shop folder (AppData\Local\corvalane-pos\shop)."
    ${Else}
        DetailPrint "The shop's files stay in $0."
    ${EndIf}
    ; The shortcuts and the uninstall entry are this installation's only while they are
    ; registered for its folder: an earlier copy left elsewhere leaves another's alone.
    ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $1 == ""
    ${OrIf} $1 == $INSTDIR
        Delete "$SMPROGRAMS\${PRODUCT}.lnk"
        Delete "$DESKTOP\${PRODUCT}.lnk"
        DeleteRegKey HKLM "${UNINSTALL_KEY}"
    ${EndIf}
    ; The installed files by name, then their folders if nothing else is left in them: never
    ; a whole tree, so nothing the user put there goes with them.
    !insertmacro RemoveFiles
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
SectionEnd
