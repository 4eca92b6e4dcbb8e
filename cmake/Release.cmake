# What scripts/release.sh builds beside the program: the program that plays
# the user in the one run of each edition under Wine, and the caption and the
# shortcut's description as the program's own code makes them. Signing and
# publishing are the release command's alone: a build folder keeps what it
# was configured with, so a release made from one could carry another site's
# settings.
add_executable(release_run EXCLUDE_FROM_ALL tests/e2e/release_run.cpp tests/support/driver.cpp)
target_include_directories(release_run PRIVATE tests/support)
target_link_libraries(release_run PRIVATE ostrivane_core)
# The caption and the shortcut's description as the program's own code makes
# them (resources/texts.h), for the release's check and record: compiled, not
# linked, and each taken out of its section as UTF-16 text, ending in a NUL.
add_library(release_texts_object OBJECT EXCLUDE_FROM_ALL tools/release_texts.cpp)
target_link_libraries(release_texts_object PRIVATE ostrivane_options)
# Optimised at link time, the object would hold no data, only the compiler's code.
set_target_properties(release_texts_object PROPERTIES INTERPROCEDURAL_OPTIMIZATION OFF
                      INTERPROCEDURAL_OPTIMIZATION_RELEASE OFF)
set(release_texts ${CMAKE_BINARY_DIR}/release-texts)
add_custom_command(OUTPUT ${release_texts}/caption.utf16 ${release_texts}/description.utf16
  COMMAND ${CMAKE_COMMAND} -E make_directory ${release_texts}
  COMMAND ${CMAKE_OBJCOPY} -O binary -j .caption $<TARGET_OBJECTS:release_texts_object>
          ${release_texts}/caption.utf16
  COMMAND ${CMAKE_OBJCOPY} -O binary -j .descr $<TARGET_OBJECTS:release_texts_object>
          ${release_texts}/description.utf16
  DEPENDS release_texts_object $<TARGET_OBJECTS:release_texts_object>
  VERBATIM)
add_custom_target(release_texts DEPENDS ${release_texts}/caption.utf16 ${release_texts}/description.utf16)
