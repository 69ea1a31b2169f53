# Writes the public keys (PEM) the updater trusts into a C++ source, so that
# the updater carries them inside its own code: the maker's current key and,
# while keys change, the one before it.
#   cmake -DIN=current.pem,previous.pem -DOUT=release_key.cpp -P EmbedKey.cmake
string(REPLACE "," ";" IN "${IN}")
set(entries "")
set(count 0)
foreach(file IN LISTS IN)
  file(READ "${file}" pem)
  if(NOT pem MATCHES "^-----BEGIN PUBLIC KEY-----")
    message(FATAL_ERROR "${file} holds no PEM public key")
  endif()
  string(STRIP "${pem}" pem)
  string(APPEND entries "    R\"PEM(${pem}\n)PEM\",\n")
  math(EXPR count "${count} + 1")
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "no release key to compile in")
endif()
string(REPLACE ";" ", " sources "${IN}")
file(WRITE "${OUT}.tmp" "// Made by the build from ${sources}.\n#include <cstddef>\nnamespace zephrin {\nextern const char* const kReleasePublicKeys[];\nextern const std::size_t kReleasePublicKeyCount;\nconst char* const kReleasePublicKeys[] = {\n${entries}};\nconst std::size_t kReleasePublicKeyCount = ${count};\n}  // namespace zephrin\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
