# What `cmake --install` puts beside the program so that it shows in a desktop's
# application menu and software centre: the desktop entry, the icon in the icon
# theme's sizes, the AppStream metainfo and the manual page; and the Debian
# package of all of it (`make package`). The icon files are made at build time
# from the pixels the main window uses.
if(NOT KIRITORI_GUI)
  return()
endif()

add_executable(kiritori_make_icons ${PROJECT_SOURCE_DIR}/resources/make_icons.cpp
                                   ${PROJECT_SOURCE_DIR}/resources/MainIcon.cpp)
target_include_directories(kiritori_make_icons PRIVATE ${PROJECT_SOURCE_DIR})

set(KIRITORI_ICON_SIZES 16 22 24 32 48 64 128 256)
set(icon_dir ${PROJECT_BINARY_DIR}/icons/hicolor)
set(icon_files)
foreach(size ${KIRITORI_ICON_SIZES})
  list(APPEND icon_files ${icon_dir}/${size}x${size}/apps/kiritori.png)
endforeach()
add_custom_command(OUTPUT ${icon_files}
  COMMAND kiritori_make_icons ${icon_dir}
  DEPENDS kiritori_make_icons
  COMMENT "Making the program's icon in the theme's sizes"
  VERBATIM)
add_custom_target(kiritori_icons ALL DEPENDS ${icon_files})

include(GNUInstallDirs)
install(FILES ${PROJECT_SOURCE_DIR}/resources/kiritori.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size ${KIRITORI_ICON_SIZES})
  install(FILES ${icon_dir}/${size}x${size}/apps/kiritori.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Debian installs manual pages compressed; -n keeps the file the same on every build.
set(man_page ${PROJECT_BINARY_DIR}/man/kiritori.1.gz)
add_custom_command(OUTPUT ${man_page}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
  COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/resources/kiritori.1 > ${man_page}
  DEPENDS ${PROJECT_SOURCE_DIR}/resources/kiritori.1
  COMMENT "Compressing the manual page")
add_custom_target(kiritori_man ALL DEPENDS ${man_page})
install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/resources/io.github.kiritori.kiritori.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kiritori)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "kiritori developers <kiritori-dev@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "cut a rectangular piece out of a JPEG or BMP picture")
set(CPACK_PACKAGE_DESCRIPTION "Shows a picture at full size, lets you drag a rectangle over it and nudge it
pixel by pixel, and saves the piece as JPEG or BMP or puts it on the clipboard.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The libraries the program links come from dpkg-shlibdeps; the font the
# windows' font name is mapped to is no library.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic")
include(CPack)
