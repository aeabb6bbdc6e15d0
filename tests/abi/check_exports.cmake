# Checks the dynamic symbol table of a shared library (or, with OBJDUMP, the
# export table of a Windows DLL) against the public interface: exactly the 39
# VARNO_ functions below, each a function, and no other defined symbol. Version-definition nodes (absolute symbols at value 0
# that the linker adds for a named version script) are the only entries
# ignored.
#
#   cmake -DNM=<nm> -DLIBRARY=<shared library> -P check_exports.cmake
#   cmake -DOBJDUMP=<objdump> -DLIBRARY=<DLL> -P check_exports.cmake
#
# With EXPECT_MISSING, EXPECT_UNEXPECTED and EXPECT_NOT_FUNCTION (names
# separated by commas, may be empty) the script checks instead that it finds exactly those faults; the
# test suite uses this on a library built with known faults.
cmake_minimum_required(VERSION 3.25)

set(expected
  VARNO_getBuildNumber
  VARNO_initializeStudySetup
  VARNO_getLastMessage
  VARNO_getMessageLog
  VARNO_clearMessageLog
  VARNO_freePtr
  VARNO_freePtrArrayData
  VARNO_createNewStudy
  VARNO_defineNewProjectParameter
  VARNO_defineNewProjectResponse
  VARNO_defineNewDiscreteSet
  VARNO_defineNewDistribution
  VARNO_defineNewCurve
  VARNO_defineNewFormat
  VARNO_defineStudyLevelData
  VARNO_defineSearchMethodData
  VARNO_defineStudyRuntimeOptions
  VARNO_addVariableToStudy
  VARNO_addDOEFactorToStudy
  VARNO_addResponseToStudy
  VARNO_finalizeStudyData
  VARNO_getNextSetOfDesignsFromStudy
  VARNO_updateResultsForDesignSet
  VARNO_shareDesigns
  VARNO_isShareDesignsSupported
  VARNO_isStudyComplete
  VARNO_endStudy
  VARNO_getPerformanceValueForDesign
  VARNO_getDesignStatus
  VARNO_getBestDesignId
  VARNO_getIntStudyData
  VARNO_getParetoDesignIds
  VARNO_getFactorNames
  VARNO_getInteractionNames
  VARNO_getPercentContribution
  VARNO_getDOEEffectsData
  VARNO_generateReportFile
  VARNO_generateDesignResultsFile
  VARNO_generateStudyResultsFiles
)

list(LENGTH expected expected_count)
list(REMOVE_DUPLICATES expected)
list(LENGTH expected unique_count)
if(NOT expected_count EQUAL 39 OR NOT unique_count EQUAL 39)
  message(FATAL_ERROR "The expected list must hold 39 distinct names, it holds "
                      "${expected_count} (${unique_count} distinct).")
endif()

if(NOT DEFINED NM AND NOT DEFINED OBJDUMP)
  message(FATAL_ERROR "Neither NM nor OBJDUMP is set.")
endif()
if(NOT DEFINED LIBRARY OR LIBRARY STREQUAL "")
  message(FATAL_ERROR "LIBRARY is not set.")
endif()
if(NOT EXISTS "${LIBRARY}")
  message(FATAL_ERROR "No library at ${LIBRARY}.")
endif()

set(found "")
set(not_function "")
set(unexpected "")
if(DEFINED OBJDUMP)
  include("${CMAKE_CURRENT_LIST_DIR}/pe_exports.cmake")
else()
  execute_process(
    COMMAND "${NM}" -D --defined-only "${LIBRARY}"
    RESULT_VARIABLE nm_result
    OUTPUT_VARIABLE nm_output
    ERROR_VARIABLE nm_error)
  if(NOT nm_result EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${LIBRARY} (${nm_result}): ${nm_error}")
  endif()

  # Each line: value, type letter, name (possibly with @VERSION or @@VERSION).
  string(REPLACE "\n" ";" nm_lines "${nm_output}")
  foreach(line IN LISTS nm_lines)
    if(line STREQUAL "")
      continue()
    endif()
    if(NOT line MATCHES "^([0-9a-fA-F]+) ([A-Za-z]) ([^ ]+)$")
      message(FATAL_ERROR "Unreadable line of ${NM} output: '${line}'")
    endif()
    set(value "${CMAKE_MATCH_1}")
    set(type "${CMAKE_MATCH_2}")
    set(symbol "${CMAKE_MATCH_3}")
    string(REGEX REPLACE "@.*$" "" name "${symbol}")
    if(type STREQUAL "A" AND value MATCHES "^0+$")
      continue()  # version-definition node
    endif()
    if(name IN_LIST expected)
      list(APPEND found ${name})
      if(NOT type STREQUAL "T")
        list(APPEND not_function ${name})
        message(STATUS "not a function: ${name} (type ${type})")
      endif()
    else()
      list(APPEND unexpected ${name})
      message(STATUS "unexpected: ${name} (type ${type})")
    endif()
  endforeach()
endif()

set(missing "")
foreach(name IN LISTS expected)
  if(NOT name IN_LIST found)
    list(APPEND missing ${name})
    message(STATUS "missing: ${name}")
  endif()
endforeach()

list(LENGTH found found_count)
list(LENGTH missing missing_count)
list(LENGTH unexpected unexpected_count)
list(LENGTH not_function not_function_count)
string(CONCAT summary "${found_count} expected names found, ${missing_count} missing, "
       "${unexpected_count} unexpected, ${not_function_count} not functions")

if(DEFINED EXPECT_MISSING OR DEFINED EXPECT_UNEXPECTED OR DEFINED EXPECT_NOT_FUNCTION)
  foreach(kind missing unexpected not_function)
    string(TOUPPER "${kind}" upper)
    string(REPLACE "," ";" want "${EXPECT_${upper}}")
    set(got "${${kind}}")
    list(SORT want)
    list(SORT got)
    if(NOT "${want}" STREQUAL "${got}")
      message(FATAL_ERROR "Fault detection went wrong for ${kind}: expected "
                          "'${want}', found '${got}' (${summary}).")
    endif()
  endforeach()
  message(STATUS "Every planted fault was detected (${summary}).")
  return()
endif()

if(missing_count OR unexpected_count OR not_function_count)
  message(FATAL_ERROR "The dynamic symbol table of ${LIBRARY} is not the public "
                      "interface: ${summary}.")
endif()
if(NOT found_count EQUAL 39)
  message(FATAL_ERROR "Expected each of the 39 names once: ${summary}.")
endif()
message(STATUS "Exactly the 39 VARNO_ functions are exported.")
