# Compiler settings shared by every target of the project.
add_compile_options(-Wall -Wextra)
if(BRINDLE_WERROR)
    add_compile_options(-Werror)
endif()

if(BRINDLE_SANITIZE)
    # -O1 and line tables are what the sanitizers' reports need, and they
    # build much faster than the normal build's -O2 with full debug data.
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=undefined -O1 -g1)
    add_link_options(-fsanitize=address,undefined)
endif()

if(BRINDLE_TSAN)
    if(BRINDLE_SANITIZE)
        message(FATAL_ERROR "ThreadSanitizer and AddressSanitizer cannot share a build")
    endif()
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -O1 -g1)
    add_link_options(-fsanitize=thread)
endif()

# brindle_add_control(NAME target SOURCES ...): an embeddable control, a
# shared library of its own in bin/controls that links Qt and the control
# interface header, nothing of the main program.
function(brindle_add_control target)
    cmake_parse_arguments(ARG "" "OUTPUT_NAME" "SOURCES;LIBRARIES" ${ARGN})
    add_library(${target} MODULE ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE brindle_control_api Qt6::Widgets ${ARG_LIBRARIES})
    set_target_properties(${target} PROPERTIES
        LIBRARY_OUTPUT_DIRECTORY ${BRINDLE_CONTROLS_DIR}
        PREFIX "lib"
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON)
    if(ARG_OUTPUT_NAME)
        set_target_properties(${target} PROPERTIES OUTPUT_NAME ${ARG_OUTPUT_NAME})
    endif()
    # A control must stand alone: refuse undefined symbols at link time.
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
endfunction()
