; The PR-4417 driver package as a general-purpose installer, for the size
; comparison with setup.exe: the same two driver files into the system
; directory, the same class registry values, INI entries, word-list edits and
; port entries, a restart offer, and an uninstaller (kept inside the
; installer, as NSIS does) that takes them out again. It has no port
; detection: the port comes from /PORT=n on the command line (default 1).
;   makensis -DPKGDIR=<package folder> -DOUTFILE=<installer>
;            [-DCOMPRESSOR=zlib|bzip2|lzma|"/SOLID lzma"...] [-DNOTHING] pr4417.nsi
; Silent with /S (the restart question is answered No). -DNOTHING builds the
; same installer with an empty section: the benchmark's warm-up run and the
; fixed cost of a run (start, its own checks, exit).
Unicode false
!ifdef COMPRESSOR
SetCompressor ${COMPRESSOR}
!else
SetCompressor /SOLID lzma
!endif

!include "WordFunc.nsh"
!include "FileFunc.nsh"

!define CLASSKEY "System\CurrentControlSet\Services\Class\QuorvixDevice"
!define WINTAB "$WINDIR\wintab.ini"
!define SYSINI "$WINDIR\system.ini"

Name "Penrel PR-4417 tablet driver"
Caption "PR-4417 Installer"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
ShowInstDetails nevershow
ShowUninstDetails nevershow

Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var Port

Section "Driver"
!ifndef NOTHING
    ${GetParameters} $0
    ${GetOptions} $0 "/PORT=" $Port
    StrCmp $Port "" 0 +2
        StrCpy $Port 1

    SetOutPath "$SYSDIR"
    SetOverwrite ifnewer
    File "${PKGDIR}\tpadvx.386"
    File "${PKGDIR}\WTQVX.DRV"

    WriteRegStr HKLM "${CLASSKEY}" "" "Penrel Tablets"
    WriteRegStr HKLM "${CLASSKEY}" "Icon" "-5"
    WriteRegStr HKLM "${CLASSKEY}" "DevLoader" "tpadvx.386"
    WriteRegStr HKLM "${CLASSKEY}" "Driver" "WTQVX.DRV"
    WriteRegStr HKLM "${CLASSKEY}" "Model" "PR-4417"

    WriteINIStr "${SYSINI}" "386Enh" "tpadvx" "tpadvx.386"
    WriteINIStr "${WINTAB}" "Penrel Tablet Driver" "Driver" "WTQVX.DRV"
    WriteINIStr "${WINTAB}" "Penrel Tablet Driver" "Model" "PR-4417"

    ; Word lists shared with other software: only our words change.
    ReadINIStr $1 "${SYSINI}" "boot" "drivers"
    ${WordAdd} $1 " " "-qvxold.drv" $1
    ${WordAdd} $1 " " "+wtqvx.drv" $1
    WriteINIStr "${SYSINI}" "boot" "drivers" $1
    ReadINIStr $1 "${SYSINI}" "386Enh" "Pointing"
    ${WordAdd} $1 " " "+tpadvx.386" $1
    WriteINIStr "${SYSINI}" "386Enh" "Pointing" $1

    WriteINIStr "${WINTAB}" "Penrel Tablet Driver" "Com" $Port
    WriteINIStr "${SYSINI}" "tpadvx.386" "WTQVX" $Port
    WriteINIStr "$WINDIR\win.ini" "Windows" "SkipMouseRedetect" "0"

    WriteUninstaller "$WINDIR\pr4417un.exe"
    SetRebootFlag true
!endif
SectionEnd

Function .onInstSuccess
    MessageBox MB_YESNO "Restart Windows now to use the tablet?" /SD IDNO IDNO done
        Reboot
    done:
FunctionEnd

Section "Uninstall"
    Delete "$SYSDIR\tpadvx.386"
    Delete "$SYSDIR\WTQVX.DRV"
    DeleteRegKey HKLM "${CLASSKEY}"
    DeleteINIStr "${SYSINI}" "386Enh" "tpadvx"
    DeleteINIStr "${SYSINI}" "tpadvx.386" "WTQVX"
    DeleteINIStr "${WINTAB}" "Penrel Tablet Driver" "Driver"
    DeleteINIStr "${WINTAB}" "Penrel Tablet Driver" "Model"
    DeleteINIStr "${WINTAB}" "Penrel Tablet Driver" "Com"
    ReadINIStr $1 "${SYSINI}" "boot" "drivers"
    ${WordAdd} $1 " " "-wtqvx.drv" $1
    WriteINIStr "${SYSINI}" "boot" "drivers" $1
    ReadINIStr $1 "${SYSINI}" "386Enh" "Pointing"
    ${WordAdd} $1 " " "-tpadvx.386" $1
    WriteINIStr "${SYSINI}" "386Enh" "Pointing" $1
    Delete "$WINDIR\pr4417un.exe"
SectionEnd
