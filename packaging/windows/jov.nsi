; The Windows installer: a per-user install (no administrator), a Start menu
; entry, "Open with JOV" for .map files, and an uninstaller that removes what
; was installed and leaves the user's history (%LOCALAPPDATA%\JOV) and
; settings alone. makensis -DVERSION= -DPACKAGE= -DICON= -DOUTFILE= jov.nsi
; A 64-bit installer for a 64-bit program (it also runs under a 64-bit-only Wine).
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

Name "JOV ${VERSION}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$LOCALAPPDATA\Programs\JOV"
InstallDirRegKey HKCU "Software\JOV" "InstallDir"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\JOV"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "JOV"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File /r "${PACKAGE}\*.*"
  File "/oname=jov.ico" "${ICON}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKCU "Software\JOV" "InstallDir" "$INSTDIR"

  CreateShortCut "$SMPROGRAMS\JOV.lnk" "$INSTDIR\jov.exe" "" "$INSTDIR\jov.ico" 0

  ; "Open with JOV" on .map files, for this user; the default program for
  ; .map stays whatever the user had.
  WriteRegStr HKCU "Software\Classes\Applications\jov.exe\shell\open\command" "" '"$INSTDIR\jov.exe" "%1"'
  WriteRegStr HKCU "Software\Classes\Applications\jov.exe" "FriendlyAppName" "JOV"
  WriteRegStr HKCU "Software\Classes\Applications\jov.exe\SupportedTypes" ".map" ""
  WriteRegStr HKCU "Software\Classes\.map\OpenWithList\jov.exe" "" ""
  WriteRegStr HKCU "Software\Classes\JOV.map" "" "Halo map"
  WriteRegStr HKCU "Software\Classes\JOV.map\DefaultIcon" "" "$INSTDIR\jov.ico"
  WriteRegStr HKCU "Software\Classes\JOV.map\shell\open\command" "" '"$INSTDIR\jov.exe" "%1"'
  WriteRegStr HKCU "Software\Classes\.map\OpenWithProgids" "JOV.map" ""

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "JOV"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\jov.ico"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  ; Only what the installer put there: the history in %LOCALAPPDATA%\JOV and
  ; the definitions and settings in %APPDATA% stay.
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\definitions"
  Delete "$INSTDIR\*.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\jov.ico"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\README.txt"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\JOV.lnk"
  DeleteRegKey HKCU "Software\Classes\Applications\jov.exe"
  DeleteRegValue HKCU "Software\Classes\.map\OpenWithList\jov.exe" ""
  DeleteRegKey HKCU "Software\Classes\.map\OpenWithList\jov.exe"
  DeleteRegValue HKCU "Software\Classes\.map\OpenWithProgids" "JOV.map"
  DeleteRegKey HKCU "Software\Classes\JOV.map"
  DeleteRegKey HKCU "Software\JOV"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
