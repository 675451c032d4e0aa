# The agent's zlib binding, with zlibwapi.dll beside the test and with look-alikes that lack it.
tol_gtest(zlib_binding_test SOURCES zlib_binding_test.cpp LIBS tolvane_agent)
add_dependencies(zlib_binding_test zlibwapi zlibwapi_partial)
