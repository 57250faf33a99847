; The Windows installer of vorka_config and vorkactl: the unpacked zip under Program Files, a
; Start-menu entry, and an uninstaller that Windows lists among the installed programs.
; makensis -DVERSION=1.3 -DSTAGE=<the unpacked folder> -DOUTFILE=<installer.exe> -DICON=<its icon>
;          -DUNINSTALL_LIST=<the Delete and RMDir lines of the installed files> vorka-config.nsi
; A 64-bit installer for 64-bit programs: it runs where they run, without 32-bit support.
Target amd64-unicode
Unicode true
!include "MUI2.nsh"
!include "FileFunc.nsh"

!define PRODUCT "VORKA config"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\vorka-config"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
; The product's own line where NSIS would name itself.
BrandingText "${PRODUCT} ${VERSION}"
; A file that cannot be replaced stops the installation: never a mix of old and new files.
AllowSkipFiles off

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\vorka_config.exe"
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENCE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Czech"

; A program that runs holds its file: until it is closed, neither is replaced nor removed. Asked
; for each program, again until it is closed or the operator gives up.
!macro WaitUntilClosed UN
Function ${UN}WaitUntilClosed
  Exch $0
  retry:
    IfFileExists "$INSTDIR\$0" 0 done
    ClearErrors
    FileOpen $1 "$INSTDIR\$0" a
    IfErrors 0 closed
    IfSilent abort
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "Program $0 běží nebo jeho soubor drží jiný program.$\r$\nZavřete jej a zkuste to znovu." \
      IDRETRY retry
  abort:
    Abort "Program $0 běží: zavřete jej a spusťte instalaci znovu."
  closed:
    FileClose $1
  done:
  Pop $0
FunctionEnd
!macroend
!insertmacro WaitUntilClosed ""
!insertmacro WaitUntilClosed "un."

; For every user of the PC, as the folder under Program Files is.
Section "Program"
  SetShellVarContext all
  Push "vorka_config.exe"
  Call WaitUntilClosed
  Push "vorkactl.exe"
  Call WaitUntilClosed
  SetOutPath "$INSTDIR"
  SetDateSave on
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\vorka_config.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\Odinstalovat ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "VORKA"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vorka_config.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; The size Windows shows among the installed programs, in KiB.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Exactly what the installer put there, by the list of the folder it installed: another program's
; files in the same folder, and the operator's own, stay, and so does a folder that still holds any.
Section "Uninstall"
  SetShellVarContext all
  Push "vorka_config.exe"
  Call un.WaitUntilClosed
  Push "vorkactl.exe"
  Call un.WaitUntilClosed
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Odinstalovat ${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  !include "${UNINSTALL_LIST}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
