# The program runs its tools under fixed names in its own folder: link them to the system's.
foreach(pair "asapi.dll;mencoder" "wmaspi.dll;ffmpeg")
  list(GET pair 0 name)
  list(GET pair 1 tool)
  find_program(TOOL_${tool} ${tool} REQUIRED)
  file(CREATE_LINK "${TOOL_${tool}}" "${DIR}/${name}" SYMBOLIC)
endforeach()
