# Read by cpack before it packs, once per generator.
if(CPACK_GENERATOR STREQUAL "DEB")
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
