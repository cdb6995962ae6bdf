# The client in bin\ with config.json beside it, and the Qt libraries and plugins it needs
# gathered there by windeployqt (Qt's deployment script). The service is not shipped here.
install(TARGETS TavrinAI RUNTIME DESTINATION bin COMPONENT client)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/config.json DESTINATION bin COMPONENT client)
qt_generate_deploy_app_script(TARGET TavrinAI FILENAME_VARIABLE deploy_script)
install(SCRIPT ${deploy_script} COMPONENT client)
# The compiler's runtime libraries too, so that no separate redistributable is needed.
set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION bin)
set(CMAKE_INSTALL_SYSTEM_RUNTIME_COMPONENT client)
include(InstallRequiredSystemLibraries)

# `cmake --build build --target deploy` leaves a runnable folder in build\deploy.
add_custom_target(deploy
    COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --config $<CONFIG>
            --component client --prefix ${CMAKE_BINARY_DIR}/deploy
    DEPENDS TavrinAI
    VERBATIM)

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Write MetaTrader indicators and Expert Advisors by describing them")
set(CPACK_MONOLITHIC_INSTALL ON)
set(CPACK_PACKAGE_EXECUTABLES TavrinAI "TavrinAI Code Generator")
set(CPACK_NSIS_DISPLAY_NAME "TavrinAI Code Generator")
set(CPACK_NSIS_PACKAGE_NAME "TavrinAI Code Generator")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/app/app.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/app/app.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME bin\\\\TavrinAI.exe)
set(CPACK_NSIS_URL_INFO_ABOUT ${CPACK_PACKAGE_HOMEPAGE_URL})
set(CPACK_NSIS_CONTACT support@tavrinai.com)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
