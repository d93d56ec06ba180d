# Fails when a file of the Qt-free layers (model/, formats/, core/) includes a Qt header or a
# header of the layers above them (ui/, cli/, about/).
file(GLOB_RECURSE sources ${SOURCE_DIR}/model/*.h ${SOURCE_DIR}/model/*.cpp
     ${SOURCE_DIR}/formats/*.h ${SOURCE_DIR}/formats/*.cpp
     ${SOURCE_DIR}/core/*.h ${SOURCE_DIR}/core/*.cpp)
set(offenders "")
foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS includes)
        if(line MATCHES "[<\"](Q[A-Za-z]+|Qt[A-Za-z]*/[^>\"]*|ui/[^>\"]*|cli/[^>\"]*|about/[^>\"]*)[>\"]")
            list(APPEND offenders "${source}: ${line}")
        endif()
    endforeach()
endforeach()
if(offenders)
    list(JOIN offenders "\n" text)
    message(FATAL_ERROR "Qt-free layers include Qt or upper-layer headers:\n${text}")
endif()
list(LENGTH sources count)
message(STATUS "${count} files of the Qt-free layers include no Qt, ui, cli or about header")
