# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) on the staged files, before they are packed: removes the
# compiler's .comment section, which `strip` keeps, from every ELF file, as Debian's own packages
# do. The package's md5sums are taken afterwards, from the files as packed.
if(NOT CPACK_T2N_STRIP OR NOT IS_DIRECTORY "${CPACK_TEMPORARY_DIRECTORY}")
    return()
endif()
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(path IN LISTS staged)
    if(IS_SYMLINK "${path}")
        continue()
    endif()
    file(READ "${path}" magic LIMIT 4 HEX)
    if(NOT magic STREQUAL "7f454c46")
        continue()
    endif()
    execute_process(COMMAND "${CPACK_T2N_STRIP}" --remove-section=.comment "${path}"
                    RESULT_VARIABLE status ERROR_VARIABLE error)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "strip --remove-section=.comment ${path}: ${error}")
    endif()
endforeach()
