# What `cmake --install` puts beside the program so that it shows in a desktop's
# application menu: the desktop entry and the icon in the icon theme's sizes.
# The icon files are made at build time from the pixels the main window uses.
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
