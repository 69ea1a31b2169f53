# Makes a delay-load import library from an ordinary one: every function the
# ordinary library imports, with its __stdcall decoration, goes into a module
# definition file, and dlltool writes the delay-load form of it. A program
# linked with it loads the DLL at its first call into it, through the
# delay-load helper of mingw-w64's runtime.
#   cmake -DNM= -DDLLTOOL= -DOBJCOPY= -DAR= -DIMPORT_LIB= -DDLL= -DDEF= -DWORK= -DOUT= -P DelayImportLibrary.cmake
foreach(name NM DLLTOOL OBJCOPY AR IMPORT_LIB DLL DEF WORK OUT)
  if(NOT DEFINED ${name} OR "${${name}}" STREQUAL "")
    message(FATAL_ERROR "DelayImportLibrary.cmake needs -D${name}=")
  endif()
endforeach()
execute_process(COMMAND "${NM}" -g "${IMPORT_LIB}" OUTPUT_VARIABLE symbols RESULT_VARIABLE failed ERROR_QUIET)
if(failed)
  message(FATAL_ERROR "${NM} could not read ${IMPORT_LIB}")
endif()
# "00000000 I __imp__WSAStartup@8": the import's own name is what follows __imp__.
string(REGEX MATCHALL "I __imp__[A-Za-z0-9_]+@[0-9]+" imports "${symbols}")
list(TRANSFORM imports REPLACE "^I __imp__" "")
list(REMOVE_DUPLICATES imports)
list(SORT imports)
list(LENGTH imports count)
if(count EQUAL 0)
  message(FATAL_ERROR "${IMPORT_LIB} imports nothing from ${DLL}")
endif()
list(JOIN imports "\n" exports)
file(WRITE "${DEF}" "LIBRARY ${DLL}\nEXPORTS\n${exports}\n")
file(REMOVE "${OUT}")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/members")
set(made "${WORK}/dlltool.a")
# -k: the DLL exports the names without their decoration.
execute_process(COMMAND "${DLLTOOL}" -k --input-def "${DEF}" --output-delaylib "${made}" RESULT_VARIABLE failed
                OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(failed OR NOT EXISTS "${made}")
  message(FATAL_ERROR "dlltool could not make ${made}:\n${out}")
endif()

# dlltool puts the delay-load address table into .idata$5, the ordinary
# import table's own section, and this linker leaves every entry there at
# zero, so that the first call jumps to address 0. Renamed to ordinary data
# sections, the entries keep the addresses of their loading stubs. The names
# keep the order that .idata gave by file name: the head (_h), the functions,
# the tail (_t) that ends the tables.
execute_process(COMMAND "${AR}" x "${made}" WORKING_DIRECTORY "${WORK}/members" RESULT_VARIABLE failed)
file(GLOB members RELATIVE "${WORK}/members" "${WORK}/members/*.o")
list(SORT members)
if(failed OR NOT members)
  message(FATAL_ERROR "the members of ${made} could not be taken out")
endif()
set(renamed "")
foreach(member IN LISTS members)
  if(member MATCHES "_h\\.o$")
    set(place a)
  elseif(member MATCHES "_t\\.o$")
    set(place c)
  else()
    set(place b)
  endif()
  execute_process(
    COMMAND "${OBJCOPY}" --rename-section ".idata$5=.data$zdelayiat${place}"
            --rename-section ".idata$4=.rdata$zdelayint${place}" --rename-section ".idata$6=.rdata$zdelayname"
            --rename-section ".idata$7=.rdata$zdelaydll" "${member}" "renamed-${member}"
    WORKING_DIRECTORY "${WORK}/members" RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(failed)
    message(FATAL_ERROR "objcopy could not rename the sections of ${member}:\n${out}")
  endif()
  list(APPEND renamed "renamed-${member}")
endforeach()
execute_process(COMMAND "${AR}" rcs "${OUT}" ${renamed} WORKING_DIRECTORY "${WORK}/members" RESULT_VARIABLE failed
                OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(failed OR NOT EXISTS "${OUT}")
  message(FATAL_ERROR "${AR} could not make ${OUT}:\n${out}")
endif()
