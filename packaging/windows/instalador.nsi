; The Windows installer of Pedidos Vendedor, in Portuguese: the program in Program Files, a Start-menu
; entry and a desktop shortcut with its icon, the guide as HTML, and an uninstaller registered in
; "Programas e Recursos" with the version and the publisher. The user's data folder (c:\systemtemp\)
; is neither made nor touched: it holds the settings, the catalogue and the orders.
; /S installs and uninstalls silently. scripts/windows.sh --instalador defines VERSAO (x.y.z), ORIGEM
; (the folder `cmake --install` filled), ARQUIVOS (the include file that lists its files for the
; uninstaller) and SAIDA (the installer's path).
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "x64.nsh"

!define PRODUTO "Pedidos Vendedor"
!define EDITOR "Equipe Pedidos Vendedor"
!define CHAVE_DESINSTALAR "Software\Microsoft\Windows\CurrentVersion\Uninstall\PedidosVendedor"

Name "${PRODUTO}"
OutFile "${SAIDA}"
InstallDir "$PROGRAMFILES64\${PRODUTO}"
InstallDirRegKey HKLM "Software\${PRODUTO}" "Pasta"
BrandingText "${PRODUTO} ${VERSAO}"

VIProductVersion "${VERSAO}.0"
VIFileVersion "${VERSAO}.0"
VIAddVersionKey /LANG=1046 "ProductName" "${PRODUTO}"
VIAddVersionKey /LANG=1046 "CompanyName" "${EDITOR}"
VIAddVersionKey /LANG=1046 "FileDescription" "Instalador do ${PRODUTO}"
VIAddVersionKey /LANG=1046 "FileVersion" "${VERSAO}"
VIAddVersionKey /LANG=1046 "ProductVersion" "${VERSAO}"
VIAddVersionKey /LANG=1046 "LegalCopyright" "${EDITOR}"

!define MUI_ICON "${ORIGEM}\pedidos-vendedor.ico"
!define MUI_UNICON "${ORIGEM}\pedidos-vendedor.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\pedidos-vendedor.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\guia\guia-do-vendedor.html"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Abrir o guia do vendedor"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "PortugueseBR"

Function .onInit
    ${IfNot} ${RunningX64}
        MessageBox MB_ICONSTOP "O ${PRODUTO} precisa do Windows de 64 bits." /SD IDOK
        Abort
    ${EndIf}
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "${PRODUTO}"
    SetOutPath "$INSTDIR"
    File /r "${ORIGEM}\*.*"
    WriteUninstaller "$INSTDIR\desinstalar.exe"

    CreateDirectory "$SMPROGRAMS\${PRODUTO}"
    CreateShortcut "$SMPROGRAMS\${PRODUTO}\${PRODUTO}.lnk" "$INSTDIR\pedidos-vendedor.exe" "" \
        "$INSTDIR\pedidos-vendedor.ico"
    CreateShortcut "$SMPROGRAMS\${PRODUTO}\Guia do vendedor.lnk" "$INSTDIR\guia\guia-do-vendedor.html"
    CreateShortcut "$DESKTOP\${PRODUTO}.lnk" "$INSTDIR\pedidos-vendedor.exe" "" "$INSTDIR\pedidos-vendedor.ico"

    WriteRegStr HKLM "Software\${PRODUTO}" "Pasta" "$INSTDIR"
    WriteRegStr HKLM "${CHAVE_DESINSTALAR}" "DisplayName" "${PRODUTO}"
    WriteRegStr HKLM "${CHAVE_DESINSTALAR}" "DisplayVersion" "${VERSAO}"
    WriteRegStr HKLM "${CHAVE_DESINSTALAR}" "Publisher" "${EDITOR}"
    WriteRegStr HKLM "${CHAVE_DESINSTALAR}" "DisplayIcon" "$INSTDIR\pedidos-vendedor.exe"
    WriteRegStr HKLM "${CHAVE_DESINSTALAR}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${CHAVE_DESINSTALAR}" "UninstallString" '"$INSTDIR\desinstalar.exe"'
    WriteRegStr HKLM "${CHAVE_DESINSTALAR}" "QuietUninstallString" '"$INSTDIR\desinstalar.exe" /S'
    WriteRegDWORD HKLM "${CHAVE_DESINSTALAR}" "NoModify" 1
    WriteRegDWORD HKLM "${CHAVE_DESINSTALAR}" "NoRepair" 1
    WriteRegDWORD HKLM "${CHAVE_DESINSTALAR}" "EstimatedSize" ${TAMANHO_KB}
SectionEnd

; Removes what the installer put there and nothing else: a folder chosen for the installation may
; hold other files, and the data folder is the user's.
Section "Uninstall"
    !include "${ARQUIVOS}"
    Delete "$INSTDIR\desinstalar.exe"
    RMDir "$INSTDIR"

    Delete "$SMPROGRAMS\${PRODUTO}\${PRODUTO}.lnk"
    Delete "$SMPROGRAMS\${PRODUTO}\Guia do vendedor.lnk"
    RMDir "$SMPROGRAMS\${PRODUTO}"
    Delete "$DESKTOP\${PRODUTO}.lnk"

    DeleteRegKey HKLM "${CHAVE_DESINSTALAR}"
    DeleteRegKey HKLM "Software\${PRODUTO}"
SectionEnd
