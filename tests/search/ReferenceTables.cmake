# The tables of the tests' reference scan (ReferenceScan.h), made at build time
# from Python's own Unicode database by make_reference_tables.py, apart from the
# product's tables. Targets that use them: add_dependencies(<target>
# reference_tables) and the include folder SORVIK_REFERENCE_DIR.
set(SORVIK_REFERENCE_DIR ${CMAKE_BINARY_DIR}/reference)
if(NOT TARGET reference_tables)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_custom_command(
    OUTPUT ${SORVIK_REFERENCE_DIR}/ReferenceTables.inc
    COMMAND ${CMAKE_COMMAND} -E make_directory ${SORVIK_REFERENCE_DIR}
    COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/make_reference_tables.py
            ${SORVIK_REFERENCE_DIR}/ReferenceTables.inc
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make_reference_tables.py
    COMMENT "Reference case tables from Python's unicodedata"
    VERBATIM)
  add_custom_target(reference_tables DEPENDS ${SORVIK_REFERENCE_DIR}/ReferenceTables.inc)
endif()
