# Whether this machine executes 32-bit x86 programs, which the 32-bit Wine
# loader is: some kernels run none at all, whatever packages are installed, so
# it is found out by running one (i386_probe.s). Sets KESTRABIN_RUNS_I386 and,
# when false, KESTRABIN_I386_REASON.
set(kestrabin_probe ${CMAKE_BINARY_DIR}/i386-probe)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -m32 -nostdlib -static -x assembler
                        ${CMAKE_CURRENT_LIST_DIR}/i386_probe.s -o ${kestrabin_probe}
                RESULT_VARIABLE kestrabin_probe_built ERROR_VARIABLE kestrabin_probe_error)
if(NOT kestrabin_probe_built EQUAL 0)
  string(STRIP "${kestrabin_probe_error}" kestrabin_probe_error)
  set(KESTRABIN_RUNS_I386 FALSE)
  set(KESTRABIN_I386_REASON "the 32-bit probe could not be built: ${kestrabin_probe_error}")
  return()
endif()
# Started with execv, which reports the kernel's refusal as it is; execvp and
# CMake itself would hand a file the kernel refuses to /bin/sh instead.
find_program(KESTRABIN_PYTHON3 python3 REQUIRED)
execute_process(COMMAND ${KESTRABIN_PYTHON3} -c [[
import os, sys
try:
    os.execv(sys.argv[1], sys.argv[1:])
except OSError as error:
    sys.exit(error.strerror)
]] ${kestrabin_probe} RESULT_VARIABLE kestrabin_probe_status ERROR_VARIABLE kestrabin_probe_error)
if(kestrabin_probe_status EQUAL 32)
  set(KESTRABIN_RUNS_I386 TRUE)
else()
  string(STRIP "${kestrabin_probe_error}" kestrabin_probe_error)
  if(kestrabin_probe_error STREQUAL "")
    set(kestrabin_probe_error "exit status ${kestrabin_probe_status}")
  endif()
  set(KESTRABIN_RUNS_I386 FALSE)
  set(KESTRABIN_I386_REASON
      "this machine does not execute 32-bit x86 code (the probe: ${kestrabin_probe_error})")
endif()
