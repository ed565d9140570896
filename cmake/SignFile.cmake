# cmake -DOSSLSIGNCODE=... -DCERT=... -DKEY=... -DCA=... -DFILE=... -P cmake/SignFile.cmake
# Signs the Windows program FILE in place with the certificate CERT and its
# key KEY (PEM files), then checks the signature against the certificates
# in CA; fails, leaving FILE unsigned, when either step fails.
foreach(input OSSLSIGNCODE CERT KEY CA FILE)
    if(NOT DEFINED ${input} OR "${${input}}" STREQUAL "")
        message(FATAL_ERROR "SignFile: ${input} is not given")
    endif()
endforeach()
set(signed "${FILE}.signed")
file(REMOVE "${signed}")
execute_process(COMMAND "${OSSLSIGNCODE}" sign -certs "${CERT}" -key "${KEY}" -n Velquin
                        -h sha256 -in "${FILE}" -out "${signed}"
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(status)
    file(REMOVE "${signed}")
    message(FATAL_ERROR "SignFile: ${FILE} could not be signed: ${output}")
endif()
execute_process(COMMAND "${OSSLSIGNCODE}" verify -CAfile "${CA}" -in "${signed}"
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(status)
    file(REMOVE "${signed}")
    message(FATAL_ERROR "SignFile: the signature of ${FILE} does not verify: ${output}")
endif()
file(RENAME "${signed}" "${FILE}")
