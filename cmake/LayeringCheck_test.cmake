# cmake -DWORK=<scratch folder> -P cmake/LayeringCheck_test.cmake: the
# layering check passes a tree that keeps to its layers, and fails naming
# each include that reaches past them.
set(check ${CMAKE_CURRENT_LIST_DIR}/LayeringCheck.cmake)
file(REMOVE_RECURSE ${WORK})
file(WRITE ${WORK}/rules.cmake [[
set(folders "low;high")
set(check_tests ON)
set(products_reach_low "low")
set(tests_reach_low "low;support")
set(products_reach_high "high;low")
set(tests_reach_high "high;low;support")
]])
file(WRITE ${WORK}/low/Low.h "#pragma once\n#include <windows.h>\n")
file(WRITE ${WORK}/low/Low.cpp "#include \"low/Low.h\"\n#include \"Local.h\"\n")
file(WRITE ${WORK}/low/Low_test.cpp "#include \"low/Low.h\"\n#include \"support/Wait.h\"\n")
file(WRITE ${WORK}/high/High.cpp "#include \"high/High.h\"\n#include \"low/Low.h\"\n")

function(run_check expect_failure)
    execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${WORK} -DRULES=${WORK}/rules.cmake -P ${check}
                    RESULT_VARIABLE result ERROR_VARIABLE output)
    if(expect_failure AND result EQUAL 0)
        message(SEND_ERROR "a wrong include passed")
    elseif(NOT expect_failure AND NOT result EQUAL 0)
        message(SEND_ERROR "a sound tree failed:\n${output}")
    endif()
    set(output "${output}" PARENT_SCOPE)
endfunction()

run_check(FALSE)

# A product file may not use what only its folder's tests link, and a lower
# layer may not include a higher one, however the directive is spaced.
file(APPEND ${WORK}/low/Low.cpp "  #  include \"support/Wait.h\"\n")
file(APPEND ${WORK}/low/Low.h "#include \"high/High.h\" // for the upcall\n")
run_check(TRUE)
foreach(expected "low/Low.cpp:   #  include \"support/Wait.h\"" "low/Low.h: #include \"high/High.h\"")
    string(FIND "${output}" "${expected}" at)
    if(at EQUAL -1)
        message(SEND_ERROR "the failure does not name ${expected}:\n${output}")
    endif()
endforeach()
string(FIND "${output}" "High.cpp" at)
if(NOT at EQUAL -1)
    message(SEND_ERROR "a sound include was named:\n${output}")
endif()
