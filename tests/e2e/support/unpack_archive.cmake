# Unpacks an archive into a fresh folder: cmake -DARCHIVE=file.zip -DDESTINATION=dir -P this
if(NOT EXISTS "${ARCHIVE}")
  message(FATAL_ERROR "no archive ${ARCHIVE}")
endif()
file(REMOVE_RECURSE "${DESTINATION}")
file(MAKE_DIRECTORY "${DESTINATION}")
file(ARCHIVE_EXTRACT INPUT "${ARCHIVE}" DESTINATION "${DESTINATION}")
message(STATUS "unpacked ${ARCHIVE} into ${DESTINATION}")
