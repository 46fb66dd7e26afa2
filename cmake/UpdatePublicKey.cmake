# The public key LumoUpdate.exe checks a new Lumo.exe's signature with, from
# one PEM file (LUMO_UPDATE_PUBLIC_KEY), turned into a header at configure
# time: the raw X||Y of an ECDSA P-256 key, as CNG's BCRYPT_ECCPUBLIC_BLOB
# takes it after its header. The default is the test key beside the tests.
set(LUMO_UPDATE_PUBLIC_KEY "${PROJECT_SOURCE_DIR}/tests/updater/keys/test-release-public.pem"
    CACHE FILEPATH "PEM public key (ECDSA P-256) that updates must be signed for")

function(lumo_update_public_key_header out_dir)
  set(pem "${LUMO_UPDATE_PUBLIC_KEY}")
  if(NOT IS_ABSOLUTE "${pem}")
    set(pem "${CMAKE_BINARY_DIR}/${pem}")
  endif()
  if(NOT EXISTS "${pem}")
    message(FATAL_ERROR "LUMO_UPDATE_PUBLIC_KEY: no file ${pem}")
  endif()
  find_program(LUMO_OPENSSL openssl REQUIRED)
  set(der "${out_dir}/update_public_key.der")
  file(MAKE_DIRECTORY "${out_dir}")
  execute_process(COMMAND "${LUMO_OPENSSL}" pkey -pubin -in "${pem}" -outform DER -out "${der}"
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "LUMO_UPDATE_PUBLIC_KEY: ${pem} is no PEM public key: ${err}")
  endif()
  file(READ "${der}" hex HEX)
  # SubjectPublicKeyInfo of an uncompressed P-256 key: this fixed prefix
  # (id-ecPublicKey, prime256v1, bit string, 0x04), then X and Y.
  set(prefix "3059301306072a8648ce3d020106082a8648ce3d030107034200" "04")
  string(JOIN "" prefix ${prefix})
  string(LENGTH "${prefix}" prefix_len)
  string(SUBSTRING "${hex}" 0 ${prefix_len} head)
  string(LENGTH "${hex}" hex_len)
  if(NOT head STREQUAL prefix OR NOT hex_len EQUAL 182)
    message(FATAL_ERROR "LUMO_UPDATE_PUBLIC_KEY: ${pem} is not an uncompressed ECDSA P-256 key")
  endif()
  string(SUBSTRING "${hex}" ${prefix_len} 128 xy)
  # Four lines of 16 bytes.
  set(bytes "")
  foreach(at 0 32 64 96)
    string(SUBSTRING "${xy}" ${at} 32 line)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " line "${line}")
    string(STRIP "${line}" line)
    string(APPEND bytes "    ${line}\n")
  endforeach()
  file(CONFIGURE OUTPUT "${out_dir}/update_public_key.h" CONTENT
"// Generated from @pem@ at configure time; do not edit.
// X||Y of the ECDSA P-256 key that signs updates of Lumo.exe.
#pragma once

namespace lumo {

inline constexpr unsigned char kUpdatePublicKey[64] = {
@bytes@};

}  // namespace lumo
" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${pem}")
endfunction()
