# The client, the service it starts, tavrin-report and tavrin-backtest (for traders' scripts)
# in bin\, with the Qt runtime they need beside them, and an NSIS installer of that folder.
# There is no config.json: the client then uses the service it starts itself, and the trader
# chooses the model in Settings > Code generator; an administrator who wants another service
# puts a config.json beside TavrinAI.exe.
set(brevan_programs TavrinAI tavrin-report tavrin-backtest)
if(TARGET tavrin-server)
    list(APPEND brevan_programs tavrin-server)
endif()
install(TARGETS ${brevan_programs} RUNTIME DESTINATION bin COMPONENT client)

# A version block in each program, as Explorer shows it in Properties > Details.
set(brevan_description_TavrinAI "TavrinAI Code Generator")
set(brevan_description_tavrin-server "TavrinAI code generation service")
set(brevan_description_tavrin-report "TavrinAI Strategy Tester report reader")
set(brevan_description_tavrin-backtest "TavrinAI Strategy Tester run")
foreach(program ${brevan_programs})
    set(brevan_file_description ${brevan_description_${program}})
    configure_file(${CMAKE_CURRENT_LIST_DIR}/version.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${program}-version.rc @ONLY)
    target_sources(${program} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${program}-version.rc)
endforeach()

if(CMAKE_CROSSCOMPILING)
    # A cross build has no windeployqt, so the DLLs are listed: those the programs import
    # (checked with mingw's objdump; CMake's own search lower-cases DLL names, which a Linux
    # file system does not forgive) and the plugins Qt loads at run time.
    # Qt Charts draws through Qt OpenGL and its widgets, which it imports.
    set(brevan_dlls Qt6::Core Qt6::Gui Qt6::Widgets Qt6::Network Qt6::Charts Qt6::OpenGL Qt6::OpenGLWidgets qt6keychain)
    if(TARGET tavrin-server)
        list(APPEND brevan_dlls Qt6::HttpServer)
    endif()
    list(TRANSFORM brevan_dlls REPLACE "(.+)" "$<TARGET_FILE:\\1>")
    foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                        OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
        list(APPEND brevan_dlls ${runtime_path})
    endforeach()
    install(FILES ${brevan_dlls} DESTINATION bin COMPONENT client)
    # This Qt's layout: qt/lib/cmake/Qt6, qt/bin, qt/plugins. Only the plugins the programs
    # load on Windows, found beside TavrinAI.exe without a qt.conf: the windows platform and its
    # style for the client, the TLS backend for the service, which loads it as it starts (for
    # https model servers). No image formats: the icons are PNG, which Qt reads itself. The
    # Windows leg's loader trace fails when one is missing or one is shipped that nothing loads.
    get_filename_component(qt_prefix ${Qt6_DIR}/../../.. ABSOLUTE)
    foreach(plugin platforms/qwindows styles/qwindowsvistastyle tls/qschannelbackend)
        get_filename_component(plugin_dir ${plugin} DIRECTORY)
        install(FILES ${qt_prefix}/plugins/${plugin}.dll DESTINATION bin/${plugin_dir} COMPONENT client)
    endforeach()
    # Qt's own catalogues (standard buttons and dialogs); they are the same files on every system.
    foreach(language zh_CN zh_TW)
        install(FILES /usr/share/qt6/translations/qtbase_${language}.qm
                DESTINATION bin/translations COMPONENT client OPTIONAL)
    endforeach()
else()
    # windeployqt (Qt's deployment script) gathers the Qt libraries, plugins and catalogues.
    foreach(program ${brevan_programs})
        qt_generate_deploy_app_script(TARGET ${program} FILENAME_VARIABLE deploy_script)
        install(SCRIPT ${deploy_script} COMPONENT client)
    endforeach()
    # The compiler's runtime libraries too, so that no separate redistributable is needed.
    set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION bin)
    set(CMAKE_INSTALL_SYSTEM_RUNTIME_COMPONENT client)
    include(InstallRequiredSystemLibraries)
endif()

# `cmake --build build --target deploy` leaves a runnable folder in build\deploy.
add_custom_target(deploy
    COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --config $<CONFIG>
            --component client --prefix ${CMAKE_BINARY_DIR}/deploy
    DEPENDS ${brevan_programs}
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
# An older version is uninstalled silently before the new one goes in: the programs are
# replaced, the trader's data stays (uninstall-data.nsh).
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "!include '${CMAKE_CURRENT_LIST_DIR}/uninstall-data.nsh'")
# A 64-bit installer: it installs into the 64-bit Program Files, and 64-bit Wine runs it.
set(CPACK_NSIS_DEFINES "Target amd64-unicode\n!include '${CMAKE_CURRENT_LIST_DIR}/installer.nsh'")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
