# The driver's version is written once, in src/sysinfo/version_values.h: the Windows
# version resource and the POSIX library compile it in, and the build reads it from
# there for the project, the shared library's soname and the package names.

# Sets `var` to the file version "A.B.C.D" of the header; stops the configuration
# when the header's text and its numbers disagree or cannot be read.
function(ostrevane_read_version header var)
  if(NOT EXISTS "${header}")
    message(FATAL_ERROR "version: ${header} does not exist")
  endif()
  file(STRINGS "${header}" lines REGEX "^#define OSTREVANE_FILE_VERSION_(TEXT|NUMBERS)[ \t]")
  set(text "")
  set(numbers "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^#define OSTREVANE_FILE_VERSION_TEXT[ \t]+\"([0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+)\"[ \t]*$")
      set(text "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^#define OSTREVANE_FILE_VERSION_NUMBERS[ \t]+([0-9]+)[ \t]*,[ \t]*([0-9]+)[ \t]*,[ \t]*([0-9]+)[ \t]*,[ \t]*([0-9]+)[ \t]*$")
      set(numbers "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${CMAKE_MATCH_3}.${CMAKE_MATCH_4}")
    endif()
  endforeach()
  if(text STREQUAL "" OR numbers STREQUAL "")
    message(FATAL_ERROR "version: ${header} lacks OSTREVANE_FILE_VERSION_TEXT \"A.B.C.D\" or OSTREVANE_FILE_VERSION_NUMBERS A, B, C, D")
  endif()
  if(NOT text STREQUAL numbers)
    message(FATAL_ERROR "version: in ${header} the text ${text} and the numbers ${numbers} disagree")
  endif()
  set(${var} "${text}" PARENT_SCOPE)
endfunction()
