# The build number B of this build, ZRT_BUILD: the Windows version is 1.9.B (app/windows/), and
# the trace's header names it (link/). Left empty it is the number of commits of the checkout (0
# outside git), so each release built from a later commit has a higher one; a release may set it.
set(ZRT_BUILD_NUMBER "" CACHE STRING
    "Build number B of the Windows version 1.9.B (0 to 65535); empty: the commit count")
set(_build "${ZRT_BUILD_NUMBER}")
if(_build STREQUAL "")
    find_package(Git QUIET)
    if(GIT_FOUND)
        execute_process(COMMAND ${GIT_EXECUTABLE} rev-list --count HEAD
            WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} OUTPUT_VARIABLE _build ERROR_QUIET
            OUTPUT_STRIP_TRAILING_WHITESPACE)
        execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --is-shallow-repository
            WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} OUTPUT_VARIABLE _shallow ERROR_QUIET)
        if(_shallow MATCHES "true")
            message(WARNING "A shallow clone counts fewer commits than the full history: "
                            "set ZRT_BUILD_NUMBER for a release")
        endif()
    endif()
    if(_build STREQUAL "")
        set(_build 0)  # no git checkout
    endif()
endif()
if(NOT _build MATCHES "^[0-9]+$" OR _build GREATER 65535)
    message(FATAL_ERROR "ZRT_BUILD_NUMBER '${_build}' is no whole number from 0 to 65535")
endif()
math(EXPR _build "${_build}")  # "007" is 7
set(ZRT_BUILD ${_build})
