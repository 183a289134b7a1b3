# Writes the help2man include file of the vantor manual page: one section per
# subcommand, each its own --help. Run with -DPROGRAM=<vantor> -DOUTPUT=<file>.
set(text "[SUBCOMMANDS]\n")
foreach(subcommand power two-stage design)
  execute_process(COMMAND ${PROGRAM} ${subcommand} --help OUTPUT_VARIABLE help
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} ${subcommand} --help failed")
  endif()
  # Lines starting with a dot or quote would be read as roff requests.
  string(REGEX REPLACE "\n([.'])" "\n\\\\&\\1" help "${help}")
  string(APPEND text ".SS vantor ${subcommand}\n.nf\n${help}\n.fi\n")
endforeach()
file(WRITE ${OUTPUT} "${text}")
