# Writes a manual page from a program's --help text, run at build time:
#   cmake -DPROGRAM=... -DNAME=torvacalc -DSECTION=1 -DSUMMARY="..." -DOUTPUT=... -P ManPage.cmake
# The help text is the page's synopsis and description, kept as printed
# (no fill); a program whose help lists "Commands:" gets a section per
# command made from COMMAND --help. No help2man: the help texts are laid
# out for a terminal already, and the build needs no Perl for them.
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed (${rc})")
endif()
execute_process(COMMAND ${PROGRAM} --version OUTPUT_VARIABLE version OUTPUT_STRIP_TRAILING_WHITESPACE)

# roff: a backslash is \e; a line starting with . or ' is protected by \&.
function(roff_text out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

string(TOUPPER "${NAME}" upper)
roff_text(body "${help}")
set(page ".TH ${upper} ${SECTION} \"\" \"${version}\" \"Torvacalc\"\n")
string(APPEND page ".SH NAME\n${NAME} \\- ${SUMMARY}\n")
string(APPEND page ".SH DESCRIPTION\n.nf\n${body}.fi\n")

# The commands: lines "  name   text" after "Commands:" up to a blank line.
string(FIND "${help}" "Commands:\n" at)
if(NOT at EQUAL -1)
  string(SUBSTRING "${help}" ${at} -1 rest)
  string(REGEX MATCH "Commands:\n([^\n]+\n)+" block "${rest}")
  string(REGEX MATCHALL "\n  [a-z]+ " names "${block}")
  string(APPEND page ".SH COMMANDS\n")
  foreach(n ${names})
    string(STRIP "${n}" command)
    execute_process(COMMAND ${PROGRAM} ${command} --help OUTPUT_VARIABLE sub)
    roff_text(sub "${sub}")
    string(APPEND page ".SS ${command}\n.nf\n${sub}.fi\n")
  endforeach()
endif()
string(APPEND page ".SH ENVIRONMENT\n.TP\n.B TORVACALC_DATA\n"
  "the folder of the databases, dictionaries and property libraries instead of the installed ones\n"
  ".TP\n.B TORVACALC_CONFIG_DIR\nthe folder of the settings instead of \\fI$XDG_CONFIG_HOME/torvacalc\\fR\n")
if(NAME STREQUAL "torvacalc")
  string(APPEND page ".SH SEE ALSO\n.BR torvacalc-gui (1)\n")
else()
  string(APPEND page ".SH SEE ALSO\n.BR torvacalc (1)\n")
endif()
# Gzipped as Debian installs manual pages.
if(OUTPUT MATCHES "\\.gz$")
  string(REGEX REPLACE "\\.gz$" "" plain "${OUTPUT}")
  file(WRITE ${plain} "${page}")
  file(ARCHIVE_CREATE OUTPUT ${OUTPUT} PATHS ${plain} FORMAT raw COMPRESSION GZip)
else()
  file(WRITE ${OUTPUT} "${page}")
endif()
