# Signed PE files for the Authenticode reader and the publisher check, made at build time:
# test certification authorities and leaves by openssl, signatures by osslsigncode, and
# damaged variants by pe_cert_table.py. Target vorel_signed_fixtures; the folder is in the
# global property VOREL_SIGNED_FIXTURE_DIR.
find_program(VOREL_OPENSSL openssl REQUIRED)
find_program(VOREL_OSSLSIGNCODE osslsigncode REQUIRED)
find_program(VOREL_PE_OBJCOPY x86_64-w64-mingw32-objcopy REQUIRED)
find_package(Python3 COMPONENTS Interpreter REQUIRED)

set(sig ${CMAKE_CURRENT_BINARY_DIR}/signed)
set_property(GLOBAL PROPERTY VOREL_SIGNED_FIXTURE_DIR ${sig})
set(sig_tool ${CMAKE_CURRENT_SOURCE_DIR}/pe_cert_table.py)
set(sig_outputs)

# vorel_sig(<output> [DEPENDS <files>...] COMMAND <command and arguments> [COMMAND ...])
# One build step that writes <output> into the folder; commands run in it, and relative
# DEPENDS name files in it.
function(vorel_sig output)
  list(FIND ARGN COMMAND first)
  list(SUBLIST ARGN 0 ${first} depends)
  list(SUBLIST ARGN ${first} -1 commands)
  list(REMOVE_ITEM depends DEPENDS)
  list(TRANSFORM depends PREPEND ${sig}/ REGEX "^[^/]")
  # osslsigncode does not overwrite its output.
  add_custom_command(OUTPUT ${sig}/${output}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${output}
    ${commands}
    DEPENDS ${depends} ${sig_tool}
    WORKING_DIRECTORY ${sig} VERBATIM)
  set(sig_outputs ${sig_outputs} ${sig}/${output} PARENT_SCOPE)
endfunction()

file(MAKE_DIRECTORY ${sig})
file(WRITE ${sig}/garbage.bin "this is not a PKCS#7 SignedData, only some text in its place\n")
file(WRITE ${sig}/leaf.ext "basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n")

# Two images to sign: the component and a different one whose signature gets transplanted.
foreach(image unsigned:component-4.0.3.12.rc other-unsigned:component-65535.rc)
  string(REPLACE ":" ";" image ${image})
  list(GET image 0 name)
  list(GET image 1 rc)
  vorel_sig(${name}.dll DEPENDS ${CMAKE_SOURCE_DIR}/tests/fixtures/${rc}
            COMMAND ${VOREL_WINDRES} --preprocessor=cat ${CMAKE_SOURCE_DIR}/tests/fixtures/${rc}
              -O coff -o ${name}.o
            COMMAND ${VOREL_PE_LD} --dll -e 0 -o ${name}.dll ${name}.o)
endforeach()

# The two authorities, named as the maker's real ones.
vorel_sig(symantec-ca.pem COMMAND ${VOREL_OPENSSL} req -x509 -newkey rsa:2048 -nodes -keyout symantec-ca.key
  -out symantec-ca.pem -days 3650 -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign
  -subj "/C=US/O=Symantec Corporation/OU=Symantec Trust Network/CN=Symantec Class 3 SHA256 Code Signing CA")
vorel_sig(verisign-ca.pem COMMAND ${VOREL_OPENSSL} req -x509 -newkey rsa:2048 -nodes -keyout verisign-ca.key
  -out verisign-ca.pem -days 3650 -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign
  -subj "/C=US/O=VeriSign, Inc./OU=VeriSign Trust Network/CN=VeriSign Class 3 Code Signing 2010 CA")
vorel_sig(leaf.key COMMAND ${VOREL_OPENSSL} genrsa -out leaf.key 2048)

# Leaves: <name>|<authority>|<serial>|<subject>. The two maker leaves share a serial number,
# so only the issuer tells them apart.
set(maker "/C=CN/ST=Guangdong/L=Shenzhen/O=Varnel Bank Co., Ltd/CN=Varnel Bank Co., Ltd")
set(leaves
  "symantec|symantec|4097|${maker}"
  "verisign|verisign|4097|${maker}"
  "stop|symantec|4098|/C=CN/O=Varnel Bank Co., Ltd/CN=Varnel Bank Co., Ltd."
  "caps|symantec|4099|/C=CN/O=Varnel Bank Co., Ltd/CN=VARNEL BANK CO., LTD"
  "unit|symantec|4100|/C=CN/O=Varnel Organisation/OU=Varnel Unit"
  "organisation|symantec|4101|/C=CN/L=Shenzhen/O=Varnel Bank Co., Ltd"
  "email|symantec|4102|/C=CN/L=Shenzhen/emailAddress=codesign@varnel.example"
  "first-attribute|symantec|4103|/C=CN/L=Shenzhen"
  "two-common-names|symantec|4104|/C=CN/CN=First Name/CN=Second Name"
  "chinese|symantec|4105|/C=CN/O=Varnel/CN=瓦内尔银行")
foreach(leaf IN LISTS leaves)
  string(REPLACE "|" ";" leaf "${leaf}")
  list(GET leaf 0 name)
  list(GET leaf 1 ca)
  list(GET leaf 2 serial)
  list(GET leaf 3 subject)
  vorel_sig(leaf-${name}.pem DEPENDS leaf.key ${ca}-ca.pem
    COMMAND ${VOREL_OPENSSL} req -new -utf8 -key leaf.key -subj "${subject}" -out leaf-${name}.csr
    COMMAND ${VOREL_OPENSSL} x509 -req -in leaf-${name}.csr -CA ${ca}-ca.pem -CAkey ${ca}-ca.key
      -set_serial ${serial} -days 3650 -extfile leaf.ext -out leaf-${name}.pem)
  vorel_sig(signed-${name}.dll DEPENDS leaf-${name}.pem unsigned.dll
    COMMAND ${VOREL_OSSLSIGNCODE} sign -certs leaf-${name}.pem -ac ${ca}-ca.pem -key leaf.key -h sha256
      -n Halvora -in unsigned.dll -out signed-${name}.dll)
