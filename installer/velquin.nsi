; The Velquin installation: the controller, the tunnel keeper, the service
; program and the user guide in one folder, the tunnel client in its
; services\Velquin-Server2 folder, the service "Velquin" registered to start
; on demand, and the settings both programs read.
;
; The build passes every input with /D:
;   TARGET          x86-unicode for the 32-bit programs, amd64-unicode for 64-bit
;   OUTFILE         the installer to write
;   VERSION         four numbers, as "1.4.0.1"
;   CONTROLLER_EXE KEEPER_EXE SERVICE_EXE HELPER_EXE HELP_HTML ICON
;   CLIENT_DIR      folder with Velquin-Server2.exe, its torrc and what they need
;   TEST_BUILD      defined when CLIENT_DIR holds the stand-in client
;   SIGN_PREFIX SIGN_SCRIPT  defined when the build signs: the command that
;                   signs and checks one file, given as "-DFILE=..." between them
Unicode true
Target ${TARGET}
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!ifdef TEST_BUILD
  !define PRODUCT "Velquin (test build)"
  BrandingText "Velquin test build: stand-in tunnel client, not for release"
!else
  !define PRODUCT "Velquin"
  BrandingText "Velquin"
!endif
!define SERVICE "Velquin"
!define SETTINGS_KEY "Software\Velquin"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velquin"
!define STARTMENU "$SMPROGRAMS\${PRODUCT}"
!define CLIENT_FOLDER "services\Velquin-Server2"
; The tunnel client's data, which only the service may change.
!define CLIENT_DATA "${CLIENT_FOLDER}\data"
; The proxy that the controller points the browser at while hiding.
!define LOCAL_PROXY "127.0.0.1:8081"
; Three attempts of 45 one-second polls, as the troubleshooting dialog says.
!define DEFAULT_TIMEOUT 45
!define DEFAULT_RETRY 2

Name "${PRODUCT}"
OutFile "${OUTFILE}"
!ifdef SIGN_PREFIX
  ; The installer, and the uninstaller inside it, signed as they are written.
  !finalize '${SIGN_PREFIX} "-DFILE=%1" -P "${SIGN_SCRIPT}"'
  !uninstfinalize '${SIGN_PREFIX} "-DFILE=%1" -P "${SIGN_SCRIPT}"'
!endif
; $PROGRAMFILES is the folder for programs of the installer's own width.
InstallDir "$PROGRAMFILES\Velquin"
InstallDirRegKey HKLM "${SETTINGS_KEY}" "AppPath"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Velquin"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "WordFunc.nsh"
!include "FileFunc.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
; No "Run Velquin" here: the installer runs elevated, and so would a
; Velquin started from it, changing the proxy options of whichever account
; gave the administrator's password. Velquin needs no elevation: users start
; it from the Start menu.
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\help.html"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Read the user guide"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Runs one step of the setup helper, which was unpacked into the plugins
; folder; its exit code is left on the stack ("error" when it did not run).
!macro RunHelper ARGS
  nsExec::Exec '"$PLUGINSDIR\SetupHelper.exe" ${ARGS}'
!macroend

!macro UnpackHelper
  InitPluginsDir
  File "/oname=$PLUGINSDIR\SetupHelper.exe" "${HELPER_EXE}"
!macroend

; A running controller is asked to end, which gives its user's proxy
; options back and stops the service in that user's own account; one that
; runs for another user, or is busy, is left to its user, and the service
; is not stopped under them.
!macro EndController
  DetailPrint "Ending Velquin"
  ${Do}
    !insertmacro RunHelper 'end-controller'
    Pop $0
    ${If} $0 == 0
      ${ExitDo}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Velquin is running, for you or for another user of this computer, and did not end when asked. Exit it there (its Exit button, or Exit in the menu of its icon), then press Retry." /SD IDCANCEL IDRETRY +2
    Abort "Velquin is still running."
  ${Loop}
!macroend

; Writes a setting only where the installation finds none, so that values
; raised in the troubleshooting dialog survive an update.
!macro DefaultDword NAME VALUE
  ClearErrors
  ReadRegDWORD $0 HKLM "${SETTINGS_KEY}" "${NAME}"
  ${If} ${Errors}
    WriteRegDWORD HKLM "${SETTINGS_KEY}" "${NAME}" ${VALUE}
  ${EndIf}
!macroend

