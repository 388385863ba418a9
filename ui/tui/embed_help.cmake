# Writes OUTPUT: a C++ source with the name and text of every help page in
# INPUTS (separated by |), for the terminal's help viewer.
string(REPLACE "|" ";" INPUTS "${INPUTS}")
set(body "#include \"ui/tui/help_text.h\"\nnamespace fesk::tui {\nconst std::vector<HelpSource>& helpSources() {\n  static const std::vector<HelpSource> pages = {\n")
foreach(input ${INPUTS})
  get_filename_component(name ${input} NAME_WE)
  file(READ ${input} text)
  string(APPEND body "{\"${name}\", R\"FESKHELP(${text})FESKHELP\"},\n")
endforeach()
string(APPEND body "  };\n  return pages;\n}\n}  // namespace fesk::tui\n")
file(WRITE ${OUTPUT} "${body}")
