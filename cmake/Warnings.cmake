# Warnings on and treated as the build's quality bar.
add_compile_options(-Wall -Wextra -Werror=deprecated-declarations)
# FFmpeg's C headers need the constant macros in C++.
add_compile_definitions(__STDC_CONSTANT_MACROS)

# zanto_target_defaults(target): the settings every library and executable of the project shares.
function(zanto_target_defaults target)
  target_compile_features(${target} PUBLIC cxx_std_20)
endfunction()
