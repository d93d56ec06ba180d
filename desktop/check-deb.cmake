# Makes the .deb with CPack and checks it: the program, the desktop files and the machine-readable
# copyright are in it, and lintian (where installed) finds no error. Warnings and notes from
# lintian are shown but do not fail the check.
# Run with: cmake -D CPACK_COMMAND=... -D BUILD_DIR=... -D OUT_DIR=... [-D LINTIAN=...]
#                 -P check-deb.cmake

foreach(var CPACK_COMMAND BUILD_DIR OUT_DIR)
    if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
        message(FATAL_ERROR "check-deb.cmake: ${var} is not set")
    endif()
endforeach()

file(REMOVE_RECURSE "${OUT_DIR}")
execute_process(COMMAND "${CPACK_COMMAND}" -G DEB -B "${OUT_DIR}"
                WORKING_DIRECTORY "${BUILD_DIR}" RESULT_VARIABLE cpack_result
                OUTPUT_VARIABLE cpack_output ERROR_VARIABLE cpack_output)
file(GLOB debs "${OUT_DIR}/*.deb")
list(LENGTH debs deb_count)
if(NOT cpack_result EQUAL 0 OR NOT deb_count EQUAL 1)
    message(FATAL_ERROR "cpack made no single .deb (${cpack_result}):\n${cpack_output}")
endif()

execute_process(COMMAND dpkg-deb --contents "${debs}" OUTPUT_VARIABLE contents
                COMMAND_ERROR_IS_FATAL ANY)
foreach(path ./usr/bin/valvescope ./usr/share/doc/valvescope/copyright
             ./usr/share/doc/valvescope/changelog.gz
             ./usr/share/applications/io.github.kestrelon.valvescope.desktop)
    string(FIND "${contents}" " ${path}\n" found)
    if(found EQUAL -1)
        message(FATAL_ERROR "${path} is not in the .deb:\n${contents}")
    endif()
endforeach()

# The copyright file is in the machine-readable format, with a license for every file.
execute_process(COMMAND dpkg-deb --fsys-tarfile "${debs}" OUTPUT_FILE "${OUT_DIR}/data.tar"
                COMMAND_ERROR_IS_FATAL ANY)
file(ARCHIVE_EXTRACT INPUT "${OUT_DIR}/data.tar" DESTINATION "${OUT_DIR}/data"
     PATTERNS ./usr/share/doc/valvescope/copyright)
file(READ "${OUT_DIR}/data/usr/share/doc/valvescope/copyright" copyright)
if(NOT copyright MATCHES "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
   OR NOT copyright MATCHES "\nFiles: \\*\nCopyright: [^\n]+\nLicense: [^\n]+\n")
    message(FATAL_ERROR "the copyright file is not in the machine-readable format:\n${copyright}")
endif()

if(NOT LINTIAN)
    message(STATUS "lintian is not installed: the .deb was not checked by it")
    return()
endif()
execute_process(COMMAND "${LINTIAN}" "${debs}" OUTPUT_VARIABLE findings
                ERROR_VARIABLE lintian_errors RESULT_VARIABLE lintian_result)
message(STATUS "lintian:\n${findings}${lintian_errors}")
if(findings MATCHES "(^|\n)E: ")
    message(FATAL_ERROR "lintian found errors in the .deb")
endif()
if(NOT lintian_result EQUAL 0)
    message(FATAL_ERROR "lintian did not finish (${lintian_result})")
endif()
message(STATUS "the .deb is complete and lintian finds no error")
