# Installs the program as a Linux desktop program: the two commands, the menu entry with its
# icon, the software-centre description, the manual pages and the documentation.
include(GNUInstallDirs)

set(TAVI_MAINTAINER "TAVI developers <tavi@example.org>")
set(TAVI_DATA_DIR ${PROJECT_SOURCE_DIR}/data)
set(TAVI_GENERATED_DATA_DIR ${PROJECT_BINARY_DIR}/data)

install(TARGETS tavi tavi-calc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

configure_file(${TAVI_DATA_DIR}/tavi.desktop.in
               ${TAVI_GENERATED_DATA_DIR}/${TAVI_APP_ID}.desktop @ONLY)
configure_file(${TAVI_DATA_DIR}/tavi.metainfo.xml.in
               ${TAVI_GENERATED_DATA_DIR}/${TAVI_APP_ID}.metainfo.xml @ONLY)
install(FILES ${TAVI_GENERATED_DATA_DIR}/${TAVI_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TAVI_GENERATED_DATA_DIR}/${TAVI_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${TAVI_DATA_DIR}/tavi.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${TAVI_APP_ID}.svg)

# Manual pages and the changelog are installed compressed, as man and Debian expect; gzip -n
# keeps the build reproducible.
set(TAVI_COMPRESSED_FILES)
function(tavi_add_compressed source output)
  configure_file(${TAVI_DATA_DIR}/${source} ${TAVI_GENERATED_DATA_DIR}/${output} @ONLY)
  add_custom_command(OUTPUT ${TAVI_GENERATED_DATA_DIR}/${output}.gz
                     COMMAND gzip -9 -n -f -k ${TAVI_GENERATED_DATA_DIR}/${output}
                     DEPENDS ${TAVI_GENERATED_DATA_DIR}/${output}
                     COMMENT "Compressing ${output}")
  set(TAVI_COMPRESSED_FILES ${TAVI_COMPRESSED_FILES} ${TAVI_GENERATED_DATA_DIR}/${output}.gz
      PARENT_SCOPE)
endfunction()
tavi_add_compressed(tavi.1.in tavi.1)
tavi_add_compressed(tavi-calc.1.in tavi-calc.1)
tavi_add_compressed(changelog.in changelog)
add_custom_target(tavi_compressed_data ALL DEPENDS ${TAVI_COMPRESSED_FILES})
install(FILES ${TAVI_GENERATED_DATA_DIR}/tavi.1.gz ${TAVI_GENERATED_DATA_DIR}/tavi-calc.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${TAVI_DATA_DIR}/copyright
              ${TAVI_GENERATED_DATA_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The guides and the example parameter files.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs ${PROJECT_SOURCE_DIR}/examples
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
