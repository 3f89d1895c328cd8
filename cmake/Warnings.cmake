# Warnings for our own targets only; Qt's headers are system headers.
add_library(kv_warnings INTERFACE)
target_compile_options(kv_warnings INTERFACE -Wall -Wextra -Wpedantic)
