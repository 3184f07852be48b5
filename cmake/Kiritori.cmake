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

# kiritori_test(NAME SOURCES... DEPS ... [ENVIRONMENT ...])
# A GoogleTest binary whose tests CTest discovers when it runs them.
function(kiritori_test name)
  cmake_parse_arguments(T "" "" "SOURCES;DEPS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_DEPS} GTest::gtest)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${T_ENVIRONMENT}")
endfunction()
