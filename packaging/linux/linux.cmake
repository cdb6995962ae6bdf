# The install tree is laid out from the file system's root, so that `cmake --install` and the
# .deb packages put every file at the same place.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
    set(CMAKE_INSTALL_PREFIX / CACHE PATH "Install tree root: /opt, /etc/opt and /usr below it" FORCE)
endif()
set(app_dir opt/tavrinai/bin)
set(config_dir etc/opt/tavrinai)
set(linux ${CMAKE_CURRENT_SOURCE_DIR}/linux)
set(staged ${CMAKE_CURRENT_BINARY_DIR}/staged)

# The client reads config.json beside its executable; the file itself is configuration, kept
# by dpkg across upgrades in /etc/opt. Both links are absolute, as they cross top folders.
file(MAKE_DIRECTORY ${staged})
file(CREATE_LINK /${config_dir}/config.json ${staged}/config.json SYMBOLIC)
file(CREATE_LINK /${app_dir}/TavrinAI ${staged}/tavrinai SYMBOLIC)
file(CREATE_LINK /${app_dir}/tavrin-report ${staged}/tavrin-report SYMBOLIC)
file(CREATE_LINK /${app_dir}/tavrin-backtest ${staged}/tavrin-backtest SYMBOLIC)

# tavrin-report and tavrin-backtest are on the PATH for traders' scripts, as the client's
# launcher is.
install(TARGETS TavrinAI tavrin-report tavrin-backtest RUNTIME DESTINATION ${app_dir} COMPONENT client)
install(FILES ${staged}/config.json DESTINATION ${app_dir} COMPONENT client)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/config.json DESTINATION ${config_dir} COMPONENT client)
install(FILES ${staged}/tavrinai ${staged}/tavrin-report ${staged}/tavrin-backtest DESTINATION usr/bin
    COMPONENT client)
install(FILES ${linux}/tavrinai/${BREVAN_APP_ID}.desktop DESTINATION usr/share/applications COMPONENT client)
configure_file(${linux}/tavrinai/${BREVAN_APP_ID}.metainfo.xml ${staged}/${BREVAN_APP_ID}.metainfo.xml @ONLY)
install(FILES ${staged}/${BREVAN_APP_ID}.metainfo.xml DESTINATION usr/share/metainfo COMPONENT client)

# The icon in the hicolor theme: the drawing itself, and the usual sizes rendered from it for
# menus that do not draw SVG.
set(icon_svg ${PROJECT_SOURCE_DIR}/app/app.svg)
install(FILES ${icon_svg} DESTINATION usr/share/icons/hicolor/scalable/apps
    RENAME ${BREVAN_APP_ID}.svg COMPONENT client)
find_program(BREVAN_RSVG_CONVERT rsvg-convert)
if(BREVAN_RSVG_CONVERT)
    set(icon_pngs)
    foreach(size 16 24 32 48 64 128 256)
        set(png ${staged}/icons/${size}x${size}/${BREVAN_APP_ID}.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${BREVAN_RSVG_CONVERT} --width ${size} --height ${size} --format png
                    --output ${png} ${icon_svg}
            DEPENDS ${icon_svg}
            VERBATIM)
        list(APPEND icon_pngs ${png})
        install(FILES ${png} DESTINATION usr/share/icons/hicolor/${size}x${size}/apps COMPONENT client)
    endforeach()
else()
    message(WARNING "rsvg-convert (package librsvg2-bin) not found: only the SVG icon is installed")
endif()

# Debian wants the changelog and manual pages compressed, the copyright in each package's doc
# folder; lintian reads the overrides, each with its reason, from the package itself.
set(compressed)
foreach(source changelog.in tavrinai/tavrinai.1.in tavrinai/tavrin-report.1.in tavrinai/tavrin-backtest.1.in)
    get_filename_component(name ${source} NAME_WLE)
    configure_file(${linux}/${source} ${staged}/${name} @ONLY)
    add_custom_command(OUTPUT ${staged}/${name}.gz
        COMMAND gzip -9nkf ${staged}/${name}
        DEPENDS ${staged}/${name}
        VERBATIM)
    list(APPEND compressed ${staged}/${name}.gz)
endforeach()
add_custom_target(brevan_package_files ALL DEPENDS ${icon_pngs} ${compressed})
install(FILES ${staged}/tavrinai.1.gz ${staged}/tavrin-report.1.gz ${staged}/tavrin-backtest.1.gz
    DESTINATION usr/share/man/man1 COMPONENT client)
function(install_debian_docs component package)
    install(FILES ${linux}/copyright ${staged}/changelog.gz
        DESTINATION usr/share/doc/${package} COMPONENT ${component})
    install(FILES ${linux}/${package}/lintian-overrides
        DESTINATION usr/share/lintian/overrides RENAME ${package} COMPONENT ${component})
endfunction()
install_debian_docs(client tavrinai)
install_debian_docs(server tavrinai-server)

# The service runs as a system service; its settings, the API key among them, are root's alone.
install(TARGETS tavrin-server RUNTIME DESTINATION ${app_dir} COMPONENT server)
install(FILES ${linux}/tavrinai-server/tavrinai-server.service DESTINATION lib/systemd/system
    COMPONENT server)
install(FILES ${linux}/tavrinai-server/server.env DESTINATION ${config_dir}
    PERMISSIONS OWNER_READ OWNER_WRITE COMPONENT server)
# The nginx site for several instances, available but not enabled.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/nginx/tavrinai.conf
    DESTINATION etc/nginx/sites-available COMPONENT server)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_DEB_COMPONENT_INSTALL ON)
# Each package's description starts with its own summary line; CPack would put a shared one first.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_COMPONENTS_ALL client server)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE tavrinai)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_CLIENT_PACKAGE_NAME tavrinai)
set(CPACK_DEBIAN_CLIENT_PACKAGE_SECTION utils)
# The client starts the service itself when it is installed and nothing serves the address;
# the Chinese notices carry an emoji, which needs a font that has it.
set(CPACK_DEBIAN_CLIENT_PACKAGE_RECOMMENDS "tavrinai-server, qt6-translations-l10n, fonts-noto-color-emoji")
set(CPACK_DEBIAN_CLIENT_PACKAGE_CONTROL_EXTRA ${linux}/tavrinai/conffiles)
set(CPACK_COMPONENT_CLIENT_DESCRIPTION "write MetaTrader indicators and Expert Advisors by describing them
Describe the indicator or Expert Advisor you want in plain words: TavrinAI asks
a code-generation service for the program, saves it into a MetaTrader 4 or 5
terminal (also one run under Wine), compiles it there and shows the compiler's
verdict in the chat. The service's address is set in
/etc/opt/tavrinai/config.json. tavrin-report prints a MetaTrader Strategy
Tester report as JSON, for scripts that test many Expert Advisors.")
set(CPACK_DEBIAN_SERVER_PACKAGE_NAME tavrinai-server)
set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SERVER_PACKAGE_SUGGESTS "nginx, redis-server")
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA
    ${linux}/tavrinai-server/conffiles ${linux}/tavrinai-server/postinst
    ${linux}/tavrinai-server/prerm ${linux}/tavrinai-server/postrm)
set(CPACK_COMPONENT_SERVER_DESCRIPTION "code-generation service for the TavrinAI client
The service that writes the MQL4 and MQL5 programs the TavrinAI client asks
for, as the system service tavrinai-server, listening on 127.0.0.1:8080. It is
not started on installation: put the backend settings into
/etc/opt/tavrinai/server.env, then enable it with systemctl.")
