# Run by the install rules (share/CMakeLists.txt), once the prefix is final: configures
# QUILLET_DESKTOP_IN into QUILLET_DESKTOP_OUT with Exec= and TryExec= naming the installed
# program, QUILLET_BINDIR (relative to the prefix, or absolute), by its absolute path.
if(IS_ABSOLUTE "${QUILLET_BINDIR}")
    set(program "${QUILLET_BINDIR}/quillet")
else()
    set(program "${CMAKE_INSTALL_PREFIX}/${QUILLET_BINDIR}/quillet")
endif()
get_filename_component(program "${program}" ABSOLUTE)
# String values escape "\"; Exec= also doubles "%" and quotes a path with a reserved
# character, escaping " ` $ \ inside the quotes, as desktop entries require.
string(REPLACE "\\" "\\\\" QUILLET_TRYEXEC "${program}")
set(QUILLET_EXEC "${program}")
if(program MATCHES "[^-A-Za-z0-9_./+,:=@%]")
    string(REGEX REPLACE "([\"`$\\])" "\\\\\\1" QUILLET_EXEC "${program}")
    string(REPLACE "\\" "\\\\" QUILLET_EXEC "\"${QUILLET_EXEC}\"")
endif()
string(REPLACE "%" "%%" QUILLET_EXEC "${QUILLET_EXEC}")
configure_file("${QUILLET_DESKTOP_IN}" "${QUILLET_DESKTOP_OUT}" @ONLY)
