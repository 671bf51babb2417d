# Writes the bytes of IN as a C++ array named SYMBOL into OUT (namespace zell::resources).
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" n)
math(EXPR bytes "${n} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
file(WRITE ${OUT} "// Generated from ${IN}. Do not edit.\n#include <cstddef>\n#include <cstdint>\nnamespace zell::resources {\nextern const uint8_t ${SYMBOL}[];\nextern const size_t ${SYMBOL}Size;\nconst uint8_t ${SYMBOL}[] = {${body}};\nconst size_t ${SYMBOL}Size = ${bytes};\n}\n")