endforeach()
vorel_sig(leaf-symantec.der DEPENDS leaf-symantec.pem
  COMMAND ${VOREL_OPENSSL} x509 -in leaf-symantec.pem -outform DER -out leaf-symantec.der)
# Signatures that also carry the other maker leaf, which has the same serial number under the
# other authority, and a leaf of the same authority with another serial number.
foreach(pair symantec:verisign verisign:symantec)
  string(REPLACE ":" ";" pair ${pair})
  list(GET pair 0 ca)
  list(GET pair 1 other)
  vorel_sig(crowded-${ca}.dll DEPENDS leaf-${ca}.pem leaf-${other}.pem leaf-stop.pem unsigned.dll
    COMMAND ${CMAKE_COMMAND} -E cat leaf-${other}.pem leaf-stop.pem ${ca}-ca.pem > crowded-${ca}.pem
    COMMAND ${VOREL_OSSLSIGNCODE} sign -certs leaf-${ca}.pem -ac crowded-${ca}.pem -key leaf.key -h sha256
      -n Halvora -in unsigned.dll -out crowded-${ca}.dll)
endforeach()
vorel_sig(signed-sha1.dll DEPENDS leaf-symantec.pem unsigned.dll
  COMMAND ${VOREL_OSSLSIGNCODE} sign -certs leaf-symantec.pem -ac symantec-ca.pem -key leaf.key -h sha1
    -n Halvora -in unsigned.dll -out signed-sha1.dll)
vorel_sig(signed-pe32.dll DEPENDS leaf-symantec.pem unsigned.dll
  COMMAND ${VOREL_PE_OBJCOPY} -O pei-i386 unsigned.dll unsigned-pe32.dll
  COMMAND ${VOREL_OSSLSIGNCODE} sign -certs leaf-symantec.pem -ac symantec-ca.pem -key leaf.key -h sha256
    -n Halvora -in unsigned-pe32.dll -out signed-pe32.dll)
vorel_sig(other-signed.dll DEPENDS leaf-symantec.pem other-unsigned.dll
  COMMAND ${VOREL_OSSLSIGNCODE} sign -certs leaf-symantec.pem -ac symantec-ca.pem -key leaf.key -h sha256
    -n Halvora -in other-unsigned.dll -out other-signed.dll)

# Damaged and borrowed signatures, all from the maker's component signature.
foreach(change truncate flip-image flip-checksum flip-signature flip-content trailing)
  vorel_sig(${change}.dll DEPENDS signed-symantec.dll
    COMMAND ${Python3_EXECUTABLE} ${sig_tool} ${change} signed-symantec.dll ${change}.dll)
endforeach()
vorel_sig(other-signature.p7 DEPENDS other-signed.dll
  COMMAND ${Python3_EXECUTABLE} ${sig_tool} extract other-signed.dll other-signature.p7)
vorel_sig(transplanted.dll DEPENDS unsigned.dll other-signature.p7
  COMMAND ${Python3_EXECUTABLE} ${sig_tool} attach unsigned.dll transplanted.dll other-signature.p7)
vorel_sig(two-entries.dll DEPENDS signed-symantec.dll signed-verisign.dll
  COMMAND ${Python3_EXECUTABLE} ${sig_tool} append signed-symantec.dll signed-verisign.dll two-entries.dll)
vorel_sig(two-entries-wrong-first.dll DEPENDS signed-symantec.dll signed-verisign.dll
  COMMAND ${Python3_EXECUTABLE} ${sig_tool} append signed-verisign.dll signed-symantec.dll
    two-entries-wrong-first.dll)
vorel_sig(garbage.dll DEPENDS unsigned.dll
  COMMAND ${Python3_EXECUTABLE} ${sig_tool} attach unsigned.dll garbage.dll garbage.bin)
# A SignedData without signers, and one whose signer's certificate is left out.
vorel_sig(no-signer.dll DEPENDS unsigned.dll leaf-symantec.pem
  COMMAND ${VOREL_OPENSSL} crl2pkcs7 -nocrl -certfile leaf-symantec.pem -outform DER -out no-signer.p7
  COMMAND ${Python3_EXECUTABLE} ${sig_tool} attach unsigned.dll no-signer.dll no-signer.p7)
vorel_sig(no-certificate.dll DEPENDS unsigned.dll leaf-symantec.pem
  COMMAND ${VOREL_OPENSSL} cms -sign -binary -nocerts -outform DER -in unsigned.dll -signer leaf-symantec.pem
    -inkey leaf.key -out no-certificate.p7
  COMMAND ${Python3_EXECUTABLE} ${sig_tool} attach unsigned.dll no-certificate.dll no-certificate.p7)

add_custom_target(vorel_signed_fixtures DEPENDS ${sig_outputs})

# Lets test program <target> read the files: VOREL_SIGNED_FIXTURE_DIR names their folder.
function(vorel_use_signed_fixtures target)
  get_property(dir GLOBAL PROPERTY VOREL_SIGNED_FIXTURE_DIR)
  target_compile_definitions(${target} PRIVATE VOREL_SIGNED_FIXTURE_DIR="${dir}")
  add_dependencies(${target} vorel_signed_fixtures)
endfunction()
