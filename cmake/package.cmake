# The man page and the README, installed with the program, and a Debian
# package of the three: cmake --build build --target package.
if(WIN32)
  return()
endif()

# The man page's header names the project's version.
configure_file(doc/charplay.1.in ${CMAKE_CURRENT_BINARY_DIR}/charplay.1 @ONLY)

# Debian ships man pages and long documents compressed, without timestamps.
set(compressed ${CMAKE_CURRENT_BINARY_DIR}/compressed)
set(pages
  ${CMAKE_CURRENT_BINARY_DIR}/charplay.1=man/charplay.1.gz
  ${CMAKE_CURRENT_SOURCE_DIR}/README.md=doc/README.md.gz
  ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/changelog=doc/changelog.gz)
set(outputs "")
foreach(page ${pages})
  string(REPLACE "=" ";" page ${page})
  list(GET page 0 source)
  list(GET page 1 target)
  add_custom_command(OUTPUT ${compressed}/${target}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${compressed}/man ${compressed}/doc
    COMMAND gzip -9n -c ${source} > ${compressed}/${target}
    DEPENDS ${source} VERBATIM)
  list(APPEND outputs ${compressed}/${target})
endforeach()
add_custom_target(charplay_docs ALL DEPENDS ${outputs})

install(FILES ${compressed}/man/charplay.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${compressed}/doc/README.md.gz ${compressed}/doc/changelog.gz
              packaging/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME charplay)
set(CPACK_PACKAGE_VENDOR "the charplay developers")
set(CPACK_PACKAGE_CONTACT "charplay developers <charplay@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "play a video as moving character art in the terminal")
# The packages of the portable archives (scripts/build-packages.sh) say the same.
file(READ packaging/description.txt CPACK_PACKAGE_DESCRIPTION)
string(STRIP "${CPACK_PACKAGE_DESCRIPTION}" CPACK_PACKAGE_DESCRIPTION)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends from the shared libraries the program really uses.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
