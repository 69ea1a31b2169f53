# Authenticode signatures on every file that is shipped: the two programs
# right after their link, so that what CPack packs is signed, and the
# uninstaller and the setup program as makensis writes them (see
# NSIS.template.in). One of two signers, or none:
#   ZEPHRIN_TEST_SIGNING   a throwaway root, signer and offline time-stamping
#                          authority made in <build>/test-signing
#   ZEPHRIN_MAKER_SIGNING  the maker's certificate and time-stamping service,
#                          named by the environment when the build runs
#                          (cmake/signing/sign-file.sh says which variables)
# Nothing secret is kept in the cache or written into a build file.
find_program(ZEPHRIN_BASH_FOR_SIGNING bash)
set(ZEPHRIN_SIGN_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/sign-file.sh)
set(ZEPHRIN_TEST_SIGNING_DIR ${CMAKE_BINARY_DIR}/test-signing)
if(ZEPHRIN_TEST_SIGNING AND ZEPHRIN_MAKER_SIGNING)
  message(FATAL_ERROR "ZEPHRIN_TEST_SIGNING and ZEPHRIN_MAKER_SIGNING exclude each other: choose one signer")
endif()
set(ZEPHRIN_SIGN_ARGS)
if(ZEPHRIN_TEST_SIGNING OR ZEPHRIN_MAKER_SIGNING)
  find_program(ZEPHRIN_OSSLSIGNCODE osslsigncode)
  if(NOT ZEPHRIN_OSSLSIGNCODE OR NOT ZEPHRIN_BASH_FOR_SIGNING)
    message(FATAL_ERROR "signing needs bash and osslsigncode (scripts/setup installs them)")
  endif()
  if(ZEPHRIN_TEST_SIGNING)
    find_program(ZEPHRIN_OPENSSL openssl REQUIRED)
    set(ZEPHRIN_SIGN_ARGS --test ${ZEPHRIN_TEST_SIGNING_DIR})
    add_custom_command(
      OUTPUT ${ZEPHRIN_TEST_SIGNING_DIR}/root.pem ${ZEPHRIN_TEST_SIGNING_DIR}/signer.p12
             ${ZEPHRIN_TEST_SIGNING_DIR}/tsa-chain.pem ${ZEPHRIN_TEST_SIGNING_DIR}/tsa.key
      COMMAND ${CMAKE_COMMAND} -DOPENSSL=${ZEPHRIN_OPENSSL} -DDIR=${ZEPHRIN_TEST_SIGNING_DIR}
              -P ${CMAKE_CURRENT_LIST_DIR}/TestSigning.cmake
      DEPENDS ${CMAKE_CURRENT_LIST_DIR}/TestSigning.cmake
      COMMENT "Making the test signing certificates")
    add_custom_target(zephrin_test_signing DEPENDS ${ZEPHRIN_TEST_SIGNING_DIR}/signer.p12)
  endif()
endif()

# Signs a program target's file after every link. The description is the
# program name the signature carries, which the UAC prompt shows.
function(zephrin_sign_after_link target description)
  if(NOT ZEPHRIN_TEST_SIGNING AND NOT ZEPHRIN_MAKER_SIGNING)
    return()
  endif()
  if(ZEPHRIN_TEST_SIGNING)
    add_dependencies(${target} zephrin_test_signing)
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${ZEPHRIN_BASH_FOR_SIGNING} ${ZEPHRIN_SIGN_SCRIPT} ${ZEPHRIN_SIGN_ARGS} $<TARGET_FILE:${target}>
            ${description}
    COMMENT "Signing ${target}"
    VERBATIM)
endfunction()

# The same signer for makensis, as the command its !finalize and
# !uninstfinalize lines run; %1 is the file it has just written.
function(zephrin_nsis_sign_command out description)
  set(command "")
  if(ZEPHRIN_TEST_SIGNING OR ZEPHRIN_MAKER_SIGNING)
    set(command "\"${ZEPHRIN_BASH_FOR_SIGNING}\" \"${ZEPHRIN_SIGN_SCRIPT}\"")
    if(ZEPHRIN_TEST_SIGNING)
      string(APPEND command " --test \"${ZEPHRIN_TEST_SIGNING_DIR}\"")
    endif()
    foreach(extra IN LISTS ARGN)
      string(APPEND command " ${extra}")
    endforeach()
    string(APPEND command " \"%1\" \"${description}\"")
  endif()
  set(${out} "${command}" PARENT_SCOPE)
endfunction()