Section "Velquin" SecMain
  SectionIn RO
  !insertmacro UnpackHelper
  !insertmacro EndController
  ; An earlier installation's service holds its programs open: it must be
  ; down before they are replaced.
  DetailPrint "Stopping the service ${SERVICE}"
  !insertmacro RunHelper 'stop-service "${SERVICE}"'
  Pop $0
  ${If} $0 != 0
    MessageBox MB_ICONSTOP "The service ${SERVICE} could not be stopped." /SD IDOK
    Abort "The service ${SERVICE} could not be stopped."
  ${EndIf}

  ; The service runs the folder's programs: no standard user may change
  ; them, wherever the folder is. Its rules are set before the first file
  ; arrives, for everything in it; a folder that holds something already
  ; is taken only when an earlier installation made it.
  CreateDirectory "$INSTDIR"
  !insertmacro RunHelper 'protect-folder "$INSTDIR"'
  Pop $0
  ${If} $0 == 3
    MessageBox MB_ICONSTOP "The folder $INSTDIR is not empty, and no earlier installation of Velquin made it. Choose an empty or a new folder." /SD IDOK
    Abort "The folder $INSTDIR is not empty."
  ${ElseIf} $0 != 0
    MessageBox MB_ICONSTOP "The folder $INSTDIR could not be protected." /SD IDOK
    Abort "The folder $INSTDIR could not be protected."
  ${EndIf}

  SetOutPath "$INSTDIR"
  File "/oname=Velquin.exe" "${CONTROLLER_EXE}"
  File "/oname=Velquin-Keeper.exe" "${KEEPER_EXE}"
  File "/oname=Velquin-Service.exe" "${SERVICE_EXE}"
  File "/oname=help.html" "${HELP_HTML}"
  SetOutPath "$INSTDIR\${CLIENT_FOLDER}"
  File /r "${CLIENT_DIR}/*.*"
  ; The client keeps its directory information in "data" of its folder,
  ; which only the service's account (granted below) and the
  ; administrators may write. An update keeps it, so the first start after
  ; one is as quick as any restart. The client takes a backslash in its
  ; configuration as an escape: the path has forward slashes.
  CreateDirectory "$INSTDIR\${CLIENT_DATA}"
  ${WordReplace} "$INSTDIR\${CLIENT_DATA}" "\" "/" "+" $0
  FileOpen $1 "$INSTDIR\${CLIENT_FOLDER}\torrc" a
  FileSeek $1 0 END
  FileWrite $1 "$\r$\nDataDirectory $0$\r$\n"
  FileClose $1
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The programs append "\" and a name to AppPath. $INSTDIR never ends in a
  ; backslash: the installer trims it and refuses a drive's root.
  WriteRegStr HKLM "${SETTINGS_KEY}" "AppPath" "$INSTDIR"
  !insertmacro DefaultDword "TimeOut" ${DEFAULT_TIMEOUT}
  !insertmacro DefaultDword "Retry" ${DEFAULT_RETRY}

  DetailPrint "Registering the service ${SERVICE}"
  !insertmacro RunHelper 'register-service "${SERVICE}" "$INSTDIR\Velquin-Service.exe"'
  Pop $0
  ${If} $0 != 0
    MessageBox MB_ICONSTOP "The service ${SERVICE} could not be registered." /SD IDOK
    Abort "The service ${SERVICE} could not be registered."
  ${EndIf}
  ; The service runs as Local Service: it may write the values it writes
  ; and the tunnel client's data, nothing else.
  !insertmacro RunHelper 'grant-service "${SERVICE}" "$INSTDIR\${CLIENT_DATA}"'
  Pop $0
  ${If} $0 != 0
    MessageBox MB_ICONSTOP "The service ${SERVICE} could not be given its rights." /SD IDOK
    Abort "The service ${SERVICE} could not be given its rights."
  ${EndIf}

  SetShellVarContext all
  CreateDirectory "${STARTMENU}"
  CreateShortcut "${STARTMENU}\${PRODUCT}.lnk" "$INSTDIR\Velquin.exe"
  CreateShortcut "${STARTMENU}\${PRODUCT} User Guide.lnk" "$INSTDIR\help.html"
  CreateShortcut "${STARTMENU}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Velquin"
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Velquin.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  !insertmacro UnpackHelper
  !insertmacro EndController
  ; The service stops the keeper, which ends the tunnel client: after this
  ; no program of the folder runs.
  DetailPrint "Removing the service ${SERVICE}"
  !insertmacro RunHelper 'remove-service "${SERVICE}"'
  Pop $0
  ${If} $0 != 0
    DetailPrint "The service ${SERVICE} could not be removed."
  ${EndIf}
  ; A browser left pointing at the proxy that goes away would reach nothing:
  ; it gets back the settings that Velquin kept a copy of, or goes direct.
  ; This runs as the account that runs the uninstaller; every other user
  ; who used Velquin gets the same at their next logon.
  !insertmacro RunHelper 'reset-proxy "${LOCAL_PROXY}"'
  Pop $0
  !insertmacro RunHelper 'schedule-proxy-resets "${LOCAL_PROXY}"'
  Pop $0
  ${If} $0 != 0
    DetailPrint "The proxy settings of some other users could not be scheduled for reset."
  ${EndIf}

  Delete /REBOOTOK "$INSTDIR\Velquin.exe"
  Delete /REBOOTOK "$INSTDIR\Velquin-Keeper.exe"
  Delete /REBOOTOK "$INSTDIR\Velquin-Service.exe"
  Delete "$INSTDIR\help.html"
  ; The client's folder is the installation's own: whatever the client
  ; wrote into it goes too.
  RMDir /r /REBOOTOK "$INSTDIR\${CLIENT_FOLDER}"
  RMDir "$INSTDIR\services"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  SetShellVarContext all
  Delete "${STARTMENU}\${PRODUCT}.lnk"
  Delete "${STARTMENU}\${PRODUCT} User Guide.lnk"
  Delete "${STARTMENU}\Uninstall ${PRODUCT}.lnk"
  RMDir "${STARTMENU}"

  DeleteRegKey HKLM "${SETTINGS_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
