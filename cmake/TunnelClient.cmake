# The real tunnel client for this build's architecture, which
# scripts/build-client builds from Debian's source packages (once a
# machine: it keeps each build by the source versions), gathered with the
# release torrc and the licence texts into VELQUIN_CLIENT_BUILD_DIR, the
# folder a release installs as services\Velquin-Server2. The namespace
# runner's private onion network runs the same program.
if(VELQUIN_TUNNEL_CLIENT_DIR)
    set(build_client_default OFF)
else()
    set(build_client_default ON)
endif()
option(VELQUIN_BUILD_TUNNEL_CLIENT "Build the real tunnel client from Debian's sources"
       ${build_client_default})
set(VELQUIN_CLIENT_BUILD_DIR ${CMAKE_BINARY_DIR}/tunnel-client)
if(VELQUIN_BUILD_TUNNEL_CLIENT)
    add_custom_target(tunnel_client ALL
        COMMAND ${CMAKE_SOURCE_DIR}/scripts/build-client ${CMAKE_SYSTEM_PROCESSOR}
                ${VELQUIN_CLIENT_BUILD_DIR}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/tunnelclient/torrc
                ${VELQUIN_CLIENT_BUILD_DIR}/torrc
        BYPRODUCTS ${VELQUIN_CLIENT_BUILD_DIR}/Velquin-Server2.exe ${VELQUIN_CLIENT_BUILD_DIR}/torrc
        USES_TERMINAL
        VERBATIM)
endif()
