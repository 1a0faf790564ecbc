# Import libraries that bind a DLL at its first call rather than when the program is
# loaded. The loader resolves ordinary imports before any of the program's code runs,
# searching the program's own directory first for a DLL that is not a KnownDLL; a
# delay-loaded one is loaded later, after the program has restricted the search to the
# system directory (framework/SystemDlls.h).
#
#   add_delay_import_library(TARGET DLL-BASE-NAME)
# makes TARGET an interface library to link instead of the DLL's ordinary import
# library. Its exports are taken from that import library.
find_program(MINGW_DLLTOOL NAMES ${TOOLCHAIN_PREFIX}-dlltool REQUIRED)

function(add_delay_import_library target dll)
    execute_process(COMMAND ${CMAKE_C_COMPILER} -print-file-name=lib${dll}.a
                    OUTPUT_VARIABLE import_library OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND ${CMAKE_NM} --defined-only -g ${import_library}
                    OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "__imp_[A-Za-z0-9_@?$]+" imports "${symbols}")
    list(REMOVE_DUPLICATES imports)
    list(TRANSFORM imports REPLACE "^__imp_" "    ")
    list(JOIN imports "\n" exports)
    if(exports STREQUAL "")
        message(FATAL_ERROR "No exports found in ${import_library}")
    endif()

    set(directory ${CMAKE_BINARY_DIR}/delayimp)
    set(definitions ${directory}/${dll}.def)
    set(library ${directory}/lib${dll}_delay.a)
    file(MAKE_DIRECTORY ${directory})
    file(WRITE ${definitions} "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
    execute_process(COMMAND ${MINGW_DLLTOOL} --input-def ${definitions} --dllname ${dll}.dll --output-delaylib ${library}
                    COMMAND_ERROR_IS_FATAL ANY)

    add_library(${target} INTERFACE)
    target_link_libraries(${target} INTERFACE ${library} delayimp)
endfunction()
