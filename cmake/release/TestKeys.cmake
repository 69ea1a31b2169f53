# Key pairs for the tests, made fresh in every build folder and never the
# maker's: "release" signs the test releases, "next" stands for the key the
# maker changes to (trusted too), "other" for anyone else.
#   cmake -DOPENSSL=openssl -DDIR=<folder> -P TestKeys.cmake
foreach(name release next other)
  if(NOT EXISTS "${DIR}/${name}.pem")
    execute_process(COMMAND "${OPENSSL}" genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "${DIR}/${name}.pem"
                    RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
    if(failed)
      message(FATAL_ERROR "openssl could not make the test key ${name}")
    endif()
  endif()
  execute_process(COMMAND "${OPENSSL}" pkey -in "${DIR}/${name}.pem" -pubout -out "${DIR}/${name}.pub.pem"
                  RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
  if(failed)
    message(FATAL_ERROR "openssl could not write the public half of ${name}")
  endif()
endforeach()
