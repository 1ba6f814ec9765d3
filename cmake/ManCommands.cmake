# cmake -P: writes help2man's include file with a COMMANDS section, one subsection per command
# as the program's own `COMMAND --help` prints it. -DPROGRAM=<gridmoor-cli> -DOUTPUT=<file>
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE top RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${PROGRAM} --help failed")
endif()
string(REGEX MATCH "Subcommands:\n(  [a-z][^\n]*\n)+" block "${top}")
string(REGEX MATCHALL "\n  [a-z][a-z-]*" names "${block}")
set(text "[COMMANDS]\n")
foreach(name IN LISTS names)
  string(STRIP "${name}" name)
  execute_process(COMMAND ${PROGRAM} ${name} --help OUTPUT_VARIABLE help)
  # Each command's help without its copy of the exit statuses (the main page has them once).
  string(REGEX REPLACE "\nExit statuses:.*" "" help "${help}")
  string(REPLACE "\\" "\\\\" help "${help}")
  string(REGEX REPLACE "\n\\." "\n\\\\&." help "${help}")
  string(APPEND text ".SS ${name}\n.nf\n${help}\n.fi\n")
endforeach()
file(WRITE ${OUTPUT} "${text}")
