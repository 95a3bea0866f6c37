# Run by lumora_skin_package at build time: cmake -DSOURCE_DIR= -DOUTPUT= -DSEVENZIP= -P SkinPack.cmake
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
# Editor and version-control leftovers do not belong in the package.
list(FILTER files EXCLUDE REGEX "(^|/)\\.")
file(REMOVE ${OUTPUT})
get_filename_component(outdir ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${outdir})
if(NOT files)
  file(WRITE ${OUTPUT} "")
  message(STATUS "Skin folder ${SOURCE_DIR} is empty: empty skin package")
  return()
endif()
list(SORT files)
set(listfile ${OUTPUT}.files)
string(REPLACE ";" "\n" lines "${files}")
file(WRITE ${listfile} "${lines}\n")
execute_process(
  COMMAND ${SEVENZIP} a -t7z -m0=lzma2:d=1536k -ms=on -mhc=on -mx=9 -bd -bso0 -bsp0 ${OUTPUT} @${listfile}
  WORKING_DIRECTORY ${SOURCE_DIR}
  RESULT_VARIABLE rc)
file(REMOVE ${listfile})
if(NOT rc EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "7zz failed (${rc}) packing ${SOURCE_DIR}")
endif()
