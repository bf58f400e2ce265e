# Read by cpack before it packs, once per generator.
if(CPACK_GENERATOR STREQUAL "DEB")
  # Without dpkg-shlibdeps CPack makes a package whose Depends names none of the libraries the
  # program links, with no more than a notice; without `file`, which it finds the programs with, it
  # stops, but names no package to install.
  find_program(GLINTFALL_SHLIBDEPS dpkg-shlibdeps)
  find_program(GLINTFALL_FILE file)
  if(NOT GLINTFALL_SHLIBDEPS OR NOT GLINTFALL_FILE)
    message(FATAL_ERROR "The Debian package's Depends names the libraries the program links, as "
                        "dpkg-shlibdeps (Debian package dpkg-dev) finds them with file (Debian package "
                        "file): install both")
  endif()
  # CPack dates every member of the package, and the headers of its gzip archives, by
  # SOURCE_DATE_EPOCH where that is set, and by the time it runs otherwise. Without one given, the
  # package takes the date of its latest changelog entry, as Debian's own package builds do, so
  # that the same sources give the same bytes at any time.
  if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND dpkg-parsechangelog -l "${CPACK_GLINTFALL_CHANGELOG}" -S Timestamp
                    OUTPUT_VARIABLE timestamp OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    set(ENV{SOURCE_DATE_EPOCH} "${timestamp}")
  endif()
endif()
