# Fails unless `nm -D` lists MINC and GEOROT as defined text symbols of each
# file in FILES.
foreach(_f IN LISTS FILES)
  execute_process(COMMAND ${NM} -D --defined-only ${_f} OUTPUT_VARIABLE _out RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "nm -D failed on ${_f}")
  endif()
  foreach(_sym MINC GEOROT)
    if(NOT _out MATCHES "[0-9a-f]+ T ${_sym}\n")
      message(FATAL_ERROR "${_f} does not export ${_sym}")
    endif()
  endforeach()
  message(STATUS "${_f}: MINC and GEOROT exported")
endforeach()
