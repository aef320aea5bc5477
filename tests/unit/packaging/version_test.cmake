# How the build reads the version header: each case writes one ("-": none), reads it in
# a child CMake and compares the outcome: a version, or "error:" and the reason named.
#   cmake -DVERSION_SCRIPT=cmake/version.cmake -DWORK=dir -P version_test.cmake
set(text "#define OSTREVANE_FILE_VERSION_TEXT")
set(numbers "#define OSTREVANE_FILE_VERSION_NUMBERS")
set(cases
  "good|${text} \"3.11.0.3\"\n${numbers} 3, 11, 0, 3\n|3.11.0.3"
  "tabs and no blanks|${numbers}\t12,0,7,1\n${text} \"12.0.7.1\"\n|12.0.7.1"
  "product version ignored|#define OSTREVANE_PRODUCT_VERSION_TEXT \"1.4.0.0\"\n${text} \"2.0.0.0\"\n${numbers} 2, 0, 0, 0\n|2.0.0.0"
  "text and numbers disagree|${text} \"3.11.0.4\"\n${numbers} 3, 11, 0, 3\n|error:disagree"
  "numbers missing|${text} \"3.11.0.3\"\n|error:lacks"
  "no header|-|error:does not exist")
set(failures 0)
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 name)
  list(GET parts 1 content)
  list(GET parts 2 expected)
  string(MAKE_C_IDENTIFIER "${name}" folder)
  set(header "${WORK}/${folder}/version_values.h")
  file(REMOVE_RECURSE "${WORK}/${folder}")
  if(NOT content STREQUAL "-")
    file(WRITE "${header}" "${content}")
  endif()
  file(WRITE "${WORK}/${folder}/read.cmake"
    "include(\"${VERSION_SCRIPT}\")\nostrevane_read_version(\"${header}\" v)\nmessage(STATUS \"version=\${v}\")\n")
  execute_process(COMMAND "${CMAKE_COMMAND}" -P "${WORK}/${folder}/read.cmake"
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(status EQUAL 0 AND out MATCHES "version=([^\n]*)\n")
    set(got "${CMAKE_MATCH_1}")
  else()
    set(got "error:${err}")
  endif()
  # An error must name its reason; a version must be the whole answer.
  string(REPLACE "error:" "^error:.*" pattern "${expected}")
  if(NOT (got STREQUAL expected OR (expected MATCHES "^error:" AND got MATCHES "${pattern}")))
    message(SEND_ERROR "${name}: expected ${expected}, got status ${status}: ${out}${err}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} version case(s) failed")
endif()
