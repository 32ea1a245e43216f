# cmake -DSOURCE_ROOT=... -P ReadmeSnippet.cmake
# The README's embedding example is examples/embed-host/main.cpp, whole and
# unchanged, so that the snippet users copy is the program the tests build.
file(READ ${SOURCE_ROOT}/README.md readme)
file(READ ${SOURCE_ROOT}/examples/embed-host/main.cpp host)
string(FIND "${readme}" "```cpp\n${host}```\n" at)
if(at EQUAL -1)
  message(FATAL_ERROR "README.md does not show examples/embed-host/main.cpp as it is: copy the file into "
                      "the README's embedding section again")
endif()
