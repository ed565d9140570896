# cmake -DROOT=<repository> -DRULES=<rules> -P LayeringCheck.cmake: fails,
# naming every offending line, when a file of a folder in the rules includes
# a header from a folder that the folder's targets do not reach. The rules
# (written by cmake/Layering.cmake) set `folders`, `check_tests` (whether the
# build has tests), and for each folder F the folders that F's programs and
# libraries reach (products_reach_F) and those its tests reach
# (tests_reach_F).
cmake_minimum_required(VERSION 3.25)
include(${RULES})

set(problems "")
foreach(folder IN LISTS folders)
    file(GLOB files ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp ${ROOT}/${folder}/*.rc)
    foreach(file IN LISTS files)
        get_filename_component(name ${file} NAME)
        if(name MATCHES "_test\\.")
            if(NOT check_tests)
                continue()
            endif()
            set(reach ${tests_reach_${folder}})
        else()
            set(reach ${products_reach_${folder}})
        endif()
        file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+/[^\"/]+\"")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^[^\"]*\"([^\"]+)/[^\"/]+\".*$" "\\1" included "${line}")
            if(NOT included IN_LIST reach)
                string(APPEND problems "  ${folder}/${name}: ${line}\n")
            endif()
        endforeach()
    endforeach()
endforeach()

if(problems)
    message(FATAL_ERROR "These includes reach folders that their folder's targets do not link; "
        "link the library that the header belongs to, or move the shared piece into a "
        "library below both:\n${problems}")
endif()
