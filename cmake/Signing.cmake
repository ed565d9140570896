# Signing a release. With VELQUIN_SIGNING_CERT and VELQUIN_SIGNING_KEY (PEM
# files; Debian's osslsigncode) every program is signed as it is linked and
# the installer and its uninstaller as NSIS writes them, each signature
# checked against VELQUIN_SIGNING_CA (the certificate itself unless given:
# for a certificate from an authority, its chain). Without them the build
# is unsigned.
set(VELQUIN_SIGNING_CERT "" CACHE FILEPATH "Code-signing certificate (PEM); empty: no signing")
set(VELQUIN_SIGNING_KEY "" CACHE FILEPATH "The certificate's private key (PEM)")
set(VELQUIN_SIGNING_CA "" CACHE FILEPATH "Certificates the signatures are checked against")

set(VELQUIN_SIGN_COMMAND "")
if(VELQUIN_SIGNING_CERT OR VELQUIN_SIGNING_KEY)
    if(NOT EXISTS "${VELQUIN_SIGNING_CERT}" OR NOT EXISTS "${VELQUIN_SIGNING_KEY}")
        message(FATAL_ERROR "Signing needs both VELQUIN_SIGNING_CERT and VELQUIN_SIGNING_KEY")
    endif()
    find_program(OSSLSIGNCODE osslsigncode REQUIRED)
    set(ca "${VELQUIN_SIGNING_CA}")
    if(NOT ca)
        set(ca "${VELQUIN_SIGNING_CERT}")
    endif()
    # The command that signs one file, given as -DFILE=... before its end.
    set(VELQUIN_SIGN_COMMAND ${CMAKE_COMMAND} -DOSSLSIGNCODE=${OSSLSIGNCODE}
        -DCERT=${VELQUIN_SIGNING_CERT} -DKEY=${VELQUIN_SIGNING_KEY} -DCA=${ca})
    set(VELQUIN_SIGN_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/SignFile.cmake)
endif()

# velquin_sign(TARGET): signs the target's program after each link, when
# the build signs. Called where the target is made.
function(velquin_sign target)
    if(VELQUIN_SIGN_COMMAND)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${VELQUIN_SIGN_COMMAND} -DFILE=$<TARGET_FILE:${target}>
                    -P ${VELQUIN_SIGN_SCRIPT}
            VERBATIM)
    endif()
endfunction()
