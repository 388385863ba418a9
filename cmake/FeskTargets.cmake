# fesk_link_header(ROOT PATH): makes PATH (a folder or a header, relative to
# the source tree) visible under the include directory ROOT.
function(fesk_link_header root path)
  get_filename_component(parent ${root}/${path} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${path} ${root}/${path} SYMBOLIC)
endfunction()

# fesk_layer_headers(TARGET): the headers TARGET offers to what links it are
# those of its own folder alone. Every include names its folder from the
# source root ("runtime/threads/program.h"), so each target gets an include
# directory of its own that holds just a link to its folder: a layer then sees the
# headers of the layers it links (the ones below it) and no others, and an
# include of a layer above fails to compile.
function(fesk_layer_headers target)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set(root ${PROJECT_BINARY_DIR}/layer_headers/${target})
  fesk_link_header(${root} ${folder})
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# fesk_require_targets(WHO DEP ...): stops the configuration when a layer that
# WHO builds on is not there, rather than failing at link time or leaving WHO out.
function(fesk_require_targets who)
  foreach(dep ${ARGN})
    if(NOT TARGET ${dep})
      message(FATAL_ERROR "${who} needs ${dep}, which is not defined: its folder is missing "
                          "or is added after ${who}'s")
    endif()
  endforeach()
endfunction()

# fesk_library(NAME DEPS ... [EXCLUDE file.cpp ...]): a static library of every
# .cpp in the calling folder (and its sub-folders) but the excluded ones, so
# that adding a file needs no build edit.
function(fesk_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  fesk_require_targets(${name} ${ARG_DEPS})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  add_library(${name} STATIC ${sources})
  fesk_layer_headers(${name})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} Threads::Threads)
endfunction()

# fesk_test_suite(NAME DIR DEPS ... [TEST_PROPERTIES ...]): one GoogleTest
# executable of every *_test.cpp in DIR, each test case registered with CTest
# under the label NAME (so that `./test --suites NAME` builds and runs it
# alone), with the given CTest properties besides its time-out.
function(fesk_test_suite name dir)
  cmake_parse_arguments(ARG "" "" "DEPS;TEST_PROPERTIES" ${ARGN})
  fesk_require_targets(${name} ${ARG_DEPS})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT sources)
    message(FATAL_ERROR "${name}: ${dir} holds no tests")
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} fesk_test_support GTest::gtest GTest::gmock
                                        GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  # Where tests find the tree's own files (examples, scripts); __FILE__ may be
  # relative when a compiler cache rewrites paths.
  target_compile_definitions(${name} PRIVATE FESK_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                       PROPERTIES TIMEOUT 120 LABELS ${name} ${FESK_TEST_SETTINGS}
                                  ${ARG_TEST_PROPERTIES})
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
