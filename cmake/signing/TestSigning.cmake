# A throwaway signing set for the tests, made fresh in every build folder and
# never the maker's: a root, a code-signing certificate under it and an
# offline time-stamping authority under the same root. The signer comes as a
# PKCS #12 file with a passphrase in a file of its own, so the tests sign the
# way a release does.
#   cmake -DOPENSSL=openssl -DDIR=<folder> -P TestSigning.cmake
# Writes root.pem (what verification trusts), signer.p12 and signer.pass,
# tsa.pem, tsa-chain.pem and tsa.key. Leaves an existing set alone, so signed files stay
# verifiable across rebuilds.
if(EXISTS "${DIR}/signer.p12" AND EXISTS "${DIR}/tsa.key")
  return()
endif()
file(MAKE_DIRECTORY "${DIR}")

function(run what)
  execute_process(COMMAND "${OPENSSL}" ${ARGN} RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(failed)
    message(FATAL_ERROR "openssl could not ${what}:\n${out}")
  endif()
endfunction()

# OpenSSL's default configuration would add extensions of its own; each
# certificate gets exactly these. Windows refuses a time stamp whose signer
# may do more than time-stamp, hence the critical timeStamping.
file(WRITE "${DIR}/extensions.cnf" "\
[root]
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[signer]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[tsa]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = critical, timeStamping
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
")

foreach(name root signer tsa)
  run("make the test key ${name}" genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "${DIR}/${name}.key")
endforeach()
run("make the test root" req -new -x509 -key "${DIR}/root.key" -subj "/O=Zephrin tests/CN=Zephrin Test Root"
    -days 3650 -sha256 -config "${DIR}/extensions.cnf" -extensions root -out "${DIR}/root.pem")
set(serial 1)
foreach(name signer tsa)
  if(name STREQUAL signer)
    set(subject "/O=Zephrin tests/CN=Zephrin Test Code Signing")
  else()
    set(subject "/O=Zephrin tests/CN=Zephrin Test Time Stamps")
  endif()
  run("make the request of ${name}" req -new -key "${DIR}/${name}.key" -subj "${subject}" -config "${DIR}/extensions.cnf"
      -out "${DIR}/${name}.csr")
  math(EXPR serial "${serial} + 1")
  run("certify ${name}" x509 -req -in "${DIR}/${name}.csr" -CA "${DIR}/root.pem" -CAkey "${DIR}/root.key"
      -set_serial ${serial} -days 3650 -sha256 -extfile "${DIR}/extensions.cnf" -extensions ${name}
      -out "${DIR}/${name}.pem")
endforeach()

# The passphrase only protects the file as the maker's does; it is no secret.
string(RANDOM LENGTH 24 passphrase)
file(WRITE "${DIR}/signer.pass" "${passphrase}")
file(CHMOD "${DIR}/signer.pass" PERMISSIONS OWNER_READ OWNER_WRITE)
run("pack the signer into PKCS #12" pkcs12 -export -inkey "${DIR}/signer.key" -in "${DIR}/signer.pem"
    -certfile "${DIR}/root.pem" -name "Zephrin Test Code Signing" -passout "file:${DIR}/signer.pass"
    -out "${DIR}/signer.p12")
# What the time-stamping authority sends with its answer: its own certificate and its root.
file(READ "${DIR}/tsa.pem" tsa)
file(READ "${DIR}/root.pem" root)
file(WRITE "${DIR}/tsa-chain.pem" "${tsa}${root}")
file(REMOVE "${DIR}/signer.key" "${DIR}/root.key" "${DIR}/signer.csr" "${DIR}/tsa.csr")
