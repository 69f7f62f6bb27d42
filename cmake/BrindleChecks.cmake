# Build-time checks of the layering and the fuzz targets' build rule.

# brindle_forbid_links(target forbidden...): stops the configuration when
# target depends, directly or through any library it links, on one of the
# forbidden targets. Checked once every target is defined.
function(brindle_forbid_links target)
    cmake_language(EVAL CODE "
        cmake_language(DEFER DIRECTORY \"${CMAKE_SOURCE_DIR}\"
            CALL _brindle_check_forbidden_links \"${target}\" \"${ARGN}\")")
endfunction()

function(_brindle_link_closure item out)
    set(seen ${${out}})
    if(item IN_LIST seen OR NOT TARGET ${item})
        return()
    endif()
    list(APPEND seen ${item})
    get_target_property(type ${item} TYPE)
    set(links "")
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
        get_target_property(direct ${item} LINK_LIBRARIES)
        if(direct)
            list(APPEND links ${direct})
        endif()
    endif()
    get_target_property(iface ${item} INTERFACE_LINK_LIBRARIES)
    if(iface)
        list(APPEND links ${iface})
    endif()
    foreach(link IN LISTS links)
        string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
        _brindle_link_closure("${link}" seen)
    endforeach()
    set(${out} ${seen} PARENT_SCOPE)
endfunction()

function(_brindle_check_forbidden_links target forbidden)
    set(closure "")
    _brindle_link_closure(${target} closure)
    foreach(f IN LISTS forbidden)
        if(f IN_LIST closure)
            message(FATAL_ERROR "${target} must not depend on ${f}, but its links bring it in")
        endif()
    endforeach()
endfunction()

# brindle_check_self_contained(target): links every object of the static
# library target into a shared library that may leave no symbol undefined,
# with only target's own dependencies. A source that calls into a library
# target does not link therefore fails the build.
function(brindle_check_self_contained target)
    set(empty ${CMAKE_CURRENT_BINARY_DIR}/${target}_link_check.cpp)
    if(NOT EXISTS ${empty})
        file(WRITE ${empty} "// Intentionally empty: the library is made of ${target}'s objects.\n")
    endif()
    add_library(${target}_link_check SHARED ${empty})
    target_link_libraries(${target}_link_check PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${target}>")
    target_link_options(${target}_link_check PRIVATE -Wl,--no-undefined)
endfunction()

# brindle_add_fuzzer(NAME name SOURCE fuzzer.cpp READERS sources... CORPUS dir [NO_QT]):
# a libFuzzer target built with clang++ (whatever compiler builds the rest)
# from the fuzzer and the readers it drives, over Qt Core only (NO_QT: over
# nothing but the C++ library, with leak detection on), and a test that runs
# it for a few seconds on a working copy of the seed corpus.
# Built in the sanitizer configuration or when BRINDLE_FUZZ is on.
option(BRINDLE_FUZZ "Build and run the fuzz targets (needs clang++ and its fuzzer runtime)"
    ${BRINDLE_SANITIZE})
function(brindle_add_fuzzer)
    cmake_parse_arguments(ARG "NO_QT" "NAME;SOURCE;CORPUS" "READERS" ${ARGN})
    if(NOT BRINDLE_FUZZ OR NOT BRINDLE_BUILD_TESTS)
        return()
    endif()
    find_program(BRINDLE_CLANGXX NAMES clang++ clang++-14)
    if(NOT BRINDLE_CLANGXX)
        message(WARNING "clang++ not found: the ${ARG_NAME} fuzz target is not built")
        return()
    endif()
    set(readers ${ARG_READERS})
    list(TRANSFORM readers PREPEND ${CMAKE_SOURCE_DIR}/)
    if(ARG_NO_QT)
        set(qt_includes "")
        set(qt_defines "")
        set(qt_library "")
        set(leaks "")
    else()
        set(qt_includes "$<TARGET_PROPERTY:Qt6::Core,INTERFACE_INCLUDE_DIRECTORIES>")
        set(qt_defines "$<TARGET_PROPERTY:Qt6::Core,INTERFACE_COMPILE_DEFINITIONS>")
        set(qt_library "$<TARGET_LINKER_FILE:Qt6::Core>")
        # Qt's own start-up allocations are not the reader's.
        set(leaks ASAN_OPTIONS=detect_leaks=0)
    endif()
    # The generated headers (string ids) are under the build's generated/
    # folder, which resources/ names only in its own scope.
    set(out ${CMAKE_CURRENT_BINARY_DIR}/fuzz-${ARG_NAME})
    add_custom_command(OUTPUT ${out}
        COMMAND ${BRINDLE_CLANGXX} -std=c++20 -g -O1 -fPIC
            -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
            -I${CMAKE_SOURCE_DIR} -I${CMAKE_BINARY_DIR}/generated
            "$<$<BOOL:${qt_includes}>:-I$<JOIN:${qt_includes},;-I>>"
            "$<$<BOOL:${qt_defines}>:-D$<JOIN:${qt_defines},;-D>>"
            ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_SOURCE} ${readers}
            ${qt_library} -o ${out}
        DEPENDS ${ARG_SOURCE} ${readers}
        COMMAND_EXPAND_LISTS
        COMMENT "Building the ${ARG_NAME} fuzz target with clang++")
    add_custom_target(${ARG_NAME}_fuzzer ALL DEPENDS ${out})
    # The fuzzer adds what it finds to a working copy of the seed corpus.
    set(corpus ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_CORPUS})
    add_test(NAME fuzz.${ARG_NAME}
        COMMAND ${CMAKE_COMMAND} -E env ${leaks}
            sh -c "rm -rf '${ARG_NAME}-corpus' && cp -r '${corpus}' '${ARG_NAME}-corpus' && exec '${out}' -max_total_time=4 -seed=1 -rss_limit_mb=1024 -timeout=10 '${ARG_NAME}-corpus'"
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
