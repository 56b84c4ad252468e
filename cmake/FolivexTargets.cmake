# Shared compile settings for every target of the project.

# GCC 12 reports -Wrestrict inside std::string concatenation at -O3 (a known false
# positive, GCC bug 105651); it stays a warning so Release builds do not fail on it.
# Clang has no such warning and, under -Werror, refuses the unknown option, so it is
# given to GCC only.
set(FOLIVEX_WARNINGS -Wall -Wextra -Wpedantic)
if(FOLIVEX_WERROR)
    list(APPEND FOLIVEX_WARNINGS -Werror -Wno-error=deprecated-declarations
         $<$<CXX_COMPILER_ID:GNU>:-Wno-error=restrict>)
endif()

if(FOLIVEX_SANITIZE)
    set(FOLIVEX_SAN_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer
                          -fno-sanitize-recover=undefined)
    add_compile_options(${FOLIVEX_SAN_FLAGS})
    add_link_options(${FOLIVEX_SAN_FLAGS})
endif()

# A fuzz tree instruments every library for coverage, not just the fuzz entry points,
# so that libFuzzer is guided by the reader code it is meant to explore.
if(FOLIVEX_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

function(folivex_warnings target)
    target_compile_options(${target} PRIVATE ${FOLIVEX_WARNINGS})
endfunction()

# folivex_library(<name> [LIBS ...]): a static library built from the sources of the
# current folder (not its sub-folders), named folivex_<name>, with the project root on
# its include path. A folder with no sources yet gives an interface library, so that
# dependants link before the subsystem is written.
function(folivex_library name)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
         ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    list(FILTER sources INCLUDE REGEX "\\.cpp$|\\.h$")
    set(has_cpp FALSE)
    foreach(s ${sources})
        if(s MATCHES "\\.cpp$")
            set(has_cpp TRUE)
        endif()
    endforeach()
    if(has_cpp)
        add_library(folivex_${name} STATIC ${sources})
        target_include_directories(folivex_${name} PUBLIC ${PROJECT_SOURCE_DIR}
                                   ${PROJECT_SOURCE_DIR}/include)
        target_link_libraries(folivex_${name} PUBLIC ${ARG_LIBS})
        set_target_properties(folivex_${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
        folivex_warnings(folivex_${name})
    else()
        add_library(folivex_${name} INTERFACE)
        target_include_directories(folivex_${name} INTERFACE ${PROJECT_SOURCE_DIR}
                                   ${PROJECT_SOURCE_DIR}/include)
        target_link_libraries(folivex_${name} INTERFACE ${ARG_LIBS})
    endif()
endfunction()

# folivex_test(<name> LIBS ...): one GoogleTest executable from tests/<name>/*.cpp.
function(folivex_test name)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp
         ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.h)
    add_executable(test_${name} ${sources})
    target_link_libraries(test_${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
    target_include_directories(test_${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    target_compile_definitions(test_${name} PRIVATE
        FOLIVEX_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data"
        FOLIVEX_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        FOLIVEX_BIN_DIR="${FOLIVEX_BIN_DIR}"
        FOLIVEX_SAMPLE_DIR="${CMAKE_BINARY_DIR}/sample")
    set_target_properties(test_${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                          ${CMAKE_BINARY_DIR}/tests)
    folivex_warnings(test_${name})
    add_test(NAME ${name} COMMAND test_${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT
        "QT_QPA_PLATFORM=offscreen;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp;ASAN_OPTIONS=detect_leaks=1:halt_on_error=1;UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1"
        TIMEOUT 600)
endfunction()

# folivex_fuzz_links(<target> <name>): what a fuzz target or its corpus replay links
# beyond the program's libraries. All may use the plug-ins' shared helper; a target named
# spi_<plug-in> builds that plug-in's sources in, with the target's own instrumentation.
function(folivex_fuzz_links target name)
    target_link_libraries(${target} PRIVATE spi_common)
    if(name MATCHES "^spi_(.+)$")
        if(NOT TARGET ${CMAKE_MATCH_1}_reader)
            message(FATAL_ERROR "fuzz target ${name}: no plug-in ${CMAKE_MATCH_1}")
        endif()
        target_link_libraries(${target} PRIVATE ${CMAKE_MATCH_1}_reader)
    endif()
endfunction()
