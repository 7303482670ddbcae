; The setup program of Corvalane Point-Of-Sale for 64-bit Windows, built by scripts/windows:
;
;   makensis -DVERSION=0.1.0 -DSTAGE=<folder> -DFILES=<files.nsh> -DOUTFILE=<setup.exe> corvalane-pos.nsi
;
; STAGE holds the program with the Qt and MinGW DLLs and the Qt plugins it loads; FILES names
; each of them (the InstallFiles and RemoveFiles macros), so that the uninstaller removes
; exactly what was installed. It installs under Program Files, with a Start-menu shortcut
; that starts the program in the user's own shop folder (--user-shop:
; %LOCALAPPDATA%\corvalane-pos\shop). Neither it nor its uninstaller ever touches a shop
; folder: the shop's files are the user's.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!define PRODUCT "Corvalane Point-Of-Sale"
!define PROGRAM "corvalane-pos.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\CorvalanePointOfSale"

!include "${FILES}"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "LegalCopyright" "Corvalane"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Install"
    SetRegView 64
    SetShellVarContext all
    !insertmacro InstallFiles
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}" "--user-shop" "$INSTDIR\${PROGRAM}" 0
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Corvalane"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetRegView 64
    SetShellVarContext all
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    ; The installed files by name, then their folders if nothing else is left in them: never
    ; a whole tree, so nothing the user put there goes with them.
    !insertmacro RemoveFiles
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
