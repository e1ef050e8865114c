# Writes OUTPUT, a C++ source holding every resource of LIST_FILE (entries "TYPE|id|file",
# files under SOURCE_DIR) and every line "id<TAB>text" of STRINGS as type "STRING".
include(${LIST_FILE})

set(arrays "")
set(rows "")
set(index 0)

# Appends one entry whose bytes are the hexadecimal text hex.
function(add_entry type id hex)
  string(LENGTH "${hex}" length)
  math(EXPR size "${length} / 2")
  if(size EQUAL 0)
    set(bytes "0")
  else()
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REPEAT "0x..," 24 line)
    string(REGEX REPLACE "(${line})" "\\1\n    " bytes "${bytes}")
  endif()
  set(arrays "${arrays}const std::uint8_t kData${index}[] = {\n    ${bytes}};\n" PARENT_SCOPE)
  set(rows "${rows}    {\"${type}\", ${id}, kData${index}, ${size}},\n" PARENT_SCOPE)
  math(EXPR next "${index} + 1")
  set(index ${next} PARENT_SCOPE)
endfunction()

foreach(entry IN LISTS VOREL_RESOURCES)
  string(REPLACE "|" ";" fields "${entry}")
  list(GET fields 0 type)
  list(GET fields 1 id)
  list(GET fields 2 file)
  file(READ ${SOURCE_DIR}/${file} hex HEX)
  add_entry(${type} ${id} "${hex}")
endforeach()

file(STRINGS ${STRINGS} lines ENCODING UTF-8)
foreach(line IN LISTS lines)
  if(line MATCHES "^([0-9]+)\t(.*)$")
    set(id ${CMAKE_MATCH_1})
    set(text "${CMAKE_MATCH_2}")
    # The text's bytes, through a scratch file, since CMake has no byte-wise string access.
    file(WRITE ${OUTPUT}.text "${text}")
    file(READ ${OUTPUT}.text hex HEX)
    file(REMOVE ${OUTPUT}.text)
    add_entry(STRING ${id} "${hex}")
  elseif(NOT line MATCHES "^#" AND NOT line STREQUAL "")
    message(FATAL_ERROR "${STRINGS}: not \"id<TAB>text\": ${line}")
  endif()
endforeach()

file(WRITE ${OUTPUT}.new "// Generated from res/ by EmbedResources.cmake; do not edit.
#include \"res/Resources.h\"

namespace res {
namespace {
${arrays}}  // namespace

extern const ResourceEntry kResourceTable[] = {
${rows}};
extern const std::size_t kResourceCount = sizeof kResourceTable / sizeof kResourceTable[0];

}  // namespace res
")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
