# cmake -DSOURCE_DIR=... -DTOOLCHAIN=... -DWORK_DIR=... -P CheckPublisherSettings.cmake
#
# Configures the project in WORK_DIR as a release build and checks which
# publisher settings it refuses and the initialiser it generates for good ones.
# One build folder for every case: the compilers are detected once.
set(hex "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff")
set(https -DZK_RELEASE=ON -DZK_BUILD_TESTS=OFF -DZK_BUILD_BENCHMARKS=OFF
    -DZK_DOWNLOAD_SERVER=https://download.example.com -DZK_AGREEMENT_URL=https://www.example.com/agreement.html
    -DZK_MIRROR_URLS=)
string(TOUPPER "${hex}" upper)

# configure_case(what "pins" "package sha256" expected-output-regex)
function(configure_case what pins package expected)
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR} -G Ninja
      -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} ${https} "-DZK_PUBLISHER_PINS=${pins}" "-DZK_PACKAGE_SHA256=${package}"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(expected STREQUAL "ok")
    file(READ "${WORK_DIR}/generated/ZKBuildSettings.h" header)
    string(FIND "${header}" "#define ZK_PUBLISHER_PINS {L\"Example Ltd\", L\"${hex}\"}, {L\"Example Next\", L\"${hex}\"}, \n" at)
    if(NOT rc EQUAL 0 OR at EQUAL -1)
      message(SEND_ERROR "${what}: expected a configured build with both pins\n${out}\n${header}")
    endif()
  elseif(rc EQUAL 0 OR NOT out MATCHES "${expected}")
    message(SEND_ERROR "${what}: expected a refusal matching '${expected}', got (${rc}):\n${out}")
  endif()
endfunction()

# The accepted case first: it detects the compilers for the others.
configure_case("two pins, one in upper-case hex" "Example Ltd|${hex};Example Next|${upper}" "" ok)
configure_case("no pin in a release build" "" "" "needs a publisher pin")
configure_case("short key hash" "Example Ltd|0011" "" "is not a SHA-256")
configure_case("quote in the subject" "Example\" Ltd|${hex}" "" "plain characters")
configure_case("no key at all" "Example Ltd" "" "is not subject")
configure_case("package hash not hex" "Example Ltd|${hex}" "${hex}zz" "ZK_PACKAGE_SHA256")

# Fallback addresses keep https in a release build too; good ones become literals.
function(configure_mirrors what mirrors expected)
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR} -G Ninja
      -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} ${https} "-DZK_PUBLISHER_PINS=Example Ltd|${hex}" "-DZK_PACKAGE_SHA256="
      "-DZK_MIRROR_URLS=${mirrors}"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(expected STREQUAL "ok")
    file(READ "${WORK_DIR}/generated/ZKBuildSettings.h" header)
    string(FIND "${header}" "#define ZK_MIRROR_URLS L\"https://a.example.com/p.exe\", L\"https://b.example.com:8443/d?x=1&y=2\", \n" at)
    if(NOT rc EQUAL 0 OR at EQUAL -1)
      message(SEND_ERROR "${what}: expected a configured build with both fallbacks\n${out}\n${header}")
    endif()
  elseif(rc EQUAL 0 OR NOT out MATCHES "${expected}")
    message(SEND_ERROR "${what}: expected a refusal matching '${expected}', got (${rc}):\n${out}")
  endif()
endfunction()
configure_mirrors("two https fallbacks" "https://a.example.com/p.exe;https://b.example.com:8443/d?x=1&y=2" ok)
configure_mirrors("an http fallback in a release build" "https://a.example.com/p.exe;http://b.example.com/p.exe"
  "needs https.*'http://b.example.com/p.exe'")
configure_mirrors("a quote in a fallback" "https://a.example.com/p\".exe" "is not a plain http")
