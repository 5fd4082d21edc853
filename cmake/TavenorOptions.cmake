# Compile options shared by every target of the project: link
# tavenor_options PRIVATE and nothing else needs to be repeated.
set(WITH_SANITIZERS "" CACHE STRING
    "Sanitizers to build with: empty, 'address,undefined' or 'thread'")

add_library(tavenor_options INTERFACE)
target_compile_features(tavenor_options INTERFACE cxx_std_17)
target_compile_options(tavenor_options INTERFACE
    -Wall -Wextra -Wpedantic)
target_compile_definitions(tavenor_options INTERFACE QT_DEPRECATED_WARNINGS)

if(WITH_SANITIZERS)
    set(_san "-fsanitize=${WITH_SANITIZERS}")
    target_compile_options(tavenor_options INTERFACE
        ${_san} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    # The sanitizers' dlopen wrapper searches its own runtime's RUNPATH, not
    # the program's: an old-style RPATH keeps loading the renderer by bare name
    # working in sanitizer builds.
    target_link_options(tavenor_options INTERFACE ${_san} -Wl,--disable-new-dtags)
endif()
