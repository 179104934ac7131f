# Build settings baked into the programs: the download service's address, the
# agreement page, the product folder name and the publishers whose signature
# the downloaded package must carry. They reach the code through the generated
# header "ZKBuildSettings.h" (target zk_build_settings).
#
# The defaults serve a one-machine demo: the download service of
# tools/download-service listens on 127.0.0.1:ZK_DEMO_PORT. -DZK_RELEASE=ON
# switches the defaults to the product's https addresses; a release build
# refuses any address that is not https, and a build without a publisher pin.
# A non-release build without pins trusts the test publisher it makes
# (cmake/TestPublisher.cmake).
option(ZK_RELEASE "Release build: https addresses for the download and the agreement page" OFF)
set(ZK_DEMO_PORT "47810" CACHE STRING "Port of the local download service used by the demo")
set(ZK_RELEASE_DOMAIN "zkpdfeditor.com" CACHE STRING "Web domain of the product in a release build")
set(ZK_DOWNLOAD_SERVER "" CACHE STRING
  "scheme://host[:port] of the download service; empty takes the default of the build kind")
set(ZK_MIRROR_URLS "" CACHE STRING
  "Fallback addresses of the package (whole http(s) URLs, a list), tried in turn when the download address gives up; empty: none")
set(ZK_AGREEMENT_URL "" CACHE STRING
  "Full address of the agreement page; empty takes the default of the build kind")
set(ZK_PRODUCT_FOLDER "ZKPDFEditor" CACHE STRING
  "Product folder under Program Files and the roaming application-data folder")
set(ZK_PUBLISHER_PINS "" CACHE STRING
  "Publishers that may sign the package: a list of subject|sha256hex (common name, SHA-256 of the DER SubjectPublicKeyInfo); several allow a key rotation; empty in a non-release build takes the test publisher")
set(ZK_PACKAGE_SHA256 "" CACHE STRING "SHA-256 of the only package accepted; empty: any package a pinned publisher signed")

# The path and query of the download are part of the service's interface, not a setting.
set(ZK_DOWNLOAD_PATH "/openapi/download?ch=10009&app=50000")

if(ZK_RELEASE)
  set(zk_default_server "https://download.${ZK_RELEASE_DOMAIN}")
  set(zk_default_agreement "https://www.${ZK_RELEASE_DOMAIN}/agreement.html")
else()
  set(zk_default_server "http://127.0.0.1:${ZK_DEMO_PORT}")
  set(zk_default_agreement "http://127.0.0.1:${ZK_DEMO_PORT}/agreement.html")
endif()
set(ZK_EFFECTIVE_DOWNLOAD_SERVER "${ZK_DOWNLOAD_SERVER}")
if(ZK_EFFECTIVE_DOWNLOAD_SERVER STREQUAL "")
  set(ZK_EFFECTIVE_DOWNLOAD_SERVER "${zk_default_server}")
endif()
set(ZK_EFFECTIVE_AGREEMENT_URL "${ZK_AGREEMENT_URL}")
if(ZK_EFFECTIVE_AGREEMENT_URL STREQUAL "")
  set(ZK_EFFECTIVE_AGREEMENT_URL "${zk_default_agreement}")
endif()

# The values become C string literals: only plain URL characters are accepted,
# so nothing needs escaping and nothing can break out of the literal.
if(NOT ZK_EFFECTIVE_DOWNLOAD_SERVER MATCHES "^https?://[A-Za-z0-9.-]+(:[0-9]+)?$")
  message(FATAL_ERROR "ZK_DOWNLOAD_SERVER must be scheme://host[:port] without a path: '${ZK_EFFECTIVE_DOWNLOAD_SERVER}'")
endif()
if(NOT ZK_EFFECTIVE_AGREEMENT_URL MATCHES "^https?://[A-Za-z0-9.-]+(:[0-9]+)?(/[A-Za-z0-9._~/%=&?+-]*)?$")
  message(FATAL_ERROR "ZK_AGREEMENT_URL is not a plain http(s) address: '${ZK_EFFECTIVE_AGREEMENT_URL}'")
endif()
set(ZK_MIRROR_URLS_INITIALIZER "")
foreach(mirror IN LISTS ZK_MIRROR_URLS)
  if(NOT mirror MATCHES "^https?://[A-Za-z0-9.-]+(:[0-9]+)?(/[A-Za-z0-9._~/%=&?+-]*)?$")
    message(FATAL_ERROR "ZK_MIRROR_URLS: '${mirror}' is not a plain http(s) address")
  endif()
  if(ZK_RELEASE AND NOT mirror MATCHES "^https://")
    message(FATAL_ERROR "A release build (ZK_RELEASE=ON) needs https addresses: ZK_MIRROR_URLS has '${mirror}'")
  endif()
  if(mirror MATCHES "^http://")
    message(WARNING "Test build, not for shipping: fallback address over plain http: ${mirror}")
  endif()
  string(APPEND ZK_MIRROR_URLS_INITIALIZER "L\"${mirror}\", ")
