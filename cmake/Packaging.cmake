# Installation and the Debian package.
#
# The program finds every file beside its own executable, so everything it uses lands in
# one folder, /opt/tarifon, laid out like a program folder (`make run` installs the same
# component into run/). The desktop entry and the icons go where desktops look for them.
#
# Components: `program` (the folder), `desktop` (/usr/share) and `service` (the systemd
# unit, installed disabled). The package holds all three.

set(tarifon_folder /opt/tarifon)  # also in packaging/tarifon.desktop
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX ${tarifon_folder} CACHE PATH "Where the program folder is installed" FORCE)
endif()

# A running program keeps its files: the new ones replace them instead of being written
# into them (a library rewritten under a running program crashes it).
foreach(target tarifon termsim termlink)
  install(CODE "file(REMOVE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/$<TARGET_FILE_NAME:${target}>\")"
          COMPONENT program)
endforeach()
install(TARGETS tarifon termsim RUNTIME DESTINATION . COMPONENT program)
install(TARGETS termlink LIBRARY DESTINATION . COMPONENT program)

# The kiosk page's files belong to the program, not to the operator: every install
# replaces them (the page's templates, which the shop edits, are data files below).
install(DIRECTORY ${CMAKE_SOURCE_DIR}/web/ DESTINATION web COMPONENT program)

# Shipped data files never replace one that is already there: the operator may have
# changed it. A fresh folder (a package being built, a new run/) gets them all.
file(GLOB_RECURSE tarifon_data_files RELATIVE ${CMAKE_SOURCE_DIR}/data
     CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/*)
foreach(name IN LISTS tarifon_data_files)
  get_filename_component(subdir ${name} DIRECTORY)
  install(CODE "
    if(EXISTS \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${name}\")
      message(STATUS \"Keeping: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${name}\")
    else()
      file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${subdir}\" TYPE FILE
           FILES \"${CMAKE_SOURCE_DIR}/data/${name}\")
    endif()" COMPONENT program)
endforeach()

# The icon: one drawing, rendered to the PNG sizes desktops and the window use.
find_program(RSVG_CONVERT rsvg-convert)
if(NOT RSVG_CONVERT)
  message(FATAL_ERROR "rsvg-convert not found: run scripts/install-deps.sh (librsvg2-bin)")
endif()
set(tarifon_icon_svg ${CMAKE_SOURCE_DIR}/packaging/tarifon.svg)
set(tarifon_icon_pngs)
foreach(size 16 32 48 64 128 256)
  set(png ${CMAKE_BINARY_DIR}/icons/${size}/tarifon.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${tarifon_icon_svg}
    DEPENDS ${tarifon_icon_svg}
    COMMENT "Rendering the ${size}x${size} icon")
  list(APPEND tarifon_icon_pngs ${png})
  install(FILES ${png} DESTINATION /usr/share/icons/hicolor/${size}x${size}/apps
          COMPONENT desktop)
endforeach()
add_custom_target(tarifon_icons ALL DEPENDS ${tarifon_icon_pngs})

install(FILES ${tarifon_icon_svg} DESTINATION /usr/share/icons/hicolor/scalable/apps
        COMPONENT desktop)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/tarifon.desktop DESTINATION /usr/share/applications
        COMPONENT desktop)
# Run without a desktop as the system user `tarifon`, which the package's postinst creates
# along with the group that may write the program folder.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/tarifon.service DESTINATION /lib/systemd/system
        COMPONENT service)

# Beside the executable too, where the program finds its files: its own window's icon.
install(FILES ${CMAKE_BINARY_DIR}/icons/256/tarifon.png DESTINATION . COMPONENT program)

set(TARIFON_MAINTAINER "Tarifon maintainers <maintainers@users.noreply.c-seed-6b8ef129.example>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarifon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tarifon")
set(CPACK_PACKAGE_CONTACT "${TARIFON_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Server for a shop's price-query terminals")
set(CPACK_PACKAGE_DESCRIPTION
    "Tarifon answers the barcodes scanned at a shop's price-query terminals with the\n"
    "product's description and price from the point-of-sale Firebird database, and\n"
    "gives the operator one window to watch and configure the terminals.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${tarifon_folder})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_NAME tarifon)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TARIFON_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# Linked libraries are found by dpkg-shlibdeps; libtermlink.so is our own, beside the program.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so invisible to dpkg-shlibdeps: the embedded engine that opens a
# database file without a server, Qt's TIFF reader for the image table's pictures and
# Qt's translations of its own texts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "firebird3.0-server-core, qt6-image-formats-plugins, qt6-translations-l10n, passwd")
# The service's user and group, and the folder they may write (packaging/deb).
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/deb/postinst
    ${CMAKE_SOURCE_DIR}/packaging/deb/prerm ${CMAKE_SOURCE_DIR}/packaging/deb/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Data files are the operator's to change: an upgrade asks before replacing a changed one.
if(tarifon_data_files)
  list(TRANSFORM tarifon_data_files PREPEND "${tarifon_folder}/" OUTPUT_VARIABLE tarifon_conffiles)
  list(JOIN tarifon_conffiles "\n" tarifon_conffiles)
  file(WRITE ${CMAKE_BINARY_DIR}/packaging/conffiles "${tarifon_conffiles}\n")
  list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/conffiles)
endif()
include(CPack)

if(TARIFON_BUILD_TESTS)
  add_test(NAME package
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/package/package-test.sh ${CMAKE_BINARY_DIR}
                   ${CMAKE_CPACK_COMMAND})
  set_tests_properties(package PROPERTIES TIMEOUT 240
    ENVIRONMENT "${TARIFON_LSAN_ENV}")
endif()
