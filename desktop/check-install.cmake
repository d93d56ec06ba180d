# Installs the build tree into a scratch prefix and checks that the program, the menu entry,
# the metainfo and the icon land where desktops look for them, and that they agree.
# Run with: cmake -D CMAKE_COMMAND=... -D BUILD_DIR=... -D PREFIX=... -D BINDIR=... -D DATADIR=...
#                 -D APP_ID=... [-D APPSTREAMCLI=...] -P check-install.cmake

foreach(var CMAKE_COMMAND BUILD_DIR PREFIX BINDIR DATADIR APP_ID)
    if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
        message(FATAL_ERROR "check-install.cmake: ${var} is not set")
    endif()
endforeach()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE install_result)
if(NOT install_result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${install_result}); is valvescope built?")
endif()

set(expected
    "${BINDIR}/valvescope"
    "${DATADIR}/applications/${APP_ID}.desktop"
    "${DATADIR}/metainfo/${APP_ID}.metainfo.xml"
    "${DATADIR}/icons/hicolor/scalable/apps/${APP_ID}.svg"
    "${DATADIR}/doc/valvescope/copyright"
)
set(missing "")
foreach(rel IN LISTS expected)
    if(NOT EXISTS "${PREFIX}/${rel}" OR IS_DIRECTORY "${PREFIX}/${rel}")
        list(APPEND missing "${rel}")
    else()
        message(STATUS "installed: ${rel}")
    endif()
endforeach()
if(missing)
    list(JOIN missing "\n  " missing_text)
    message(FATAL_ERROR "missing from the install tree under ${PREFIX}:\n  ${missing_text}")
endif()

# The menu entry must start the installed program and name the installed icon.
file(STRINGS "${PREFIX}/${DATADIR}/applications/${APP_ID}.desktop" exec_line REGEX "^Exec=")
file(STRINGS "${PREFIX}/${DATADIR}/applications/${APP_ID}.desktop" icon_line REGEX "^Icon=")
if(NOT exec_line STREQUAL "Exec=valvescope")
    message(FATAL_ERROR "unexpected Exec line in the installed .desktop: '${exec_line}'")
endif()
if(NOT icon_line STREQUAL "Icon=${APP_ID}")
    message(FATAL_ERROR "the .desktop Icon line '${icon_line}' does not name the installed icon ${APP_ID}")
endif()

# The installed icon must be an SVG document.
file(READ "${PREFIX}/${DATADIR}/icons/hicolor/scalable/apps/${APP_ID}.svg" icon_text LIMIT 4096)
if(NOT icon_text MATCHES "<svg")
    message(FATAL_ERROR "the installed icon is not an SVG document")
endif()

# Let appstreamcli cross-check the metainfo against the installed .desktop and icon.
if(APPSTREAMCLI)
    execute_process(COMMAND "${APPSTREAMCLI}" validate-tree --no-net "${PREFIX}"
                    RESULT_VARIABLE tree_result)
    if(NOT tree_result EQUAL 0)
        message(FATAL_ERROR "appstreamcli validate-tree failed on ${PREFIX} (${tree_result})")
    endif()
endif()

message(STATUS "install tree under ${PREFIX} is complete")
