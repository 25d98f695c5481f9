# Compile settings shared by every target of the project, on one interface target.
add_library(kelvane_settings INTERFACE)
target_compile_options(kelvane_settings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                                  -Wold-style-cast -Wcast-align -Woverloaded-virtual)
target_compile_definitions(kelvane_settings INTERFACE QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII
                                                      QT_NO_CONTEXTLESS_CONNECT QT_NO_KEYWORDS)
if(KELVANE_WERROR)
    target_compile_options(kelvane_settings INTERFACE -Werror)
endif()
if(KELVANE_SANITIZE)
    target_compile_options(kelvane_settings INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                      -fno-sanitize-recover=undefined)
    target_link_options(kelvane_settings INTERFACE -fsanitize=address,undefined)
endif()
