# Writes a C++ source that holds files as byte arrays, for programs that
# run where the checkout cannot be read (under Wine, as another user); the
# program finds them with testkit/embedded_files.h.
#   cmake -DOUTPUT=x.cpp -DNAMESPACE=ns -DFILES="name=path;..." -P embed_files.cmake
set(body "// Generated from the files named below; do not edit.\n#include \"embedded_files.h\"\nnamespace ${NAMESPACE} {\n")
set(table "")
set(index 0)
foreach(entry IN LISTS FILES)
    string(REGEX REPLACE "=.*" "" name "${entry}")
    string(REGEX REPLACE "^[^=]*=" "" path "${entry}")
    file(READ "${path}" hex HEX)
    string(LENGTH "${hex}" length)
    math(EXPR size "${length} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
    string(APPEND body "static const char kFile${index}[] = {${bytes} 0};\n")
    string(APPEND table "    {\"${name}\", kFile${index}, ${size}},\n")
    math(EXPR index "${index} + 1")
endforeach()
string(APPEND body "extern const testkit::EmbeddedFile kEmbeddedFiles[] = {\n${table}    {nullptr, nullptr, 0},\n};\n}\n")
file(WRITE "${OUTPUT}" "${body}")
