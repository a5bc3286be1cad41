# Writes a file's bytes as a C++ array definition, so that data is compiled
# into the program the same way by every compiler the show is built with
# (gcc, MinGW-w64 and emcc, whose WebAssembly assembler has no .incbin).
#
#   cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=name -P embed_bytes.cmake
#
# A string literal rather than a list of numbers: compilers take it whole
# (gcc, MinGW and emcc each compile the 2.7 MB of models in about a second). The array carries one terminating zero past the file's bytes;
# ${SYMBOL}Size is the file's own size.
file(SIZE "${INPUT}" size)
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT} by cmake/embed_bytes.cmake.\n"
  "#include <cstddef>\n"
  "extern const std::size_t ${SYMBOL}Size = ${size};\n"
  "alignas(16) extern const unsigned char ${SYMBOL}[] = \"${escaped}\";\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
