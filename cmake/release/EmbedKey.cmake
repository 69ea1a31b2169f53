# Writes the maker's public key (PEM) into a C++ source, so that the updater
# carries it inside its own code.   cmake -DIN=key.pem -DOUT=release_key.cpp -P EmbedKey.cmake
file(READ "${IN}" pem)
if(NOT pem MATCHES "-----BEGIN PUBLIC KEY-----")
  message(FATAL_ERROR "${IN} holds no PEM public key")
endif()
string(STRIP "${pem}" pem)
file(WRITE "${OUT}.tmp" "// Made by the build from ${IN}.\nnamespace zephrin {\nextern const char kReleasePublicKeyPem[];\nconst char kReleasePublicKeyPem[] = R\"PEM(${pem}\n)PEM\";\n}  // namespace zephrin\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