endforeach()
if(NOT ZK_PRODUCT_FOLDER MATCHES "^[A-Za-z0-9 ._-]+$" OR ZK_PRODUCT_FOLDER MATCHES "^[ .]|[ .]$")
  message(FATAL_ERROR "ZK_PRODUCT_FOLDER must be a plain folder name: '${ZK_PRODUCT_FOLDER}'")
endif()
if(ZK_RELEASE)
  if(NOT ZK_EFFECTIVE_DOWNLOAD_SERVER MATCHES "^https://" OR NOT ZK_EFFECTIVE_AGREEMENT_URL MATCHES "^https://")
    message(FATAL_ERROR "A release build (ZK_RELEASE=ON) needs https addresses")
  endif()
endif()

include("${CMAKE_CURRENT_LIST_DIR}/TestPublisher.cmake")
set(ZK_EFFECTIVE_PUBLISHER_PINS "${ZK_PUBLISHER_PINS}")
if(ZK_RELEASE AND ZK_EFFECTIVE_PUBLISHER_PINS STREQUAL "")
  message(FATAL_ERROR "A release build (ZK_RELEASE=ON) needs a publisher pin: set ZK_PUBLISHER_PINS to subject|sha256hex")
endif()
if(ZK_EFFECTIVE_PUBLISHER_PINS STREQUAL "")
  if(ZK_TEST_PUBLISHER_PIN STREQUAL "")
    message(FATAL_ERROR "No publisher pin: set ZK_PUBLISHER_PINS, or install openssl to make the test publisher")
  endif()
  set(ZK_EFFECTIVE_PUBLISHER_PINS "${ZK_TEST_PUBLISHER_PIN}")
  message(WARNING "Test build, not for shipping: the installer trusts the TEST publisher "
    "${ZK_TEST_PUBLISHER_PIN} made in ${ZK_TEST_PKI_DIR}")
endif()
if(ZK_EFFECTIVE_DOWNLOAD_SERVER MATCHES "^http://")
  message(WARNING "Test build, not for shipping: the installer downloads over plain http from ${ZK_EFFECTIVE_DOWNLOAD_SERVER}")
endif()
# Pins and hash become C string literals too: plain characters only. (CMake's
# regular expressions have no {n}: the digest lengths are counted.)
function(zk_check_sha256 value what)
  string(LENGTH "${value}" length)
  if(NOT value MATCHES "^[0-9A-Fa-f]+$" OR NOT length EQUAL 64)
    message(FATAL_ERROR "${what}: '${value}' is not a SHA-256 in hex (64 digits)")
  endif()
endfunction()
set(ZK_PUBLISHER_PINS_INITIALIZER "")
foreach(pin IN LISTS ZK_EFFECTIVE_PUBLISHER_PINS)
  if(NOT pin MATCHES "^([A-Za-z0-9][A-Za-z0-9 .,&'()_-]*)\\|([^|]*)$")
    message(FATAL_ERROR "ZK_PUBLISHER_PINS: '${pin}' is not subject|sha256hex with a subject of plain characters")
  endif()
  set(_zk_subject "${CMAKE_MATCH_1}")
  string(TOLOWER "${CMAKE_MATCH_2}" _zk_key)
  zk_check_sha256("${_zk_key}" "ZK_PUBLISHER_PINS key of '${_zk_subject}'")
  string(APPEND ZK_PUBLISHER_PINS_INITIALIZER "{L\"${_zk_subject}\", L\"${_zk_key}\"}, ")
endforeach()
if(NOT ZK_PACKAGE_SHA256 STREQUAL "")
  zk_check_sha256("${ZK_PACKAGE_SHA256}" ZK_PACKAGE_SHA256)
endif()
string(TOLOWER "${ZK_PACKAGE_SHA256}" ZK_EFFECTIVE_PACKAGE_SHA256)

set(ZK_EFFECTIVE_DOWNLOAD_URL "${ZK_EFFECTIVE_DOWNLOAD_SERVER}${ZK_DOWNLOAD_PATH}")
if(ZK_RELEASE)
  set(ZK_RELEASE_VALUE 1)
else()
  set(ZK_RELEASE_VALUE 0)
endif()
set(ZK_GENERATED_DIR "${CMAKE_BINARY_DIR}/generated")
configure_file("${CMAKE_CURRENT_LIST_DIR}/ZKBuildSettings.h.in" "${ZK_GENERATED_DIR}/ZKBuildSettings.h" @ONLY)
# Read by scripts/demo.sh to start the local service where the build looks for it.
file(WRITE "${CMAKE_BINARY_DIR}/download-server.txt" "${ZK_EFFECTIVE_DOWNLOAD_SERVER}\n")
message(STATUS "Download URL: ${ZK_EFFECTIVE_DOWNLOAD_URL}")

add_library(zk_build_settings INTERFACE)
target_include_directories(zk_build_settings INTERFACE "${ZK_GENERATED_DIR}")
