; Pimbrel's installer. Built by package.sh:
;   makensis /DVERSION=x.y.z /DPROGRAM=Pimbrel.exe /DHELP=pimbrel.chm /DDATA=<data folder>
;            /DFOLDERS=<folders.nsh> /DICON=pimbrel.ico /DOUTFILE=<setup.exe> pimbrel.nsi
; Per user and into a folder the user can write: the program keeps its data beside itself.
; A 64-bit installer for a 64-bit program (and Wine without its 32-bit part runs it too).
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "MUI2.nsh"

!define PRODUCT "Pimbrel个人电脑管家"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pimbrel"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "KWIX.Pimbrel.Run"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Pimbrel"
; An upgrade goes where the last installation went, so it finds the user's data.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=2052 "LegalCopyright" "Pimbrel"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "运行 ${PRODUCT}"
!define MUI_FINISHPAGE_RUN_FUNCTION RunProgram

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; The program finds its data through its working folder.
Function RunProgram
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\Pimbrel.exe"'
FunctionEnd

Section "Pimbrel"
  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "/oname=Pimbrel.exe" "${PROGRAM}"
  File "/oname=pimbrel.chm" "${HELP}"
  ; The data files only where absent: an upgrade never touches notes, contacts, cards or lists.
  SetOverwrite off
  !include /CHARSET=UTF8 "${FOLDERS}"
  File /r "${DATA}/*"
  SetOverwrite on

  WriteUninstaller "$INSTDIR\uninstall.exe"
  SetOutPath "$INSTDIR"
  CreateShortCut "${SHORTCUT}" "$INSTDIR\Pimbrel.exe" "" "$INSTDIR\Pimbrel.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Pimbrel"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Pimbrel.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Drops the log-on entry of the settings sheet only when it starts this copy, quoted or not.
!macro DropLogonEntry ROOT
  ReadRegStr $0 ${ROOT} "${RUN_KEY}" "${RUN_VALUE}"
  StrLen $2 "$INSTDIR\Pimbrel.exe"
  StrCpy $1 $0 $2
  StrCmp $1 "$INSTDIR\Pimbrel.exe" 0 +2
  DeleteRegValue ${ROOT} "${RUN_KEY}" "${RUN_VALUE}"
  StrCpy $1 $0 $2 1
  StrCmp $1 "$INSTDIR\Pimbrel.exe" 0 +2
  DeleteRegValue ${ROOT} "${RUN_KEY}" "${RUN_VALUE}"
!macroend

Section "Uninstall"
  Delete "$INSTDIR\Pimbrel.exe"
  Delete "$INSTDIR\pimbrel.chm"
  ; What search keeps between runs is made again from the records: never the user's data.
  Delete "$INSTDIR\search.cache"
  Delete "$INSTDIR\search.cache~pimtmp"
  Delete "$INSTDIR\uninstall.exe"
  Delete "${SHORTCUT}"
  !insertmacro DropLogonEntry HKCU
  ; Without rights this fails and changes nothing.
  !insertmacro DropLogonEntry HKLM
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  ; The user's own data goes only on a yes; a silent uninstall keeps it.
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "要同时删除您的数据吗？$\r$\n$\r$\n记事、通讯录、资料卡、快速启动列表、设置和每天的备份保存在$\r$\n$INSTDIR$\r$\n选择“否”将保留它们，重新安装后可以继续使用。" \
    /SD IDNO IDNO keep
  RMDir /r "$INSTDIR\set"
  RMDir /r "$INSTDIR\note"
  RMDir /r "$INSTDIR\communication"
  RMDir /r "$INSTDIR\datum"
  RMDir /r "$INSTDIR\xmlstyle"
  ; The daily copies, and what an interrupted restore may have left.
  RMDir /r "$INSTDIR\backup"
  RMDir /r "$INSTDIR\restore.new"
  RMDir /r "$INSTDIR\restore.old"
  Delete "$INSTDIR\restore.journal"
keep:
  RMDir "$INSTDIR"
SectionEnd
