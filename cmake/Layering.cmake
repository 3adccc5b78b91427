# app/, dialog/, codec/ and res/ speak to platform/ only. Qt never reaches them: platform links it
# privately. POSIX's socket, file and process headers are shadowed for them by ones that stop the
# build, so a stray include fails at once instead of working by accident.
function(lanspry_program_layer target)
  target_include_directories(${target} BEFORE PRIVATE ${PROJECT_SOURCE_DIR}/cmake/no_posix)
endfunction()
