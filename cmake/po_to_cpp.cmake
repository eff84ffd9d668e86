# Turns a gettext catalog into the C++ table of src/core/message.h.
#   cmake -DPO=po/ja.po -DOUT=message_catalog.cpp -P po_to_cpp.cmake
# Each entry names its id in msgctxt, the English text in msgid and the Japanese text in
# msgstr; an empty or fuzzy msgstr leaves the English text to be shown. The texts keep their
# PO escapes (\n, \", \\), which C++ string literals read alike.
file(READ "${PO}" content)
# CMake lists split at ';' and do not split inside brackets: hide both.
string(REPLACE ";" "@SEMI@" content "${content}")
string(REPLACE "[" "@LB@" content "${content}")
string(REPLACE "]" "@RB@" content "${content}")
string(REPLACE "\r" "" content "${content}")
string(REPLACE "\n" ";" lines "${content}")
list(APPEND lines "")

set(ids "")
set(msgctxt "")
set(msgid "")
set(msgstr "")
set(field "")
set(fuzzy OFF)
set(seen_any OFF)
set(lineno 0)

macro(flush_entry)
  if(NOT msgctxt STREQUAL "")
    if(DEFINED entry_${msgctxt})
      message(FATAL_ERROR "${PO}: the id ${msgctxt} is given twice")
    endif()
    if(msgid STREQUAL "")
      message(FATAL_ERROR "${PO}: the id ${msgctxt} has no English text (msgid)")
    endif()
    if(fuzzy)
      set(msgstr "")
    endif()
    set(entry_${msgctxt} "    {\"${msgctxt}\", \"${msgid}\", \"${msgstr}\"},")
    list(APPEND ids "${msgctxt}")
  endif()
  set(msgctxt "")
  set(msgid "")
  set(msgstr "")
  set(field "")
  set(fuzzy OFF)
endmacro()

foreach(line IN LISTS lines)
  math(EXPR lineno "${lineno} + 1")
  string(STRIP "${line}" line)
  if(line STREQUAL "")
    flush_entry()
  elseif(line MATCHES "^#,.*fuzzy")
    set(fuzzy ON)
  elseif(line MATCHES "^#")
  elseif(line MATCHES "^(msgctxt|msgid|msgstr) \"(.*)\"$")
    set(field ${CMAKE_MATCH_1})
    set(${field} "${CMAKE_MATCH_2}")
  elseif(line MATCHES "^\"(.*)\"$")
    if(field STREQUAL "")
      message(FATAL_ERROR "${PO}:${lineno}: a continued text outside an entry")
    endif()
    set(${field} "${${field}}${CMAKE_MATCH_1}")
  else()
    message(FATAL_ERROR "${PO}:${lineno}: not a catalog line: ${line}")
  endif()
endforeach()

list(SORT ids)
set(body "")
foreach(id IN LISTS ids)
  string(APPEND body "${entry_${id}}\n")
endforeach()
string(REPLACE "@SEMI@" ";" body "${body}")
string(REPLACE "@LB@" "[" body "${body}")
string(REPLACE "@RB@" "]" body "${body}")
list(LENGTH ids count)
set(text "// Generated from ${PO} by cmake/po_to_cpp.cmake; edit the catalog, not this file.
#include \"core/message.h\"

namespace trelvo {
namespace {
const CatalogEntry kEntries[] = {
${body}};
}  // namespace

CatalogView Catalog() {
    return {kEntries, ${count}};
}

}  // namespace trelvo
")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
else()
  set(old "")
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUT}" "${text}")
endif()
