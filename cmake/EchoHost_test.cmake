# cmake -P cmake/EchoHost_test.cmake: which echo hosts a release accepts.
include(${CMAKE_CURRENT_LIST_DIR}/EchoHost.cmake)

set(failures 0)
foreach(host ipecho.velquin.net whatismyip.corp.co.uk 198.51.100.7 Echo-1.Velquin.ORG)
    velquin_echo_host_problem("${host}" problem)
    if(problem)
        message(SEND_ERROR "${host} refused: ${problem}")
    endif()
endforeach()
foreach(host "" ipecho.velquin.example localhost ip.example.com ip.test ip.invalid box.local
             127.0.0.1 10.1.2.3 192.168.0.9 172.20.0.1 0.0.0.0 "bad host.net" nodots
             -lead.velquin.net http://ipecho.velquin.net)
    velquin_echo_host_problem("${host}" problem)
    if(NOT problem)
        message(SEND_ERROR "\"${host}\" accepted")
    endif()
endforeach()
