# Checks how the build reads the version from a version header: each case writes a
# header, reads it in a child CMake and compares the outcome.
#   cmake -DVERSION_SCRIPT=cmake/version.cmake -DWORK=dir -P version_test.cmake
set(cases
  "good|#define OSTREVANE_FILE_VERSION_TEXT \"3.11.0.3\"\n#define OSTREVANE_FILE_VERSION_NUMBERS 3, 11, 0, 3\n|3.11.0.3"
  "tabs and no blanks|#define OSTREVANE_FILE_VERSION_NUMBERS\t12,0,7,1\n#define OSTREVANE_FILE_VERSION_TEXT \"12.0.7.1\"\n|12.0.7.1"
  "product version ignored|#define OSTREVANE_PRODUCT_VERSION_TEXT \"1.4.0.0\"\n#define OSTREVANE_FILE_VERSION_TEXT \"2.0.0.0\"\n#define OSTREVANE_FILE_VERSION_NUMBERS 2, 0, 0, 0\n|2.0.0.0"
  "text and numbers disagree|#define OSTREVANE_FILE_VERSION_TEXT \"3.11.0.4\"\n#define OSTREVANE_FILE_VERSION_NUMBERS 3, 11, 0, 3\n|error:disagree"
  "numbers missing|#define OSTREVANE_FILE_VERSION_TEXT \"3.11.0.3\"\n|error:lacks"
  "three parts only|#define OSTREVANE_FILE_VERSION_TEXT \"3.11.0\"\n#define OSTREVANE_FILE_VERSION_NUMBERS 3, 11, 0\n|error:lacks"
  "no header|-|error:does not exist")

set(failures 0)
set(index 0)
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 name)
  list(GET parts 1 content)
  list(GET parts 2 expected)
  math(EXPR index "${index} + 1")
  set(header "${WORK}/case${index}/version_values.h")
  file(REMOVE_RECURSE "${WORK}/case${index}")
  if(NOT content STREQUAL "-")
    string(REPLACE "\\n" "\n" content "${content}")
    string(REPLACE "\\t" "\t" content "${content}")
    file(WRITE "${header}" "${content}")
  endif()
  file(WRITE "${WORK}/case${index}/read.cmake"
    "include(\"${VERSION_SCRIPT}\")\nostrevane_read_version(\"${header}\" v)\nmessage(STATUS \"version=\${v}\")\n")
  execute_process(COMMAND "${CMAKE_COMMAND}" -P "${WORK}/case${index}/read.cmake"
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(expected MATCHES "^error:(.*)$")
    set(reason "${CMAKE_MATCH_1}")
    if(status EQUAL 0 OR NOT err MATCHES "${reason}")
      message(SEND_ERROR "${name}: expected a failure naming '${reason}', got status ${status}: ${out}${err}")
      math(EXPR failures "${failures} + 1")
    endif()
  elseif(NOT status EQUAL 0 OR NOT out MATCHES "version=${expected}\n")
    message(SEND_ERROR "${name}: expected ${expected}, got status ${status}: ${out}${err}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} version case(s) failed")
endif()
message(STATUS "all ${index} version cases passed")
