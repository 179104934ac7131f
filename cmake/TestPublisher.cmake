# A test code-signing PKI, made with openssl in the build tree: it signs the
# substitute package (tools/package) and, in a non-release build that names no
# publisher of its own, it is the publisher the installer trusts.
#
#   test-pki/root.crt, root.der, root.key  a test root CA; the tests' and the
#                                           demo's Wine prefix trusts it
#                                           (scripts/trust-test-root.sh)
#   test-pki/leaf.crt, leaf.der, leaf.key  "ZK Test Publisher", issued by the root,
#                                           extendedKeyUsage codeSigning
#   test-pki/leaf-chain.pem                leaf then root: the chain a signature carries
#   test-pki/wrong.crt, wrong.key          "ZK Wrong Publisher", self-signed, unrelated
#
# The keys are made once and kept across reconfigures, so packages signed
# earlier stay valid; delete the folder to make new ones.
#
# Sets ZK_OPENSSL (empty when not found), ZK_TEST_PKI_DIR, the pins
# ("subject|sha256hex") ZK_TEST_PUBLISHER_PIN and ZK_WRONG_PUBLISHER_PIN, and
# ZK_SIGN_TEST_PACKAGES (ON when the PKI and osslsigncode are both there).
find_program(ZK_OPENSSL openssl)
set(ZK_TEST_PKI_DIR "${CMAKE_BINARY_DIR}/test-pki")
set(ZK_TEST_PUBLISHER_PIN "")
set(ZK_WRONG_PUBLISHER_PIN "")
set(ZK_SIGN_TEST_PACKAGES OFF)
if(NOT ZK_OPENSSL)
  return()
endif()

function(zk_openssl)
  execute_process(COMMAND "${ZK_OPENSSL}" ${ARGN} WORKING_DIRECTORY "${ZK_TEST_PKI_DIR}"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "openssl ${ARGN} failed:\n${out}")
  endif()
endfunction()

# The pin of a certificate: its common name and the SHA-256 of its DER
# SubjectPublicKeyInfo (openssl x509 -pubkey | openssl pkey -pubin -outform der).
function(zk_certificate_pin cert out_var)
  zk_openssl(x509 -in "${cert}" -noout -pubkey -out "${cert}.pub.pem")
  zk_openssl(pkey -pubin -in "${cert}.pub.pem" -outform der -out "${cert}.pub.der")
  file(SHA256 "${ZK_TEST_PKI_DIR}/${cert}.pub.der" key)
  execute_process(COMMAND "${ZK_OPENSSL}" x509 -in "${cert}" -noout -subject -nameopt RFC2253
    WORKING_DIRECTORY "${ZK_TEST_PKI_DIR}" OUTPUT_VARIABLE subject)
  if(NOT subject MATCHES "CN=([^,\n]+)")
    message(FATAL_ERROR "no common name in ${cert}: ${subject}")
  endif()
  set(${out_var} "${CMAKE_MATCH_1}|${key}" PARENT_SCOPE)
endfunction()

file(MAKE_DIRECTORY "${ZK_TEST_PKI_DIR}")
file(WRITE "${ZK_TEST_PKI_DIR}/openssl.cnf" [=[
[req]
distinguished_name = dn
prompt = no
[dn]
[root_ext]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[leaf_ext]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
]=])
set(_zk_days 3650)
if(NOT EXISTS "${ZK_TEST_PKI_DIR}/root.crt")
  file(REMOVE "${ZK_TEST_PKI_DIR}/leaf.crt")  # a new root needs a new leaf
  zk_openssl(req -config openssl.cnf -x509 -newkey rsa:2048 -nodes -keyout root.key -out root.crt
    -days ${_zk_days} -subj "/CN=ZK Test Root CA" -extensions root_ext)
endif()
if(NOT EXISTS "${ZK_TEST_PKI_DIR}/leaf.crt")
  zk_openssl(req -config openssl.cnf -new -newkey rsa:2048 -nodes -keyout leaf.key -out leaf.csr
    -subj "/CN=ZK Test Publisher")
  zk_openssl(x509 -req -in leaf.csr -CA root.crt -CAkey root.key -set_serial 2 -days ${_zk_days}
    -extfile openssl.cnf -extensions leaf_ext -out leaf.crt)
endif()
if(NOT EXISTS "${ZK_TEST_PKI_DIR}/wrong.crt")
  zk_openssl(req -config openssl.cnf -x509 -newkey rsa:2048 -nodes -keyout wrong.key -out wrong.crt
    -days ${_zk_days} -subj "/CN=ZK Wrong Publisher" -extensions leaf_ext)
endif()
zk_openssl(x509 -in root.crt -outform der -out root.der)
zk_openssl(x509 -in leaf.crt -outform der -out leaf.der)
file(READ "${ZK_TEST_PKI_DIR}/leaf.crt" _zk_leaf)
file(READ "${ZK_TEST_PKI_DIR}/root.crt" _zk_root)
file(WRITE "${ZK_TEST_PKI_DIR}/leaf-chain.pem" "${_zk_leaf}${_zk_root}")
zk_certificate_pin(leaf.crt ZK_TEST_PUBLISHER_PIN)
zk_certificate_pin(wrong.crt ZK_WRONG_PUBLISHER_PIN)

# The substitute package is signed by the test publisher when osslsigncode is
# there (tools/package); the verifier's tests need those signed files.
find_program(ZK_OSSLSIGNCODE osslsigncode)
if(ZK_OSSLSIGNCODE)
  set(ZK_SIGN_TEST_PACKAGES ON)
else()
  set(ZK_SIGN_TEST_PACKAGES OFF)
  message(WARNING "osslsigncode not found: the substitute package stays unsigned, and the installer refuses it")
endif()
