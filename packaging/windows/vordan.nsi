; The VORDAN installer for Windows 10/11 (64-bit), made by
; scripts/windows/build.sh: makensis -DVERSION=… -DSTAGE=… -DOUT=… vordan.nsi
; Installs for every user of the PC in C:\Program Files\VORDAN, with a
; Start-menu entry, an optional desktop shortcut and an uninstaller listed in
; "Applications et fonctionnalités". /S installs without a question. Data
; folders are never touched by the uninstaller.

; A 64-bit installer for a 64-bit program (it also runs where only 64-bit
; programs do).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "x64.nsh"

Name "VORDAN"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES64\VORDAN"
InstallDirRegKey HKLM "Software\VORDAN" "InstallDir"
BrandingText "VORDAN ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1036 "ProductName" "VORDAN"
VIAddVersionKey /LANG=1036 "FileDescription" "Installation de VORDAN"
VIAddVersionKey /LANG=1036 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1036 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1036 "CompanyName" "Équipe VORDAN"
VIAddVersionKey /LANG=1036 "LegalCopyright" "Équipe VORDAN"

!define MUI_ICON "${STAGE}\vordan.ico"
!define MUI_UNICON "${STAGE}\vordan.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\vordan.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Démarrer VORDAN"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VORDAN"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENCE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "French"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "VORDAN demande une version 64 bits de Windows."
    Abort
  ${EndIf}
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "VORDAN" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\desinstaller.exe"
  CreateShortCut "$SMPROGRAMS\VORDAN.lnk" "$INSTDIR\vordan.exe" "" "$INSTDIR\vordan.ico"
  WriteRegStr HKLM "Software\VORDAN" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "VORDAN"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Équipe VORDAN"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vordan.ico"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\desinstaller.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\desinstaller.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section /o "Raccourci sur le bureau" SecDesktop
  CreateShortCut "$DESKTOP\VORDAN.lnk" "$INSTDIR\vordan.exe" "" "$INSTDIR\vordan.ico"
SectionEnd

LangString DESC_Program ${LANG_FRENCH} "Le programme VORDAN, son guide et l'entrée « VORDAN » du menu Démarrer."
LangString DESC_Desktop ${LANG_FRENCH} "Une icône VORDAN sur le bureau de chaque utilisateur."
!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} $(DESC_Program)
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} $(DESC_Desktop)
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; Only what the installer put there goes: a base kept in the program's
; folder (CHEMIN.QZ, vordan.mdb, VDN_*.MDB, backups) stays, and so does the
; folder then.
Section "Uninstall"
  Delete "$SMPROGRAMS\VORDAN.lnk"
  Delete "$DESKTOP\VORDAN.lnk"
  Delete "$INSTDIR\vordan.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\qt.conf"
  Delete "$INSTDIR\vordan.ico"
  Delete "$INSTDIR\LICENCE.txt"
  RMDir /r "$INSTDIR\plugins"
  RMDir /r "$INSTDIR\translations"
  RMDir /r "$INSTDIR\guide"
  Delete "$INSTDIR\desinstaller.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\VORDAN"
SectionEnd
