# Runs at install time, after the program's files are in place.

# The desktop entry names the install folder it was installed into.
set(TALLOWICK_PREFIX "${CMAKE_INSTALL_PREFIX}")
configure_file("${TALLOWICK_DESKTOP_TEMPLATE}" "${CMAKE_INSTALL_PREFIX}/tallowick.desktop" @ONLY)
message(STATUS "Installing: ${CMAKE_INSTALL_PREFIX}/tallowick.desktop")

# A user's ledger is never replaced: a new, empty one is made only where none exists.
set(ledger "${CMAKE_INSTALL_PREFIX}/My Tallowick.mdb")
if(EXISTS "${ledger}")
    message(STATUS "Keeping the existing ledger: ${ledger}")
else()
    execute_process(COMMAND "${TALLOWICK_CREATE_LEDGER}" "${ledger}" RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "Could not create the ledger ${ledger}")
    endif()
    message(STATUS "Created an empty ledger: ${ledger}")
endif()
