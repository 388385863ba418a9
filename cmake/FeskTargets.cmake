# fesk_library(NAME DEPS ... [EXCLUDE file.cpp ...]): a static library of every
# .cpp in the calling folder (and its sub-folders) but the excluded ones, so
# that adding a file needs no build edit.
function(fesk_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} Threads::Threads)
endfunction()

# fesk_test_suite(NAME DIR DEPS ... [TEST_PROPERTIES ...]): one GoogleTest
# executable of every *_test.cpp in DIR, each test case registered with CTest
# (with the given CTest properties besides its time-out).
function(fesk_test_suite name dir)
  cmake_parse_arguments(ARG "" "" "DEPS;TEST_PROPERTIES" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} fesk_test_support GTest::gtest GTest::gmock
                                        GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  # Where tests find the tree's own files (examples, scripts); __FILE__ may be
  # relative when a compiler cache rewrites paths.
  target_compile_definitions(${name} PRIVATE FESK_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 120 ${ARG_TEST_PROPERTIES})
endfunction()

# fesk_embed_texts(TARGET FILES ... INCLUDE header NAMESPACE ns FUNCTION name TYPE type):
# compiles the text of FILES into TARGET as `const std::vector<TYPE>& ns::name()`,
# each entry {file name without extension, text} (see embed_texts.cmake).
function(fesk_embed_texts target)
  cmake_parse_arguments(ARG "" "INCLUDE;NAMESPACE;FUNCTION;TYPE" "FILES" ${ARGN})
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${ARG_FUNCTION}.cpp)
  string(REPLACE ";" "|" inputs "${ARG_FILES}")
  set(script ${PROJECT_SOURCE_DIR}/cmake/embed_texts.cmake)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${output} "-DINPUTS=${inputs}" -DINCLUDE=${ARG_INCLUDE}
            -DNAMESPACE=${ARG_NAMESPACE} -DFUNCTION=${ARG_FUNCTION} -DTYPE=${ARG_TYPE}
            -P ${script}
    DEPENDS ${ARG_FILES} ${script}
    COMMENT "Compiling ${ARG_FUNCTION}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()
