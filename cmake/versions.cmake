# Reads VERSION into version.h in the build tree: for each deliverable
# NAME_VERSION_TEXT ("1.8") and NAME_VERSION_NUMBERS (1,8,0,0, for a
# version resource), and RELEASE_VERSION_TEXT.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/VERSION)
file(STRINGS ${CMAKE_SOURCE_DIR}/VERSION version_lines REGEX "^[a-z]")
set(version_defines "")
foreach(line IN LISTS version_lines)
    if(NOT line MATCHES "^([a-z0-9]+)[ \t]+(.+)$")
        message(FATAL_ERROR "VERSION: cannot read \"${line}\"")
    endif()
    string(TOUPPER "${CMAKE_MATCH_1}" name)
    set(text "${CMAKE_MATCH_2}")
    string(REGEX MATCHALL "[0-9]+" numbers "${text}")
    list(LENGTH numbers count)
    if(count LESS 1 OR count GREATER 4)
        message(FATAL_ERROR "VERSION: ${CMAKE_MATCH_1} needs one to four numbers, not \"${text}\"")
    endif()
    # "2.00.4" gives 2,0,4,0: leading zeros dropped, missing numbers 0.
    set(resource_numbers "")
    foreach(i RANGE 3)
        set(n 0)
        if(i LESS count)
            list(GET numbers ${i} n)
            math(EXPR n "${n}")
        endif()
        list(APPEND resource_numbers ${n})
    endforeach()
    list(JOIN resource_numbers "," resource_numbers)
    string(APPEND version_defines "#define ${name}_VERSION_TEXT \"${text}\"\n"
        "#define ${name}_VERSION_NUMBERS ${resource_numbers}\n")
endforeach()
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/version.h
    CONTENT "// Made from VERSION by cmake/versions.cmake.\n#pragma once\n${version_defines}")
include_directories(${CMAKE_BINARY_DIR})
