; The Lumaris installer: Lumaris-2.01-setup.exe.
;
; By default for the current user, without administrator rights: the program
; and its read-me in %LOCALAPPDATA%\Programs\Lumaris, the user's screensaver
; set to it, an entry in Installed apps with an uninstaller, and at the end
; the system's Screen Saver Settings opened. With /ALLUSERS (and
; administrator rights) into the folder Windows lists screensavers from.
; /S installs silently. The uninstaller removes what was installed and puts
; the user's previous screensaver back if Lumaris is still the one chosen;
; the settings under HKCU\Software\QN Vesmire Lumaris stay.
;
; makensis -DARCH=x86|amd64 -DSCR=Lumaris.scr -DREADME=lumzreadme.txt -DOUTFILE=setup.exe installer.nsi

Unicode true
!if "${ARCH}" == "amd64"
  Target amd64-unicode
!endif

!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!define PRODUCT "Lumaris"
!define VERSION "2.01"
!define PUBLISHER "QN Vesmire"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumaris"
!define DESKTOP_KEY "Control Panel\Desktop"
!define UNINSTALLER "Uninstall Lumaris.exe"
; SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, TRUE, 0, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE)
!define SCREENSAVE_ACTIVE "user32::SystemParametersInfoW(i 17, i 1, p 0, i 3)"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
SetCompressor /SOLID lzma
InstallDir "$LOCALAPPDATA\Programs\Lumaris"
ShowInstDetails nevershow
ShowUninstDetails nevershow
VIProductVersion "2.1.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 The Lumaris developers. MIT License: distribute freely."

Page instfiles
UninstPage instfiles

; Where the screensaver goes: the install folder, or for all users the
; folder Windows lists screensavers from.
Var SaverFolder

Function .onInit
  StrCpy $SaverFolder $INSTDIR
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/ALLUSERS" $1
  ${IfNot} ${Errors}
    UserInfo::GetAccountType
    Pop $1
    ${If} $1 != "Admin"
      MessageBox MB_ICONSTOP "Installing for all users needs administrator rights." /SD IDOK
      SetErrorLevel 740
      Quit
    ${EndIf}
    SetShellVarContext all
    StrCpy $INSTDIR "$PROGRAMFILES\Lumaris"
    StrCpy $SaverFolder $SYSDIR
    ; A 32-bit screensaver on 64-bit Windows is listed from SysWOW64.
    !if "${ARCH}" != "amd64"
      ${If} ${RunningX64}
        StrCpy $SaverFolder "$WINDIR\SysWOW64"
      ${EndIf}
    !endif
  ${EndIf}
FunctionEnd

Section
  SetOutPath $SaverFolder
  File "/oname=Lumaris.scr" "${SCR}"
  File "/oname=lumzreadme.txt" "${README}"
  SetOutPath $INSTDIR
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  ; The user's screensaver: the one before is kept for the uninstaller.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 != "$SaverFolder\Lumaris.scr"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "PreviousScreenSaver" $0
  ${EndIf}
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SaverFolder\Lumaris.scr"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  System::Call "${SCREENSAVE_ACTIVE}"

  ; Installed apps.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$SaverFolder\Lumaris.scr"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "ScreenSaverFolder" "$SaverFolder"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$SaverFolder" "/M=Lumaris.scr /S=0K /G=0" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; The system's own settings, with Lumaris chosen.
  ${IfNot} ${Silent}
    Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
  ${EndIf}
SectionEnd

Function un.onInit
  ; Installed for all users when the machine's entry names this folder.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    SetShellVarContext all
  ${EndIf}
  ReadRegStr $SaverFolder SHCTX "${UNINSTALL_KEY}" "ScreenSaverFolder"
  ${If} $SaverFolder == ""
    StrCpy $SaverFolder $INSTDIR
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; The screensaver before Lumaris comes back if Lumaris is still chosen.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 == "$SaverFolder\Lumaris.scr"
    ReadRegStr $1 SHCTX "${UNINSTALL_KEY}" "PreviousScreenSaver"
    ${If} $1 == ""
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${Else}
      WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $1
    ${EndIf}
    System::Call "${SCREENSAVE_ACTIVE}"
  ${EndIf}
  Delete "$SaverFolder\Lumaris.scr"
  Delete "$SaverFolder\lumzreadme.txt"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
