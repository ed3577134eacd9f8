# cmake -DINPUT=<file> -DOUTPUT=<file.inc> -DNAME=<identifier> -P TavlinEmbedBytes.cmake
# Writes the bytes of INPUT as the C++ array NAME, for a generated include.
file(READ ${INPUT} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE ${OUTPUT}.tmp "// Generated at build time from ${NAME}'s source; do not edit.\nconst unsigned char ${NAME}[] = {${bytes}};\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
