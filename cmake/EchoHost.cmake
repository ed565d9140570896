# The rule for the IP-echo server's host of a release: a name or address
# that the world can reach. The default name, and every name reserved for
# examples, tests and local use, would leave a release showing "Unable to
# detect" forever, with a link that goes nowhere.

# velquin_echo_host_problem(HOST OUT): sets OUT to why HOST cannot serve a
# release, or to "" when it can.
function(velquin_echo_host_problem host out)
    string(TOLOWER "${host}" name)
    set(label "[a-z0-9]([a-z0-9-]*[a-z0-9])?")
    set(problem "")
    if(name STREQUAL "")
        set(problem "it is empty")
    elseif(name MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+$")
        if(name MATCHES "^(0|10|127)\\.|^169\\.254\\.|^192\\.168\\.|^172\\.(1[6-9]|2[0-9]|3[01])\\.")
            set(problem "it is a loopback, private or unspecified address")
        endif()
    elseif(NOT name MATCHES "^(${label}\\.)+${label}$")
        set(problem "it is not a host name")
    elseif(name MATCHES "\\.(example|invalid|test|localhost|local)$"
           OR name MATCHES "(^|\\.)example\\.(com|net|org)$")
        set(problem "its name is reserved and never resolves on the Internet")
    endif()
    set(${out} "${problem}" PARENT_SCOPE)
endfunction()

# Stops the configure of a release whose echo host cannot serve it.
function(velquin_require_release_echo_host host)
    velquin_echo_host_problem("${host}" problem)
    if(problem)
        message(FATAL_ERROR
            "A release build (VELQUIN_TUNNEL_CLIENT_DIR is given) needs the host of a real "
            "IP-echo server in VELQUIN_ECHO_HOST, but \"${host}\" cannot be one: ${problem}. "
            "Configure with -DVELQUIN_ECHO_HOST=<your echo server's host>; "
            "deploy/nginx/velquin-echo.conf is the server block to run it with nginx.")
    endif()
endfunction()
