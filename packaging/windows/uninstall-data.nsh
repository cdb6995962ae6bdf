; Part of the uninstaller: the trader's own settings (HKCU\Software\TavrinAI) and data folder
; (chats and programs, %APPDATA%\TavrinAI) stay unless the trader asks to remove them; a silent
; uninstall, as run by an upgrade, keeps them. APPDATA is read from the environment, since the
; installer's shell folders point at all users.
ReadEnvStr $0 APPDATA
MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "Also remove your TavrinAI settings, chats and programs ($0\TavrinAI)?$\n$\nChoose No to keep them for a later installation." \
    /SD IDNO IDNO keep_trader_data
RMDir /r "$0\TavrinAI"
DeleteRegKey HKCU "Software\TavrinAI"
keep_trader_data:
