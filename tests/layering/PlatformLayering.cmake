# platform/ is the bottom of the core: nothing in it includes a header of the
# folders above it, and its libraries link none of theirs (only platform's
# own and the system's).
#   cmake -DSOURCE_DIR=... -DLINKS_FILE=... -P PlatformLayering.cmake
# LINKS_FILE: what migwiz_write_linked_targets wrote for MigWizard/platform.
set(above support profile grammar replace streams wizardlib dialogs host)
list(JOIN above "|" above_alternatives)
set(problems "")

file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/MigWizard/platform/*)
foreach(file IN LISTS files)
  if(NOT file MATCHES "\\.(h|hpp|cpp|c|inc|in)$")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${file} includes
       REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](\\.\\./)*(${above_alternatives})/")
  foreach(line IN LISTS includes)
    string(STRIP "${line}" line)
    string(APPEND problems "  ${file}: ${line}\n")
  endforeach()
endforeach()

file(STRINGS ${LINKS_FILE} links)
foreach(link IN LISTS links)
  string(REPLACE " " ";" fields "${link}")
  list(GET fields 0 target)
  list(GET fields 1 library)
  list(GET fields 2 library_dir)
  if(NOT library_dir STREQUAL "MigWizard/platform")
    string(APPEND problems "  ${target} links ${library} (${library_dir})\n")
  endif()
endforeach()

if(problems)
  message(FATAL_ERROR "platform/ reaches above itself:\n${problems}"
                      "Move the helper it needs down into platform/, or the code up out of it.")
endif()
list(LENGTH files file_count)
list(LENGTH links link_count)
message(STATUS "platform/: ${file_count} files, ${link_count} links within platform/ or to the system")
