# The Windows installer, from the same install rules: CPack's NSIS generator (makensis is
# in Debian). It installs into Program Files with the projection file beside the program,
# adds a Start-menu entry with the program's icon, an entry in Apps & features with the
# version and the publisher, and an uninstaller. /S installs and uninstalls silently.
set(CPACK_GENERATOR NSIS)
set(CPACK_VERBATIM_VARIABLES ON)  # the NSIS lines below keep their backslashes
# A 64-bit installer for a 64-bit program: it needs no 32-bit Windows layer (nor Wine's).
set(CPACK_NSIS_EXECUTABLE "${PROJECT_SOURCE_DIR}/scripts/makensis-amd64")
set(CPACK_PACKAGE_FILE_NAME "pictrak2shp-${PROJECT_VERSION}-win64")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Pictrak2Shp")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Pictrak2Shp")
set(CPACK_NSIS_PACKAGE_NAME "Pictrak2Shp")
set(CPACK_NSIS_DISPLAY_NAME "Pictrak2Shp")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_INSTALLED_ICON_NAME "pictrak2shp.exe")
set(CPACK_NSIS_MUI_ICON "${CMAKE_BINARY_DIR}/pictrak2shp.ico")
set(CPACK_NSIS_MUI_UNIICON "${CMAKE_BINARY_DIR}/pictrak2shp.ico")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MODIFY_PATH OFF)
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/data/copyright")
# The list starts in each user's own Pictures folder: a shortcut's folder may name the
# user's profile, which Windows fills in at each start.
set(CPACK_NSIS_CREATE_ICONS_EXTRA "
  StrCpy $OUTDIR '%USERPROFILE%\\Pictures'
  CreateShortCut '$SMPROGRAMS\\$STARTMENU_FOLDER\\Pictrak2Shp.lnk' '$INSTDIR\\pictrak2shp.exe' '' '$INSTDIR\\pictrak2shp.exe' 0
  SetOutPath '$INSTDIR'")
# CPack's uninstaller removes the key under the vendor's, not the vendor's key it made.
set(CPACK_NSIS_DELETE_ICONS_EXTRA "
  Delete '$SMPROGRAMS\\$MUI_TEMP\\Pictrak2Shp.lnk'
  DeleteRegKey /ifempty SHCTX 'Software\\${CPACK_PACKAGE_VENDOR}'")

# The .msi beside it, for deployment (Group Policy, Intune, Configuration Manager), from the
# same install rules: the install tree staged, its file list written from it, and wixl
# (msitools) makes it. `ninja msi`; scripts/package makes both.
configure_file(${CMAKE_CURRENT_LIST_DIR}/pictrak2shp.wxs.in ${CMAKE_BINARY_DIR}/pictrak2shp.wxs @ONLY)
add_custom_target(msi
  COMMAND ${CMAKE_COMMAND} -E rm -rf msi
  COMMAND ${CMAKE_COMMAND} --install . --prefix msi/files
  COMMAND ${CMAKE_COMMAND} -DSTAGE=${CMAKE_BINARY_DIR}/msi/files -DOUTPUT=${CMAKE_BINARY_DIR}/msi/files.wxs
          -P ${CMAKE_CURRENT_LIST_DIR}/WindowsInstallerFiles.cmake
  COMMAND wixl --arch x64 --output ${CPACK_PACKAGE_FILE_NAME}.msi pictrak2shp.wxs msi/files.wxs
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR} VERBATIM)
add_dependencies(msi pictrak2shp)
