# Writes OUTPUT: a C++ source that defines `const std::vector<TYPE>& FUNCTION()`
# in NAMESPACE, whose entries are {name, text} of every file in INPUTS
# (separated by |; the name is the file name without its extension). INCLUDE is
# the header that declares TYPE and FUNCTION.
string(REPLACE "|" ";" INPUTS "${INPUTS}")
set(body "#include \"${INCLUDE}\"\nnamespace ${NAMESPACE} {\nconst std::vector<${TYPE}>& ${FUNCTION}() {\n  static const std::vector<${TYPE}> texts = {\n")
foreach(input ${INPUTS})
  get_filename_component(name ${input} NAME_WE)
  file(READ ${input} text)
  string(APPEND body "{\"${name}\", R\"FESKTEXT(${text})FESKTEXT\"},\n")
endforeach()
string(APPEND body "  };\n  return texts;\n}\n}  // namespace ${NAMESPACE}\n")
file(WRITE ${OUTPUT} "${body}")
