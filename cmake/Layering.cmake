# Dependencies go down: a file may include headers only from its own folder
# and from the folders of the libraries that its folder's programs and
# libraries link, directly or through others; a test (*_test.*) may also use
# what its folder's tests link. Includes are written from the repository
# root ("keeper/KeeperDialog.h"), so the compiler would find any header of
# the tree: this check is what keeps a folder from reaching one it does not
# link. It runs on every build (the layering target), from the rules that
# the configure writes.

# velquin_folder(PATH OUT): PATH relative to the repository root, or empty
# when it lies outside (GoogleTest's sources).
function(velquin_folder path out)
    set(relative "")
    cmake_path(IS_PREFIX CMAKE_SOURCE_DIR "${path}" NORMALIZE inside)
    if(inside)
        cmake_path(RELATIVE_PATH path BASE_DIRECTORY ${CMAKE_SOURCE_DIR} OUTPUT_VARIABLE relative)
    endif()
    set(${out} ${relative} PARENT_SCOPE)
endfunction()

# velquin_own_targets(DIR OUT): the targets defined in DIR and the folders
# below it that belong to this repository.
function(velquin_own_targets dir out)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(sub IN LISTS subdirs)
        velquin_folder(${sub} folder)
        if(folder)
            velquin_own_targets(${sub} below)
            list(APPEND targets ${below})
        endif()
    endforeach()
    set(${out} ${targets} PARENT_SCOPE)
endfunction()

# velquin_linked(TARGET OUT): every target that TARGET links, directly or
# through others.
function(velquin_linked target out)
    set(seen)
    set(queue ${target})
    while(queue)
        list(POP_FRONT queue current)
        get_target_property(type ${current} TYPE)
        set(libraries)
        if(NOT type STREQUAL "INTERFACE_LIBRARY")
            get_target_property(direct ${current} LINK_LIBRARIES)
            if(direct)
                list(APPEND libraries ${direct})
            endif()
        endif()
        get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
        if(interface)
            list(APPEND libraries ${interface})
        endif()
        foreach(library IN LISTS libraries)
            if(library MATCHES "^\\$<LINK_ONLY:(.+)>$")
                set(library ${CMAKE_MATCH_1})
            endif()
            if(TARGET ${library} AND NOT library IN_LIST seen)
                list(APPEND seen ${library})
                list(APPEND queue ${library})
            endif()
        endforeach()
    endwhile()
    set(${out} ${seen} PARENT_SCOPE)
endfunction()


# velquin_check_layering(): writes the rules of every folder with targets and
# adds the layering target, which checks the folders' files against them.
function(velquin_check_layering)
    velquin_own_targets(${CMAKE_SOURCE_DIR} targets)
    set(folders)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "UTILITY")
            continue()
        endif()
        get_target_property(source_dir ${target} SOURCE_DIR)
        velquin_folder(${source_dir} folder)
        list(APPEND folders ${folder})
        # A program or library reaches the folders of what it links and of
        # its own sources (the controller's resources, say).
        set(reached)
        velquin_linked(${target} linked)
        foreach(library IN LISTS linked)
            get_target_property(library_dir ${library} SOURCE_DIR)
            velquin_folder(${library_dir} library_folder)
            list(APPEND reached ${library_folder})
        endforeach()
        get_target_property(sources ${target} SOURCES)
        foreach(source IN LISTS sources)
            cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${source_dir} NORMALIZE)
            cmake_path(GET source PARENT_PATH source_folder)
            velquin_folder(${source_folder} source_folder)
            list(APPEND reached ${source_folder})
        endforeach()
        list(APPEND "tests_reach_${folder}" ${reached})
        if(NOT target MATCHES "_test$")
            list(APPEND "products_reach_${folder}" ${reached})
        endif()
    endforeach()
    list(REMOVE_DUPLICATES folders)

    set(rules "# Written by the configure (cmake/Layering.cmake).\n")
    string(APPEND rules "set(folders \"${folders}\")\n")
    # A build without the tests checks no test file: it builds none.
    string(APPEND rules "set(check_tests ${VELQUIN_TESTS})\n")
    set(files)
    foreach(folder IN LISTS folders)
        foreach(kind products tests)
            set(reach ${folder} ${${kind}_reach_${folder}})
            list(REMOVE_DUPLICATES reach)
            string(APPEND rules "set(\"${kind}_reach_${folder}\" \"${reach}\")\n")
        endforeach()
        file(GLOB folder_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.h
             ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.rc)
        list(APPEND files ${folder_files})
    endforeach()
    set(rules_file ${CMAKE_BINARY_DIR}/layering-rules.cmake)
    file(WRITE ${rules_file} "${rules}")

    set(stamp ${CMAKE_BINARY_DIR}/layering.stamp)
    set(check ${CMAKE_SOURCE_DIR}/cmake/LayeringCheck.cmake)
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_SOURCE_DIR} -DRULES=${rules_file} -P ${check}
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${files} ${rules_file} ${check}
        COMMENT "Checking that every folder includes only what it links"
        VERBATIM)
    add_custom_target(layering ALL DEPENDS ${stamp})
endfunction()
