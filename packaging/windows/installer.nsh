; Included at the top of the installer script CPack writes: the installer's own version block,
; so that Explorer and SmartScreen show who made it and which version it installs.
VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "TavrinAI Code Generator"
VIAddVersionKey "CompanyName" "TavrinAI"
VIAddVersionKey "FileDescription" "TavrinAI Code Generator Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) TavrinAI"
