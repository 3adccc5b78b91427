# app/, dialog/, codec/ and res/ speak to platform/ only. Qt never reaches them: platform links it
# privately. POSIX's socket, file and process headers are shadowed for them by ones that stop the
# build, so a stray include fails at once instead of working by accident.
set(LANSPRY_NO_POSIX_DIR ${CMAKE_CURRENT_LIST_DIR}/no_posix)
function(lanspry_program_layer target)
  target_include_directories(${target} BEFORE PRIVATE ${LANSPRY_NO_POSIX_DIR})
endfunction()
