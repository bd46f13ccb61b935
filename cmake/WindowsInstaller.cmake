# What the Windows installer holds, as `cmake --install` lays it out: the program, the Qt libraries
# and the plugins it loads (the Windows platform, the native style, the Schannel TLS backend; PNG is
# built into Qt), mingw-w64's runtime, the guide as HTML with its pictures, and the icon.
# scripts/windows.sh --instalador installs it into a folder and makes the NSIS installer of it.
install(TARGETS pedidos-vendedor RUNTIME DESTINATION .)
foreach(module Core Gui Widgets Network)
    install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION .)
endforeach()
# Qt looks for plugins in folders beside the program.
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
install(FILES $<TARGET_FILE:Qt6::QSchannelBackendPlugin> DESTINATION tls)

file(GLOB pv_mingw_gcc LIST_DIRECTORIES true /usr/lib/gcc/x86_64-w64-mingw32/*-posix)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    string(MAKE_C_IDENTIFIER ${dll} var)
    find_file(PV_RUNTIME_${var} ${dll} PATHS ${pv_mingw_gcc} /usr/x86_64-w64-mingw32/lib
              NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT PV_RUNTIME_${var})
        message(FATAL_ERROR "mingw-w64's ${dll} not found")
    endif()
    install(FILES ${PV_RUNTIME_${var}} DESTINATION .)
endforeach()

include(GuideHtml)
install(FILES ${pv_guide_html} DESTINATION guia)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/screenshots/ DESTINATION guia/screenshots FILES_MATCHING PATTERN "*.png")
install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/pedidos-vendedor.ico DESTINATION .)
