# What makes the Windows programs small and reproducible: the same commit built
# in any folder, at any time, gives the same bytes.

if(WIN32)
  # A section per function and per datum lets the linker drop what is unused.
  add_compile_options(-ffunction-sections -fdata-sections)
  # Objects name no build folder: source and build paths become relative.
  add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
  # No symbol tables, no unused sections, no link time in the header.
  add_link_options(-s -Wl,--gc-sections -Wl,--no-insert-timestamp)
endif()

# The release archive is named after the version that the version resource carries.
file(WRITE ${CMAKE_BINARY_DIR}/version.txt ${PROJECT_VERSION})
