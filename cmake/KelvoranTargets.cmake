# Shared helpers for the project's targets: warnings, precompiled Qt headers, library layout.

# kelvoran_warnings(<target>): the project's warning set; warnings are kept at zero.
function(kelvoran_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                                             -Wnon-virtual-dtor -Wno-unused-parameter)
endfunction()

# kelvoran_library(<name> DEPS <targets...>): a static library from every source file of the
# calling folder. Sources are globbed so that work in different folders never collides in a
# shared list; CONFIGURE_DEPENDS picks up new files on the next build.
function(kelvoran_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
         ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
    file(GLOB _headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    if(NOT _sources)
        # A layer with nothing built yet still takes part in the dependency chain.
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${ARG_DEPS})
        return()
    endif()
    add_library(${name} STATIC ${_sources} ${_headers})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    kelvoran_warnings(${name})
    target_precompile_headers(${name} PRIVATE <QtCore/QString> <QtCore/QStringList>
                              <QtCore/QByteArray> <QtCore/QVariant> <vector> <string>)
endfunction()

# kelvoran_gtest(<name> DEPS <targets...>): one GoogleTest executable from the calling folder's
# sources, registered with CTest case by case.
function(kelvoran_gtest name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    add_executable(${name} ${_sources})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} kelvoran_testsupport GTest::gtest
                                          GTest::gmock)
    kelvoran_warnings(${name})
    target_precompile_headers(${name} PRIVATE <QtCore/QString> <gtest/gtest.h>)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                         PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
