# Turns the plug-in's string table (resources/strings/kestrum.strings) into a
# C++ table, so the plug-in carries its texts without any resource loader.
#   cmake -DINPUT=kestrum.strings -DOUTPUT=kestrum_strings.cpp -P make_strings.cmake
file(STRINGS ${INPUT} lines ENCODING UTF-8)
set(rows "")
foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*#" OR line MATCHES "^[ \t]*$")
        continue()
    endif()
    if(NOT line MATCHES "^([0-9]+) [^\"]*\"(.*)\"[^\"]*$")
        message(FATAL_ERROR "${INPUT}: not a string table line: ${line}")
    endif()
    set(id ${CMAKE_MATCH_1})
    set(text "${CMAKE_MATCH_2}")
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\\\"" text "${text}")
    string(APPEND rows "    {${id}, \"${text}\"},\n")
endforeach()
file(WRITE ${OUTPUT}.tmp "// Made at build time from kestrum.strings; do not edit.
#include \"plugin/string_table.h\"

namespace kestrum {

const StringEntry kStringTable[] = {
${rows}};
const int kStringTableSize = int(sizeof kStringTable / sizeof kStringTable[0]);

}  // namespace kestrum
")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
