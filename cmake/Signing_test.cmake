# cmake -DOSSLSIGNCODE=... -DOPENSSL=... -DPROGRAM=... -DWORK=... -P cmake/Signing_test.cmake
# The release's signing step on a built program, with certificates made
# here: the program comes out signed and checked; one checked against
# another certificate is refused and stays unsigned.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
foreach(name signer stranger)
    execute_process(COMMAND "${OPENSSL}" req -x509 -newkey rsa:2048 -nodes -days 2
                            -subj "/CN=Velquin ${name}" -addext extendedKeyUsage=codeSigning
                            -keyout "${WORK}/${name}-key.pem" -out "${WORK}/${name}.pem"
                    RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
    if(status)
        message(FATAL_ERROR "openssl could not make the ${name}'s certificate")
    endif()
endforeach()

# sign(FILE CA OUT): the signing step's exit status.
function(sign file ca out)
    execute_process(COMMAND ${CMAKE_COMMAND} -DOSSLSIGNCODE=${OSSLSIGNCODE}
                            -DCERT=${WORK}/signer.pem -DKEY=${WORK}/signer-key.pem -DCA=${ca}
                            -DFILE=${file} -P ${CMAKE_CURRENT_LIST_DIR}/SignFile.cmake
                    RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
    set(${out} ${status} PARENT_SCOPE)
endfunction()
function(verifies file ca out)
    execute_process(COMMAND "${OSSLSIGNCODE}" verify -CAfile "${ca}" -in "${file}"
                    RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
    if(status)
        set(${out} FALSE PARENT_SCOPE)
    else()
        set(${out} TRUE PARENT_SCOPE)
    endif()
endfunction()

file(COPY_FILE "${PROGRAM}" "${WORK}/signed.exe")
sign("${WORK}/signed.exe" "${WORK}/signer.pem" status)
verifies("${WORK}/signed.exe" "${WORK}/signer.pem" good)
if(status OR NOT good)
    message(SEND_ERROR "the program was not signed and checked (status ${status})")
endif()
verifies("${PROGRAM}" "${WORK}/signer.pem" unsigned)
if(unsigned)
    message(SEND_ERROR "an unsigned program passed the check")
endif()

file(COPY_FILE "${PROGRAM}" "${WORK}/refused.exe")
sign("${WORK}/refused.exe" "${WORK}/stranger.pem" status)
verifies("${WORK}/refused.exe" "${WORK}/signer.pem" signedAnyway)
if(NOT status OR signedAnyway)
    message(SEND_ERROR "a signature that does not check against the given certificates was kept")
endif()
