# The salesperson's guide as one HTML page (scripts/guide_html.py, Debian's python3-markdown), built
# with the program and installed by the Debian package and the Windows installer beside the pictures.
set(pv_guide_html ${PROJECT_BINARY_DIR}/guia/guia-do-vendedor.html)
add_custom_command(OUTPUT ${pv_guide_html}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/guia
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/guide_html.py ${PROJECT_SOURCE_DIR}/docs/guia-do-vendedor.md ${pv_guide_html}
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/guia-do-vendedor.md ${PROJECT_SOURCE_DIR}/scripts/guide_html.py
    COMMENT "Guia do vendedor em HTML")
add_custom_target(guia_html ALL DEPENDS ${pv_guide_html})
