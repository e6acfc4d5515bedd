# Run by CPack after it has installed the stripped programs into its staging
# folder: removes the sections that dh_strip removes from every Debian
# package's programs as well (.comment, the compilers' version strings, and
# .note), so the package matches what Debian's own tools would build.
file(GLOB _programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*"
                    "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/libexec/fapkalk/*")
if(NOT _programs)
    message(FATAL_ERROR "no programs below ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin")
endif()
foreach(_program IN LISTS _programs)
    execute_process(COMMAND "${CPACK_FAPKALK_OBJCOPY}" --remove-section=.comment
                            --remove-section=.note "${_program}"
                    RESULT_VARIABLE _result)
    if(NOT _result EQUAL 0)
        message(FATAL_ERROR "objcopy failed on ${_program}")
    endif()
endforeach()
