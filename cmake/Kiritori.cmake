# kiritori_layer(NAME SOURCES... [DEPS ...] [PRIVATE_DEPS ...])
# One static library per folder; the folder's parent is on the include path so
# code names headers as "layer/Header.h".
function(kiritori_layer name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  if(NOT L_SOURCES)
    # A layer with no code yet is an interface library, so that the layers above
    # can already name it.
    add_library(kiritori_${name} INTERFACE)
    target_include_directories(kiritori_${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(kiritori_${name} INTERFACE ${L_DEPS})
    return()
  endif()
  add_library(kiritori_${name} STATIC ${L_SOURCES})
  target_include_directories(kiritori_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  if(L_DEPS)
    target_link_libraries(kiritori_${name} PUBLIC ${L_DEPS})
  endif()
  if(L_PRIVATE_DEPS)
    target_link_libraries(kiritori_${name} PRIVATE ${L_PRIVATE_DEPS})
  endif()
endfunction()

# kiritori_test(NAME [HIDPI] SOURCES... DEPS ... [ENVIRONMENT ...])
# A GoogleTest binary whose tests CTest discovers when it runs them. With
# HIDPI, the test NAME.hidpi also runs the tests named HiDpi... on a desktop
# scaled by 1.5, which the framework rounds to 2, with a second screen of
# twice the primary's scale; everywhere else they skip.
function(kiritori_test name)
  cmake_parse_arguments(T "HIDPI" "" "SOURCES;DEPS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_DEPS} GTest::gtest)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${T_ENVIRONMENT}")
  if(T_HIDPI)
    add_test(NAME ${name}.hidpi COMMAND ${name} --gtest_filter=HiDpi*:*.HiDpi*)
    set_tests_properties(${name}.hidpi PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen:configfile=${PROJECT_SOURCE_DIR}/tests/hidpi-screens.json;QT_SCALE_FACTOR=1.5;${T_ENVIRONMENT}")
  endif()
endfunction()
