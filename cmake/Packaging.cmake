# Installation and the two Debian packages: pedidos-vendedor (the client, its desktop entry, icons,
# AppStream metainfo and manual page) and pedidos-servidor (the reference server and its manual
# page). `cpack -G DEB` in a release build makes them; scripts/package.sh does it all.
include(GNUInstallDirs)

set(PV_APP_ID "br.com.pedidosvendedor.PedidosVendedor" CACHE STRING "AppStream id of the client")
set(PV_HOMEPAGE "https://pedidosvendedor.com.br" CACHE STRING "Home page named by the packages")
set(PV_SCREENSHOT_URL "${PV_HOMEPAGE}/screenshots/principal.png" CACHE STRING
    "Where docs/screenshots/principal.png is published, for the AppStream metainfo")
set(PV_CONTACT "Equipe Pedidos Vendedor <equipe@pedidosvendedor.com.br>" CACHE STRING "Package maintainer")

set(pv_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(pv_generated ${PROJECT_BINARY_DIR}/packaging)

# A file as a distribution ships it: compressed without a timestamp, so that packages of the same
# sources are the same bytes.
function(pv_gzip input output)
    execute_process(COMMAND gzip -9nc ${input} OUTPUT_FILE ${output} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "gzip ${input} failed")
    endif()
endfunction()

# What each package carries under /usr/share/doc and its manual page.
function(pv_package_docs component package)
    set(PACKAGE ${package})
    configure_file(${pv_packaging}/changelog.in ${pv_generated}/${package}/changelog @ONLY)
    pv_gzip(${pv_generated}/${package}/changelog ${pv_generated}/${package}/changelog.gz)
    configure_file(${pv_packaging}/${package}.1 ${pv_generated}/${package}.1 @ONLY)
    pv_gzip(${pv_generated}/${package}.1 ${pv_generated}/${package}.1.gz)
    install(FILES ${pv_generated}/${package}/changelog.gz ${pv_packaging}/copyright
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
    install(FILES ${pv_generated}/${package}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endfunction()

install(TARGETS pedidos-vendedor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cliente)
install(TARGETS pedidos-servidor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT servidor)
# The server as a system service: its unit, and its options in /etc/default (a conffile).
install(FILES ${pv_packaging}/pedidos-servidor.service DESTINATION /lib/systemd/system COMPONENT servidor)
install(FILES ${pv_packaging}/pedidos-servidor.default DESTINATION /etc/default RENAME pedidos-servidor
        COMPONENT servidor)
configure_file(${pv_packaging}/pedidos-servidor.conffiles ${pv_generated}/servidor-control/conffiles COPYONLY)
pv_package_docs(cliente pedidos-vendedor)
pv_package_docs(servidor pedidos-servidor)
# The salesperson's guide beside the client, as Markdown and as HTML, with the pictures it shows.
include(GuideHtml)
install(FILES ${PROJECT_SOURCE_DIR}/docs/guia-do-vendedor.md ${pv_guide_html}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pedidos-vendedor COMPONENT cliente)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/screenshots/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pedidos-vendedor/screenshots COMPONENT cliente
        FILES_MATCHING PATTERN "*.png")

install(FILES ${pv_packaging}/pedidos-vendedor.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT cliente)
configure_file(${pv_packaging}/pedidos-vendedor.metainfo.xml.in ${pv_generated}/${PV_APP_ID}.metainfo.xml @ONLY)
install(FILES ${pv_generated}/${PV_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT cliente)
install(FILES ${pv_packaging}/icons/pedidos-vendedor.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT cliente)
# The PNG sizes are drawn once from the SVG (rsvg-convert -w N -h N) and kept in the tree, so that
# a build needs no SVG renderer.
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${pv_packaging}/icons/${size}x${size}/pedidos-vendedor.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps COMPONENT cliente)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pedidos-vendedor)
set(CPACK_PACKAGE_VENDOR "Equipe Pedidos Vendedor")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${PV_CONTACT})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cliente servidor)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PV_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_CLIENTE_PACKAGE_NAME pedidos-vendedor)
set(CPACK_DEBIAN_CLIENTE_PACKAGE_SECTION misc)
# Qt loads its TLS backend (OpenSSL) and the desktop's PDF viewer (xdg-open) at run time, out of
# sight of the shared-library scan.
set(CPACK_DEBIAN_CLIENTE_PACKAGE_DEPENDS "libssl3, hicolor-icon-theme")
set(CPACK_DEBIAN_CLIENTE_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_COMPONENT_CLIENTE_DESCRIPTION
    "pedidos de venda do vendedor externo
Baixa do servidor de aplicação da empresa os clientes, os produtos e as
tabelas de preço do vendedor, mostra as contas a receber e as vendas de cada
cliente, busca boletos e relatórios em PDF e monta pedidos de venda, que o
servidor confere (estoque, títulos bloqueados, horário de envio) antes do
envio. Sem conexão, trabalha com o último cadastro e guarda os pedidos.")
set(CPACK_DEBIAN_SERVIDOR_PACKAGE_NAME pedidos-servidor)
set(CPACK_DEBIAN_SERVIDOR_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SERVIDOR_PACKAGE_CONTROL_EXTRA ${pv_generated}/servidor-control/conffiles)
set(CPACK_COMPONENT_SERVIDOR_DESCRIPTION
    "servidor de aplicação de referência do Pedidos Vendedor
Atende as chamadas do Pedidos Vendedor com os dados de um banco SQLite,
preenchido com dados de demonstração ou com um catálogo do tamanho pedido,
em HTTP ou HTTPS, com requisições assinadas quando exigidas. Serve para
demonstrar e testar o cliente sem o servidor da empresa.")
include(CPack)
