# cmake -P: writes help2man's include file: a COMMANDS section with one subsection per command
# and per subcommand (`set import`, ...) as the program's own `COMMAND --help` prints it, an
# EXIT STATUS section from the program's exit statuses, then the hand-written sections.
# Also writes PAGE_PROGRAM, the program for help2man to read.
# -DPROGRAM=<gridmoor-cli> -DSECTIONS=<hand-written .h2m> -DOUTPUT=<file> -DPAGE_PROGRAM=<file>

# Escapes help text for roff: backslashes, and a leading dot that would read as a request.
function(roff_escape var)
  string(REPLACE "\\" "\\e" text "${${var}}")
  string(REGEX REPLACE "\n([.'])" "\n\\\\&\\1" text "${text}")
  set(${var} "${text}" PARENT_SCOPE)
endfunction()

# Appends the help of the command path in ARGN and, depth first, of its subcommands to `text`.
function(describe_command)
  execute_process(COMMAND ${PROGRAM} ${ARGN} --help OUTPUT_VARIABLE help RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${PROGRAM} ${ARGN} --help failed")
  endif()
  string(REGEX MATCH "Subcommands:\n(  [a-z][^\n]*\n)+" block "${help}")
  string(REGEX MATCHALL "\n  [a-z][a-z-]*" names "${block}")
  if(ARGN)
    # Without its copy of the exit statuses: the page has them once.
    string(REGEX REPLACE "\nExit statuses:.*" "" help "${help}")
    roff_escape(help)
    list(JOIN ARGN " " title)
    string(APPEND text ".SS ${title}\n.nf\n${help}\n.fi\n")
  endif()
  foreach(name IN LISTS names)
    string(STRIP "${name}" name)
    describe_command(${ARGN} ${name})
  endforeach()
  set(text "${text}" PARENT_SCOPE)
endfunction()

set(text "[COMMANDS]\n")
describe_command()

execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE top)
string(REGEX MATCH "Exit statuses:\n(  *[0-9]+  [^\n]*\n?)+" statuses "${top}")
if(NOT statuses)
  message(FATAL_ERROR "${PROGRAM} --help lists no exit statuses")
endif()
string(APPEND text "[EXIT STATUS]\n")
# A meaning may hold a semicolon, which a CMake list would split at.
string(ASCII 31 unit)
string(REPLACE ";" "${unit}" listed "${statuses}")
string(REGEX MATCHALL " *[0-9]+  [^\n]*" lines "${listed}")
foreach(line IN LISTS lines)
  string(REGEX MATCH "([0-9]+)  (.*)" _ "${line}")
  string(REPLACE "${unit}" ";" meaning "${CMAKE_MATCH_2}")
  roff_escape(meaning)
  string(APPEND text ".TP\n.B ${CMAKE_MATCH_1}\n${meaning}\n")
endforeach()
# What follows the list (which status a run of several gives) closes the section.
string(FIND "${top}" "${statuses}" at)
string(LENGTH "${statuses}" length)
math(EXPR at "${at} + ${length}")
string(SUBSTRING "${top}" ${at} -1 after)
string(STRIP "${after}" after)
if(after)
  roff_escape(after)
  string(APPEND text ".PP\n${after}\n")
endif()

file(READ ${SECTIONS} sections)
file(WRITE ${OUTPUT} "${text}${sections}")

# help2man reads the page's options from this stand-in of the program, whose --help leaves the
# exit statuses to the EXIT STATUS section above instead of listing them among the options.
file(WRITE ${PAGE_PROGRAM} "#!/bin/sh\n\
if [ \"\$1\" = --help ]; then\n\
  '${PROGRAM}' --help | sed '/^Exit statuses:/,\$d'\n\
else\n\
  exec '${PROGRAM}' \"\$@\"\n\
fi\n")
file(CHMOD ${PAGE_PROGRAM} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
     GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
