# Helpers shared by every subsystem's CMakeLists.txt.
#
# velmora_library(<name> [QT] SOURCES ... [LIBS ...])
#   A static library; includes are relative to the source root ("client/shell/x.h").
#   QT turns on moc and links Qt Widgets: only for ui/, app/ and tools/ targets.
# velmora_test(<name> SOURCES ... [LIBS ...] [QT])
#   A GoogleTest executable whose tests are registered with CTest one by one. With
#   VELMORA_TESTS off the target still exists (so folders may add to it) but is not
#   built by default and registers nothing.

function(velmora_library name)
    cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LIBS} Threads::Threads)
    if(ARG_QT)
        set_target_properties(${name} PROPERTIES AUTOMOC ON)
        target_link_libraries(${name} PUBLIC Qt6::Widgets)
    endif()
endfunction()

function(velmora_test name)
    cmake_parse_arguments(ARG "QT" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(VELMORA_TESTS)
        add_executable(${name} ${ARG_SOURCES})
    else()
        add_executable(${name} EXCLUDE_FROM_ALL ${ARG_SOURCES})
    endif()
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} velmora_testing GTest::gtest GTest::gmock Threads::Threads)
    if(ARG_QT)
        set_target_properties(${name} PROPERTIES AUTOMOC ON)
        target_link_libraries(${name} PRIVATE Qt6::Widgets Qt6::Test velmora_testing_qt_main)
    else()
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    if(NOT VELMORA_TESTS)
        return()
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES TIMEOUT ${ARG_TIMEOUT}
                   ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
